// The order window's block rules: enabling and colours by operation type, advice type and
// settings, and a new order dropping what was typed into the previous one.
#include <gtest/gtest.h>

#include "orderentry/orderwindow_support.h"

using namespace vorna;
using namespace vorna::test;

namespace {

const QColor kGreen = forms::vbColor(0xC0FFC0);
const QColor kGrey = forms::vbColor(0xC0C0C0);
const QColor kRed = forms::vbColor(0x8080FF);

using OrderWindowRules = OrderWindowTest;

// Every text box of a block has the colour, and every control the enabled state.
void expectBlock(QGroupBox* frame, bool enabled) {
    EXPECT_EQ(frame->isEnabled(), enabled) << frame->objectName().toStdString();
    for (forms::TextBox* box : frame->findChildren<forms::TextBox*>()) {
        EXPECT_EQ(box->isEnabled(), enabled) << box->dataField().toStdString();
        EXPECT_EQ(box->backColor(), enabled ? forms::systemWindowColor() : kGrey) << box->dataField().toStdString();
    }
    for (QAbstractButton* b : frame->findChildren<QAbstractButton*>()) EXPECT_EQ(b->isEnabled(), enabled);
}

TEST_F(OrderWindowRules, OperationTypeSwitchesTheBankBlocks) {
    frmOrdre& f = open();
    struct Case {
        int type;
        bool banks;
        bool iban;
    };
    // Cheque last but one: the transfer after it must bring everything back.
    const Case cases[] = {{3, true, false}, {2, true, true}, {1, false, false}, {0, true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        f.optTypeOper->button(c.type)->click();
        EXPECT_EQ(f.datPrimaryRS->value("typeOper").toInt(), c.type);
        expectBlock(f.frm56, c.banks);
        expectBlock(f.frm57, c.banks);
        EXPECT_EQ(forms::backColor(f.bt56), c.banks ? kGreen : kRed);
        EXPECT_EQ(forms::backColor(f.bt57), c.banks ? kGreen : kRed);
        EXPECT_EQ(f.txtIbanBE->isEnabled(), c.iban);
        EXPECT_EQ(f.txtIbanBE->backColor(), c.iban ? forms::systemWindowColor() : kGrey);
        // The settings' blocks: the customer may be changed, the institution may not.
        expectBlock(f.frm50, true);
        expectBlock(f.frm52, false);
        EXPECT_EQ(forms::backColor(f.bt50), kGreen);
        EXPECT_EQ(forms::backColor(f.bt52), kGrey);
    }
}

TEST_F(OrderWindowRules, AdviceTypeSwitchesTelephoneAndFax) {
    frmOrdre& f = open();
    struct Case {
        int type;
        bool tel;
        bool fax;
    };
    const Case cases[] = {{1, true, false}, {2, false, true}, {0, false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        f.optAvisBenef->button(c.type)->click();
        EXPECT_EQ(f.datPrimaryRS->value("avisBenefType").toInt(), c.type);
        EXPECT_EQ(f.txtAvisTel->isEnabled(), c.tel);
        EXPECT_EQ(f.txtAvisFax->isEnabled(), c.fax);
        EXPECT_EQ(f.txtAvisTel->backColor(), c.tel ? forms::systemWindowColor() : kGrey);
        EXPECT_EQ(f.txtAvisFax->backColor(), c.fax ? forms::systemWindowColor() : kGrey);
    }
}

TEST_F(OrderWindowRules, OptionGroupsWriteTheirColumns) {
    frmOrdre& f = open();
    f.optFrais->button(1)->click();
    EXPECT_EQ(f.datPrimaryRS->value("frais").toInt(), 1);
    f.optResident->setValue(1, true);
    EXPECT_FALSE(f.datPrimaryRS->value("residentOY").toBool());
    f.optResident->setValue(0, true);
    EXPECT_TRUE(f.datPrimaryRS->value("residentOY").toBool());
}

TEST_F(OrderWindowRules, ModeOutsideItsRangeEndsTheProgram) {
    frmOrdre& f = open();
    setEndProgramThrows(true);
    struct Case {
        std::function<void()> call;
        const char* text;
    };
    const Case cases[] = {{[&] { f.adaptMask(4); }, "Incohérence adaptMask !!!"},
                          {[&] { f.adaptInfo(-1); }, "Incohérence adaptInfo !!!"}};
    for (const Case& c : cases) {
        dialogs.messages.clear();
        EXPECT_THROW(c.call(), ProgramEnded);
        ASSERT_EQ(dialogs.messages.size(), 1);
        EXPECT_EQ(dialogs.messages[0].text, c.text);
        EXPECT_EQ(dialogs.messages[0].title, "probleme logiciel");
        EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Critical);
    }
    setEndProgramThrows(false);
}

TEST_F(OrderWindowRules, ANewOrderDropsWhatWasTyped) {
    frmOrdre& f = open();
    f.txtText[19]->setText("DUPONT");
    f.optTypeOper->button(1)->click();
    f.addNewOrder();
    EXPECT_TRUE(f.txtText[19]->text().isEmpty());
    EXPECT_TRUE(f.optTypeOper->value(0));
    expectBlock(f.frm56, true);
    EXPECT_EQ(f.datPrimaryRS->editMode(), EditMode::Add);
    EXPECT_EQ(orderCount(), 0);
}

class LockedSettings : public OrderWindowTest {
protected:
    TempStartFolder::Fields settings() override {
        TempStartFolder::Fields s = OrderWindowTest::settings();
        for (auto& [name, value] : s) {
            if (name == "modifiableOY") value = Value::null();
            if (name == "modifiablePL") value = true;
        }
        return s;
    }
};

TEST_F(LockedSettings, ANullFlagLocksTheBlockWhateverTheType) {
    frmOrdre& f = open();
    for (int type : {0, 1}) {
        f.optTypeOper->button(type)->click();
        expectBlock(f.frm50, false);
        EXPECT_EQ(forms::backColor(f.bt50), kGrey);
        expectBlock(f.frm52, true);
        EXPECT_EQ(forms::backColor(f.bt52), kGreen);
    }
}

}  // namespace
