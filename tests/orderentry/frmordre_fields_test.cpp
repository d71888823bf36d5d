// The order window's field handlers driven key by key: the currencies, the amount, the
// countries, the accounts, the clipboard kinds, the pick lists and the template button.
#include <gtest/gtest.h>

#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTest>

#include "orderentry/fieldrules.h"
#include "orderentry/modrules.h"
#include "orderentry/orderwindow_support.h"
#include "platform/forms/focus.h"

using namespace vorna;
using namespace vorna::test;

namespace {

// The order window, shown, over settings that let both ordering blocks be edited.
class OrderFields : public OrderWindowTest {
protected:
    void SetUp() override {
        OrderWindowTest::SetUp();
        DecimalSeparatorIsPoint = false;
    }
    TempStartFolder::Fields settings() override {
        TempStartFolder::Fields s = OrderWindowTest::settings();
        for (auto& [name, value] : s)
            if (name == u"modifiablePL") value = true;
        return s;
    }

    frmOrdre& show(const Value& id = Value()) {
        frmOrdre& w = open(id);
        EXPECT_TRUE(showActive(&w));
        return w;
    }

    // Puts the focus in the box (validating the box left) and types keys as the user would.
    static void typeInto(QWidget* box, const QString& keys) {
        ASSERT_TRUE(forms::giveFocus(box)) << box->objectName().toStdString();
        QTest::keyClicks(box, keys);
    }
    static void clear(QWidget* box) {
        ASSERT_TRUE(forms::giveFocus(box));
        static_cast<QLineEdit*>(box)->selectAll();
        QTest::keyClick(box, Qt::Key_Backspace);
    }
    static void tab() { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); }

    static Value field(frmOrdre& w, const char* name) { return w.datPrimaryRS->value(QString::fromLatin1(name)); }
};

}  // namespace

TEST_F(OrderFields, CurrenciesOpenTheHeaderInTurn) {
    frmOrdre& w = show();
    EXPECT_FALSE(w.txtDev[1]->isEnabled());
    EXPECT_FALSE(w.cmdDev[1]->isEnabled());
    EXPECT_FALSE(w.txtMontant->isEnabled());

    typeInto(w.txtDev[0], "eur");
    EXPECT_EQ(w.txtDev[0]->text(), "EUR");
    EXPECT_TRUE(w.txtDev[1]->isEnabled());
    EXPECT_TRUE(w.cmdDev[1]->isEnabled());
    EXPECT_EQ(w.txtNbDeci->text(), "2");
    EXPECT_FALSE(w.txtMontant->isEnabled());  // no payment currency yet

    typeInto(w.txtDev[1], "USD");
    EXPECT_TRUE(w.txtMontant->isEnabled());
    EXPECT_EQ(w.txtMontant->backColor(), forms::systemWindowColor());

    // Emptying the order currency closes what follows it.
    clear(w.txtDev[0]);
    EXPECT_FALSE(w.txtDev[1]->isEnabled());
    EXPECT_FALSE(w.cmdDev[1]->isEnabled());
    EXPECT_FALSE(w.txtMontant->isEnabled());
    EXPECT_EQ(w.txtDev[1]->backColor(), QColor(192, 192, 192));

    // A code that the table lacks leaves the number of decimals unknown: the amount stays shut.
    QTest::keyClicks(w.txtDev[0], "XXX");
    EXPECT_EQ(w.txtNbDeci->text(), "");
    EXPECT_TRUE(w.txtDev[1]->isEnabled());
    EXPECT_FALSE(w.txtMontant->isEnabled());
    EXPECT_TRUE(field(w, "nbDeci").isNull());

    clear(w.txtDev[0]);
    QTest::keyClicks(w.txtDev[0], "KWD");
    EXPECT_EQ(w.txtNbDeci->text(), "3");
    EXPECT_TRUE(w.txtMontant->isEnabled());
    EXPECT_EQ(field(w, "nbDeci").toInt(), 3);
}

