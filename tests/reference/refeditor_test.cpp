#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLocale>
#include <QMenu>

#include "platform/clock.h"
#include "reference/frmrefcodesecono.h"
#include "reference/frmrefdevises.h"
#include "reference/frmrefpays.h"
#include "reference/reference_support.h"

using namespace vorna;
using namespace vorna::test;

namespace {

const QString CRLF = QStringLiteral("\r\n");
QString blanks(int n) { return QString(n, u' '); }

// One editor as the tests drive it.
struct EditorCase {
    const char* name;
    QString tag;    // the main window's tag (country editor only)
    QString table;  // the table it edits
    QString caption;
    std::function<forms::Form&()> window;
    std::function<RefEditor&()> editor;
    QString typedCode, code;     // as typed, as stored
    QString typedLabel, label;   // as typed, as corrected when the box loses the focus
    QString decimals;            // currencies only
    QString existing;            // a code of the shipped table
    QString storeEnding, deleteTitle;
};

void PrintTo(const EditorCase& c, std::ostream* os) { *os << c.name; }

const EditorCase kCases[] = {
    {"PaysEEE", "EEE", "PaysEEE", "Référentiel des codes pays de l'espace économique européen",
     [] () -> forms::Form& { return FrmRefPays::instance(); }, [] () -> RefEditor& { return FrmRefPays::instance().editor(); },
     "qz", "QZ", "terre de SAINT-pierre", "Terre De Saint-pierre", "", "FR", " d'un pays dans le référentiel",
     "Suppression d'un pays dans le référentiel"},
    {"Pays", "Pays", "Pays", "Référentiel de tous les codes pays",
     [] () -> forms::Form& { return FrmRefPays::instance(); }, [] () -> RefEditor& { return FrmRefPays::instance().editor(); },
     "qz", "QZ", "île du nord", "Île Du Nord", "", "DE", " d'un pays dans le référentiel",
     "Suppression d'un pays dans le référentiel"},
    {"CodesEcono", "", "CodesEcono", "Référentiel des codes motif économique",
     [] () -> forms::Form& { return FrmRefCodesEcono::instance(); },
     [] () -> RefEditor& { return FrmRefCodesEcono::instance().editor(); }, "z9a", "Z9A", "échanges DIVERS",
     "Échanges DIVERS", "", "E01", " d'un motif économique dans le référentiel",
     "Suppression d'un motif économique dans le référentiel"},
    {"Devises", "", "Devises", "Référentiel des devises",
     [] () -> forms::Form& { return FrmRefDevises::instance(); },
     [] () -> RefEditor& { return FrmRefDevises::instance().editor(); }, "zzy", "ZZY", "écu de test", "Écu de test", "3",
     "EUR", " d'une devise dans le référentiel", "Suppression d'une devise dans le référentiel"},
};

class RefEditors : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        savedCheck_ = frmListOrdre::SettingsCheck;
        frmListOrdre::SettingsCheck = [] {};
        Clock::pin(QDateTime(QDate(2026, 12, 8), QTime(10, 30)));
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    }
    void TearDown() override {
        forms::unloadAll<FrmRefPays, FrmRefCodesEcono, FrmRefDevises>();
        ProgramTest::TearDown();
        frmListOrdre::SettingsCheck = savedCheck_;
        Clock::pin(QDateTime());
        QLocale::setDefault(QLocale::system());
    }

    // Starts the program and opens an editor, shown and active.
    RefEditor& open(const EditorCase& c) {
        frmListOrdre& main = start();
        main.setProperty(kMainWindowTag, c.tag);
        forms::Form& w = c.window();
        EXPECT_TRUE(showActive(&w));
        return c.editor();
    }

    void click(QAbstractButton* b) {
        EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
        QTest::mouseClick(b, Qt::LeftButton);
    }
    void type(forms::TextBox* box, const QString& keys) {
        ASSERT_TRUE(forms::giveFocus(box)) << box->objectName().toStdString();
        box->selectAll();
        typeCharacters(box, keys);
    }
    // Fills the fields of an addition or a change and leaves the label box (its correction runs).
    void fill(RefEditor& e, const QString& code, const QString& label, const QString& decimals) {
        if (!code.isNull()) type(e.T_Code, code);
        type(e.labelBox, label);
        if (e.T_NbrDecimale) type(e.T_NbrDecimale, decimals);
        else forms::giveFocus(e.T_Code->isEnabled() ? static_cast<QWidget*>(e.T_Code) : e.Cmd_Valider);
    }

    void clickHeading(forms::FlexGrid* g, int col) {
        QHeaderView* h = g->horizontalHeader();
        const QPoint p(h->sectionViewportPosition(col) + h->sectionSize(col) / 2, h->height() / 2);
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, p);
    }

    // The stored rows of a table: code -> description (and decimals).
    QMap<QString, QString> stored(const QString& table) {
        auto c = folder.openReference();
        Recordset r;
        const bool currencies = table == "Devises";
        r.open(QStringLiteral("select * from ") + table, c, CursorType::ForwardOnly, LockType::ReadOnly);
        QMap<QString, QString> rows;
        for (; !r.eof(); r.moveNext())
            rows[r.value("Code").toText()] =
                r.value("Description").toText() + (currencies ? "|" + r.value("nbDecimale").toText() : QString());
        return rows;
    }
    QString storedValue(const EditorCase& c, const QString& label) {
        return label + (c.table == "Devises" ? "|" + c.decimals : QString());
    }

    // The code shown on the grid's current row.
    QString currentCode(RefEditor& e) { return e.DataGrid1->textMatrix(e.DataGrid1->row(), 0); }
    QStringList gridCodes(RefEditor& e) {
        QStringList l;
        for (int r = 1; r < e.DataGrid1->rows(); ++r) l << e.DataGrid1->textMatrix(r, 0);
        return l;
    }

    void expectBrowsing(RefEditor& e) {
        EXPECT_TRUE(e.DataGrid1->isEnabled());
        for (auto* b : {e.cmd_Ajouter, e.cmd_Modifier, e.cmd_Supprimer, e.cmd_Fermer, e.cmd_PrintListe})
            EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
        EXPECT_FALSE(e.Cmd_Valider->isEnabled());
        EXPECT_FALSE(e.Cmd_Annuler->isEnabled());
        for (auto* t : {e.T_Code, e.labelBox, e.T_NbrDecimale}) {
            if (!t) continue;
            EXPECT_FALSE(t->isEnabled());
            EXPECT_EQ(t->text(), "");
        }
        const QStringList codes = gridCodes(e);
        QStringList sorted = codes;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(codes, sorted) << "browsing shows the rows by code";
    }
    void expectEditing(RefEditor& e, bool codeEnabled) {
        EXPECT_FALSE(e.DataGrid1->isEnabled());
        for (auto* b : {e.cmd_Ajouter, e.cmd_Modifier, e.cmd_Supprimer, e.cmd_Fermer, e.cmd_PrintListe})
            EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
        EXPECT_TRUE(e.Cmd_Valider->isEnabled());
        EXPECT_TRUE(e.Cmd_Annuler->isEnabled());
        EXPECT_EQ(e.T_Code->isEnabled(), codeEnabled);
        EXPECT_TRUE(e.labelBox->isEnabled());
    }

    // Puts the grid on the row of a code.
    void selectCode(RefEditor& e, const QString& code) {
        const int r = gridCodes(e).indexOf(code) + 1;
        ASSERT_GT(r, 0) << code.toStdString();
        e.DataGrid1->scrollTo(e.DataGrid1->model()->index(r - 1, 1));
        QTest::mouseClick(e.DataGrid1->viewport(), Qt::LeftButton, {},
                          e.DataGrid1->visualRect(e.DataGrid1->model()->index(r - 1, 1)).center());
        ASSERT_EQ(currentCode(e), code);
    }

    std::function<void()> savedCheck_;
};

