#pragma once

#include "reference/refeditor.h"

namespace vorna {

// The editor of the economic reason codes (table CodesEcono).
class FrmRefCodesEcono : public RefEditorForm<FrmRefCodesEcono> {
public:
    FrmRefCodesEcono();
    forms::TextBox* T_Motif;
};

}  // namespace vorna
