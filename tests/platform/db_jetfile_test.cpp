#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <sqlite3.h>

#include <algorithm>

#include "common/jettestdata.h"
#include "platform/db/connection.h"
#include "platform/db/jetfile.h"
#include "platform/db/recordset.h"
#include "platform/vberror.h"

using namespace vorna;
using vorna::test::fileBytes;
using vorna::test::jetTestFile;

namespace {

using Rows = QList<QStringList>;

// What mdbtools' own tools print, dates in our stored form.
QString mdbTool(const QStringList& args) {
    QProcess p;
    p.start(args.first(), args.mid(1));
    if (!p.waitForFinished(30000) || p.exitCode() != 0) return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// mdb-export's CSV: fields quoted with '"' (doubled inside) or bare; a Null is an empty field.
Rows parseCsv(const QString& text) {
    Rows rows;
    QStringList row;
    QString field;
    bool inQuotes = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (inQuotes) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                inQuotes = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            inQuotes = true;
        } else if (c == u',') {
            row << field;
            field.clear();
        } else if (c == u'\n') {
            row << field;
            rows << row;
            row.clear();
            field.clear();
        } else if (c != u'\r') {
            field += c;
        }
    }
    if (!field.isEmpty() || !row.isEmpty()) rows << (row << field);
    return rows;
}

// A value read back through our connection, written as mdb-export writes the Jet value.
QString asExported(const Value& v, const QString& declaredType) {
    switch (v.type()) {
    case Value::Type::Empty:
    case Value::Type::Null: return QString();
    case Value::Type::Bool: return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case Value::Type::Int: return QString::number(v.toInt());
    case Value::Type::Decimal: return v.toDecimal().rescaled(4).toString();
    case Value::Type::Double:
        return declaredType.startsWith(QLatin1String("SINGLE")) ? QString::asprintf("%.8g", double(float(v.toDouble())))
                                                                 : QString::asprintf("%.16g", v.toDouble());
    case Value::Type::DateTime: return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case Value::Type::Text: return v.toText();
    }
    return QString();
}

QStringList tablesOf(const ConnectionPtr& c) {
    Recordset rs;
    rs.open(QStringLiteral("select name from sqlite_master where type = 'table' and name <> 'sqlite_sequence'"), c);
    QStringList names;
    for (; !rs.eof(); rs.moveNext()) names << rs.value(0).toText();
    names.sort();
    return names;
}

class JetFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    QString converted(const QString& jetName) {
        const QString target = dir.filePath(jetName + QStringLiteral(".sqlite"));
        JetFile::convert(jetTestFile(jetName), target);
        return target;
    }

    // A copy of a test file with some of its bytes cut or overwritten.
    QString damagedCopy(const QString& jetName, const std::function<void(QByteArray&)>& damage) {
        QByteArray bytes = fileBytes(jetTestFile(jetName));
        damage(bytes);
        const QString path = dir.filePath(QStringLiteral("damaged-") + jetName);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }

    QTemporaryDir dir;
};

TEST_F(JetFileTest, DetectsTheEngineByTheHeaderNotTheName) {
    SKIP_WITHOUT_JET_TEST_DATA();
    EXPECT_EQ(JetFile::detect(jetTestFile(QStringLiteral("V1997-test.mdb"))), JetFile::Format::Jet3);
    EXPECT_EQ(JetFile::detect(jetTestFile(QStringLiteral("V2000-test.mdb"))), JetFile::Format::Jet4);
    EXPECT_EQ(JetFile::detect(jetTestFile(QStringLiteral("V2000_with-password.mdb"))), JetFile::Format::Jet4);
    // A database of ours named .mdb, a file too short for a header, no file at all.
    const QString ours = converted(QStringLiteral("V2000-test.mdb"));
    EXPECT_EQ(JetFile::detect(ours), JetFile::Format::NotJet);
    const QString tiny = damagedCopy(QStringLiteral("V2000-test.mdb"), [](QByteArray& b) { b.truncate(12); });
    EXPECT_EQ(JetFile::detect(tiny), JetFile::Format::NotJet);
    EXPECT_EQ(JetFile::detect(dir.filePath(QStringLiteral("none.mdb"))), JetFile::Format::NotJet);
    // The old engine's header with a version it never wrote.
    const QString later = damagedCopy(QStringLiteral("V2000-test.mdb"), [](QByteArray& b) { b[0x14] = 0x07; });
    EXPECT_EQ(JetFile::detect(later), JetFile::Format::Unknown);
}