class EachEditor : public RefEditors, public ::testing::WithParamInterface<EditorCase> {};

}  // namespace

TEST_P(EachEditor, AddsChangesAndDeletesWithOkAndCancel) {
    const EditorCase& c = GetParam();
    RefEditor& e = open(c);
    EXPECT_EQ(c.window().windowTitle(), c.caption);
    expectBrowsing(e);
    ASSERT_FALSE(stored(c.table).contains(c.code));
    const QString before = currentCode(e);
    auto question = [&](const QString& label) {
        return "Confirmez-vous la validation de l'enregistrement suivant : " + CRLF + c.code + " - " + label +
               (c.decimals.isEmpty() ? QString(" ?") : " avec " + c.decimals + " décimale(s)?");
    };

    // Addition abandoned at the question: nothing stored, back on the row the grid showed.
    click(e.cmd_Ajouter);
    expectEditing(e, true);
    EXPECT_EQ(QApplication::focusWidget(), e.T_Code);
    fill(e, c.typedCode, c.typedLabel, c.decimals);
    EXPECT_EQ(e.T_Code->text(), c.code);
    EXPECT_EQ(e.labelBox->text(), c.label);
    dialogs.answer(MsgAnswer::Cancel);
    click(e.Cmd_Valider);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, question(c.label));
    EXPECT_EQ(dialogs.messages[0].title, "Ajout" + c.storeEnding);
    EXPECT_EQ(dialogs.messages[0].buttons, MsgButtons::OKCancel);
    EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Question);
    expectBrowsing(e);
    EXPECT_EQ(currentCode(e), before);
    EXPECT_FALSE(stored(c.table).contains(c.code));

    // Addition confirmed: stored with its corrected label, the grid on the new row.
    click(e.cmd_Ajouter);
    fill(e, c.typedCode, c.typedLabel, c.decimals);
    click(e.Cmd_Valider);
    EXPECT_EQ(stored(c.table).value(c.code), storedValue(c, c.label));
    expectBrowsing(e);
    EXPECT_EQ(currentCode(e), c.code);

    // Change: the code stays, the label and decimals are filled from the row.
    click(e.cmd_Modifier);
    expectEditing(e, false);
    EXPECT_EQ(QApplication::focusWidget(), e.labelBox);
    EXPECT_EQ(e.T_Code->text(), c.code);
    EXPECT_EQ(e.labelBox->text(), c.label);
    if (e.T_NbrDecimale) {
        EXPECT_EQ(e.T_NbrDecimale->text(), c.decimals);
    }
    fill(e, QString(), "autre", c.decimals);
    dialogs.answer(MsgAnswer::Cancel);
    click(e.Cmd_Valider);
    EXPECT_EQ(stored(c.table).value(c.code), storedValue(c, c.label));
    click(e.cmd_Modifier);
    fill(e, QString(), "autre", c.decimals);
    click(e.Cmd_Valider);
    const QString changed = "Autre";
    EXPECT_EQ(dialogs.messages.last().title, "Modification" + c.storeEnding);
    EXPECT_EQ(dialogs.messages.last().text, question(changed));
    EXPECT_EQ(stored(c.table).value(c.code), storedValue(c, changed));
    EXPECT_EQ(currentCode(e), c.code);
    expectBrowsing(e);

    // Delete: Cancel keeps the row; OK deletes it and the grid shows the row before.
    const QStringList codes = gridCodes(e);
    const QString previous = codes.at(codes.indexOf(c.code) - 1);
    dialogs.answer(MsgAnswer::Cancel);
    click(e.cmd_Supprimer);
    EXPECT_EQ(dialogs.messages.last().text,
              "Confirmez-vous la suppression de l'enregistrement suivant : " + CRLF + c.code + " - " + changed + " ?");
    EXPECT_EQ(dialogs.messages.last().title, c.deleteTitle);
    EXPECT_TRUE(stored(c.table).contains(c.code));
    EXPECT_EQ(currentCode(e), c.code);
    expectBrowsing(e);
    click(e.cmd_Supprimer);
    EXPECT_FALSE(stored(c.table).contains(c.code));
    EXPECT_EQ(currentCode(e), previous);
    expectBrowsing(e);

    // Deleting the first row leaves the grid on the new first row.
    const QStringList all = gridCodes(e);
    selectCode(e, all[0]);
    click(e.cmd_Supprimer);
    EXPECT_FALSE(stored(c.table).contains(all[0]));
    EXPECT_EQ(currentCode(e), all[1]);
    EXPECT_EQ(e.DataGrid1->row(), 1);
    EXPECT_EQ(gridCodes(e), all.mid(1));
}

