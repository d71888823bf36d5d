#pragma once

#include "reference/refeditor.h"

namespace vorna {

// The editor of the currencies (table Devises) with their number of decimals.
class FrmRefDevises : public RefEditorForm<FrmRefDevises> {
public:
    FrmRefDevises();
    forms::TextBox* T_Devise;
    forms::TextBox* T_NbrDecimale;
};

}  // namespace vorna
