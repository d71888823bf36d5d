#include <gtest/gtest.h>

#include <QAccessible>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>

#include "orderlist/settingsgate.h"
#include "platform/forms/binding.h"
#include "reference/reference_support.h"
#include "reference/settingscheck.h"

using namespace vorna;
using namespace vorna::test;

namespace {

const QStringList kColumns{"idUniq",   "radicalRef", "reperGener",   "ribOY",        "identOY1",   "villeOY",
                           "paysOY",   "sirenOY",    "modifiableOY", "ribPL",        "identPL1",   "sirenPL",
                           "modifiablePL", "modeTransfert", "partCft"};

class Settings : public ProgramTest {
protected:
    frmParamRef& window() { return frmParamRef::instance(); }

    // Shows the settings window and puts the cursor in a box.
    void focusIn(forms::TextBox* box) {
        frmParamRef& f = window();
        if (!f.isVisible()) {
            ASSERT_TRUE(showActive(&f));
        }
        ASSERT_TRUE(forms::giveFocus(box));
    }
    // Types into a box as the user does: focus first (its GotFocus runs), then the keys.
    void type(forms::TextBox* box, const QString& keys) {
        focusIn(box);
        box->selectAll();
        QTest::keyClicks(box, keys);
    }
    void tab() { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); }

    // Fills the window with sound settings: VPN, no customer, one institution.
    void fillSound() {
        frmParamRef& f = window();
        QTest::mouseClick(f.OptVpn->button(1), Qt::LeftButton);
        type(f.txtRadicalRef, "ref");
        type(f.txtRibPL, kRibB);
        type(f.txtText[6], "banque");
        type(f.txtText[7], "1 rue");
        type(f.txtText[9], "75001");
        type(f.txtText[10], "paris");
        type(f.txtPays[1], "fr");
        type(f.txtSirenOY, kSirenB);
        type(f.txtReperGener, folder.path() + "/");
    }
    void clickSave() { QTest::mouseClick(window().cmdModif, Qt::LeftButton); }

    // The text of the i-th message shown.
    QString messageAt(int i) const { return i < dialogs.messages.size() ? dialogs.messages[i].text : QString(); }
};

}  // namespace

TEST_F(Settings, FirstStartOpensOnANewRowAndRefusesEveryCloseUntilSaved) {
    start();
    ASSERT_TRUE(frmParamRef::isLoaded());  // loaded hidden by the start-up
    frmParamRef& f = window();
    EXPECT_FALSE(f.isVisible());
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(f.windowTitle(), "Paramétrage du logiciel de ostravelia");
    Recordset* rs = f.findInfo();
    ASSERT_EQ(rs, f.datPrimaryRS);
    EXPECT_EQ(rs->editMode(), EditMode::Add);
    EXPECT_EQ(rs->value("idUniq").toInt(), 1);
    EXPECT_TRUE(f.chkModifiablePL->isChecked());
    EXPECT_TRUE(f.chkModifiableOY->isChecked());
    EXPECT_FALSE(f.OptCft->value(0));
    EXPECT_FALSE(f.OptVpn->value(1));
    EXPECT_FALSE(f.Txtpart->isVisibleTo(&f));
    EXPECT_FALSE(f.lblpart->isVisibleTo(&f));
    // The row lives on the start-up's first connection, which the main window has replaced.
    EXPECT_NE(rs->connection(), Session::current().dfwConn);

    for (auto close : {std::function<bool()>([&] { return f.close(); }), std::function<bool()>([&] { return f.unload(); })}) {
        dialogs.messages.clear();
        EXPECT_FALSE(close());
        ASSERT_EQ(dialogs.messages.size(), 1);
        EXPECT_EQ(dialogs.messages[0].text, "Vous devez saisir le paramétrage !");
        EXPECT_EQ(dialogs.messages[0].title, "Paramétrage obligatoire");
        EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Information);
        EXPECT_TRUE(f.isVisible());
        EXPECT_TRUE(frmParamRef::isLoaded());
    }
    // The program's own end is refused too, and "Annuler" as well.
    EXPECT_FALSE(forms::unloadAll<frmParamRef>());
    QTest::mouseClick(f.cmdClose, Qt::LeftButton);
    EXPECT_TRUE(frmParamRef::isLoaded());
    EXPECT_TRUE(storedRows({"idUniq"}).isEmpty());
}