TEST_P(EachEditor, RefusesAWrongLengthAnEmptyFieldAndADuplicateAndStaysInItsMode) {
    const EditorCase& c = GetParam();
    RefEditor& e = open(c);
    const RefEditorDesign& d = e.design();
    const auto before = stored(c.table);

    click(e.cmd_Ajouter);
    fill(e, c.typedCode.left(c.code.size() - 1), c.typedLabel, c.decimals);
    click(e.Cmd_Valider);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, d.lengthMessage.text);
    EXPECT_EQ(dialogs.messages[0].title, d.lengthMessage.title);
    EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(QApplication::focusWidget(), e.T_Code);
    EXPECT_EQ(e.T_Code->selectedText(), c.code.left(c.code.size() - 1));
    expectEditing(e, true);

    // The code box takes no more than the code's length.
    type(e.T_Code, c.typedCode + "b");
    EXPECT_EQ(e.T_Code->text(), c.code);
    type(e.labelBox, "");
    e.labelBox->clear();
    click(e.Cmd_Valider);
    EXPECT_EQ(dialogs.messages.last().text, d.labelMessage.text);
    EXPECT_EQ(dialogs.messages.last().title, d.labelMessage.title);
    EXPECT_EQ(QApplication::focusWidget(), e.labelBox);

    if (e.T_NbrDecimale) {
        type(e.labelBox, c.typedLabel);
        e.T_NbrDecimale->clear();
        click(e.Cmd_Valider);
        EXPECT_EQ(dialogs.messages.last().text, d.decimalsMessage.text);
        EXPECT_EQ(dialogs.messages.last().title, d.decimalsMessage.title);
        EXPECT_EQ(QApplication::focusWidget(), e.T_NbrDecimale);
        type(e.T_NbrDecimale, "x2");
        EXPECT_EQ(e.T_NbrDecimale->text(), "2");
    }

    // A code that exists anywhere in the table, whichever row the grid showed.
    type(e.T_Code, c.existing.toLower());
    type(e.labelBox, c.typedLabel);
    const int shown = int(dialogs.messages.size());
    click(e.Cmd_Valider);
    ASSERT_EQ(dialogs.messages.size(), shown + 1);
    EXPECT_EQ(dialogs.messages.last().text, d.duplicateMessage.text);
    EXPECT_EQ(dialogs.messages.last().title, d.duplicateMessage.title);
    EXPECT_EQ(e.T_Code->selectedText(), c.existing);
    expectEditing(e, true);
    EXPECT_EQ(e.labelBox->text(), c.label);
    EXPECT_EQ(stored(c.table), before);

    // A change of an existing row is never a duplicate.
    click(e.Cmd_Annuler);
    expectBrowsing(e);
    selectCode(e, c.existing);
    click(e.cmd_Modifier);
    fill(e, QString(), "nouveau", "0");
    click(e.Cmd_Valider);
    EXPECT_EQ(dialogs.messages.last().icon, MsgIcon::Question);
    EXPECT_EQ(stored(c.table).value(c.existing), "Nouveau" + QString(e.T_NbrDecimale ? "|0" : ""));
}

