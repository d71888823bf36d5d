#pragma once

#include "reference/refeditor.h"

namespace vorna {

// The editor of the country tables: every country (Pays) when the main window's tag is
// "Pays", the countries of the European Economic Area (PaysEEE) otherwise.
class FrmRefPays : public RefEditorForm<FrmRefPays> {
public:
    FrmRefPays();
    forms::TextBox* T_Pays;

protected:
    void formLoad() override;
};

}  // namespace vorna
