// Order templates through the real windows: the list, the code typed, a template made from an
// order, a template copied into a new order, deletes, and codes with quotes and blanks.
#include <gtest/gtest.h>

#include <QLabel>

#include "orderentry/orderwindow_support.h"
#include "reference/frmmgrmodeles.h"

using namespace vorna;
using namespace vorna::test;

namespace {

class Templates : public OrderWindowTest {
protected:
    void TearDown() override {
        frmMgrModeles::unloadIfLoaded();
        OrderWindowTest::TearDown();
    }

    void addTemplate(const QString& code, const QString& description, const TempStartFolder::Fields& fields = {}) {
        QStringList names{QStringLiteral("idModele"), QStringLiteral("description")}, marks{"?", "?"};
        QList<Value> values{Value(code), Value(description)};
        for (const auto& [name, value] : fields) {
            names << name;
            marks << QStringLiteral("?");
            values << value;
        }
        conn->execute(QStringLiteral("INSERT INTO Modeles (%1) VALUES (%2)").arg(names.join(u','), marks.join(u',')),
                      values);
    }
    Value storedTemplate(const QString& code, const QString& column) {
        Recordset r;
        r.open(QStringLiteral("select ") + column + QStringLiteral(" from Modeles where idModele = ?"), conn,
               CursorType::ForwardOnly, LockType::ReadOnly, {Value(code)});
        return r.eof() ? Value(QStringLiteral("<absent>")) : r.value(0);
    }
    int templateCount() {
        Recordset r;
        r.open(QStringLiteral("select count(*) from Modeles"), conn, CursorType::ForwardOnly, LockType::ReadOnly);
        return int(r.value(0).toInt());
    }
    // The window shown (not modally) in one mode, as its callers leave it.
    frmMgrModeles& shown(bool create) {
        frmMgrModeles& m = frmMgrModeles::instance();
        m.typeEcran(create);
        m.show();
        QCoreApplication::processEvents();
        return m;
    }
    static void type(forms::TextBox* box, const QString& text) {
        box->setText(QString());
        // The test keyboard types ASCII only.
        if (text.toLatin1() == text.toUtf8())
            QTest::keyClicks(box, text);
        else
            box->typeText(text);
    }

