#include <gtest/gtest.h>

#include <QMenu>
#include <QVBoxLayout>

#include "common/scripteddialogs.h"
#include "common/tempstartfolder.h"
#include "orderentry/modrules.h"
#include "platform/db/recordset.h"
#include "platform/forms/form.h"
#include "platform/forms/textbox.h"
#include "platform/forms_support.h"

using namespace vorna;
using vorna::forms::TextBox;
using vorna::test::ScriptedDialogs;
using vorna::test::TempStartFolder;

namespace {

// A window whose boxes name their filters as the data-entry windows do: the window filters every
// key as text first, then each box applies its own filter.
class FilteredForm : public forms::Form {
public:
    FilteredForm() {
        auto* layout = new QVBoxLayout(this);
        for (TextBox** b : {&txtText, &txtRib, &txtMontant, &txtRef}) {
            *b = new TextBox(this);
            layout->addWidget(*b);
        }
        setKeyPreview(true);
        setKeyFilter(txtRib, keyFilterAlnum);
        setClipboardKind(txtRib, 1);
        setKeyFilter(txtMontant, keyFilterAmount);
        setClipboardKind(txtMontant, 2);
        setKeyFilter(txtRef, keyFilterReference);
        setClipboardKind(txtText, 0);
    }
    TextBox* txtText;
    TextBox* txtRib;
    TextBox* txtMontant;
    TextBox* txtRef;

protected:
    void formKeyPress(int& keyAscii) override { keyAscii = keyFilterText(keyAscii); }
};

class RulesWiring : public ::testing::Test {
protected:
    void SetUp() override {
        DecimalSeparatorIsPoint = false;
        form = new FilteredForm;
        form->load();
        ASSERT_TRUE(vorna::test::showActive(form));
    }
    void TearDown() override {
        form->unload();
        vorna::test::flushDeletes();
    }
    void type(TextBox* box, const QString& text) {
        box->setFocus();
        vorna::test::typeCharacters(box, text);
    }
    ScriptedDialogs dialogs;
    FilteredForm* form = nullptr;
};

}  // namespace

TEST_F(RulesWiring, EachBoxFiltersAfterTheWindow) {
    type(form->txtText, QStringLiteral("ab;c/é"));
    EXPECT_EQ(form->txtText->text(), "ABC/");
    EXPECT_EQ(dialogs.beeps, 2);

    type(form->txtRib, QStringLiteral("12 ab-3"));
    EXPECT_EQ(form->txtRib->text(), "12AB3");
    EXPECT_EQ(dialogs.beeps, 4);

    type(form->txtMontant, QStringLiteral("1.5a"));
    EXPECT_EQ(form->txtMontant->text(), "1,5");

    // The window's text filter lets "/" through; the reference's own filter refuses it.
    type(form->txtRef, QStringLiteral("x-1/"));
    EXPECT_EQ(form->txtRef->text(), "X-1");
}

TEST_F(RulesWiring, KeyboardPasteIsRefusedAndTheContextMenuPastesFilteredText) {
    dialogs.clipboard = QStringLiteral("ab 12;");
    form->txtRib->setFocus();
    QTest::keyClick(form->txtRib, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(form->txtRib->text(), "");
    const int beepsBefore = dialogs.beeps;

    // The right button cleans the clipboard before the box's menu can paste from it.
    QTest::mousePress(form->txtRib, Qt::RightButton);
    EXPECT_EQ(dialogs.clipboard, "AB12");
    EXPECT_EQ(dialogs.beeps - beepsBefore, 2);
    std::unique_ptr<QMenu> menu(form->txtRib->createContextMenu());
    for (QAction* a : menu->actions())
        if (a->objectName() == QLatin1String("edit-paste")) a->trigger();
    EXPECT_EQ(form->txtRib->text(), "AB12");
}

TEST(RulesReference, EeaCountriesComeFromTheReferenceDatabase) {
    TempStartFolder folder;
    const QString conn = folder.connectionString(QStringLiteral("ParVorna.mdb"));
    EXPECT_TRUE(isPaysEEE(QStringLiteral("FR"), conn));
    EXPECT_TRUE(isPaysEEE(QStringLiteral("NO"), conn));  // EEA, not EU
    EXPECT_FALSE(isPaysEEE(QStringLiteral("US"), conn));
    EXPECT_FALSE(isPaysEEE(QStringLiteral("CH"), conn));
    EXPECT_FALSE(isPaysEEE(QString(), conn));
    // A quote in the code is only a character of the value searched for.
    EXPECT_FALSE(isPaysEEE(QStringLiteral("F' OR '1'='1"), conn));
    // A missing reference database reaches the caller.
    EXPECT_THROW(isPaysEEE(QStringLiteral("FR"), folder.connectionString(QStringLiteral("absent.mdb"))), VbError);
}

TEST(RulesDefaults, OnlyAFilledSettingCountsAsADefault) {
    TempStartFolder folder;
    folder.createWorkingDatabase();
    auto c = folder.openWorking();
    c->execute(QStringLiteral("insert into ParamRef (idUniq, identOY1, identOY2, villeOY) values (1, 'ACME', '   ', NULL)"));
    const qint64 id = TempStartFolder::insertOrder(
        c, {{"identOY1", QStringLiteral("ACME")}, {"identOY2", QStringLiteral("RUE X")}, {"villeOY", QStringLiteral("PARIS")},
            {"paysOY", Value::null()}});
    Recordset settings, order;
    settings.open(QStringLiteral("ParamRef"), c);
    order.open(QStringLiteral("select * from Ordres where idOrdre = ?"), c, CursorType::Keyset, LockType::Optimistic, {id});

    EXPECT_FALSE(isDefaultChanged(QStringLiteral("identOY1"), settings, order));  // equal
    EXPECT_FALSE(isDefaultChanged(QStringLiteral("identOY2"), settings, order));  // blank setting
    EXPECT_FALSE(isDefaultChanged(QStringLiteral("villeOY"), settings, order));   // Null setting
    order.setValue(QStringLiteral("identOY1"), QStringLiteral("acme"));
    EXPECT_TRUE(isDefaultChanged(QStringLiteral("identOY1"), settings, order));  // case counts
    order.setValue(QStringLiteral("identOY1"), Value::null());
    EXPECT_TRUE(isDefaultChanged(QStringLiteral("identOY1"), settings, order));  // Null differs
}
