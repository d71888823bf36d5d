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

    // The settings row of the test (sound, customer and institution filled in).
    virtual TempStartFolder::Fields settings() {
        TempStartFolder::Fields s = soundSettings(folder.path() + u'/');
        s += {{"ribOY", kRibA}, {"identOY1", "CLIENT SA"}, {"villeOY", "LYON"}, {"paysOY", "FR"},
              {"sirenOY", kSirenA}, {"sirenPL", kSirenB}, {"residentOY", false}};
        return s;
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