TEST_F(Settings, ControlsCarryTheirCaptionsLengthsAndColumns) {
    start();
    frmParamRef& f = window();
    EXPECT_EQ(f.frm50->title(), "50 : Client donneur d'ordre par défaut");
    EXPECT_EQ(f.frm52->title(), "52 : Etablissement donneur d'ordre par défaut");
    EXPECT_EQ(f.Frame2->title(), " Parametrage du mode d'envoi des fichiers");
    EXPECT_EQ(f.lblpart->text(), "identifiant du partenaire CFT (Part) :   ");
    EXPECT_EQ(f.lblcft->text(), "Mode de transfert utilisé :");
    EXPECT_EQ(f.OptVpn->button(1)->text(), "VPN ou Autres");
    EXPECT_EQ(f.cmdModif->text(), "&Enregistrer");
    EXPECT_EQ(f.cmdClose->text(), "&Annuler");
    EXPECT_EQ(f.chkModifiablePL->text(), "Modifiable lors de la saisie des ordres");
    // The four controls whose names do not follow their columns.
    EXPECT_EQ(f.txtSirenPL->dataField(), "sirenOY");
    EXPECT_EQ(f.chkModifiablePL->dataField(), "modifiableOY");
    EXPECT_EQ(f.txtSirenOY->dataField(), "sirenPL");
    EXPECT_EQ(f.chkModifiableOY->dataField(), "modifiablePL");
    EXPECT_TRUE(f.frm50->isAncestorOf(f.txtSirenPL));
    EXPECT_TRUE(f.frm52->isAncestorOf(f.txtSirenOY));
    const std::pair<forms::TextBox*, int> lengths[] = {
        {f.txtRadicalRef, 10}, {f.txtRibOY, 26}, {f.txtText[1], 35}, {f.txtText[4], 5}, {f.txtText[5], 26},
        {f.txtText[10], 32},   {f.txtPays[0], 2}, {f.txtSirenOY, 9}, {f.txtReperGener, 255}, {f.Txtpart, 8}};
    for (const auto& [box, n] : lengths) EXPECT_EQ(box->maxLength(), n) << box->dataField().toStdString();
    // Captions name their boxes for screen readers.
    const auto* ribLabel = qobject_cast<QLabel*>(f.lblLabels[1]);
    EXPECT_EQ(ribLabel->buddy(), f.txtRibOY);
    EXPECT_EQ(f.txtText[3]->accessibleName(), "Adresse, ligne 2");

    // Tab order from the prefix through the customer block.
    ASSERT_TRUE(showActive(&f));
    ASSERT_TRUE(forms::giveFocus(f.txtRadicalRef));
    QList<QWidget*> seen;
    for (int i = 0; i < 11; ++i) {
        tab();
        seen << QApplication::focusWidget();
    }
    const QList<QWidget*> expected{f.txtRibOY,  f.txtText[1], f.txtText[2], f.txtText[3], f.txtText[4], f.txtText[5],
                                   f.txtPays[0], f.cmdPays[0], f.txtSirenPL, f.chkModifiablePL, f.txtRibPL};
    EXPECT_EQ(seen, expected);
}

TEST_F(Settings, CftShowsThePartnerVpnHidesItAndItsValueStays) {
    start();
    frmParamRef& f = window();
    ASSERT_TRUE(showActive(&f));
    QTest::mouseClick(f.OptCft->button(0), Qt::LeftButton);
    EXPECT_TRUE(f.Txtpart->isVisible());
    EXPECT_TRUE(f.lblpart->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), f.Txtpart);
    QTest::keyClicks(f.Txtpart, "ab1d");
    EXPECT_EQ(f.Txtpart->text(), "AB1D");
    dialogs.beeps = 0;
    QTest::keyClicks(f.Txtpart, " -(");
    EXPECT_EQ(dialogs.beeps, 3);
    EXPECT_EQ(f.Txtpart->text(), "AB1D");

    QTest::mouseClick(f.OptVpn->button(1), Qt::LeftButton);
    EXPECT_FALSE(f.Txtpart->isVisible());
    EXPECT_FALSE(f.lblpart->isVisible());
    EXPECT_EQ(f.datPrimaryRS->value("partCft").toText(), "AB1D");
}

