// The checks of a whole order before its row is written (the recordset's will-change event).
// Placeholder until the checks land: every store goes on.
#include "orderentry/frmordre.h"

namespace vorna {

bool frmOrdre::validateOrder() { return true; }

}  // namespace vorna
