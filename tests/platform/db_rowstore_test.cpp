// How a recordset keeps its rows: every value comes back as it was stored, whatever its
// size or kind, after a requery, and through edits that are stored, cancelled and repeated.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <sqlite3.h>

#include "common/errorof.h"
#include "platform/db/connection.h"
#include "platform/db/recordset.h"

using namespace vorna;
using vorna::test::errorOf;

namespace {

class RowStore : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.filePath(QStringLiteral("rows.db"));
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db,
                               "create table t (id INTEGER PRIMARY KEY, n INTEGER, txt TEXT(255), memo MEMO, amount CURRENCY, "
                               "flag BOOLEAN, d DATETIME, r REAL, anyc)",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
        conn = openConnection(jetConnectionString(path));
    }
    void TearDown() override { Connection::clearAllWriteFaults(); }
    QString stored(const QString& sql) {
        Recordset r;
        r.open(sql, conn, CursorType::ForwardOnly, LockType::ReadOnly);
        return r.eof() ? QStringLiteral("<none>") : r.value(0).toText();
    }

    QTemporaryDir dir;
    QString path;
    ConnectionPtr conn;
};

TEST_F(RowStore, EveryStoredValueComesBackAsItWas) {
    const QString big(3 << 20, u'x');  // longer than a block of the row store
    struct Case {
        const char* column;
        QString literal;
        Value expected;
    };
    const Case cases[] = {
        {"n", "0", Value(qint64(0))},
        {"n", "36028797018963967", Value(qint64(36028797018963967))},  // the largest kept in the cell
        {"n", "36028797018963968", Value(qint64(36028797018963968))},
        {"n", "-36028797018963968", Value(qint64(-36028797018963968))},
        {"n", "-36028797018963969", Value(qint64(-36028797018963969))},
        {"n", "9223372036854775807", Value(std::numeric_limits<qint64>::max())},
        {"n", "-9223372036854775808", Value(std::numeric_limits<qint64>::min())},
        {"n", "2.6", Value(qint64(3))},
        {"n", "'abc'", Value("abc")},
        {"txt", "'Élan d''été – ok'", Value(QStringLiteral("Élan d'été – ok"))},
        {"txt", "''", Value(QString(""))},
        {"txt", "42", Value("42")},
        {"txt", "NULL", Value::null()},
        {"memo", "'" + big + "'", Value(big)},
        {"memo", "'" + QString(254, u'y') + "'", Value(QString(254, u'y'))},  // the longest with a one-byte length
        {"memo", "'" + QString(255, u'z') + "'", Value(QString(255, u'z'))},
        {"amount", "1234.5", Value(Decimal(12345, 1))},
        {"amount", "'12.30'", Value(Decimal(1230, 2))},
        {"amount", "7", Value(Decimal(7, 0))},
        {"flag", "1", Value(true)},
        {"flag", "'non'", Value(false)},
        {"d", "'2026-12-08 10:05:09'", Value(QDateTime(QDate(2026, 12, 8), QTime(10, 5, 9)))},
        {"d", "'pas une date'", Value("pas une date")},
        {"r", "-1.5e300", Value(-1.5e300)},
        {"r", "3", Value(3.0)},
        {"anyc", "7", Value(qint64(7))},
        {"anyc", "0.25", Value(0.25)},
        {"anyc", "'texte'", Value("texte")},
    };
    for (const Case& c : cases)
        conn->execute(QStringLiteral("insert into t (%1) values (%2)").arg(QLatin1String(c.column), c.literal));

    Recordset rs;
    rs.open(QStringLiteral("select * from t order by id"), conn);
    ASSERT_EQ(rs.recordCount(), int(std::size(cases)));
    // From the last row to the first, and by moves from the first.
    for (int i = int(std::size(cases)) - 1; i >= 0; --i) {
        const Case& c = cases[i];
        const Value v = rs.valueAt(i, rs.fieldIndex(QLatin1String(c.column)));
        EXPECT_EQ(v.type(), c.expected.type()) << c.column << " " << c.literal.left(40).toStdString();
        EXPECT_TRUE(v == c.expected) << c.column << " " << c.literal.left(40).toStdString() << " → " << v.toText().left(40).toStdString();
    }
    int i = 0;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext(), ++i)
        EXPECT_TRUE(rs.value(QLatin1String(cases[i].column)) == cases[i].expected) << i;
}