TEST_P(EachEditor, HeadingSortsUntilTheNextReturnToBrowsing) {
    const EditorCase& c = GetParam();
    RefEditor& e = open(c);
    selectCode(e, c.existing);
    const QStringList byCode = gridCodes(e);
    for (int col = 1; col < e.design().columns.size(); ++col) {
        clickHeading(e.DataGrid1, col);
        // As the database orders that column.
        const QString column = col == 1 ? "Description" : "nbDecimale";
        Recordset r;
        r.open("select " + column + " from " + c.table + " order by " + column, folder.openReference(),
               CursorType::ForwardOnly, LockType::ReadOnly);
        QStringList expected, shown;
        for (; !r.eof(); r.moveNext()) expected << r.value(0).toText();
        for (int row = 1; row < e.DataGrid1->rows(); ++row) shown << e.DataGrid1->textMatrix(row, col);
        EXPECT_EQ(shown, expected) << "column " << col;
        EXPECT_NE(gridCodes(e), byCode);
        if (e.design().tipFollowsRow) {
            EXPECT_EQ(e.DataGrid1->toolTip(), e.design().gridTip);
        }
    }
    // The sort makes its first row current; an addition remembers that row, and its return to
    // browsing sorts by code again and finds the row there.
    const QString first = gridCodes(e).first();
    click(e.cmd_Ajouter);
    click(e.Cmd_Annuler);
    EXPECT_EQ(gridCodes(e), byCode);
    EXPECT_EQ(currentCode(e), first);
    EXPECT_EQ(e.DataGrid1->row(), byCode.indexOf(first) + 1);
    if (e.design().tipFollowsRow) {
        // The tip follows the current row: its full label.
        selectCode(e, c.existing);
        EXPECT_EQ(e.DataGrid1->toolTip(), stored(c.table).value(c.existing));
    }
}