TEST_F(Settings, AStoredModeOpensWithItsOption) {
    TempStartFolder::Fields row = soundSettings(folder.path() + "/");
    for (auto& [name, value] : row)
        if (name == "modeTransfert") value = Value("CFT");
    storeSettings(row);
    start();
    frmParamRef& f = window();
    EXPECT_TRUE(f.OptCft->value(0));
    EXPECT_TRUE(f.Txtpart->isVisibleTo(&f));
    EXPECT_EQ(f.Txtpart->text(), "PART");
    EXPECT_EQ(f.activeControl(), f.Txtpart);
    EXPECT_EQ(f.datPrimaryRS->editMode(), EditMode::None);  // showing the row changes nothing
}

TEST_F(Settings, KeysAreFilteredBoxByBox) {
    start();
    frmParamRef& f = window();
    type(f.txtRadicalRef, "ab-c( d");
    EXPECT_EQ(f.txtRadicalRef->text(), "ABCD");
    dialogs.beeps = 0;
    type(f.txtText[1], "l'eau; (x)");  // the window's text filter: upper case, ";" refused
    EXPECT_EQ(f.txtText[1]->text(), "L'EAU (X)");
    EXPECT_EQ(dialogs.beeps, 1);
    type(f.txtRibOY, "30004 005-50");  // no blank, no hyphen in a RIB
    EXPECT_EQ(f.txtRibOY->text(), "3000400550");
    EXPECT_EQ(dialogs.beeps, 3);
    type(f.txtReperGener, "/Tmp/a b\\c;");
    EXPECT_EQ(f.txtReperGener->text(), "/Tmp/a b\\c;");
    EXPECT_EQ(dialogs.beeps, 3);
    // The right button cleans the clipboard before a paste: account kind for a RIB.
    dialogs.clipboard = "fr76 3000;";
    QTest::mousePress(f.txtRibPL, Qt::RightButton);
    EXPECT_EQ(dialogs.clipboard, "FR763000");
    dialogs.clipboard = "a b;";
    QTest::mousePress(f.txtPays[0], Qt::RightButton);
    EXPECT_EQ(dialogs.clipboard, "A B");
    dialogs.clipboard = "a b;";
    QTest::mousePress(f.txtReperGener, Qt::RightButton);
    EXPECT_EQ(dialogs.clipboard, "a b;");
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->inherits("QMenu")) w->close();
}

TEST_F(Settings, TheInstitutionsRibShowsInGroupsAndTheCustomersWithoutBlanks) {
    start();
    frmParamRef& f = window();
    type(f.txtRibPL, kRibB);
    tab();
    EXPECT_EQ(f.txtRibPL->text(), "20041 01005 05000123456 94");
    EXPECT_EQ(f.datPrimaryRS->value("ribPL").toText(), "20041 01005 05000123456 94");
    focusIn(f.txtRibPL);  // re-entered: the blanks go and the text is selected
    EXPECT_EQ(f.txtRibPL->text(), kRibB);
    EXPECT_EQ(f.txtRibPL->selectedText(), kRibB);
    f.txtRibPL->clear();
    tab();
    EXPECT_EQ(f.txtRibPL->text(), "   ");

    type(f.txtRibOY, kRibA);
    tab();
    EXPECT_EQ(f.txtRibOY->text(), kRibA);
    EXPECT_EQ(f.datPrimaryRS->value("ribOY").toText(), kRibA);
}