    ScriptedDialogs dialogs;
};

TEST_F(Templates, AnEmptyListShowsItsLabelAndTheCodeTypedDecidesTheButtons) {
    frmListOrdre& main = frmListOrdre::instance();
    frmMgrModeles& m = shown(true);
    EXPECT_EQ(m.windowTitle(), "Modèles d'ordres");
    EXPECT_FALSE(m.MSHFlexGrid1->isVisible());
    EXPECT_TRUE(m.lblAucun->isVisible());
    EXPECT_EQ(m.lblAucun->text(), "Aucun modèle d'ordre");
    EXPECT_FALSE(m.cmdCreer->isEnabled());
    EXPECT_FALSE(m.cmdSuppr->isEnabled());
    EXPECT_NEAR(m.leftTwips(), main.leftTwips() + 1500, 15);
    EXPECT_NEAR(m.topTwips(), main.topTwips() + 2000, 15);
    EXPECT_EQ(m.focusWidget(), m.txtIdModele);

    type(m.txtIdModele, "NOUVEAU");
    EXPECT_TRUE(m.cmdCreer->isEnabled());
    EXPECT_FALSE(m.cmdSuppr->isEnabled());
    type(m.txtIdModele, "   ");  // blanks only are no code
    EXPECT_FALSE(m.cmdCreer->isEnabled());
    m.typeEcran(false);
    EXPECT_EQ(m.cmdCreer->text(), "&Sélectionner");
    type(m.txtIdModele, "NOUVEAU");
    EXPECT_FALSE(m.cmdCreer->isEnabled());

    // Narrowed, the window keeps room for its fields and buttons, in its lower right corner.
    m.resize(100, m.height());
    QCoreApplication::processEvents();
    EXPECT_GE(m.scaleWidth(), forms::geometryTwips(m.picCtrl).width() + 120 - 15);
    const QRect pic = forms::geometryTwips(m.picCtrl);
    EXPECT_NEAR(pic.right() + 1, m.scaleWidth() - 60, 15);
    EXPECT_NEAR(pic.bottom() + 1, m.scaleHeight() - 60, 15);

    // Escape hides the window; it stays loaded with its list.
    Recordset* list = m.templates();
    QTest::keyClick(m.txtIdModele, Qt::Key_Escape);
    EXPECT_FALSE(m.isVisible());
    ASSERT_TRUE(frmMgrModeles::isLoaded());
    EXPECT_EQ(frmMgrModeles::instance().templates(), list);
    // The main window takes it away when it closes.
    forms::unloadAll<frmOrdre, frmLstPays, frmLstDev, frmLstCodesEcono, frmParamRef, frmListOrdre>();
    flushDeletes();
    EXPECT_FALSE(frmMgrModeles::isLoaded());
}

TEST_F(Templates, ACodeTypedSelectsItsRowExactlyAndSetsTheButtonsByMode) {
    for (int i = 1; i <= 30; ++i)
        addTemplate(QStringLiteral("T%1").arg(i, 2, 10, QChar('0')), QStringLiteral("Modèle %1").arg(i));
    addTemplate("O'BRIEN", "Avec une apostrophe");
    frmMgrModeles& m = shown(true);
    forms::FlexGrid* g = m.MSHFlexGrid1;
    ASSERT_TRUE(g->isVisible());
    EXPECT_EQ(g->rows(), 32);
    EXPECT_EQ(g->textMatrix(0, 0), "Code");
    EXPECT_EQ(g->textMatrix(0, 1), "Description");
    EXPECT_EQ(g->colWidth(0), 1200);
    EXPECT_EQ(g->colWidth(1), 4800);
    EXPECT_EQ(g->colWidth(2), 0);
    EXPECT_EQ(g->cellBackColor(5, 0), forms::vbColor(0xC0C0C0));
    EXPECT_FALSE(g->cellBackColor(5, 1).isValid());
    EXPECT_EQ(g->row(), 0);

    struct Case {
        bool create;
        QString typed;
        int row;  // 0: not found
        bool creer, suppr;
    };
    const Case cases[] = {
        {true, "T07", 8, false, true},   {false, "T07", 8, true, true},  {true, "T02", 3, false, true},
        {true, "t07", 0, true, false},   {false, "t07", 0, false, false}, {true, "T07 ", 0, true, false},
        {false, "O'BRIEN", 1, true, true}, {true, "O'BRIEN'", 0, true, false}, {true, "T20", 21, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString() + (c.create ? " create" : " select"));
        m.typeEcran(c.create);
        m.txtDescription->setText(QString());
        type(m.txtIdModele, c.typed);
        EXPECT_EQ(g->row(), c.row);
        EXPECT_EQ(m.cmdCreer->isEnabled(), c.creer);
        EXPECT_EQ(m.cmdSuppr->isEnabled(), c.suppr);
        if (c.row > 0) {
            EXPECT_EQ(g->rowSel(), c.row);
            EXPECT_EQ(g->colSel(), 2);
            EXPECT_EQ(g->topRow(), c.row >= 4 ? c.row - 3 : 1);
            EXPECT_EQ(m.txtDescription->text(), g->textMatrix(c.row, 1));
            EXPECT_EQ(m.templates()->value("idModele").toText(), c.typed);
        }
    }
    EXPECT_TRUE(dialogs.messages.isEmpty());

    // A row picked in the grid fills both boxes.
    g->setRow(9);
    EXPECT_EQ(m.txtIdModele->text(), "T08");
    EXPECT_EQ(m.txtDescription->text(), "Modèle 8");
    // A grid that shows a code in another letter case finds no exact row.
    g->setTextMatrix(2, 0, "t05");
    g->setRow(2);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, "Enregistrement introuvable");
    EXPECT_EQ(dialogs.messages[0].title, "Lecture du modèle sélectionné");
    EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Critical);
    EXPECT_EQ(m.txtIdModele->text(), "T08");  // unchanged
}

