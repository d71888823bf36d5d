#pragma once

#include "reference/picklist.h"

namespace vorna {

// The currency pick list (table Devises of the reference database), sorted by description;
// its hidden third column holds each currency's number of decimals.
class frmLstDev : public PickListForm<frmLstDev> {
public:
    frmLstDev();

    // True when `code` is a currency code, exactly; selects its row, or the first row.
    bool findDev(const QString& code) { return findCode(code); }
    // The currency's number of decimals, or -1 when the code is not in the table.
    int findDevNbDeci(const QString& code);
};

}  // namespace vorna
