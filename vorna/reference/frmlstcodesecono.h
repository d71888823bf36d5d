#pragma once

#include "reference/picklist.h"

namespace vorna {

// The list of economic reason codes (table CodesEcono of the reference database), sorted by
// code. Its grid keeps its design size when the window is resized.
class frmLstCodesEcono : public PickListForm<frmLstCodesEcono> {
public:
    frmLstCodesEcono();

    // True when `code` is an economic reason code, exactly; selects its row, or the first row.
    bool findCodeEcono(const QString& code) { return findCode(code); }
};

}  // namespace vorna
