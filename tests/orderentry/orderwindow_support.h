#pragma once

#include <QGroupBox>
#include <QScrollBar>

#include "orderentry/frmordre.h"
#include "platform/clock.h"
#include "platform/forms/geometry.h"
#include "platform/session.h"
#include "reference/reference_support.h"

namespace vorna::test {

inline const QDateTime kOrderNow(QDate(2026, 12, 8), QTime(10, 30, 45));
inline const QString kIbanDE = QStringLiteral("DE89370400440532013000");

// The program started on a data folder with sound settings; the order window opens on it.
class OrderWindowTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        Clock::pin(kOrderNow);
        Locale::force(false);
        savedCheck_ = frmListOrdre::SettingsCheck;
        frmListOrdre::SettingsCheck = [] {};
        Session::current().ordreHeight = 0;
        storeSettings(settings());
        conn = folder.openWorking();
        start();
        Session::current().refreshOrderList = [this] { ++refreshes; };
    }

    void TearDown() override {
        frmOrdre::unloadIfLoaded();
        flushDeletes();
        ProgramTest::TearDown();
        frmListOrdre::SettingsCheck = savedCheck_;
        Screen::forceScrollStepHint(0);
        Clock::pin(QDateTime());
        Locale::force(std::nullopt);
        Session::current().ordreHeight = 0;
    }

    // The settings row of the test: sound (the settings check passes), the customer given in
    // full and the institution filled in.
    virtual TempStartFolder::Fields settings() {
        TempStartFolder::Fields s = soundSettings(folder.path() + u'/');
        s += {{"ribOY", kRibA},        {"identOY1", "CLIENT SA"},  {"identOY2", "2 AVENUE"},
              {"codePostalOY", "69001"}, {"villeOY", "LYON"},      {"paysOY", "FR"},
              {"sirenOY", kSirenA},     {"sirenPL", kSirenB},       {"residentOY", false}};
        return s;
    }

    // Fills the window's new order (its customer and institution from the settings) into one
    // that every check lets through: in euro to a German bank.
    static void fill(frmOrdre& f) {
        f.txtRefInterne->setText("REF001");
        f.txtDev[0]->setText("EUR");
        f.txtDev[1]->setText("EUR");
        f.txtNbDeci->setText("2");
        // Open as the currency handlers would once both currencies are there.
        frmOrdre::enableCtrl(f.txtDev[1]);
        frmOrdre::enableCtrl(f.txtMontant);
        f.datPrimaryRS->setValue("montant", Decimal(12550, 2));
        f.txtBic[1]->setText("DEUTDEFF");
        f.txtPays[3]->setText("DE");
        f.txtText[19]->setText("DUPONT");
        f.txtText[20]->setText("1 STRASSE");
        f.txtText[22]->setText("BERLIN");
        f.txtPays[4]->setText("DE");
        f.txtIbanBE->setText(kIbanDE);
        f.optFrais->setValue(2, true);
        f.txtMotif[1]->setText("FACTURE 12");
        f.txtPays[5]->setText("DE");
    }

    // A pending order that the checks accept, stored through the window as a user would; the
    // window is closed again.
    qint64 storedSoundOrder(const QString& reference = QStringLiteral("REF001")) {
        const qsizetype messages = dialogs.messages.size();
        frmOrdre& f = open();
        fill(f);
        f.txtRefInterne->setText(reference);
        f.cmdAdd->click();
        EXPECT_EQ(dialogs.messages.size(), messages) << dialogs.texts().join(u'|').toStdString();
        f.unload();
        flushDeletes();
        Recordset r;
        r.open(QStringLiteral("select max(idOrdre) from Ordres"), conn, CursorType::ForwardOnly, LockType::ReadOnly);
        return r.value(0).toInt();
    }

    frmOrdre& open(const Value& number = Value()) { return frmOrdre::loadFor(number); }

    qint64 order(const TempStartFolder::Fields& fields = {}) { return TempStartFolder::insertOrder(conn, fields); }

    // One column of a stored order.
    Value stored(qint64 id, const QString& column) {
        Recordset r;
        r.open(QStringLiteral("select ") + column + QStringLiteral(" from Ordres where idOrdre = ?"), conn,
               CursorType::ForwardOnly, LockType::ReadOnly, {Value(id)});
        return r.eof() ? Value() : r.value(0);
    }
    int orderCount() {
        Recordset r;
        r.open(QStringLiteral("select count(*) from Ordres"), conn, CursorType::ForwardOnly, LockType::ReadOnly);
        return int(r.value(0).toInt());
    }

    ConnectionPtr conn;
    int refreshes = 0;

private:
    std::function<void()> savedCheck_;
};

}  // namespace vorna::test