TEST_F(Settings, EachFailingSettingIsReportedInOrderWithTheCursorOnItsFieldAndNothingStored) {
    start();
    frmParamRef& f = window();
    ASSERT_TRUE(showActive(&f));
    struct Step {
        std::function<void()> mend;  // what the user does before saving
        QString title;
        QString startOfText;
        QWidget* focus;  // nullptr: the focus does not move
    };
    const QString t = "Erreur de paramètrage";
    const QList<Step> steps{
        {[] {}, "Erreur de parametrage", "Veuiller renseigner le mode de Tranfert", nullptr},
        {[&] { QTest::mouseClick(f.OptCft->button(0), Qt::LeftButton); }, t, "Votre partenaire CFT", f.Txtpart},
        {[&] { type(f.Txtpart, "abc"); }, "Erreur de parametrage", "votre part CFT est incorrect", f.Txtpart},
        {[&] {
             type(f.Txtpart, "abcd");
             type(f.txtRibOY, kRibA.left(22));
         },
         t, "La saisie d'un RIB correct de 23", f.txtRibOY},
        {[&] { type(f.txtRibOY, kRibA.left(21) + "06"); }, t, "La clé RIB du client", f.txtRibOY},
        {[&] { type(f.txtRibOY, kRibA); }, t, "La saisie des coordonnées (Nom et adresse) du client", f.txtText[1]},
        {[&] {
             type(f.txtText[1], "client");
             type(f.txtText[2], "2 avenue");
             type(f.txtText[4], "69001");
             type(f.txtText[5], "lyon");
             type(f.txtPays[0], "xx");
         },
         t, "La saisie d'un code pays valide pour le client", f.txtPays[0]},
        {[&] { type(f.txtPays[0], "fr"); }, t, "La saisie du RIB de l'établissement", f.txtRibPL},
        {[&] { type(f.txtRibPL, kRibB.left(21) + "95"); }, t, "La clé RIB de l'établissement", f.txtRibPL},
        {[&] { type(f.txtRibPL, kRibB); }, t, "La saisie des coordonnées (Nom et adresse) de l'établissement", f.txtText[6]},
        {[&] {
             type(f.txtText[6], "client");
             type(f.txtText[7], "1 rue");
             type(f.txtText[9], "75001");
             type(f.txtText[10], "paris");
         },
         t, "La saisie d'un code pays valide pour l'établissement", f.txtPays[1]},
        {[&] { type(f.txtPays[1], "de"); }, t, "Si le client donneur d'ordre est aussi l'établissement", f.txtRibOY},
        {[&] { type(f.txtText[6], "banque"); }, t, "La saisie d'un répertoire de génération", f.txtReperGener},
        {[&] {
             type(f.txtReperGener, folder.path() + "/");
             type(f.txtSirenOY, "552100555");
             type(f.txtSirenPL, "1");
         },
         t, "Le numéro SIREN de l'établissement", f.txtSirenOY},
        {[&] { type(f.txtSirenOY, kSirenB); }, t, "Le numéro SIREN du client", f.txtSirenPL},
    };
    for (const Step& s : steps) {
        s.mend();
        dialogs.messages.clear();
        clickSave();
        ASSERT_EQ(dialogs.messages.size(), 1) << s.startOfText.toStdString();
        EXPECT_TRUE(dialogs.messages[0].text.startsWith(s.startOfText)) << dialogs.messages[0].text.toStdString();
        EXPECT_EQ(dialogs.messages[0].title, s.title);
        EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Exclamation);
        QWidget* expected = s.focus ? s.focus : f.cmdModif;  // the click put it on the button
        EXPECT_EQ(QApplication::focusWidget(), expected) << s.startOfText.toStdString();
        if (auto* box = qobject_cast<forms::TextBox*>(expected); box && s.focus) {
            EXPECT_EQ(box->selectedText(), box->text());
        }
        EXPECT_TRUE(frmParamRef::isLoaded());
        EXPECT_TRUE(storedRows({"idUniq"}).isEmpty());
    }
    // The last one mended, the save goes through.
    type(f.txtSirenPL, kSirenA);
    dialogs.messages.clear();
    clickSave();
    EXPECT_TRUE(dialogs.messages.isEmpty()) << messageAt(0).toStdString();
    EXPECT_FALSE(frmParamRef::isLoaded());
    EXPECT_EQ(storedRows({"idUniq"}).size(), 1);
}

