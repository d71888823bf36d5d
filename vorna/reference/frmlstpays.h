#pragma once

#include "reference/picklist.h"

namespace vorna {

// The country pick list (table Pays of the reference database), sorted by description.
class frmLstPays : public PickListForm<frmLstPays> {
public:
    frmLstPays();

    // True when `code` is a country code, exactly (letter case and blanks count); selects its
    // row, or the first row when it is unknown.
    bool findPays(const QString& code) { return findCode(code); }
};

}  // namespace vorna