// Every table of every test file: the same tables, columns and rows as mdb-export prints.
TEST_F(JetFileTest, EveryTableConvertsExactlyAsMdbExportPrintsIt) {
    SKIP_WITHOUT_JET_TEST_DATA();
    if (QStandardPaths::findExecutable(QStringLiteral("mdb-export")).isEmpty())
        GTEST_SKIP() << "mdb-export (Debian's mdbtools) is not installed";
    const QString dateFormat = QStringLiteral("%Y-%m-%d %H:%M:%S");
    for (const QString& name : {QStringLiteral("V2000-test.mdb"), QStringLiteral("V2000_with-password.mdb"),
                               QStringLiteral("V1997-test.mdb"), QStringLiteral("V2000-empty.mdb")}) {
        SCOPED_TRACE(name.toStdString());
        const QString jet = jetTestFile(name);
        const QByteArray before = fileBytes(jet);
        ConnectionPtr c = openConnection(jetConnectionString(converted(name)));

        QStringList expectedTables = mdbTool({QStringLiteral("mdb-tables"), QStringLiteral("-1"), jet})
                                         .split(u'\n', Qt::SkipEmptyParts);
        expectedTables.sort();
        ASSERT_EQ(tablesOf(c), expectedTables);

        for (const QString& table : expectedTables) {
            SCOPED_TRACE(table.toStdString());
            Rows expected = parseCsv(mdbTool({QStringLiteral("mdb-export"), QStringLiteral("-D"), dateFormat,
                                              QStringLiteral("-T"), dateFormat, jet, table}));
            ASSERT_FALSE(expected.isEmpty());
            const QStringList header = expected.takeFirst();

            Recordset rs;
            rs.open(table, c, CursorType::ForwardOnly, LockType::ReadOnly);
            QStringList columns;
            for (int i = 0; i < rs.fieldCount(); ++i) columns << rs.fieldInfo(i).name;
            EXPECT_EQ(columns, header);

            Rows actual;
            for (; !rs.eof(); rs.moveNext()) {
                QStringList row;
                for (int i = 0; i < rs.fieldCount(); ++i) row << asExported(rs.value(i), rs.fieldInfo(i).declaredType);
                actual << row;
            }
            std::sort(expected.begin(), expected.end());
            std::sort(actual.begin(), actual.end());
            EXPECT_EQ(actual, expected);
        }
        EXPECT_EQ(fileBytes(jet), before) << "the Jet file is only read";
    }
}

// What our layer reads back: the kinds the order list, the upgrade and the layout test rely on.
TEST_F(JetFileTest, ValuesComeBackAsTheConnectionStoresThem) {
    SKIP_WITHOUT_JET_TEST_DATA();
    for (const QString& name : {QStringLiteral("V2000-test.mdb"), QStringLiteral("V1997-test.mdb")}) {
        SCOPED_TRACE(name.toStdString());
        ConnectionPtr c = openConnection(jetConnectionString(converted(name)));
        Recordset rs;
        rs.open(QStringLiteral("select * from Table1 where C = 2"), c);
        ASSERT_EQ(rs.recordCount(), 1);
        EXPECT_EQ(rs.value(QStringLiteral("A")).toText(), QStringLiteral("abcdefg"));
        EXPECT_EQ(rs.value(QStringLiteral("D")).type(), Value::Type::Int);
        EXPECT_EQ(rs.value(QStringLiteral("E")).toInt(), 333333333);
        EXPECT_EQ(rs.value(QStringLiteral("F")).type(), Value::Type::Double);
        EXPECT_DOUBLE_EQ(rs.value(QStringLiteral("F")).toDouble(), 444.555);
        EXPECT_EQ(rs.value(QStringLiteral("G")).toDateTime(), QDateTime(QDate(1974, 9, 21), QTime(0, 0)));
        EXPECT_EQ(rs.value(QStringLiteral("H")).type(), Value::Type::Decimal);
        EXPECT_EQ(rs.value(QStringLiteral("H")).toDecimal(), Decimal(35, 1));
        EXPECT_EQ(rs.value(QStringLiteral("I")).type(), Value::Type::Bool);
        EXPECT_TRUE(rs.value(QStringLiteral("I")).toBool());
        // A text keeps the length its window relied on: a longer one is refused.
        rs.setValue(QStringLiteral("A"), QString(50, u'x'));
        EXPECT_THROW(rs.setValue(QStringLiteral("A"), QString(51, u'x')), VbError);
        rs.cancelUpdate();
    }
}