TEST_F(Settings, AnAbsentCustomerWithFilledFieldsGivesOneMessageForEach) {
    start();
    frmParamRef& f = window();
    fillSound();
    type(f.txtText[1], "nom");
    type(f.txtText[5], "ville");
    dialogs.messages.clear();
    clickSave();
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_TRUE(messageAt(0).contains("zone de saisie du nom"));
    EXPECT_TRUE(messageAt(1).contains("zone de saisie de la ville"));
    EXPECT_EQ(QApplication::focusWidget(), f.txtRibOY);
}

TEST_F(Settings, ASaveStoresTheRowUnloadsAndTheNextUseShowsTheStoredRow) {
    start();
    frmParamRef& f = window();
    fillSound();
    // The institution's defaults: not modifiable (a click on the box itself).
    QTest::mouseClick(f.chkModifiableOY, Qt::LeftButton, {}, QPoint(6, f.chkModifiableOY->height() / 2));
    QPointer<frmParamRef> first(&f);
    dialogs.messages.clear();
    clickSave();
    EXPECT_TRUE(dialogs.messages.isEmpty()) << messageAt(0).toStdString();
    EXPECT_FALSE(frmParamRef::isLoaded());
    flushDeletes();
    EXPECT_TRUE(first.isNull());

    const auto rows = storedRows(kColumns);
    ASSERT_EQ(rows.size(), 1);
    const QList<Value>& r = rows[0];
    EXPECT_EQ(r[0].toInt(), 1);
    EXPECT_EQ(r[1].toText(), "REF");
    EXPECT_EQ(r[2].toText(), folder.path() + "/");
    EXPECT_TRUE(r[3].isBlank());
    EXPECT_EQ(r[8], Value(true));
    EXPECT_EQ(r[9].toText(), "20041 01005 05000123456 94");
    EXPECT_EQ(r[10].toText(), "BANQUE");
    EXPECT_EQ(r[11].toText(), kSirenB);
    EXPECT_EQ(r[12], Value(false));
    EXPECT_EQ(r[13].toText(), "VPN");
    const ConnectionPtr main = Session::current().dfwConn;
    EXPECT_EQ(main->transactionLevel(), 0);

    // Any use loads it again, on the main window's present connection.
    EXPECT_EQ(settingsGenerationFolder(nullptr), folder.path() + "/");
    frmParamRef& again = window();
    EXPECT_EQ(again.datPrimaryRS->connection(), main);
    EXPECT_EQ(again.datPrimaryRS->editMode(), EditMode::None);
    EXPECT_EQ(again.txtText[6]->text(), "BANQUE");
    EXPECT_EQ(again.txtRibPL->text(), "20041 01005 05000123456 94");
    EXPECT_TRUE(again.OptVpn->value(1));
    EXPECT_TRUE(again.chkModifiablePL->isChecked());
    EXPECT_FALSE(again.chkModifiableOY->isChecked());
    EXPECT_TRUE(checkSettings().isEmpty());

    // A restart shows the stored settings too.
    forms::unloadAll<frmParamRef, frmListOrdre>();
    flushDeletes();
    start();
    EXPECT_EQ(window().txtReperGener->text(), folder.path() + "/");
    EXPECT_EQ(window().txtSirenOY->text(), kSirenB);
}

// As in the old runtime, the save writes the transfer mode, which puts the row in edit even
// unchanged: a save right after opening stores the row and closes the window.
TEST_F(Settings, ASaveWithoutAnyChangeStoresTheRowAndCloses) {
    storeSettings(soundSettings(folder.path() + "/"));
    start();
    frmParamRef& f = window();
    ASSERT_EQ(f.datPrimaryRS->editMode(), EditMode::None);
    ASSERT_TRUE(showActive(&f));
    dialogs.messages.clear();
    clickSave();
    EXPECT_TRUE(dialogs.messages.isEmpty()) << messageAt(0).toStdString();
    EXPECT_FALSE(frmParamRef::isLoaded());
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(Session::current().dfwConn->transactionLevel(), 0);
    const auto rows = storedRows({"modeTransfert", "radicalRef"});
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0][0].toText(), "VPN");
    EXPECT_EQ(rows[0][1].toText(), "REF");
}

