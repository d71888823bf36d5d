#include <gtest/gtest.h>

#include <QVBoxLayout>

#include "common/scripteddialogs.h"
#include "common/tempstartfolder.h"
#include "forms_support.h"
#include "platform/db/recordset.h"
#include "platform/forms/binding.h"
#include "platform/forms/controls.h"
#include "platform/forms/form.h"
#include "platform/forms/textbox.h"

using namespace vorna;
using namespace vorna::forms;
using vorna::test::TempStartFolder;

namespace {

// A window with boxes on an order's columns, one of them twice.
class OrderForm : public Form {
public:
    OrderForm() {
        auto* layout = new QVBoxLayout(this);
        auto add = [&](const char* name, const char* field, int max) {
            auto* b = new TextBox(this);
            b->setObjectName(QLatin1String(name));
            b->setDataField(QLatin1String(field));
            b->setMaxLength(max);
            layout->addWidget(b);
            return b;
        };
        txtVille = add("txtVille", "villeOY", 3);  // shorter than what the row holds
        txtVilleCopy = add("txtVilleCopy", "VILLEOY", 0);
        txtNbDeci = add("txtNbDeci", "nbDeci", 1);
        txtMontant = add("txtMontant", "montant", 20);
        chkUrgent = new CheckBox(QStringLiteral("Urgent"), this);
        chkUrgent->setDataField(QStringLiteral("urgent"));
        layout->addWidget(chkUrgent);
        unbound = new TextBox(this);
        layout->addWidget(unbound);
        txtVille->change = [this] { changes << txtVille->text(); };
    }
    TextBox* txtVille;
    TextBox* txtVilleCopy;
    TextBox* txtNbDeci;
    TextBox* txtMontant;
    CheckBox* chkUrgent;
    TextBox* unbound;
    QStringList changes;
};

class Binding : public ::testing::Test {
protected:
    void SetUp() override {
        folder.createWorkingDatabase();
        conn = folder.openWorking();
        id = TempStartFolder::insertOrder(conn, {{"villeOY", "PARIS LA DEFENSE"}, {"nbDeci", 2}, {"urgent", Value::null()}});
        rs.open(QStringLiteral("select * from Ordres where idOrdre = ?"), conn, CursorType::Keyset, LockType::Optimistic,
                {Value(id)});
        form = new OrderForm;
    }
    void TearDown() override {
        form->unload();
        vorna::test::flushDeletes();
    }
    Value stored(const QString& column) {
        Recordset r;
        r.open(QStringLiteral("select * from Ordres where idOrdre = ?"), conn, CursorType::ForwardOnly,
               LockType::ReadOnly, {Value(id)});
        return r.value(column);
    }

    TempStartFolder folder;
    vorna::test::ScriptedDialogs dialogs;
    ConnectionPtr conn;
    qint64 id = 0;
    Recordset rs;
    OrderForm* form = nullptr;
};

}  // namespace

TEST_F(Binding, ShowsTheRowWholeAndRunsChangeWithoutMarkingTheRowChanged) {
    DataBinding* b = bindDataSource(form, &rs);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->controls().size(), 5);  // the unbound box is left alone
    EXPECT_FALSE(b->isBound(form->unbound));
    EXPECT_EQ(form->txtVille->text(), "PARIS LA DEFENSE");  // not cut to the box's 3 characters
    EXPECT_EQ(form->txtVilleCopy->text(), "PARIS LA DEFENSE");
    EXPECT_EQ(form->changes, QStringList{"PARIS LA DEFENSE"});
    EXPECT_EQ(form->txtNbDeci->text(), "2");
    EXPECT_FALSE(form->chkUrgent->isChecked());  // Null shows unticked
    EXPECT_EQ(rs.editMode(), EditMode::None);
    // The same value again writes nothing either.
    form->txtNbDeci->setText("2");
    EXPECT_EQ(rs.editMode(), EditMode::None);
}

TEST_F(Binding, EditsWriteTheRowAtOnceAndShowInTheOtherBoxOfTheColumn) {
    bindDataSource(form, &rs);
    ASSERT_TRUE(vorna::test::showActive(form));
    giveFocus(form->txtVilleCopy);
    form->txtVilleCopy->selectAll();
    QTest::keyClicks(form->txtVilleCopy, "LYON");
    EXPECT_EQ(rs.editMode(), EditMode::InProgress);
    EXPECT_EQ(rs.value("villeOY").toText(), "LYON");
    EXPECT_EQ(form->txtVille->text(), "LYON");
    EXPECT_EQ(form->txtVilleCopy->text(), "LYON");

    form->chkUrgent->click();
    EXPECT_EQ(rs.value("urgent"), Value(true));
    // An emptied number is Null, not zero.
    form->txtNbDeci->clear();
    EXPECT_TRUE(rs.value("nbDeci").isNull());

    rs.update();
    EXPECT_EQ(stored("villeOY").toText(), "LYON");
    EXPECT_EQ(stored("urgent"), Value(true));
    EXPECT_TRUE(stored("nbDeci").isNull());
}

