#include "reference/frmrefdevises.h"

namespace vorna {

FrmRefDevises::FrmRefDevises()
    : RefEditorForm(currenciesDesign()), T_Devise(editor_.labelBox), T_NbrDecimale(editor_.T_NbrDecimale) {}

}  // namespace vorna