// Each "Pays :" caption names its box for a screen reader: the box is its buddy and its sibling,
// where readers look for the label of a field. The window stands 100 twips from the corner of
// the work area, to the nearest pixel, and fits a screen of 1024 by 768 pixels from there.
TEST_F(Settings, TheCountryBoxesAreTheBuddiesOfTheirLabelsAndTheWindowSitsAtItsPlace) {
    start();
    frmParamRef& f = window();
    for (forms::TextBox* box : f.txtPays) {
        QLabel* caption = nullptr;
        for (QLabel* l : f.lblLabels)
            if (l->buddy() == box) caption = l;
        ASSERT_NE(caption, nullptr);
        EXPECT_EQ(caption->text(), "Pays :");
        EXPECT_EQ(caption->parentWidget(), box->parentWidget());
        QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(box);
        ASSERT_NE(reader, nullptr);
        bool labelled = false;
        for (const auto& [other, relation] : reader->relations(QAccessible::Label))
            labelled = labelled || other->object() == caption;
        EXPECT_TRUE(labelled);
    }
    const QRect area = Screen::workArea();
    EXPECT_LE(std::abs(f.leftTwips() - (area.left() + 100)), kTwipsPerPixel / 2);
    EXPECT_LE(std::abs(f.topTwips() - (area.top() + 100)), kTwipsPerPixel / 2);
    EXPECT_LE(f.frameGeometry().right() - area.left(), 1024 - 1);
    EXPECT_LE(f.frameGeometry().bottom() - area.top(), 768 - 1);
}

TEST_F(Settings, ASaveTheDatabaseRefusesLosesNeitherTheRowNorTheTyping) {
    storeSettings(soundSettings(folder.path() + "/"));
    start();
    frmParamRef& f = window();
    type(f.txtText[6], "nouvelle banque");
    const ConnectionPtr main = Session::current().dfwConn;
    Connection::failWritesEverywhere(VbError(err::AccessDenied, "Vorna.db", "Le fichier est en lecture seule."));
    dialogs.messages.clear();
    clickSave();
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_EQ(dialogs.messages[0].text, "Erreur -2147467259 : Le fichier est en lecture seule.");
    EXPECT_EQ(dialogs.messages[0].title, "Erreur de données");
    EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Critical);
    EXPECT_EQ(dialogs.messages[1].text, "Le fichier est en lecture seule.");
    EXPECT_EQ(dialogs.messages[1].title, "Erreur : -2147467259");
    EXPECT_TRUE(frmParamRef::isLoaded());
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.txtText[6]->text(), "NOUVELLE BANQUE");
    EXPECT_EQ(f.datPrimaryRS->editMode(), EditMode::InProgress);
    EXPECT_EQ(main->transactionLevel(), 0);
    EXPECT_EQ(f.datPrimaryRS->connection()->transactionLevel(), 0);
    EXPECT_EQ(storedRows({"identPL1"})[0][0].toText(), "BANQUE");

    // Once the database takes writes again, the same typing is stored.
    Connection::clearAllWriteFaults();
    dialogs.messages.clear();
    clickSave();
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(storedRows({"identPL1"})[0][0].toText(), "NOUVELLE BANQUE");
}

TEST_F(Settings, AFirstRowRefusedByTheDatabaseStaysPending) {
    start();
    frmParamRef& f = window();
    fillSound();
    Connection::failWritesEverywhere(VbError(err::DatabaseError, "Vorna.db", "Disque plein."));
    clickSave();
    EXPECT_EQ(dialogs.titles().filter("Erreur de données").size(), 1);
    EXPECT_EQ(f.datPrimaryRS->editMode(), EditMode::Add);
    EXPECT_EQ(f.txtReperGener->text(), folder.path() + "/");
    EXPECT_TRUE(storedRows({"idUniq"}).isEmpty());
    EXPECT_EQ(Session::current().dfwConn->transactionLevel(), 0);
}

