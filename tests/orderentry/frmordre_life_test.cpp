// The order window's life: a new order's defaults, the three modes, storing and closing,
// the size rules, the window's key filter, and the main window's commands that open it.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QScopeGuard>

#include "common/readernames.h"
#include "orderentry/orderwindow_support.h"
#include "platform/forms/binding.h"

using namespace vorna;
using namespace vorna::test;

namespace {

using OrderWindowLife = OrderWindowTest;

TEST_F(OrderWindowLife, NewOrderStartsFromTheSettings) {
    frmOrdre& f = open();
    Recordset& rs = *f.datPrimaryRS;
    EXPECT_EQ(rs.editMode(), EditMode::Add);
    EXPECT_EQ(f.windowTitle(), "ORDRE DE PAIEMENT VERS L'ETRANGER");
    EXPECT_EQ(rs.value("refInterne").toText(), "REF");
    EXPECT_EQ(f.txtRefInterne->text(), "REF");
    EXPECT_EQ(f.startRefInterne, 3);
    EXPECT_EQ(rs.value("ribOY").toText(), kRibA);
    EXPECT_EQ(f.txtText[1]->text(), "CLIENT SA");
    EXPECT_EQ(f.txtText[6]->text(), "BANQUE");
    EXPECT_EQ(f.txtPays[1]->text(), "FR");
    EXPECT_EQ(rs.value("sirenOY").toText(), kSirenA);
    EXPECT_EQ(rs.value("sirenPL").toText(), kSirenB);
    // The declarant is the customer when the customer has a SIREN.
    EXPECT_EQ(rs.value("sirenDecla").toText(), kSirenA);
    // The residence never comes from the settings.
    EXPECT_TRUE(rs.value("residentOY").toBool());
    EXPECT_TRUE(f.optResident->value(0));
    EXPECT_EQ(rs.value("typeOper").toInt(), 0);
    EXPECT_TRUE(f.optTypeOper->value(0));
    EXPECT_EQ(rs.value("avisBenefType").toInt(), 0);
    EXPECT_TRUE(f.optAvisBenef->value(0));
    // No charges chosen yet: the row holds 0 while "Cocher..." shows.
    EXPECT_EQ(rs.value("frais").toInt(), 0);
    EXPECT_TRUE(f.optFrais->value(3));
    EXPECT_FALSE(rs.value("urgent").toBool());
    EXPECT_FALSE(f.chkUrgent->isChecked());
    EXPECT_EQ(rs.value("dateCreation").toDateTime(), QDateTime(kOrderNow.date(), QTime(10, 30)));
    EXPECT_EQ(f.txtDateCreation->text(), "08/12/2026 10:30");
    EXPECT_FALSE(f.txtDateCreation->isEnabled());
    // The header opens one field after the other.
    EXPECT_TRUE(f.txtDev[0]->isEnabled());
    EXPECT_TRUE(f.cmdDev[0]->isEnabled());
    EXPECT_FALSE(f.txtDev[1]->isEnabled());
    EXPECT_FALSE(f.cmdDev[1]->isEnabled());
    EXPECT_FALSE(f.txtMontant->isEnabled());
    EXPECT_EQ(f.txtMontant->backColor(), forms::vbColor(0xC0C0C0));
    EXPECT_TRUE(f.cmdSelModele->isVisibleTo(&f));
    EXPECT_TRUE(f.cmdAdd->isEnabled());
}

class NewOrderSettings : public OrderWindowTest {
protected:
    TempStartFolder::Fields settings() override {
        TempStartFolder::Fields s = OrderWindowTest::settings();
        for (auto& [name, value] : s) {
            if (name == "sirenOY") value = Value("   ");
            if (name == "radicalRef") value = Value::null();
        }
        return s;
    }
};

TEST_F(NewOrderSettings, BlankCustomerSirenAndNoPrefix) {
    frmOrdre& f = open();
    EXPECT_EQ(f.datPrimaryRS->value("sirenDecla").toText(), kSirenB);
    EXPECT_TRUE(f.datPrimaryRS->value("refInterne").toText().isEmpty());
    EXPECT_EQ(f.startRefInterne, 0);
}

TEST_F(OrderWindowLife, EmptyOrZeroNumberOpensANewOrder) {
    order();
    for (const Value& number : {Value(), Value(0), Value("0"), Value(" "), Value("")}) {
        SCOPED_TRACE(number.toText().toStdString());
        frmOrdre& f = open(number);
        EXPECT_EQ(f.datPrimaryRS->editMode(), EditMode::Add);
        EXPECT_EQ(f.datPrimaryRS->recordCount(), 1);  // nothing stored is read
        f.unload();
        flushDeletes();
    }
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(OrderWindowLife, PendingOrderIsEditableAndGeneratedOneViewOnly) {
    const qint64 pending = order({{"typeOper", 3}, {"frais", 1}, {"avisBenefType", 2}, {"residentOY", false},
                                  {"identBE1", "DUPONT"}, {"ribPL", "X"}});
    frmOrdre& f = open(Value(QString::number(pending)));
    EXPECT_EQ(f.datPrimaryRS->editMode(), EditMode::None);
    EXPECT_EQ(f.cmdAdd->text(), "&Modifier");
    EXPECT_TRUE(f.cmdAdd->isEnabled());
    EXPECT_FALSE(f.cmdSelModele->isVisibleTo(&f));
    EXPECT_EQ(f.txtText[19]->text(), "DUPONT");
    EXPECT_FALSE(f.txtText[19]->isReadOnly());
    // The options show the record, and their rules follow.
    EXPECT_TRUE(f.optTypeOper->value(3));
    EXPECT_TRUE(f.optFrais->value(1));
    EXPECT_TRUE(f.optAvisBenef->value(2));
    EXPECT_TRUE(f.optResident->value(1));
    EXPECT_FALSE(f.txtIbanBE->isEnabled());
    EXPECT_TRUE(f.txtAvisFax->isEnabled());
    EXPECT_FALSE(f.txtAvisTel->isEnabled());
    // Showing the record changed nothing.
    EXPECT_EQ(f.datPrimaryRS->editMode(), EditMode::None);
    f.unload();
    flushDeletes();

    const qint64 generated = order({{"genere", true}, {"dateGener", kOrderNow.addDays(-1)}});
    frmOrdre& g = open(Value(generated));
    ASSERT_TRUE(showActive(&g));
    EXPECT_FALSE(g.cmdAdd->isEnabled());
    EXPECT_FALSE(g.cmdSelModele->isVisibleTo(&g));
    // Nothing can be typed or chosen.
    for (forms::TextBox* box : g.findChildren<forms::TextBox*>())
        EXPECT_TRUE(box->isReadOnly() && QAccessible::queryAccessibleInterface(box)->state().readOnly)
            << box->dataField().toStdString();
    ASSERT_TRUE(forms::giveFocus(g.txtText[19]));
    QTest::keyClicks(g.txtText[19], "xy");
    EXPECT_EQ(g.txtText[19]->text(), "BENEFICIAIRE");
    QAccessible::queryAccessibleInterface(g.optTypeOper->button(1))->actionInterface()->doAction(
        QAccessibleActionInterface::toggleAction());
    QTest::mouseClick(g.chkUrgent, Qt::LeftButton);
    EXPECT_TRUE(g.optTypeOper->value(0));
    EXPECT_FALSE(g.chkUrgent->isChecked());
    EXPECT_FALSE(g.cmdDev[0]->isEnabled());
    // Leaving a generated order never asks.
    EXPECT_TRUE(g.unload());
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(stored(generated, "identBE1").toText(), "BENEFICIAIRE");
    EXPECT_EQ(stored(generated, "typeOper").toInt(), 0);
}

TEST_F(OrderWindowLife, MissingOrderShowsTheErrorAndOpensBare) {
    frmOrdre& f = open(Value(4242));
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::None);
    EXPECT_FALSE(dialogs.messages[0].text.isEmpty());
    EXPECT_EQ(f.loadState(), forms::Form::LoadState::Loaded);
    EXPECT_EQ(f.cmdAdd->text(), "&Enregistrer");
}

TEST_F(OrderWindowLife, ClosingAsksOnlyForAChangedExistingOrder) {
    const qint64 id = order({{"identBE1", "DUPONT"}});
    struct Case {
        const char* name;
        bool existing;
        bool change;
        MsgAnswer answer;
        bool asked;
        bool closed;
    };
    const Case cases[] = {
        {"new order, typed into", false, true, MsgAnswer::Yes, false, true},
        {"existing, unchanged", true, false, MsgAnswer::Yes, false, true},
        {"existing, changed, No", true, true, MsgAnswer::No, true, false},
        {"existing, changed, Yes", true, true, MsgAnswer::Yes, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dialogs.messages.clear();
        frmOrdre& f = open(c.existing ? Value(id) : Value());
        if (c.change) f.txtText[19]->setText("MARTIN");
        dialogs.answer(c.answer);
        EXPECT_EQ(f.unload(forms::UnloadMode::ControlMenu), c.closed);
        ASSERT_EQ(dialogs.messages.size(), c.asked ? 1 : 0);
        if (c.asked) {
            EXPECT_EQ(dialogs.messages[0].text, "Souhaitez-vous abandonner la procédure de modification ?");
            EXPECT_EQ(dialogs.messages[0].title, "Annulation des modifications");
            EXPECT_EQ(dialogs.messages[0].buttons, MsgButtons::YesNo);
        }
        if (!c.closed) {
            EXPECT_EQ(f.txtText[19]->text(), "MARTIN");
            dialogs.answer(MsgAnswer::Yes);
            f.unload();
        }
        dialogs.answers.clear();
        flushDeletes();
        // Nothing reached the database.
        EXPECT_EQ(stored(id, "identBE1").toText(), "DUPONT");
        EXPECT_EQ(orderCount(), 1);
    }
}

TEST_F(OrderWindowLife, StoringANewOrderStartsTheNextOne) {
    frmOrdre& f = open();
    fill(f);
    f.chkUrgent->setChecked(true);
    dialogs.answer(MsgAnswer::Yes);  // urgent inside the EEA: stored all the same
    f.cmdAdd->click();
    ASSERT_EQ(dialogs.messages.size(), 1) << dialogs.texts().join(u'|').toStdString();
    EXPECT_EQ(dialogs.messages[0].buttons, MsgButtons::YesNo);
    ASSERT_EQ(orderCount(), 1);
    Recordset r;
    r.open("select * from Ordres", conn, CursorType::ForwardOnly, LockType::ReadOnly);
    EXPECT_EQ(r.value("refInterne").toText(), "REF001");
    EXPECT_EQ(r.value("montant").toDecimal(), Decimal(12550, 2));
    EXPECT_EQ(r.value("frais").toInt(), 2);
    EXPECT_TRUE(r.value("urgent").toBool());
    EXPECT_EQ(r.value("identBE1").toText(), "DUPONT");
    EXPECT_EQ(r.value("sirenDecla").toText(), kSirenA);
    EXPECT_FALSE(r.value("genere").toBool());
    EXPECT_TRUE(r.value("dateGener").isNull());
    // The list was refreshed and the window waits on a fresh order.
    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(f.loadState(), forms::Form::LoadState::Loaded);
    EXPECT_EQ(f.datPrimaryRS->editMode(), EditMode::Add);
    EXPECT_EQ(f.txtRefInterne->text(), "REF");
    EXPECT_TRUE(f.txtText[19]->text().isEmpty());
    EXPECT_TRUE(f.txtPays[3]->text().isEmpty());
    EXPECT_FALSE(f.isEuroEEE);  // the new order has no bank country yet
    EXPECT_TRUE(f.optFrais->value(3));
    EXPECT_FALSE(f.chkUrgent->isChecked());
    EXPECT_EQ(f.activeControl(), f.optTypeOper->button(0));
    // A second order goes in beside the first.
    fill(f);
    f.txtRefInterne->setText("REF002");
    f.cmdAdd->click();
    EXPECT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(orderCount(), 2);
    EXPECT_EQ(refreshes, 2);
}

TEST_F(OrderWindowLife, StoringAChangedOrderClosesTheWindow) {
    const qint64 id = storedSoundOrder();
    refreshes = 0;
    frmOrdre& f = open(Value(id));
    QPointer<frmOrdre> alive(&f);
    f.txtText[19]->setText("MARTIN");
    f.txtMotif[1]->setText("FACTURE 13");
    f.cmdAdd->click();
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.texts().join(u'|').toStdString();
    EXPECT_EQ(stored(id, "identBE1").toText(), "MARTIN");
    EXPECT_EQ(stored(id, "motif1").toText(), "FACTURE 13");
    EXPECT_EQ(orderCount(), 1);
    EXPECT_EQ(refreshes, 0);
    EXPECT_NE(f.loadState(), forms::Form::LoadState::Loaded);
    flushDeletes();
    EXPECT_TRUE(alive.isNull());
}

TEST_F(OrderWindowLife, AStoreTheDatabaseRefusesIsReportedAndKeepsTheWindow) {
    const qint64 id = storedSoundOrder();
    struct Case {
        const char* name;
        long number;
        bool shown;
    };
    const Case cases[] = {{"database error", err::DatabaseError, true}, {"refused by the checks", err::UpdateCancelled, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dialogs.messages.clear();
        frmOrdre& f = open(Value(id));
        f.txtText[19]->setText("MARTIN");
        Connection::failWritesEverywhere(VbError(c.number, "test", "Disque plein"));
        f.cmdAdd->click();
        Connection::clearAllWriteFaults();
        EXPECT_EQ(f.loadState(), forms::Form::LoadState::Loaded);
        ASSERT_EQ(dialogs.messages.size(), c.shown ? 1 : 0) << dialogs.texts().join(u'|').toStdString();
        if (c.shown) {
            EXPECT_EQ(dialogs.messages[0].text, "Disque plein");
            EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::None);
        }
        EXPECT_EQ(stored(id, "identBE1").toText(), "DUPONT");
        dialogs.answer(MsgAnswer::Yes);
        f.unload();
        flushDeletes();
    }
}

TEST_F(OrderWindowLife, HeightAndWidthRules) {
    frmOrdre& f = open();
    f.show();
    QCoreApplication::processEvents();
    const int width = f.widthTwips();
    // Heights are whole pixels (15 twips), and the window's frame may add a few.
    auto expectHeight = [&](int twips) {
        EXPECT_GE(f.heightTwips(), twips);
        EXPECT_LE(f.heightTwips(), twips + 75);
        EXPECT_NEAR(forms::geometryTwips(f.picScroll).height(), f.heightTwips() - 2280 - 1000, 15);
        EXPECT_EQ(Session::current().ordreHeight, f.heightTwips());
    };
    expectHeight(8650);
    // Narrower or lower snaps back; higher stays.
    f.moveTwips(f.leftTwips(), f.topTwips(), width - 1500, 6000);
    QCoreApplication::processEvents();
    EXPECT_EQ(f.widthTwips(), width);
    expectHeight(8650);
    f.moveTwips(f.leftTwips(), f.topTwips(), width + 1500, 9900);
    QCoreApplication::processEvents();
    EXPECT_EQ(f.widthTwips(), width);
    expectHeight(9900);
    f.unload();
    flushDeletes();

    // A low screen: the work area's height, and the next opening keeps to it.
    Screen::force(QRect(0, 0, toTwips(1280), 6300));
    frmOrdre& g = open();
    g.show();
    QCoreApplication::processEvents();
    EXPECT_GE(g.heightTwips(), 6300);
    EXPECT_LE(g.heightTwips(), 6300 + 75);
}

// A desktop font larger than the design's widens the window instead of cutting captions.
TEST_F(OrderWindowLife, CaptionsAreWholeWhateverTheFontSize) {
    const QFont saved = QApplication::font();
    const auto restore = qScopeGuard([&] { QApplication::setFont(saved); });
    int designWidth = 0;
    for (int points : {9, 11, 13}) {
        SCOPED_TRACE(points);
        QFont font = saved;
        font.setPointSize(points);
        QApplication::setFont(font);
        frmOrdre& f = open();
        f.show();
        QCoreApplication::processEvents();
        for (QWidget* w : f.findChildren<QWidget*>()) {
            // Labels, option buttons and check boxes; the push buttons keep their design sizes.
            if (!w->isVisibleTo(&f) || !(qobject_cast<QLabel*>(w) || qobject_cast<QRadioButton*>(w) ||
                                         qobject_cast<QCheckBox*>(w)))
                continue;
            EXPECT_GE(w->width(), w->sizeHint().width()) << w->objectName().toStdString();
        }
        // The jump buttons' captions and the creation date.
        for (forms::CommandButton* b : f.jumpButtons())
            EXPECT_GE(b->width(), QFontMetrics(b->font()).horizontalAdvance(b->text())) << b->text().toStdString();
        EXPECT_GE(f.txtDateCreation->width(),
                  QFontMetrics(f.txtDateCreation->font()).horizontalAdvance(f.txtDateCreation->text()));
        // The window keeps its design width where the captions fit.
        if (points == 9) designWidth = f.width();
        else EXPECT_GT(f.width(), designWidth);
        // The sheet's bar and jump buttons stay at its right edge.
        EXPECT_NEAR(f.bt50->geometry().right(), f.picScroll->width() - 1, 3);
        f.unload();
        flushDeletes();
    }
}

TEST_F(OrderWindowLife, WindowKeyFilterUpperCasesAndRefuses) {
    frmOrdre& f = open();
    ASSERT_TRUE(showActive(&f));
    ASSERT_TRUE(forms::giveFocus(f.txtText[19]));
    f.txtText[19]->clear();
    QTest::keyClicks(f.txtText[19], "ab*c");
    EXPECT_EQ(f.txtText[19]->text(), "ABC");
    EXPECT_EQ(dialogs.beeps, 1);
    EXPECT_EQ(f.datPrimaryRS->value("identBE1").toText(), "ABC");
}

TEST_F(OrderWindowLife, EveryBoxIsNamedForScreenReaders) {
    frmOrdre& f = open();
    EXPECT_EQ(readerNameFaults(&f, true), QStringList());
    // Every visible box is bound to its column.
    for (forms::TextBox* box : f.findChildren<forms::TextBox*>()) {
        if (!box->isVisibleTo(&f)) continue;
        EXPECT_TRUE(forms::dataBindingOf(&f)->isBound(box)) << box->dataField().toStdString();
    }
    for (QGroupBox* b : f.blocks()) EXPECT_FALSE(b->title().isEmpty());
}

TEST_F(OrderWindowLife, TabRunsDownTheSheet) {
    frmOrdre& f = open();
    ASSERT_TRUE(showActive(&f));
    ASSERT_TRUE(forms::giveFocus(f.txtText[5]));
    QList<QWidget*> seen;
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        seen << QApplication::focusWidget();
    }
    // The institution's block is locked by the settings: Tab passes over it.
    const QList<QWidget*> expected{f.txtPays[0], f.cmdPays[0], f.txtText[11], f.txtBic[0], f.txtText[12], f.txtText[13]};
    EXPECT_EQ(seen, expected);
}

// Tab enters a set of options at the one selected, even when a handler selected it.
TEST_F(OrderWindowLife, TabEntersTheOptionsAtTheSelectedOne) {
    frmOrdre& f = open();
    ASSERT_TRUE(showActive(&f));
    f.optFrais->setValue(2, true);  // as leaving the bank's country inside the EEA does
    f.optAvisBenef->setValue(2, true);
    ASSERT_TRUE(forms::giveFocus(f.txtMotif[4]));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), f.optFrais->button(2));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), f.optAvisBenef->button(2));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), f.txtAvisFax);
}

TEST_F(OrderWindowLife, MainWindowOpensTheCurrentOrder) {
    order({{"refInterne", "PREMIER"}});
    const qint64 second = order({{"refInterne", "SECOND"}});
    frmListOrdre& list = frmListOrdre::instance();
    list.misEnForme(false);
    Value opened;
    int shown = 0;
    forms::Form::ModalHook = [&](forms::Form& w) {
        if (auto* o = qobject_cast<frmOrdre*>(&w)) {
            ++shown;
            opened = o->intNumOrdre;
            o->unload();
        }
    };
    // The newest order is on the first data row.
    list.MSHFlexGrid1->setRow(1);
    list.MSHFlexGrid1_RowColChange();
    list.mnModif_Click();
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(opened.toInt(), second);
    list.mnAjout_Click();
    EXPECT_EQ(shown, 2);
    EXPECT_TRUE(opened.isEmpty());
}

}  // namespace