struct CreateCase {
    const char* amount;  // nullptr: none typed
    const char* ref;
    bool amountMessage, refMessage;
};

class CreateFromOrder : public Templates, public ::testing::WithParamInterface<CreateCase> {};

TEST_P(CreateFromOrder, ATemplateKeepsTheOrderWithoutItsAmountAndWithThePrefix) {
    const CreateCase c = GetParam();
    frmOrdre& f = open();
    f.show();
    Recordset& rs = *f.datPrimaryRS;
    rs.setValue("typeOper", 2);
    f.optTypeOper->setValue(2, true);
    f.optFrais->setValue(1, true);
    rs.setValue("identBE1", "BENEFICIAIRE");
    rs.setValue("devOrdre", "USD");
    rs.setValue("refInterne", c.ref);
    if (c.amount) rs.setValue("montant", Value(*Decimal::parse(QString::fromLatin1(c.amount))));
    const Value created = rs.value("dateCreation");

    forms::Form::ModalHook = [&](forms::Form& w) {
        auto* m = qobject_cast<frmMgrModeles*>(&w);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->cmdCreer->text(), "&Créer");
        type(m->txtIdModele, "USD-CHQ");
        type(m->txtDescription, "Chèque en dollars");
        QTest::keyClick(m->txtDescription, Qt::Key_Return);
    };
    f.cmdModele->click();
    QStringList expected;
    if (c.amountMessage) expected << "Le montant ne sera pas enregistré dans le modèle";
    if (c.refMessage) expected << "La référence interne ne sera pas enregistrée dans le modèle";
    EXPECT_EQ(dialogs.texts(), expected);
    for (const auto& msg : dialogs.messages) {
        EXPECT_EQ(msg.title, "Création d'un modèle");
        EXPECT_EQ(msg.icon, MsgIcon::Information);
    }
    EXPECT_FALSE(frmMgrModeles::instance().isVisible());
    EXPECT_EQ(templateCount(), 1);
    EXPECT_TRUE(storedTemplate("USD-CHQ", "montant").isNull());
    const std::pair<const char*, QString> kept[] = {
        {"description", "Chèque en dollars"}, {"refInterne", "REF"}, {"typeOper", "2"}, {"frais", "1"},
        {"identBE1", "BENEFICIAIRE"}, {"ribOY", kRibA}, {"sirenDecla", kSirenA}};
    for (const auto& [column, text] : kept) EXPECT_EQ(storedTemplate("USD-CHQ", column).toText(), text) << column;
    EXPECT_EQ(storedTemplate("USD-CHQ", "dateCreation").toDateTime(), created.toDateTime());
    // The order itself is untouched and still being entered.
    EXPECT_EQ(rs.value("refInterne").toText(), c.ref);
    EXPECT_EQ(rs.value("montant").isNull(), c.amount == nullptr);
    EXPECT_EQ(rs.editMode(), EditMode::Add);
    EXPECT_EQ(orderCount(), 0);
    // The list shows it next time.
    EXPECT_EQ(frmMgrModeles::instance().MSHFlexGrid1->textMatrix(1, 0), "USD-CHQ");
}

INSTANTIATE_TEST_SUITE_P(AmountsAndReferences, CreateFromOrder,
                         ::testing::Values(CreateCase{nullptr, "REF", false, false},
                                           CreateCase{"0", "REF", false, false},
                                           CreateCase{"1250.50", "REF", true, false},
                                           CreateCase{"1250.50", "REF0042", true, true},
                                           CreateCase{nullptr, "REF0042", false, true}));