TEST_F(Settings, ATransactionLeftOpenIsReportedAndTheSaveGoesOn) {
    storeSettings(soundSettings(folder.path() + "/"));
    start();
    frmParamRef& f = window();
    type(f.txtRadicalRef, "neuf");
    const ConnectionPtr main = Session::current().dfwConn;
    main->beginTrans();
    dialogs.messages.clear();
    clickSave();
    ASSERT_GE(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text,
              "Une erreur de transaction est apparue, veuillez quitter l'application puis relancer et vérifier les "
              "opérations qui viennent d'être faites");
    EXPECT_EQ(dialogs.messages[0].title, "Erreur avec les données");
    EXPECT_EQ(main->transactionLevel(), 0);  // the older one was committed by the save
    EXPECT_FALSE(frmParamRef::isLoaded());
    EXPECT_EQ(storedRows({"radicalRef"})[0][0].toText(), "NEUF");
}

TEST_F(Settings, ClosingWithEditsAsksAndNoKeepsThem) {
    storeSettings(soundSettings(folder.path() + "/"));
    start();
    frmParamRef& f = window();
    type(f.txtText[7], "2 rue");
    dialogs.answer(MsgAnswer::No);
    QTest::mouseClick(f.cmdClose, Qt::LeftButton);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, "Souhaitez-vous fermer l'écran sans effectuer de modification ?");
    EXPECT_EQ(dialogs.messages[0].title, "Fermeture sans modification");
    EXPECT_EQ(dialogs.messages[0].buttons, MsgButtons::YesNo);
    EXPECT_TRUE(frmParamRef::isLoaded());
    EXPECT_EQ(f.txtText[7]->text(), "2 RUE");

    dialogs.answer(MsgAnswer::Yes);
    EXPECT_TRUE(f.close());
    EXPECT_FALSE(frmParamRef::isLoaded());
    EXPECT_EQ(storedRows({"identPL2"})[0][0].toText(), "1 RUE");
    EXPECT_EQ(window().txtText[7]->text(), "1 RUE");

    // No edit: no question.
    dialogs.messages.clear();
    EXPECT_TRUE(window().unload());
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(Settings, UnsavedEditsAreNeverStoredBehindTheChecksBack) {
    storeSettings(soundSettings(folder.path() + "/"));
    start();
    frmParamRef& f = window();
    type(f.txtReperGener, "sans/slash");
    // Other windows read the boxes as they stand...
    EXPECT_EQ(settingsGenerationFolder(nullptr), "sans/slash");
    // ...but a move of the recordset cannot store what the check has not passed.
    EXPECT_THROW(f.datPrimaryRS->moveFirst(), VbError);
    EXPECT_EQ(storedRows({"reperGener"})[0][0].toText(), folder.path() + "/");
    EXPECT_TRUE(dialogs.titles().filter("Erreur de données").isEmpty());
}