INSTANTIATE_TEST_SUITE_P(, EachEditor, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RefEditors, CodeKeysAreFilteredWithTheirBeeps) {
    struct Case {
        RefEditorDesign::CodeFilter filter;
        QString typed, shown;
        int beeps;
    } cases[] = {
        // Countries and currencies: a converted letter beeps, anything but a letter is refused.
        {RefEditorDesign::CodeFilter::CapitalsWithBeep, "fr", "FR", 2},
        {RefEditorDesign::CodeFilter::CapitalsWithBeep, "F1r", "FR", 2},
        {RefEditorDesign::CodeFilter::CapitalsWithBeep, "é-E", "E", 2},
        // Economic codes: letters become capitals silently, digits pass.
        {RefEditorDesign::CodeFilter::AlnumSilent, "e1a", "E1A", 0},
        {RefEditorDesign::CodeFilter::AlnumSilent, "E-1 ", "E1", 2},
    };
    for (const Case& k : cases) {
        const EditorCase& c = k.filter == RefEditorDesign::CodeFilter::AlnumSilent ? kCases[2] : kCases[3];
        RefEditor& e = open(c);
        click(e.cmd_Ajouter);
        dialogs.beeps = 0;
        type(e.T_Code, k.typed);
        EXPECT_EQ(e.T_Code->text(), k.shown) << k.typed.toStdString();
        EXPECT_EQ(dialogs.beeps, k.beeps) << k.typed.toStdString();
        // Backspace always passes.
        QTest::keyClick(e.T_Code, Qt::Key_Backspace);
        EXPECT_EQ(e.T_Code->text(), k.shown.chopped(1));
        EXPECT_EQ(dialogs.beeps, k.beeps);
        click(e.Cmd_Annuler);
    }
    // The decimals: one digit only.
    RefEditor& e = open(kCases[3]);
    click(e.cmd_Ajouter);
    dialogs.beeps = 0;
    type(e.T_NbrDecimale, "a,23");
    EXPECT_EQ(e.T_NbrDecimale->text(), "2");
    EXPECT_EQ(dialogs.beeps, 2);
    // What the context menu pastes passes the same filters; the label drops only control characters.
    const auto paste = [&](forms::TextBox* box, const QString& clipboard) {
        box->clear();
        ASSERT_TRUE(forms::giveFocus(box));
        dialogs.clipboard = clipboard;
        QTest::mousePress(box, Qt::RightButton);
        std::unique_ptr<QMenu> menu(box->createContextMenu());
        for (QAction* a : menu->actions())
            if (a->objectName() == QLatin1String("edit-paste")) a->trigger();
    };
    paste(e.T_NbrDecimale, "x2");
    EXPECT_EQ(e.T_NbrDecimale->text(), "2");
    paste(e.labelBox, "Dollar\r\n\tdes \x01US");
    EXPECT_EQ(e.labelBox->text(), "Dollardes US");
    // A number of decimals that is no number, as a paste that bypassed the filter would leave it,
    // is refused with the box's message, never stored as 0.
    fill(e, "ZZY", "Essai", QString());
    e.T_NbrDecimale->setText("-");
    dialogs.messages.clear();
    click(e.Cmd_Valider);
    EXPECT_EQ(dialogs.texts(), QStringList{"La saisie du nombre de décimales est obligatoire !"});
    EXPECT_EQ(QApplication::focusWidget(), e.T_NbrDecimale);
    click(e.Cmd_Annuler);
    EXPECT_FALSE(stored("Devises").contains("ZZY"));
    RefEditor& codes = open(kCases[2]);
    click(codes.cmd_Ajouter);
    paste(codes.T_Code, "e-1\t");
    EXPECT_EQ(codes.T_Code->text(), "E1");
}