TEST_F(OrderFields, LeavingACurrencyBoxChecksTheCode) {
    frmOrdre& w = show();
    typeInto(w.txtDev[0], "USD");
    typeInto(w.txtDev[1], "EUR");
    tab();
    EXPECT_EQ(dialogs.texts(), QStringList{fieldmsg::EuroFromOther.text});
    EXPECT_EQ(dialogs.messages.value(0).icon, MsgIcon::Exclamation);
    EXPECT_EQ(dialogs.titles(), QStringList{"Erreur de saisie"});
    EXPECT_EQ(QApplication::focusWidget(), w.txtDev[1]);

    // An unknown order currency with a payment in euro: both messages, one after the other.
    dialogs.messages.clear();
    w.txtDev[1]->setText("USD");
    clear(w.txtDev[0]);
    QTest::keyClicks(w.txtDev[0], "ZZZ");
    w.txtDev[1]->setText("EUR");
    tab();
    EXPECT_EQ(dialogs.texts(), QStringList({fieldmsg::UnknownCurrency.text, fieldmsg::EuroFromOther.text}));
    EXPECT_EQ(QApplication::focusWidget(), w.txtDev[0]);

    // Sound codes let the focus go.
    dialogs.messages.clear();
    w.txtDev[0]->setText("EUR");
    w.txtDev[1]->setText("EUR");
    EXPECT_TRUE(forms::giveFocus(w.txtMontant));
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(OrderFields, AmountIsCheckedKeyByKey) {
    frmOrdre& w = show();
    typeInto(w.txtDev[0], "EUR");
    typeInto(w.txtDev[1], "EUR");

    typeInto(w.txtMontant, "0");
    EXPECT_EQ(w.txtMontant->text(), "");
    EXPECT_EQ(dialogs.beeps, 1);
    QTest::keyClicks(w.txtMontant, ",");
    EXPECT_EQ(w.txtMontant->text(), "");
    EXPECT_EQ(dialogs.beeps, 2);

    // A point types the regional separator; a third decimal is refused with the caret kept.
    QTest::keyClicks(w.txtMontant, "12.55");
    EXPECT_EQ(w.txtMontant->text(), "12,55");
    QTest::keyClick(w.txtMontant, Qt::Key_Left);
    QTest::keyClick(w.txtMontant, Qt::Key_Left);
    QTest::keyClicks(w.txtMontant, "9");
    EXPECT_EQ(w.txtMontant->text(), "12,55");
    EXPECT_EQ(w.txtMontant->cursorPosition(), 3);
    EXPECT_EQ(dialogs.beeps, 3);
    EXPECT_EQ(field(w, "montant").toDecimal(), Decimal(1255, 2));

    // A separator typed in front of a lone digit gives a half, which is accepted.
    clear(w.txtMontant);
    QTest::keyClicks(w.txtMontant, "5");
    QTest::keyClick(w.txtMontant, Qt::Key_Home);
    QTest::keyClicks(w.txtMontant, ",");
    EXPECT_EQ(w.txtMontant->text(), ",5");
    EXPECT_EQ(field(w, "montant").toDecimal(), Decimal(5, 1));

    // Twelve digits before the separator at most.
    clear(w.txtMontant);
    const int before = dialogs.beeps;
    QTest::keyClicks(w.txtMontant, "1234567890123");
    EXPECT_EQ(w.txtMontant->text(), "123456789012");
    EXPECT_EQ(dialogs.beeps, before + 1);
    QTest::keyClicks(w.txtMontant, ",50");
    EXPECT_EQ(w.txtMontant->text(), "123456789012,50");

    // Leaving the box shows the amount in groups; coming back edits it without them.
    ASSERT_TRUE(forms::giveFocus(w.txtRefInterne));
    w.datPrimaryRS->setValue("montant", Value(Decimal(123450, 2)));
    EXPECT_EQ(w.txtMontant->text(), QStringLiteral("1\u00A0234,50"));
    ASSERT_TRUE(forms::giveFocus(w.txtMontant));
    EXPECT_EQ(w.txtMontant->text(), "1234,50");
    EXPECT_EQ(w.txtMontant->selectedText(), "1234,50");
}

TEST_F(OrderFields, AmountWithoutDecimals) {
    frmOrdre& w = show();
    typeInto(w.txtDev[0], "JPY");
    typeInto(w.txtDev[1], "JPY");
    typeInto(w.txtMontant, "12,");
    EXPECT_EQ(w.txtMontant->text(), "12");
    EXPECT_EQ(dialogs.beeps, 1);
    clear(w.txtMontant);
    QTest::keyClicks(w.txtMontant, "123456789012345");
    EXPECT_EQ(w.txtMontant->text(), "12345678901234");
    EXPECT_EQ(dialogs.beeps, 2);
    ASSERT_TRUE(forms::giveFocus(w.txtRefInterne));
    EXPECT_EQ(field(w, "montant").toDecimal(), Decimal::fromInt(12345678901234));
}

TEST_F(OrderFields, StoredAmountShowsInTheDisplayForm) {
    const qint64 id = order({{"devOrdre", "KWD"}, {"devPaiement", "KWD"}, {"nbDeci", 3}, {"montant", Value(Decimal(12345678, 3))}});
    frmOrdre& w = show(Value(id));
    EXPECT_EQ(w.txtMontant->text(), QStringLiteral("12\u00A0345,678"));
    EXPECT_TRUE(w.txtMontant->isEnabled());
    EXPECT_EQ(dialogs.beeps, 0);
    // Editing the shown amount: the check reads the grouped form as the number it shows.
    ASSERT_TRUE(forms::giveFocus(w.txtMontant));
    EXPECT_EQ(w.txtMontant->text(), "12345,678");
    QTest::keyClick(w.txtMontant, Qt::Key_End);
    QTest::keyClicks(w.txtMontant, "9");
    EXPECT_EQ(w.txtMontant->text(), "12345,678");
    EXPECT_EQ(dialogs.beeps, 1);
    EXPECT_EQ(w.datPrimaryRS->editMode(), EditMode::None);  // nothing changed
}

// A currency with fewer decimals never rounds the amount: it is refused until the user corrects it.
TEST_F(OrderFields, ACurrencyWithFewerDecimalsLeavesTheAmountToBeCorrected) {
    frmOrdre& w = show();
    typeInto(w.txtRefInterne, "A1");
    typeInto(w.txtDev[0], "KWD");
    typeInto(w.txtDev[1], "KWD");
    typeInto(w.txtMontant, "1234,567");
    ASSERT_TRUE(forms::giveFocus(w.txtRefInterne));
    clear(w.txtDev[0]);
    QTest::keyClicks(w.txtDev[0], "EUR");
    dialogs.messages.clear();
    w.cmdAdd->click();
    EXPECT_EQ(dialogs.texts(), QStringList{"Le montant ne peut avoir plus de 2 décimale(s) dans cette devise !"});
    EXPECT_EQ(QApplication::focusWidget(), w.txtMontant);
    EXPECT_EQ(field(w, "montant").toDecimal(), Decimal(1234567, 3));
    EXPECT_EQ(orderCount(), 0);
}

TEST_F(OrderFields, StoredAmountIsNeverRefusedWhenShown) {
    // A currency the table lacks: the format keeps no decimals, yet the amount shows whole.
    const qint64 id = order({{"devOrdre", "XXX"}, {"nbDeci", Value::null()}, {"montant", Value(Decimal(12345, 3))}});
    frmOrdre& w = show(Value(id));
    EXPECT_EQ(w.txtMontant->text(), "12,345");
    EXPECT_EQ(dialogs.beeps, 0);
    EXPECT_EQ(w.datPrimaryRS->editMode(), EditMode::None);
    EXPECT_EQ(field(w, "montant").toDecimal(), Decimal(12345, 3));
}

TEST_F(OrderFields, CountriesKeepTheEuroFlagAndChooseSharedCharges) {
    frmOrdre& w = show();
    typeInto(w.txtDev[0], "EUR");
    typeInto(w.txtDev[1], "EUR");
    typeInto(w.txtPays[3], "de");
    EXPECT_TRUE(w.isEuroEEE);
    EXPECT_TRUE(w.optFrais->value(3));
    tab();
    EXPECT_TRUE(w.optFrais->value(2));
    EXPECT_EQ(field(w, "frais").toInt(), 2);

    // Outside the EEA the flag drops; an unknown code keeps the focus.
    clear(w.txtPays[3]);
    QTest::keyClicks(w.txtPays[3], "US");
    EXPECT_FALSE(w.isEuroEEE);
    clear(w.txtPays[3]);
    QTest::keyClicks(w.txtPays[3], "ZZ");
    tab();
    EXPECT_EQ(dialogs.texts(), QStringList{"Le pays est inconnu !!!"});
    EXPECT_EQ(QApplication::focusWidget(), w.txtPays[3]);
}

TEST_F(OrderFields, SharedChargesOnlyForATransfer) {
    frmOrdre& w = show();
    typeInto(w.txtDev[0], "EUR");
    typeInto(w.txtDev[1], "EUR");
    w.optTypeOper->setValue(2, true);  // settlement of a remittance: the bank blocks stay open
    typeInto(w.txtPays[3], "FR");
    tab();
    EXPECT_TRUE(w.isEuroEEE);
    EXPECT_TRUE(w.optFrais->value(3));
    EXPECT_EQ(field(w, "frais").toInt(), 0);
}

TEST_F(OrderFields, AccountsAreGrouped) {
    frmOrdre& w = show();
    clear(w.txtRibOY);
    QTest::keyClicks(w.txtRibOY, "300060000112345678901");
    tab();
    EXPECT_EQ(w.txtRibOY->text(), "30006 00001 12345678901");
    EXPECT_EQ(field(w, "ribOY").toText(), "30006 00001 12345678901");
    // Back in the box the blanks go and the whole account is selected.
    ASSERT_TRUE(forms::giveFocus(w.txtRibOY));
    EXPECT_EQ(w.txtRibOY->text(), "300060000112345678901");
    EXPECT_EQ(w.txtRibOY->selectedText(), "300060000112345678901");

    clear(w.txtRibPL);
    QTest::keyClicks(w.txtRibPL, "30006 000011234567890189");  // the blank is refused
    EXPECT_EQ(dialogs.beeps, 1);
    tab();
    EXPECT_EQ(w.txtRibPL->text(), "30006 00001 12345678901 89");
    EXPECT_TRUE(dialogs.messages.isEmpty());

    clear(w.txtRibPL);
    QTest::keyClicks(w.txtRibPL, "30006000011234567890188");
    tab();
    EXPECT_EQ(dialogs.texts(), QStringList{"Clé RIB incorrecte !!"});
    EXPECT_EQ(QApplication::focusWidget(), w.txtRibPL);

    dialogs.messages.clear();
    clear(w.txtRibPL);
    QTest::keyClicks(w.txtRibPL, "12");
    tab();
    EXPECT_EQ(dialogs.texts(), QStringList{"Numéro de compte incorrect"});
    EXPECT_EQ(QApplication::focusWidget(), w.txtRibPL);
    EXPECT_EQ(w.txtRibPL->selectedText(), "12");
}

TEST_F(OrderFields, IbanLosesItsBlanksAndBicTakesLettersAndDigits) {
    frmOrdre& w = show();
    w.txtIbanBE->setText("FR76 3000 6000");
    ASSERT_TRUE(forms::giveFocus(w.txtIbanBE));
    QTest::keyClicks(w.txtIbanBE, "-");
    EXPECT_EQ(dialogs.beeps, 1);
    tab();
    EXPECT_EQ(w.txtIbanBE->text(), "FR7630006000");
    typeInto(w.txtBic[1], "bnpa-fr pp");
    EXPECT_EQ(w.txtBic[1]->text(), "BNPAFRPP");
    EXPECT_EQ(dialogs.beeps, 3);
}

TEST_F(OrderFields, RightButtonFiltersTheClipboardByKind) {
    frmOrdre& w = show();
    w.txtDev[0]->setText("EUR");
    w.txtDev[1]->setText("EUR");
    const struct {
        QWidget* box;
        const char* filtered;
    } cases[] = {
        {w.txtMontant, "1234,5"},    {w.txtRibOY, "AB12345"},         {w.txtRibPL, "AB12345"},
        {w.txtText[1], "AB 1 234.5"}, {w.txtRefInterne, "AB 1 234.5"}, {w.txtPays[5], "AB 1 234.5"},
    };
    for (const auto& c : cases) {
        dialogs.clipboard = QStringLiteral("ab 1 234.5;");
        QTest::mousePress(c.box, Qt::RightButton);
        QTest::mouseRelease(c.box, Qt::RightButton);
        EXPECT_EQ(dialogs.clipboard, QString::fromUtf8(c.filtered)) << c.box->objectName().toStdString();
    }
}

TEST_F(OrderFields, FocusSelectsAfterTheReferencePrefix) {
    frmOrdre& w = show();
    EXPECT_EQ(w.startRefInterne, 3);
    w.txtRefInterne->setText("REF0042");
    ASSERT_TRUE(forms::giveFocus(w.txtText[1]));
    ASSERT_TRUE(forms::giveFocus(w.txtRefInterne));
    EXPECT_EQ(w.txtRefInterne->selectedText(), "0042");

    // Coming back by the keyboard to a reference that is only its prefix: nothing is selected,
    // so that typing goes on after the prefix.
    w.txtRefInterne->setText("REF");
    ASSERT_TRUE(forms::giveFocus(w.chkUrgent));
    QTest::keyClick(w.chkUrgent, Qt::Key_Backtab, Qt::ShiftModifier);
    ASSERT_EQ(QApplication::focusWidget(), w.txtRefInterne);
    EXPECT_EQ(w.txtRefInterne->selectedText(), "");
    QTest::keyClicks(w.txtRefInterne, "7");
    EXPECT_EQ(w.txtRefInterne->text(), "REF7");
}

TEST_F(OrderFields, PickListWritesBackTheChoiceOrTheBoxsOwnCode) {
    frmOrdre& w = show();
    typeInto(w.txtPays[4], "FR");
    forms::Form::ModalHook = [](forms::Form& f) {
        auto* list = dynamic_cast<frmLstPays*>(&f);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->txtCtrl, "FR");
        list->findPays("NO");
        list->cmdSelect_Click();
    };
    w.cmdPays_Click(4);
    EXPECT_EQ(w.txtPays[4]->text(), "NO");
    EXPECT_EQ(field(w, "paysBE").toText(), "NO");
    EXPECT_EQ(w.activeControl(), w.txtPays[4]);

    forms::Form::ModalHook = [](forms::Form& f) {
        auto* list = dynamic_cast<frmLstPays*>(&f);
        ASSERT_NE(list, nullptr);
        list->findPays("DE");
        list->cmdClose_Click();
    };
    w.cmdPays_Click(4);
    EXPECT_EQ(w.txtPays[4]->text(), "NO");
    EXPECT_EQ(field(w, "paysBE").toText(), "NO");
}