TEST_F(Settings, TheFolderPickerFillsTheBoxAndACancelChangesNothing) {
    start();
    frmParamRef& f = window();
    type(f.txtReperGener, "/depart/");
    dialogs.answerFolder(QString("/srv/ordres/"));
    QTest::mouseClick(f.cmdRepert, Qt::LeftButton);
    EXPECT_EQ(dialogs.folderRequests, QStringList{"/depart/"});
    EXPECT_EQ(f.txtReperGener->text(), "/srv/ordres/");
    EXPECT_EQ(f.datPrimaryRS->value("reperGener").toText(), "/srv/ordres/");

    dialogs.answerFolder(std::nullopt);
    QTest::mouseClick(f.cmdRepert, Qt::LeftButton);
    EXPECT_EQ(f.txtReperGener->text(), "/srv/ordres/");
    // A folder longer than the column takes is no folder: nothing changes.
    dialogs.answerFolder("/" + QString(300, u'a') + "/");
    QTest::mouseClick(f.cmdRepert, Qt::LeftButton);
    EXPECT_EQ(f.txtReperGener->text(), "/srv/ordres/");
    EXPECT_EQ(f.datPrimaryRS->value("reperGener").toText(), "/srv/ordres/");
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(Settings, TheCountryButtonsUseTheListAndKeepTheCodeOnCancel) {
    start();
    frmParamRef& f = window();
    type(f.txtPays[1], "fr");
    QString openedOn;
    forms::Form::ModalHook = [&](forms::Form& w) {
        if (&w != &frmLstPays::instance()) return;
        frmLstPays& l = frmLstPays::instance();
        openedOn = l.MSHFlexGrid1->textMatrix(l.MSHFlexGrid1->row(), 0);
        QTest::keyClick(l.MSHFlexGrid1, Qt::Key_Down);
        QTest::keyClick(l.MSHFlexGrid1, Qt::Key_Return);
    };
    QTest::mouseClick(f.cmdPays[1], Qt::LeftButton);
    EXPECT_EQ(openedOn, "FR");
    const QString chosen = f.txtPays[1]->text();
    EXPECT_NE(chosen, "FR");
    EXPECT_EQ(chosen.size(), 2);
    EXPECT_EQ(f.datPrimaryRS->value("paysPL").toText(), chosen);
    EXPECT_EQ(f.focusWidget(), f.txtPays[1]);
    EXPECT_EQ(f.activeControl(), f.txtPays[1]);

    forms::Form::ModalHook = [](forms::Form& w) {
        if (&w == &frmLstPays::instance()) QTest::keyClick(frmLstPays::instance().MSHFlexGrid1, Qt::Key_Escape);
    };
    QTest::mouseClick(f.cmdPays[0], Qt::LeftButton);
    EXPECT_EQ(f.txtPays[0]->text(), "");
    EXPECT_TRUE(f.datPrimaryRS->value("paysOY").isBlank());
}

TEST_F(Settings, TheGateShowsTheWindowOnTheFailingFieldAndTheMenuShowsItModally) {
    start();
    frmParamRef& f = window();
    EXPECT_FALSE(checkSettingsAndFocus());
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.windowModality(), Qt::NonModal);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].text.startsWith("Veuiller renseigner le mode"));

    QTest::mouseClick(f.OptCft->button(0), Qt::LeftButton);
    forms::giveFocus(f.txtRadicalRef);
    EXPECT_FALSE(checkSettingsAndFocus());
    EXPECT_EQ(f.activeControl(), f.Txtpart);

    // Already open: the menu brings it forward instead of showing it again.
    bool wentModal = false;
    forms::Form::ModalHook = [&](forms::Form&) { wentModal = true; };
    showSettingsWindow();
    EXPECT_FALSE(wentModal);

    f.hide();
    forms::Form::ModalHook = [&](forms::Form& w) {
        wentModal = w.windowModality() == Qt::ApplicationModal;
        w.hide();
    };
    showSettingsWindow();
    EXPECT_TRUE(wentModal);

    // Sound settings: the gate says so and shows nothing.
    forms::Form::ModalHook = nullptr;
    fillSound();
    f.hide();
    dialogs.messages.clear();
    EXPECT_TRUE(checkSettingsAndFocus());
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_FALSE(f.isVisible());
}

TEST_F(Settings, TheStartUpReadsTheGenerationFolderFromTheWindowAndDuplicateRowsAreReported) {
    storeSettings(soundSettings("/dossier/absent/"));
    {
        auto c = folder.openWorking();
        c->execute("INSERT INTO ParamRef (idUniq, radicalRef) VALUES (2, 'AUTRE')");
    }
    start();
    const QStringList titles = dialogs.titles();
    ASSERT_EQ(titles.size(), 2);
    EXPECT_EQ(dialogs.messages[0].text, "Erreur de doublon de propriété");
    EXPECT_EQ(titles[0], "Erreur incompréhensible");
    EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Critical);
    EXPECT_EQ(titles[1], "Paramétrage incorrect");
    EXPECT_EQ(window().txtRadicalRef->text(), "REF");  // the first row
}

TEST_F(Settings, AnUnreadableTableLeavesTheWindowLoadedAsFarAsItGot) {
    storeSettings(soundSettings(folder.path() + "/"));
    start();
    forms::unloadAll<frmParamRef>();
    flushDeletes();
    Session::current().dfwConn->execute("ALTER TABLE ParamRef RENAME TO ParamRefAncien");
    dialogs.messages.clear();
    frmParamRef& f = window();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].text.startsWith("Load form : "));
    EXPECT_EQ(dialogs.messages[0].title, "");
    EXPECT_TRUE(frmParamRef::isLoaded());
    EXPECT_FALSE(f.datPrimaryRS->isOpen());
    EXPECT_TRUE(f.unload());
}