TEST_F(RefEditors, LabelCorrections) {
    using C = RefEditorDesign::LabelCorrection;
    struct Case {
        C correction;
        QString typed, corrected;
    } cases[] = {
        {C::ProperCase, "saint-MARIN", "Saint-marin"},
        {C::ProperCase, "côte  d'IVOIRE", "Côte  D'ivoire"},
        {C::ProperCase, "", ""},
        {C::FirstCapital, "euro DE test", "Euro DE test"},
        {C::FirstCapital, "écu", "Écu"},
        {C::FirstCapital, "", ""},
    };
    for (const Case& k : cases) EXPECT_EQ(correctLabel(k.correction, k.typed), k.corrected) << k.typed.toStdString();
}

// ---- the printed lists ----------------------------------------------------------------------

class PrintedLists : public RefEditors {
protected:
    // Replaces a table's rows by a few of the test's own.
    void tableOf(const QString& table, const QList<QList<Value>>& rows) {
        auto c = folder.openReference();
        c->execute("DELETE FROM " + table);
        for (const auto& r : rows)
            c->execute("INSERT INTO " + table + (r.size() == 3 ? " VALUES (?,?,?)" : " VALUES (?,?)"), r);
    }
    QStringList printed(RefEditor& e) {
        dialogs.defaultPrinter = "Bureau";
        const int before = int(dialogs.prints.size());
        click(e.cmd_PrintListe);
        EXPECT_EQ(dialogs.prints.size(), before + 1);
        if (dialogs.prints.size() != before + 1) return {};
        EXPECT_TRUE(dialogs.prints.last().fixedPitch);
        EXPECT_EQ(dialogs.prints.last().target.printerName, "Bureau");
        EXPECT_EQ(dialogs.prints.last().wrapped, QStringList());  // every line fits the page's width
        return dialogs.prints.last().lines;
    }
    static QStringList head(const QString& title, const QString& heading) {
        return {"", title + blanks(10) + "08/12/2026", "", heading, ""};
    }
};

