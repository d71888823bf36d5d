#pragma once

#include <QList>
#include <QString>
#include <array>

#include "platform/db/connection.h"
#include "platform/db/recordset.h"
#include "platform/forms/controls.h"
#include "platform/forms/form.h"
#include "platform/forms/textbox.h"

class QGroupBox;
class QLabel;

namespace vorna {

namespace forms {
class DataBinding;
}

// The institution's RIB as its box shows it: bank 5, branch 5, account 11 and key 2
// characters separated by single blanks, every other blank removed. Missing characters leave
// their groups empty (an empty RIB shows three blanks). More than 23 characters are left as
// typed, without blanks, so that nothing typed is lost and the check can refuse the length.
QString ribInGroups(const QString& rib);

// The settings window: the single row of ParamRef, and the program's one source of settings
// while it is loaded. Loaded hidden at start-up; a successful save stores the row and unloads
// the window, and the next use of any member or control loads it again from the stored row.
// Its boxes hold unsaved edits too: other windows read them as they stand.
class frmParamRef : public forms::FormOf<frmParamRef>, private RecordsetEvents {
    Q_OBJECT

public:
    frmParamRef();
    ~frmParamRef() override;

    // The ParamRef recordset, on the single row (a pending new row on a first start). Its
    // record-change events are the window's.
    Recordset* datPrimaryRS = nullptr;

    // Loads the window without showing it. With `conn`, its row is read on that connection (the
    // start-up's first working connection, before the main window holds one); else on the main
    // window's dfwConn of the moment.
    static void loadInfo(const ConnectionPtr& conn = nullptr);
    // datPrimaryRS, on the settings row (loads the window when needed:
    // frmParamRef::instance().findInfo()).
    Recordset* findInfo() { return datPrimaryRS; }

    // Controls. Arrays are indexed as the old control arrays (txtText 1 to 10).
    forms::TextBox* txtRadicalRef;
    QGroupBox* frm50;
    forms::TextBox* txtRibOY;
    std::array<forms::TextBox*, 11> txtText{};
    std::array<forms::TextBox*, 2> txtPays{};
    std::array<forms::CommandButton*, 2> cmdPays{};
    forms::TextBox* txtSirenPL;          // in the customer block, bound to sirenOY
    forms::CheckBox* chkModifiablePL;    // in the customer block, bound to modifiableOY
    QGroupBox* frm52;
    forms::TextBox* txtRibPL;
    forms::TextBox* txtSirenOY;          // in the institution block, bound to sirenPL
    forms::CheckBox* chkModifiableOY;    // in the institution block, bound to modifiablePL
    forms::TextBox* txtReperGener;
    forms::CommandButton* cmdRepert;
    QGroupBox* Frame2;
    QLabel* lblcft;
    forms::OptionGroup* OptCft;          // element 0
    forms::OptionGroup* OptVpn;          // element 1
    QLabel* lblpart;
    forms::TextBox* Txtpart;
    QWidget* picButtons;
    forms::CommandButton* cmdModif;
    forms::CommandButton* cmdClose;
    QList<QLabel*> lblLabels;

    // Handlers.
    void cmdModif_Click();
    void cmdClose_Click();
    void cmdRepert_Click();
    void cmdPays_Click(int index);
    void OptCft_Click(int index);
    void OptVpn_Click(int index);
    void txtRibPL_Validate(bool& cancel);

protected:
    void formLoad() override;
    void formQueryUnload(bool& cancel, forms::UnloadMode mode) override;
    void formKeyPress(int& keyAscii) override;

private:
    void willChangeRecord(EventReason reason, EventStatus& status, Recordset& rs) override;
    void recordChangeComplete(EventReason reason, const VbError* error, EventStatus status, Recordset& rs) override;

    void buildControls();
    void wireHandlers();
    forms::TextBox* newBox(const QString& name, const QString& field, int maxLength);
    QLabel* newLabel(const QString& caption, QWidget* box);
    // The connection the save's transaction runs on: the main window's dfwConn of the moment.
    ConnectionPtr mainConnection() const;

    // The main window's connection when the window was loaded: the row lives on it.
    ConnectionPtr conn_;
    forms::DataBinding* binding_ = nullptr;
    // True while the save stores the row (the only store the window lets through).
    bool saving_ = false;
    static inline ConnectionPtr loadConnection_;
};

}  // namespace vorna
