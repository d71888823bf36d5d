#include "reference/frmrefcodesecono.h"

namespace vorna {

FrmRefCodesEcono::FrmRefCodesEcono() : RefEditorForm(economicCodesDesign()), T_Motif(editor_.labelBox) {}

}  // namespace vorna