TEST_F(PrintedLists, EachEditorPrintsItsLinesInFourteenCharacterZones) {
    tableOf("Pays", {{"DE", "Allemagne"}, {"BE", "Belgique"}});
    tableOf("PaysEEE", {{"AT", "Autriche"}});
    tableOf("Devises", {{"EUR", "Euro", 2}, {"USD", "Dollar des US", 2}, {"JPY", "Yen", 0}});
    const QString longLabel = QString("Redevances ").repeated(13) + "et droits";  // 143 + 9 characters
    tableOf("CodesEcono", {{"E01", "Biens"}, {"E05", longLabel}});

    const QString countriesHeading = blanks(10) + "- Code -" + blanks(10) + "- Libellé du pays -";
    // 11 blanks, the code and a blank fill the first zone exactly: the label goes to the next.
    EXPECT_EQ(printed(open(kCases[1])),
              head("Application KESTO : Référentiel de tous les codes pays", countriesHeading) +
                  QStringList({blanks(11) + "BE" + blanks(15) + "Belgique", blanks(11) + "DE" + blanks(15) + "Allemagne"}));
    FrmRefPays::instance().unload();
    EXPECT_EQ(printed(open(kCases[0])),
              head("Application KESTO : Référentiel des codes pays de l'espace économique européen", countriesHeading) +
                  QStringList({blanks(11) + "AT" + blanks(15) + "Autriche"}));

    // Currencies: code to column 28, 5 blanks, the label, 10 blanks, then the next zone.
    EXPECT_EQ(printed(open(kCases[3])),
              head("Application KESTO : Référentiel des devises",
                   blanks(9) + "- Code -" + blanks(6) + "- Libellé de la devise -" + blanks(20) + "- Nbre de décimales -") +
                  QStringList({blanks(11) + "EUR" + blanks(19) + "Euro" + blanks(19) + "2",
                               blanks(11) + "JPY" + blanks(19) + "Yen" + blanks(20) + "0",
                               blanks(11) + "USD" + blanks(19) + "Dollar des US" + blanks(24) + "2"}));

    // Economic codes: a label of 131 characters or more goes on two lines.
    ASSERT_GE(longLabel.size(), 131);
    EXPECT_EQ(printed(open(kCases[2])),
              head("Application KESTO : Référentiel des motifs économiques",
                   blanks(10) + "- Code -" + blanks(10) + "- Motif économique -") +
                  QStringList({blanks(11) + "E01  Biens", blanks(11) + "E05  " + longLabel.left(130),
                               blanks(18) + longLabel.mid(130)}));
}

TEST_F(PrintedLists, PrintsInTheGridsOrderThenBrowsesByCodeOnTheSameRow) {
    tableOf("Devises", {{"EUR", "Euro", 2}, {"CHF", "Franc suisse", 2}, {"JPY", "Yen", 0}});
    RefEditor& e = open(kCases[3]);
    selectCode(e, "EUR");
    clickHeading(e.DataGrid1, 2);
    const QStringList lines = printed(e);
    ASSERT_EQ(lines.size(), 8);
    EXPECT_TRUE(lines[5].contains("JPY"));
    EXPECT_TRUE(lines[6].contains("CHF"));
    EXPECT_TRUE(lines[7].contains("EUR"));
    expectBrowsing(e);
    EXPECT_EQ(gridCodes(e), QStringList({"CHF", "EUR", "JPY"}));
    EXPECT_EQ(currentCode(e), "JPY");  // the row current when printing (the first after the sort)
}