TEST_F(RowStore, RowsFarApartAfterARequeryAreTheNewOnes) {
    conn->beginTrans();
    for (int i = 0; i < 5000; ++i)
        conn->execute(QStringLiteral("insert into t (n, txt) values (?, ?)"), {Value(i), Value(QString(i % 7, u'a'))});
    conn->commitTrans();
    Recordset rs;
    rs.open(QStringLiteral("select n, txt from t order by n"), conn);
    EXPECT_EQ(rs.valueAt(4999, 1).toText(), QString(4999 % 7, u'a'));
    // Longer texts, fewer rows: nothing of the first reading shows.
    conn->execute(QStringLiteral("delete from t where n >= 4000"));
    conn->execute(QStringLiteral("update t set txt = 'nouveau ' || n || ' é'"));
    rs.requery();
    ASSERT_EQ(rs.recordCount(), 4000);
    for (int row : {3999, 0, 2000, 1, 3998})
        EXPECT_EQ(rs.valueAt(row, 1).toText(), QStringLiteral("nouveau %1 é").arg(row)) << row;
    EXPECT_EQ(rs.absolutePosition(), 1);
}

TEST_F(RowStore, EditsStoredCancelledAndRepeatedKeepTheRightOriginals) {
    conn->execute(QStringLiteral("insert into t (id, txt, n) values (1, 'un', 10), (2, 'deux', 20)"));
    Recordset rs;
    rs.open(QStringLiteral("t"), conn);
    // A row read from the file: changed, then cancelled.
    rs.setValue(QStringLiteral("txt"), Value("UN"));
    EXPECT_EQ(rs.originalValue(rs.fieldIndex(QStringLiteral("txt"))).toText(), "un");
    rs.cancelUpdate();
    EXPECT_EQ(rs.value(QStringLiteral("txt")).toText(), "un");
    // Stored, changed again, cancelled: the stored value stays, and is the original meanwhile.
    rs.setValue(QStringLiteral("txt"), Value("premier"));
    rs.update();
    rs.setValue(QStringLiteral("txt"), Value("second"));
    EXPECT_EQ(rs.originalValue(rs.fieldIndex(QStringLiteral("txt"))).toText(), "premier");
    rs.cancelUpdate();
    EXPECT_EQ(rs.value(QStringLiteral("txt")).toText(), "premier");
    // A row added: the key the file gave it, then changed and cancelled.
    rs.addNew();
    rs.setValue(QStringLiteral("txt"), Value("trois"));
    rs.update();
    const qint64 id = rs.value(QStringLiteral("id")).toInt();
    EXPECT_EQ(id, 3);
    rs.setValue(QStringLiteral("n"), Value(30));
    rs.setValue(QStringLiteral("txt"), Value("autre"));
    rs.cancelUpdate();
    EXPECT_EQ(rs.value(QStringLiteral("txt")).toText(), "trois");
    EXPECT_TRUE(rs.value(QStringLiteral("n")).isNull());
    // The row not looked at yet is still the file's.
    rs.moveFirst();
    rs.moveNext();
    EXPECT_EQ(rs.value(QStringLiteral("txt")).toText(), "deux");
    EXPECT_EQ(stored(QStringLiteral("select group_concat(txt, ',') from (select txt from t order by id)")), "premier,deux,trois");
}

TEST_F(RowStore, UpdatesOneAfterTheOtherReachTheFile) {
    conn->execute(QStringLiteral("insert into t (id, txt, n) values (1, 'a', 1), (2, 'b', 2), (3, 'c', 3), (4, 'd', 4)"));
    Recordset rs;
    rs.open(QStringLiteral("select * from t order by id"), conn);
    const auto store = [&](int row, const char* column, const Value& v) {
        rs.setAbsolutePosition(row);
        rs.setValue(QLatin1String(column), v);
        rs.update();
    };
    store(1, "txt", Value("A"));
    store(2, "txt", Value("B"));  // the same columns as the row before
    store(3, "n", Value(33));     // other columns
    // A write that fails leaves the row in edit; the next try goes through.
    Connection::failWritesEverywhere(VbError(err::DatabaseError, "test", "refusé"));
    rs.setAbsolutePosition(4);
    rs.setValue(QStringLiteral("n"), Value(44));
    EXPECT_EQ(errorOf([&] { rs.update(); }).number, err::DatabaseError);
    EXPECT_EQ(rs.editMode(), EditMode::InProgress);
    rs.update();
    // The connection closed and opened again under the recordset.
    conn->close();
    conn->open(jetConnectionString(path));
    store(1, "n", Value(11));
    EXPECT_EQ(stored(QStringLiteral("select group_concat(txt || n, ',') from (select txt, n from t order by id)")), "A11,B2,c33,d44");
}

}  // namespace