TEST_F(OrderFields, TemplateAskedBeforeTheChargesAreChosen) {
    frmOrdre& w = show();
    w.cmdModele->click();
    EXPECT_EQ(dialogs.texts(), QStringList{"Vous devez définir l'imputation des frais."});
    EXPECT_EQ(dialogs.titles(), QStringList{"Saisie incomplète"});
    EXPECT_EQ(dialogs.messages.value(0).icon, MsgIcon::Critical);
    EXPECT_EQ(QApplication::focusWidget(), w.optFrais->button(3));
}

// Every value a box can hold shows whole: its maximum length of the widest character its key filter lets through.
TEST_F(OrderFields, BoxesShowTheirWidestValueWhole) {
    frmOrdre& w = show();
    int checked = 0;
    for (forms::TextBox* box : w.findChildren<forms::TextBox*>()) {
        if (box->isHidden() || box == w.txtDateCreation) continue;  // the date has a width of its own
        QStyleOptionFrame opt;
        opt.initFrom(box);
        opt.lineWidth = box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, box);
        const QRect contents = box->style()->subElementRect(QStyle::SE_LineEditContents, &opt, box);
        const QMargins tm = box->textMargins();
        const int room = contents.width() - tm.left() - tm.right() - 4;  // QLineEdit keeps 2 px each side
        const QString allowed = box == w.txtMontant ? kAmountCharacters : kTextCharacters;
        for (QChar c : allowed) {
            const QString value(box->maxLength(), c);
            EXPECT_GE(room, box->fontMetrics().horizontalAdvance(value))
                << box->objectName().toStdString() << value.toStdString();
        }
        ++checked;
    }
    EXPECT_GT(checked, 30);
}