TEST_F(Templates, CreateNeedsTheChargesAndANewCodeAndTakesQuotesAndBlanks) {
    addTemplate("D'ABORD", "existant", {{"identBE1", "ANCIEN"}});
    frmOrdre& f = open();
    f.show();
    int shownCount = 0;
    forms::Form::ModalHook = [&](forms::Form&) { ++shownCount; };
    f.cmdModele->click();
    EXPECT_EQ(shownCount, 0);
    EXPECT_EQ(dialogs.texts(), QStringList{"Vous devez définir l'imputation des frais."});
    EXPECT_EQ(dialogs.titles(), QStringList{"Saisie incomplète"});

    dialogs.messages.clear();
    f.optFrais->setValue(0, true);
    bool refused = false;
    forms::Form::ModalHook = [&](forms::Form& w) {
        auto* m = qobject_cast<frmMgrModeles*>(&w);
        type(m->txtIdModele, "D'ABORD");
        refused = !m->cmdCreer->isEnabled();
        QTest::keyClick(m->txtIdModele, Qt::Key_Return);  // the disabled default does nothing
        EXPECT_TRUE(m->isVisible());
        // An empty code is refused with its message.
        m->txtIdModele->setText(QString());
        m->cmdCreer_Click();
        EXPECT_EQ(m->focusWidget(), m->txtIdModele);
        // A code with a quote is stored like any other.
        type(m->txtIdModele, "L'AUTRE");
        type(m->txtDescription, "sans blanc");
        m->cmdCreer->click();
    };
    f.cmdModele->click();
    EXPECT_EQ(dialogs.texts(), QStringList{"Un modèle doit avoir un identifiant"});
    EXPECT_EQ(dialogs.titles(), QStringList{"Erreur de saisie"});
    EXPECT_TRUE(refused);
    EXPECT_EQ(storedTemplate("D'ABORD", "identBE1").toText(), "ANCIEN");
    EXPECT_EQ(storedTemplate("L'AUTRE", "refInterne").toText(), "REF");

    // A trailing blank makes another code: it is a template of its own.
    forms::Form::ModalHook = [&](forms::Form& w) {
        auto* m = qobject_cast<frmMgrModeles*>(&w);
        type(m->txtIdModele, "L'AUTRE ");
        EXPECT_TRUE(m->cmdCreer->isEnabled());
        type(m->txtDescription, "avec un blanc");
        m->cmdCreer->click();
    };
    f.cmdModele->click();
    EXPECT_EQ(templateCount(), 3);
    frmMgrModeles& m = shown(false);
    for (const auto& [code, description] :
         {std::pair<QString, QString>{"L'AUTRE ", "avec un blanc"}, {"L'AUTRE", "sans blanc"}}) {
        type(m.txtIdModele, code);
        EXPECT_EQ(m.templates()->value("idModele").toText(), code);
        EXPECT_EQ(m.txtDescription->text(), description);
        EXPECT_TRUE(m.cmdCreer->isEnabled());
    }
    EXPECT_EQ(dialogs.messages.size(), 1);
}

