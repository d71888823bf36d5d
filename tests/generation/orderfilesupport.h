#pragma once

#include "common/qtsupport.h"
#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>
#include <functional>
#include <ostream>

#include "common/scripteddialogs.h"
#include "generation/orderfile.h"
#include "generation/orderrecord.h"
#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/vberror.h"

namespace vorna::test {

// 7 March 2026, 09:05:02: every stamp of the file reads 260307 / 0905 / 090502.
inline QDateTime pinnedNow() { return QDateTime(QDate(2026, 3, 7), QTime(9, 5, 2)); }

// The smallest order: a transfer in euros with no optional segment. The ordering customer is
// left empty, so the institution's address goes under NAD+OY.
inline OrderRecord minimalOrder() {
    OrderRecord o;
    o.idOrdre = 1;
    o.typeOper = 0;
    o.devPaiement = QStringLiteral("EUR");
    o.montant = Decimal(123450, 2);
    o.nbDeci = 2;
    o.refInterne = QStringLiteral("REF-12");
    o.ribPL = QStringLiteral("12345 67890 12345678901 23");
    o.identPL1 = QStringLiteral("BANQUE DU NORD");
    o.identPL2 = QStringLiteral("1 RUE HAUTE");
    o.codePostalPL = QStringLiteral("59000");
    o.villePL = QStringLiteral("LILLE");
    o.paysPL = QStringLiteral("FR");
    o.identBE1 = QStringLiteral("JOHN SMITH");
    o.identBE2 = QStringLiteral("5 MAIN STREET");
    o.villeBE = QStringLiteral("NEW YORK");
    o.paysBE = QStringLiteral("US");
    return o;
}

inline QString blanks(int n) { return QString(n, u' '); }

// The segments of written bytes, each with its terminator; a released "?'" does not end one.
inline QStringList segmentsOf(const QByteArray& bytes) {
    const QString s = QString::fromLatin1(bytes);
    QStringList out;
    QString current;
    for (qsizetype i = 0; i < s.size(); ++i) {
        current += s[i];
        if (s[i] == u'?' && i + 1 < s.size()) {
            current += s[++i];
            continue;
        }
        if (s[i] == u'\'') {
            out << current;
            current.clear();
        }
    }
    if (!current.isEmpty()) out << current;
    return out;
}

// Pins the clock, forces the decimal comma and records beeps for each test.
class OrderFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        Clock::pin(pinnedNow());
        Locale::force(false);
    }
    void TearDown() override {
        Clock::pin(QDateTime());
        Locale::force(std::nullopt);
    }

    // The bytes of one message (UNH to UNT) for `order`, numbered 1.
    QByteArray messageBytes(const OrderRecord& order, WrittenOrder* written = nullptr) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        OrderFileWriter writer(buffer);
        const WrittenOrder w = writer.writeMessage(order);
        if (written) *written = w;
        return buffer.data();
    }

    QStringList messageSegments(const OrderRecord& order) { return segmentsOf(messageBytes(order)); }

    // The segments of the message that begin with `tag` ("FII+BF", "NAD+", ...).
    QStringList segmentsStarting(const OrderRecord& order, const QString& tag) {
        QStringList out;
        for (const QString& s : messageSegments(order))
            if (s.startsWith(tag)) out << s;
        return out;
    }

    // The one segment that begins with `tag`, or "" when there is none (several fail the test).
    QString segment(const OrderRecord& order, const QString& tag) {
        const QStringList found = segmentsStarting(order, tag);
        EXPECT_LE(found.size(), 1) << tag.toStdString();
        return found.value(0);
    }

    // A whole interchange for `orders`; left in $VORNA_TEST_ARTIFACTS as <test name>.e93 when set.
    QByteArray interchange(const QList<OrderRecord>& orders, QList<WrittenOrder>* written = nullptr) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        OrderFileWriter writer(buffer);
        writer.writeHeader(orders.first());
        for (const OrderRecord& o : orders) {
            const WrittenOrder w = writer.writeMessage(o);
            if (written) *written << w;
        }
        writer.writeTrailer();
        saveArtifact(buffer.data());
        return buffer.data();
    }

    static void saveArtifact(const QByteArray& bytes) {
        const QString folder = qEnvironmentVariable("VORNA_TEST_ARTIFACTS");
        if (folder.isEmpty()) return;
        QDir().mkpath(folder);
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        QFile f(QDir(folder).filePath(QString::fromUtf8(info->name()) + QStringLiteral(".e93")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << f.fileName().toStdString();
        ASSERT_EQ(f.write(bytes), bytes.size());
    }

    // Runs `f`, which must raise error 9999 with this source and description.
    static void expectError(const std::function<void()>& f, const QString& source, const QString& description) {
        try {
            f();
            ADD_FAILURE() << "no error raised, expected: " << description.toStdString();
        } catch (const VbError& e) {
            EXPECT_EQ(e.number, err::Application);
            EXPECT_EQ(e.source, source);
            EXPECT_EQ(e.description, description);
        }
    }

    ScriptedDialogs dialogs;
};

}  // namespace vorna::test
