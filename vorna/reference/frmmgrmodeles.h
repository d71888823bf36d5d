#pragma once

#include <memory>

#include "platform/forms/controls.h"
#include "platform/forms/flexgrid.h"
#include "platform/forms/form.h"
#include "platform/forms/textbox.h"

class QLabel;

namespace vorna {

class Recordset;

// The order templates ("Modèles d'ordres"): makes a template from an order (create mode) or
// copies a chosen template into an order (select mode), and deletes templates.
//
// Calling protocol (the order window is the only caller):
//   auto& m = frmMgrModeles::instance();   // loaded (its list read) on first use
//   m.fromRS = &orderRecordset;            // positioned on the order
//   m.typeEcran(true);                     // true: create, false: select
//   m.showModal();                         // returns once the window is hidden
// In select mode the order's row then holds the template's values, not stored. The window is
// only hidden; it stays loaded with its list until the main window closes.
class frmMgrModeles : public forms::FormOf<frmMgrModeles> {
    Q_OBJECT

public:
    frmMgrModeles();
    ~frmMgrModeles() override;

    // The caller's order: the source of a new template, or the target of a chosen one.
    Recordset* fromRS = nullptr;

    // (Re)loads the template list: opens it with `initConn`, else reads it again.
    void misEnForme(bool initConn = false);
    // true: create mode ("&Créer"); false: select mode ("&Sélectionner").
    void typeEcran(bool modification = false);

    // The list of templates (for the tests and the order window's checks).
    Recordset* templates() const { return rs_.get(); }

    forms::FlexGrid* MSHFlexGrid1;
    QLabel* lblAucun;
    QWidget* picCtrl;
    forms::TextBox* txtIdModele;
    forms::TextBox* txtDescription;
    forms::CommandButton* cmdCreer;
    forms::CommandButton* cmdSuppr;
    forms::CommandButton* cmdClose;

    void cmdCreer_Click();
    void cmdSuppr_Click();
    void cmdClose_Click();

protected:
    void formLoad() override;
    void formResize() override;
    void formQueryUnload(bool& cancel, forms::UnloadMode mode) override;
    void showEvent(QShowEvent* e) override;

private:
    bool isCreateMode() const;
    void txtIdModele_Change();
    void MSHFlexGrid1_RowColChange();
    void MSHFlexGrid1_DblClick();
    // Shows the template of the grid's current row in the two boxes.
    void readCurrentRow();
    void createTemplate();
    void selectTemplate();
    // The message of an empty code; true when the code is empty.
    bool refuseEmptyCode();

    std::unique_ptr<Recordset> rs_;
    int picCtrlWidth_ = 0;
    // While the list is being filled, the grid's moves read nothing.
    bool filling_ = false;
};

}  // namespace vorna
