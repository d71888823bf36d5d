// The order window's field handlers: focus selection, clipboard filtering, key filters, the
// pick-list buttons and the currency, amount, country and account rules.
// Placeholder until the field handlers land: the boxes work as plain bound boxes.
#include "orderentry/frmordre.h"

namespace vorna {

void frmOrdre::connectFieldHandlers() {}

}  // namespace vorna
