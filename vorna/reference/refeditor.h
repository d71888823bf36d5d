#pragma once

#include <QLabel>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "platform/db/connection.h"
#include "platform/db/recordset.h"
#include "platform/forms/controls.h"
#include "platform/forms/flexgrid.h"
#include "platform/forms/form.h"
#include "platform/forms/textbox.h"

namespace vorna {

// The main window's tag (a property of the main window) tells the country editor which table
// to open: "Pays" for every country, anything else for the European Economic Area.
inline constexpr char kMainWindowTag[] = "Tag";

// A message box of the checks: text and title.
struct RefMessage {
    QString text;
    QString title;
};

// One grid column of an editor.
struct RefColumn {
    QString caption;
    QString field;   // the sort a heading click asks for
    int width;       // twips
    bool centred;
};

// What tells the three reference editors apart.
struct RefEditorDesign {
    enum class CodeFilter { CapitalsWithBeep, AlnumSilent };
    enum class LabelCorrection { ProperCase, FirstCapital };
    enum class Layout { Countries, EconomicCodes, Currencies };

    QString objectName;
    QString caption;
    QString select;
    QString printTitle;
    int codeLength;
    QString labelBox;         // name of the label box
    QString labelCaptionName; // name of its caption label
    QString labelCaption;
    int labelMax;
    bool hasDecimals;
    QList<RefColumn> columns;
    QString gridTip;
    QString modifierTip;
    QString printTip;
    RefMessage lengthMessage;
    RefMessage labelMessage;
    RefMessage decimalsMessage;
    RefMessage duplicateMessage;
    QString storeTitleEnding;
    QString deleteTitle;
    CodeFilter codeFilter;
    LabelCorrection labelCorrection;
    bool tipFollowsRow;  // the grid's tip shows the current row's full label
    Layout layout;
};

RefEditorDesign countriesDesign(bool allCountries);
RefEditorDesign economicCodesDesign();
RefEditorDesign currenciesDesign();

// The key filter of a code box: the key to type, or 0 (after a beep) for a refused key.
int filterCodeKey(RefEditorDesign::CodeFilter filter, int keyAscii);
// A character pasted into a box: a control character is refused (beep, 0), any other goes to
// the box's filter of typed keys.
int filterPastedKey(int keyAscii, const std::function<int(int)>& typed);
// The key filter of the decimals box.
int filterDecimalsKey(int keyAscii);
// The correction of a label when its box loses the focus.
QString correctLabel(RefEditorDesign::LabelCorrection correction, const QString& text);

// One row of a printed list.
struct RefListRow {
    QString code;
    QString label;
    QString decimals;
};
// The lines of a printed reference list, as sent to the printer: the blank line, the title
// line, the blank line, the heading line, the blank line, then the rows.
QStringList referenceListLines(RefEditorDesign::Layout layout, const QString& title, const QString& date,
                               const QList<RefListRow>& rows);

// The body the three editors share: the grid of the table, the fields, the buttons, the
// browse and edit states, the store, the delete and the printed list.
class RefEditor {
public:
    RefEditor(forms::Form& window, const RefEditorDesign& design);
    RefEditor(const RefEditor&) = delete;
    RefEditor& operator=(const RefEditor&) = delete;
    ~RefEditor();

    forms::FlexGrid* DataGrid1;
    QLabel* L_Libel_Code;
    forms::TextBox* T_Code;
    QLabel* labelCaption;
    forms::TextBox* labelBox;
    QLabel* L_Libel_Decimale = nullptr;
    forms::TextBox* T_NbrDecimale = nullptr;
    forms::CommandButton* cmd_Ajouter;
    forms::CommandButton* cmd_Modifier;
    forms::CommandButton* cmd_Supprimer;
    forms::CommandButton* Cmd_Valider;
    forms::CommandButton* Cmd_Annuler;
    forms::CommandButton* cmd_Fermer;
    forms::CommandButton* cmd_PrintListe;

    const RefEditorDesign& design() const { return design_; }
    // The country editor chooses its table when it loads.
    void setTable(const QString& caption, const QString& select, const QString& printTitle);
    Recordset* recordset() const { return rs_.get(); }
    // "Ajout", "Modification", "Suppression", or "" while browsing.
    QString mode() const { return mode_; }

    void load();
    void unload();

    void cmd_Ajouter_Click();
    void cmd_Modifier_Click();
    void cmd_Supprimer_Click();
    void Cmd_Valider_Click();
    void Cmd_Annuler_Click() { resetEcran(); }
    void cmd_Fermer_Click();
    void cmd_PrintListe_Click();
    // A click on a heading sorts by that column until the next return to browsing.
    void headClick(int col);

private:
    void buildControls();
    void resetEcran();
    void modeSaisie();
    bool saisieValide();
    // Reports a database or printer failure of this window with its description.
    void reportFailure(const QString& description);
    void fillGrid();
    void showCurrentRow();
    void gridRowChanged();
    void rememberCurrent();
    bool hasCurrentRow() const;
    void printList();
    QList<forms::CommandButton*> browseButtons() const;

    forms::Form& window_;
    RefEditorDesign design_;
    ConnectionPtr conn_;
    std::unique_ptr<Recordset> rs_;
    QString mode_;
    std::optional<Recordset::Bookmark> bookmark_;
    bool syncing_ = false;
};

// A reference editor window: FrmRefPays, FrmRefCodesEcono and FrmRefDevises derive from it.
template <class T>
class RefEditorForm : public forms::FormOf<T> {
public:
    forms::FlexGrid* DataGrid1;
    forms::TextBox* T_Code;
    forms::CommandButton* cmd_Ajouter;
    forms::CommandButton* cmd_Modifier;
    forms::CommandButton* cmd_Supprimer;
    forms::CommandButton* Cmd_Valider;
    forms::CommandButton* Cmd_Annuler;
    forms::CommandButton* cmd_Fermer;
    forms::CommandButton* cmd_PrintListe;

    RefEditor& editor() { return editor_; }

protected:
    explicit RefEditorForm(const RefEditorDesign& design) : editor_(*this, design) {
        DataGrid1 = editor_.DataGrid1;
        T_Code = editor_.T_Code;
        cmd_Ajouter = editor_.cmd_Ajouter;
        cmd_Modifier = editor_.cmd_Modifier;
        cmd_Supprimer = editor_.cmd_Supprimer;
        Cmd_Valider = editor_.Cmd_Valider;
        Cmd_Annuler = editor_.Cmd_Annuler;
        cmd_Fermer = editor_.cmd_Fermer;
        cmd_PrintListe = editor_.cmd_PrintListe;
    }

    void formLoad() override { editor_.load(); }
    void formUnload() override { editor_.unload(); }

    RefEditor editor_;
};

// Shows an editor modally. A table that cannot be opened was reported by the editor's load,
// which then leaves the window unloaded.
template <class T>
void showReferenceEditor() {
    try {
        T::instance().showModal();
    } catch (const VbError&) {
    }
}

}  // namespace vorna