TEST_F(Templates, ATemplateChosenFillsTheNewOrderButItsDate) {
    addTemplate("AVANT", "un autre");
    addTemplate("CHQ USD", "Chèque en dollars",
                {{"typeOper", 1}, {"frais", 2}, {"avisBenefType", 1}, {"avisTel", "0102030405"},
                 {"residentOY", false}, {"identBE1", "BENEFICIAIRE"}, {"devOrdre", "USD"},
                 {"refInterne", "REF"}, {"dateCreation", QDateTime(QDate(2020, 1, 2), QTime(3, 4))}});
    frmOrdre& f = open();
    f.show();
    Recordset& rs = *f.datPrimaryRS;
    rs.setValue("montant", Value(Decimal(500, 0)));
    rs.setValue("refInterne", "REF9");
    const Value created = rs.value("dateCreation");
    forms::Form::ModalHook = [&](forms::Form& w) {
        auto* m = qobject_cast<frmMgrModeles*>(&w);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->cmdCreer->text(), "&Sélectionner");
        EXPECT_EQ(m->txtIdModele->text(), "");
        type(m->txtIdModele, "CHQ USD");
        m->cmdCreer->click();
    };
    f.cmdSelModele->click();
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_FALSE(frmMgrModeles::instance().isVisible());
    EXPECT_EQ(rs.value("typeOper").toInt(), 1);
    EXPECT_EQ(rs.value("identBE1").toText(), "BENEFICIAIRE");
    EXPECT_EQ(rs.value("devOrdre").toText(), "USD");
    EXPECT_EQ(rs.value("refInterne").toText(), "REF");
    EXPECT_TRUE(rs.value("montant").isNull());
    EXPECT_EQ(rs.value("dateCreation").toDateTime(), created.toDateTime());
    EXPECT_EQ(rs.value("ribOY").toText(), "");  // the template had none
    // The option groups show the template's values; the fields show its texts.
    EXPECT_TRUE(f.optTypeOper->value(1));
    EXPECT_TRUE(f.optFrais->value(2));
    EXPECT_TRUE(f.optAvisBenef->value(1));
    EXPECT_TRUE(f.optResident->value(1));
    EXPECT_EQ(f.txtRefInterne->text(), "REF");
    EXPECT_EQ(rs.editMode(), EditMode::Add);
    EXPECT_EQ(orderCount(), 0);

    // A new order started from a template: the window opens in select mode; a double click
    // on a row chooses it.
    frmOrdre::unloadIfLoaded();
    flushDeletes();
    int shownCount = 0;
    forms::Form::ModalHook = [&](forms::Form& w) {
        auto* m = qobject_cast<frmMgrModeles*>(&w);
        ASSERT_NE(m, nullptr);
        ++shownCount;
        m->MSHFlexGrid1->setRow(2);
        emit m->MSHFlexGrid1->dblClick();
    };
    frmOrdre& g = frmOrdre::loadFor(Value(), true);
    EXPECT_EQ(shownCount, 1);
    EXPECT_EQ(g.datPrimaryRS->value("typeOper").toInt(), 1);
    EXPECT_TRUE(g.optTypeOper->value(1));
    EXPECT_TRUE(g.optFrais->value(2));
    EXPECT_EQ(g.datPrimaryRS->value("identBE1").toText(), "BENEFICIAIRE");
    // The currency came with the template: the payment currency can be chosen.
    EXPECT_TRUE(g.txtDev[1]->isEnabled());
}

TEST_F(Templates, DeleteAsksFirstAndLeavesTheWindowOpen) {
    addTemplate("A", "premier");
    addTemplate("B'2", "second");
    frmMgrModeles& m = shown(false);
    type(m.txtIdModele, "B'2");
    ASSERT_TRUE(m.cmdSuppr->isEnabled());
    dialogs.answer(MsgAnswer::No);
    m.cmdSuppr->click();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, "Voulez-vous supprimer le modèle `B'2' ?");
    EXPECT_EQ(dialogs.messages[0].title, "Suppression d'un modèle");
    EXPECT_EQ(dialogs.messages[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(templateCount(), 2);
    EXPECT_EQ(m.MSHFlexGrid1->rows(), 3);

    dialogs.answer(MsgAnswer::Yes);
    m.cmdSuppr->click();
    EXPECT_EQ(templateCount(), 1);
    EXPECT_EQ(storedTemplate("A", "description").toText(), "premier");
    EXPECT_EQ(m.MSHFlexGrid1->rows(), 2);
    EXPECT_EQ(m.MSHFlexGrid1->row(), 0);
    EXPECT_FALSE(m.cmdSuppr->isEnabled());
    EXPECT_FALSE(m.cmdCreer->isEnabled());  // select mode, the code is gone
    EXPECT_TRUE(m.isVisible());

    // The last one gone, the label shows.
    m.MSHFlexGrid1->setRow(1);
    dialogs.answer(MsgAnswer::Yes);
    m.cmdSuppr->click();
    EXPECT_EQ(templateCount(), 0);
    EXPECT_FALSE(m.MSHFlexGrid1->isVisible());
    EXPECT_TRUE(m.lblAucun->isVisible());
    EXPECT_EQ(dialogs.messages.size(), 3);
}

}  // namespace