// Accents and the euro sign, in Jet 4's compressed and plain UCS-2 texts and in Jet 3's
// Windows code page, come through as the same characters.
TEST_F(JetFileTest, TextsKeepTheirAccents) {
    SKIP_WITHOUT_JET_TEST_DATA();
    const struct {
        const char* file;
        QByteArray e, j;  // the letters 'e' of "abcdefg" and 'j' of "hijklmnop" as stored, and their replacements
        QByteArray eAccent, euro;
    } cases[] = {
        {"V2000-test.mdb", QByteArray("abcdefg"), QByteArray("h\0i\0j\0", 6), QByteArray("abcd\xe9" "fg"),
         QByteArray("h\0i\0\xac\x20", 6)},
        {"V1997-test.mdb", QByteArray("abcdefg"), QByteArray("hij"), QByteArray("abcd\xe9" "fg"), QByteArray("hi\x80")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const QString path = damagedCopy(QString::fromLatin1(c.file), [&](QByteArray& b) {
            ASSERT_GT(b.indexOf(c.e), 0);
            ASSERT_GT(b.indexOf(c.j), 0);
            b.replace(c.e, c.eAccent);
            b.replace(c.j, c.euro);
        });
        const QString target = dir.filePath(QStringLiteral("accents.sqlite"));
        QFile::remove(target);
        JetFile::convert(path, target);
        ConnectionPtr conn = openConnection(jetConnectionString(target));
        Recordset rs;
        rs.open(QStringLiteral("select A, B from Table1 where C = 2"), conn);
        ASSERT_EQ(rs.recordCount(), 1);
        EXPECT_EQ(rs.value(0).toText(), QStringLiteral("abcdéfg"));
        EXPECT_EQ(rs.value(1).toText(), QStringLiteral("hi€klmnop"));
    }
}

// A counter that is the key goes on numbering new rows after the copied ones; a text key stays
// a key.
TEST_F(JetFileTest, KeysAndCountersStayKeysAndCounters) {
    SKIP_WITHOUT_JET_TEST_DATA();
    ConnectionPtr c = openConnection(jetConnectionString(converted(QStringLiteral("V2000_with-password.mdb"))));
    c->execute(QStringLiteral("insert into Table1 (Data) values (?)"), {Value(QStringLiteral("Quatre été"))});
    Recordset rs;
    rs.open(QStringLiteral("select ID, Data from Table1 order by ID"), c);
    rs.moveLast();
    EXPECT_EQ(rs.value(0).toInt(), 4);
    EXPECT_EQ(rs.value(1).toText(), QStringLiteral("Quatre été"));

    ConnectionPtr t = openConnection(jetConnectionString(converted(QStringLiteral("V2000-test.mdb"))));
    EXPECT_THROW(t->execute(QStringLiteral("insert into Table1 (A, B) values ('abcdefg', 'x')")), VbError);
}

TEST_F(JetFileTest, AnEmptyJetFileGivesAnEmptyDatabase) {
    SKIP_WITHOUT_JET_TEST_DATA();
    ConnectionPtr c = openConnection(jetConnectionString(converted(QStringLiteral("V2000-empty.mdb"))));
    EXPECT_TRUE(tablesOf(c).isEmpty());
    EXPECT_EQ(c->execute(QStringLiteral("create table T (x integer)")), 0);
}

// Bytes cut or overwritten: the conversion stops with the old engine's error, writes nothing and
// leaves the Jet file as it was.
TEST_F(JetFileTest, ADamagedFileIsRefusedAndNothingIsWritten) {
    SKIP_WITHOUT_JET_TEST_DATA();
    const struct {
        const char* what;
        const char* file;
        std::function<void(QByteArray&)> damage;
    } cases[] = {
        {"end cut off", "V2000-test.mdb", [](QByteArray& b) { b.chop(1000); }},
        {"cut to its first pages", "V1997-test.mdb", [](QByteArray& b) { b.truncate(2048 * 3); }},
        {"unknown version", "V2000-test.mdb", [](QByteArray& b) { b[0x14] = 0x09; }},
        {"header page overwritten", "V2000-test.mdb",
         [](QByteArray& b) { std::fill(b.begin() + 0x18, b.begin() + 4096, char(0x5A)); }},
        {"catalogue overwritten", "V2000-test.mdb",
         [](QByteArray& b) { std::fill(b.begin() + 2 * 4096, b.begin() + 3 * 4096, char(0)); }},
        {"catalogue overwritten (Jet 3)", "V1997-test.mdb",
         [](QByteArray& b) { std::fill(b.begin() + 2 * 2048, b.begin() + 3 * 2048, char(0xFF)); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = damagedCopy(QString::fromLatin1(c.file), c.damage);
        const QByteArray before = fileBytes(path);
        const QString target = dir.filePath(QStringLiteral("out.sqlite"));
        try {
            JetFile::convert(path, target);
            ADD_FAILURE() << "converted";
        } catch (const VbError& e) {
            EXPECT_EQ(e.number, err::UnrecognizedDatabase);
            EXPECT_TRUE(e.description.contains(path)) << e.description.toStdString();
        }
        EXPECT_FALSE(QFile::exists(target));
        EXPECT_EQ(fileBytes(path), before);
    }
}

// A data page of a table overwritten: its rows no longer add up to the count its definition
// keeps, which the conversion checks.
TEST_F(JetFileTest, ATablePageOverwrittenIsFoundByItsRowCount) {
    SKIP_WITHOUT_JET_TEST_DATA();
    // The data page holding Table1's rows ("Three" is a text of its last row, in Jet 4's
    // compressed form).
    const QByteArray bytes = fileBytes(jetTestFile(QStringLiteral("V2000_with-password.mdb")));
    const qsizetype at = bytes.indexOf(QByteArray("\xff\xfeThree"));
    ASSERT_GT(at, 0);
    const qsizetype page = at / 4096 * 4096;
    const struct {
        const char* what;
        qsizetype from, to;
        char fill;
    } cases[] = {
        {"page header", 0, 16, 0},
        {"row count", 0x0c, 0x0e, 0},
        {"row offsets", 0x0e, 0x14, char(0x7F)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = damagedCopy(QStringLiteral("V2000_with-password.mdb"), [&](QByteArray& b) {
            std::fill(b.begin() + page + c.from, b.begin() + page + c.to, c.fill);
        });
        const QString target = dir.filePath(QStringLiteral("out.sqlite"));
        EXPECT_THROW(JetFile::convert(path, target), VbError);
        EXPECT_FALSE(QFile::exists(target));
    }
}

TEST_F(JetFileTest, AnExistingTargetIsNeverOverwritten) {
    SKIP_WITHOUT_JET_TEST_DATA();
    const QString target = dir.filePath(QStringLiteral("taken.sqlite"));
    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("mine");
    f.close();
    EXPECT_THROW(JetFile::convert(jetTestFile(QStringLiteral("V2000-test.mdb")), target), VbError);
    EXPECT_EQ(fileBytes(target), QByteArray("mine"));
}

}  // namespace