TEST_F(Binding, RowChangesByCodeCancelAndAddNewShowInTheBoxes) {
    bindDataSource(form, &rs);
    form->changes.clear();
    rs.setValue("villeOY", "NANTES");
    EXPECT_EQ(form->txtVille->text(), "NANTES");
    EXPECT_EQ(form->changes, QStringList{"NANTES"});  // a value written by code runs Change

    rs.cancelUpdate();
    EXPECT_EQ(form->txtVille->text(), "PARIS LA DEFENSE");
    EXPECT_EQ(form->txtVilleCopy->text(), "PARIS LA DEFENSE");

    rs.addNew();
    EXPECT_EQ(form->txtVille->text(), "");
    EXPECT_EQ(form->txtNbDeci->text(), "");
    EXPECT_EQ(rs.editMode(), EditMode::Add);
    rs.cancelUpdate();
    EXPECT_EQ(form->txtVille->text(), "PARIS LA DEFENSE");

    // No current row: nothing shown, nothing written.
    rs.moveNext();
    ASSERT_TRUE(rs.eof());
    EXPECT_EQ(form->txtVille->text(), "");
    form->txtVille->setText("X");
    rs.moveFirst();
    EXPECT_EQ(form->txtVille->text(), "PARIS LA DEFENSE");
    EXPECT_EQ(rs.editMode(), EditMode::None);
}

TEST_F(Binding, ARefusedWriteKeepsTheFieldAndIsReportedByFlush) {
    DataBinding* b = bindDataSource(form, &rs);
    // villeOY holds 26 characters at most; the copy box sets no limit.
    const QString longTown(27, u'V');
    form->txtVilleCopy->setText(longTown);
    EXPECT_EQ(rs.value("villeOY").toText(), "PARIS LA DEFENSE");
    ASSERT_TRUE(b->lastWriteError().has_value());
    EXPECT_EQ(b->lastWriteError()->number, err::FieldTooSmall);
    try {
        b->flush();
        FAIL() << "flush accepted a refused value";
    } catch (const VbError& e) {
        EXPECT_EQ(e.number, err::FieldTooSmall);
    }
    form->txtVilleCopy->setText("REIMS");
    b->flush();
    EXPECT_FALSE(b->lastWriteError().has_value());
    EXPECT_EQ(rs.value("villeOY").toText(), "REIMS");
}

TEST_F(Binding, TheStoreTakesWhatTheBoxesHoldEvenAWriteRetried) {
    bindDataSource(form, &rs);
    form->txtVilleCopy->setText(QString(27, u'V'));  // refused while typing
    form->txtNbDeci->setText("3");                   // dirties the row
    form->txtVilleCopy->blockSignals(true);
    form->txtVilleCopy->setText("BREST");  // a change the binding did not hear of
    form->txtVilleCopy->blockSignals(false);
    rs.update();  // the store flushes the boxes first
    EXPECT_EQ(stored("villeOY").toText(), "BREST");
    EXPECT_EQ(stored("nbDeci").toInt(), 3);
}

TEST_F(Binding, ADataFormatShowsAndReadsTheBoxItsOwnWay) {
    bindDataSource(form, &rs);
    rs.setValue("montant", Decimal(123450, 2));
    rs.update();
    EXPECT_EQ(form->txtMontant->text(), "1234.50");
    setDataFormat(form->txtMontant,
                  DataFormat{[](const Value& v) { return v.isNull() ? QString() : v.toText().replace(u'.', u','); },
                             [](const QString& t) { return Value(QString(t).replace(u',', u'.')); }});
    EXPECT_EQ(form->txtMontant->text(), "1234,50");  // shown again in the new form
    EXPECT_EQ(rs.editMode(), EditMode::None);
    form->txtMontant->setText("99,5");
    EXPECT_EQ(rs.value("montant").toDecimal(), Decimal(995, 1));
    setDataFormat(form->txtMontant, DataFormat{});
    EXPECT_EQ(form->txtMontant->text(), "99.5");
}

TEST_F(Binding, ABoxNamingAMissingColumnIsRefusedAtBindTime) {
    auto* stray = new TextBox(form);
    stray->setDataField(QStringLiteral("pasDeColonne"));
    try {
        bindDataSource(form, &rs);
        FAIL() << "bound to a missing column";
    } catch (const VbError& e) {
        EXPECT_EQ(e.number, err::ItemNotFound);
    }
    EXPECT_EQ(dataBindingOf(form), nullptr);
}