TEST_F(PrintedLists, WithoutAPrinterTheListGoesToThePdfFileChosen) {
    RefEditor& e = open(kCases[3]);
    dialogs.defaultPrinter.clear();
    dialogs.saveFile = folder.filePath("devises");
    click(e.cmd_PrintListe);
    ASSERT_EQ(dialogs.prints.size(), 1);
    EXPECT_EQ(dialogs.prints[0].target.pdfPath, folder.filePath("devises.pdf"));
    EXPECT_TRUE(dialogs.prints[0].target.printerName.isEmpty());
    ASSERT_EQ(dialogs.saveFileRequests.size(), 1);
    EXPECT_EQ(dialogs.saveFileRequests[0].defaultSuffix, "pdf");
    // The user cancels the choice: nothing printed, back to browsing.
    dialogs.saveFile.reset();
    click(e.cmd_PrintListe);
    EXPECT_EQ(dialogs.prints.size(), 1);
    expectBrowsing(e);
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

// ---- failures and the pick lists -----------------------------------------------------------

TEST_F(RefEditors, ARefusedChangeIsReportedAndTheEditorKeepsWhatWasTyped) {
    const EditorCase& c = kCases[3];
    RefEditor& e = open(c);
    const auto before = stored(c.table);
    click(e.cmd_Ajouter);
    fill(e, c.typedCode, c.typedLabel, c.decimals);
    Connection::failWritesEverywhere(VbError(err::AccessDenied, "Vorna.db", "Le fichier est en lecture seule."));
    click(e.Cmd_Valider);
    ASSERT_EQ(dialogs.messages.size(), 2);  // the question, then the refusal
    EXPECT_EQ(dialogs.messages[1].text, "Le fichier est en lecture seule.");
    EXPECT_EQ(dialogs.messages[1].icon, MsgIcon::Critical);
    expectEditing(e, true);
    EXPECT_EQ(e.T_Code->text(), c.code);
    EXPECT_EQ(e.labelBox->text(), c.label);
    EXPECT_EQ(e.T_NbrDecimale->text(), c.decimals);
    EXPECT_EQ(stored(c.table), before);
    EXPECT_EQ(e.recordset()->editMode(), EditMode::None);
    // Once the database takes it, the same fields store.
    click(e.Cmd_Valider);
    EXPECT_EQ(stored(c.table).value(c.code), storedValue(c, c.label));
    expectBrowsing(e);

    // A refused delete keeps the row.
    selectCode(e, c.code);
    Connection::failWritesEverywhere(VbError(err::AccessDenied, "Vorna.db", "Le fichier est en lecture seule."));
    click(e.cmd_Supprimer);
    EXPECT_EQ(dialogs.messages.last().text, "Le fichier est en lecture seule.");
    EXPECT_TRUE(stored(c.table).contains(c.code));
    expectBrowsing(e);
    EXPECT_EQ(currentCode(e), c.code);
}

TEST_F(RefEditors, AnEditShowsInThePickListsWithoutARestart) {
    start();
    frmLstDev& list = frmLstDev::instance();  // read before the edit
    frmLstPays& countries = frmLstPays::instance();
    ASSERT_EQ(list.findDevNbDeci("ZZY"), -1);
    RefEditor& e = open(kCases[3]);
    click(e.cmd_Ajouter);
    fill(e, "zzy", "écu de test", "3");
    click(e.Cmd_Valider);
    EXPECT_EQ(list.findDevNbDeci("ZZY"), 3);
    click(e.cmd_Supprimer);
    EXPECT_EQ(list.findDevNbDeci("ZZY"), -1);

    RefEditor& p = open(kCases[1]);
    selectCode(p, "DE");
    click(p.cmd_Supprimer);
    EXPECT_FALSE(countries.findPays("DE"));
}

TEST_F(RefEditors, TheMenusOpenEachEditorModallyOnItsTable) {
    frmListOrdre& main = start();
    struct Case {
        QAction* command;
        QString objectName, caption;
    } cases[] = {
        {main.mnEEE, "FrmRefPays", "Référentiel des codes pays de l'espace économique européen"},
        {main.mnPays, "FrmRefPays", "Référentiel de tous les codes pays"},
        {main.mnEEE, "FrmRefPays", "Référentiel des codes pays de l'espace économique européen"},
        {main.mnDevises, "FrmRefDevises", "Référentiel des devises"},
        {main.mnCodeMotif, "FrmRefCodesEcono", "Référentiel des codes motif économique"},
    };
    for (const Case& k : cases) {
        QString seen, title;
        int rows = 0;
        forms::Form::ModalHook = [&](forms::Form& f) {
            seen = f.objectName();
            title = f.windowTitle();
            auto* grid = f.findChild<forms::FlexGrid*>("DataGrid1");
            rows = grid ? grid->rows() - 1 : -1;
            QTest::mouseClick(f.findChild<QPushButton*>("cmd_Fermer"), Qt::LeftButton);
        };
        k.command->trigger();
        EXPECT_EQ(seen, k.objectName);
        EXPECT_EQ(title, k.caption);
        EXPECT_GT(rows, 0);
    }
    EXPECT_FALSE(FrmRefPays::isLoaded());
    EXPECT_FALSE(FrmRefDevises::isLoaded());
    // The EEA table is the smaller one.
    EXPECT_LT(stored("PaysEEE").size(), stored("Pays").size());
}

TEST_F(RefEditors, ATableThatCannotBeOpenedIsReportedAndTheEditorStaysClosed) {
    frmListOrdre& main = start();
    auto c = folder.openReference();
    c->execute("DROP TABLE CodesEcono");
    main.mnCodeMotif->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Critical);
    EXPECT_FALSE(FrmRefCodesEcono::isLoaded());
}
