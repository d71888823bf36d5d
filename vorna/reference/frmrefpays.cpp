#include "reference/frmrefpays.h"

#include "platform/session.h"

namespace vorna {

FrmRefPays::FrmRefPays() : RefEditorForm(countriesDesign(true)), T_Pays(editor_.labelBox) {}

void FrmRefPays::formLoad() {
    // The tag as the menu command left it.
    const forms::Form* main = Session::current().mainWindow;
    const bool allCountries = main && main->property(kMainWindowTag).toString() == QLatin1String("Pays");
    const RefEditorDesign d = countriesDesign(allCountries);
    editor_.setTable(d.caption, d.select, d.printTitle);
    editor_.load();
}

}  // namespace vorna
