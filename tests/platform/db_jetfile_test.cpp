#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <sqlite3.h>

#include <algorithm>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "common/jettestdata.h"
#include "platform/db/connection.h"
#include "platform/db/jetfile.h"
#include "platform/db/recordset.h"
#include "platform/singleinstance.h"
#include "platform/vberror.h"

using namespace vorna;
using vorna::test::fileBytes;
using vorna::test::jetTestFile;

namespace {

using Rows = QList<QStringList>;

// Whether a process has ended (a zombie has: it only waits to be reaped).
bool ended(pid_t pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return true;
    const QByteArray text = stat.readAll();
    const qsizetype state = text.lastIndexOf(')') + 2;
    return state < 2 || state >= text.size() || text[state] == 'Z' || text[state] == 'X';
}

// What mdbtools' own tools print, dates in our stored form.
QString mdbTool(const QStringList& args) {
    QProcess p;
    p.start(args.first(), args.mid(1));
    if (!p.waitForFinished(30000) || p.exitCode() != 0) return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// mdb-export's CSV: fields quoted with '"' (doubled inside) or bare; a Null is an empty field.
Rows parseCsv(const QString& text) {
    Rows rows{{}};
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'"' && quoted && i + 1 < text.size() && text[i + 1] == u'"') field += text[++i];
        else if (c == u'"') quoted = !quoted;
        else if (!quoted && (c == u',' || c == u'\n')) {
            rows.last() << field;
            field.clear();
            if (c == u'\n') rows << QStringList();
        } else if (quoted || c != u'\r') field += c;
    }
    rows.removeLast();  // after the last line break
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

// What our layer reads back, in both formats: the kinds the order list, the upgrade and the
// layout test rely on; accents and the euro sign (patched into Jet 4's compressed and plain
// UCS-2 texts and Jet 3's Windows code page); text lengths, keys and counters.
TEST_F(JetFileTest, ConvertedTablesServeOurLayer) {
    SKIP_WITHOUT_JET_TEST_DATA();
    const struct {
        const char* file;
        QByteArray j, euro;  // the 'j' of "hijklmnop" as stored, and a euro sign in its place
    } cases[] = {
        {"V2000-test.mdb", QByteArray("h\0i\0j\0", 6), QByteArray("h\0i\0\xac\x20", 6)},
        {"V1997-test.mdb", QByteArray("hij"), QByteArray("hi\x80")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const QString jet = damagedCopy(QString::fromLatin1(c.file), [&](QByteArray& b) {
            ASSERT_GT(b.indexOf(c.j), 0);
            b.replace(QByteArray("abcdefg"), QByteArray("abcd\xe9" "fg"));
            b.replace(c.j, c.euro);
        });
        const QString target = dir.filePath(QString::fromLatin1(c.file) + QStringLiteral(".sqlite"));
        JetFile::convert(jet, target);
        ConnectionPtr conn = openConnection(jetConnectionString(target));
        Recordset rs;
        rs.open(QStringLiteral("select * from Table1 where C = 2"), conn);
        ASSERT_EQ(rs.recordCount(), 1);
        EXPECT_EQ(rs.value(QStringLiteral("A")).toText(), QStringLiteral("abcdéfg"));
        EXPECT_EQ(rs.value(QStringLiteral("B")).toText(), QStringLiteral("hi€klmnop"));
        EXPECT_EQ(rs.value(QStringLiteral("E")).toInt(), 333333333);
        EXPECT_DOUBLE_EQ(rs.value(QStringLiteral("F")).toDouble(), 444.555);
        EXPECT_EQ(rs.value(QStringLiteral("G")).toDateTime(), QDateTime(QDate(1974, 9, 21), QTime(0, 0)));
        EXPECT_EQ(rs.value(QStringLiteral("H")).type(), Value::Type::Decimal);
        EXPECT_EQ(rs.value(QStringLiteral("H")).toDecimal(), Decimal(35, 1));
        EXPECT_EQ(rs.value(QStringLiteral("I")).type(), Value::Type::Bool);
        EXPECT_TRUE(rs.value(QStringLiteral("I")).toBool());
        // Text(50) keeps its length; the text key A stays a key.
        rs.setValue(QStringLiteral("A"), QString(50, u'x'));
        EXPECT_THROW(rs.setValue(QStringLiteral("A"), QString(51, u'x')), VbError);
        rs.cancelUpdate();
        EXPECT_THROW(conn->execute(QStringLiteral("insert into Table1 (A, B) values ('ABCDÉFG', 'x')")), VbError);
    }
    // A counter that is the key numbers new rows after the copied ones.
    ConnectionPtr c = openConnection(jetConnectionString(converted(QStringLiteral("V2000_with-password.mdb"))));
    c->execute(QStringLiteral("insert into Table1 (Data) values ('Quatre')"));
    Recordset rs;
    rs.open(QStringLiteral("select max(ID) from Table1"), c);
    EXPECT_EQ(rs.value(0).toInt(), 4);
}

// Bytes cut or overwritten, or an unknown version: the conversion stops with the old engine's
// error naming the file, writes nothing (not even over a file already there) and leaves the Jet
// file as it was. A table whose rows no longer add up to the count its definition keeps is
// damaged too.
TEST_F(JetFileTest, ADamagedFileIsRefusedAndNothingIsWritten) {
    SKIP_WITHOUT_JET_TEST_DATA();
    // The data page of the password file's rows ("Three", in Jet 4's compressed form, is in it).
    const qsizetype rows =
        fileBytes(jetTestFile(QStringLiteral("V2000_with-password.mdb"))).indexOf(QByteArray("\xff\xfeThree")) / 4096 * 4096;
    ASSERT_GT(rows, 0);
    auto fill = [](qsizetype from, qsizetype to, char with) {
        return [=](QByteArray& b) { std::fill(b.begin() + from, b.begin() + to, with); };
    };
    const struct {
        const char* what;
        const char* file;
        std::function<void(QByteArray&)> damage;
    } cases[] = {
        {"end cut off", "V2000-test.mdb", [](QByteArray& b) { b.chop(1000); }},
        {"cut to its first pages", "V1997-test.mdb", [](QByteArray& b) { b.truncate(2048 * 3); }},
        {"unknown version", "V2000-test.mdb", [](QByteArray& b) { b[0x14] = 0x09; }},
        {"header page overwritten", "V2000-test.mdb", fill(0x18, 4096, char(0x5A))},
        {"catalogue overwritten", "V2000-test.mdb", fill(2 * 4096, 3 * 4096, 0)},
        {"catalogue overwritten (Jet 3)", "V1997-test.mdb", fill(2 * 2048, 3 * 2048, char(0xFF))},
        {"data page header overwritten", "V2000_with-password.mdb", fill(rows, rows + 16, 0)},
        {"row count overwritten", "V2000_with-password.mdb", fill(rows + 0x0c, rows + 0x0e, 0)},
        {"row offsets overwritten", "V2000_with-password.mdb", fill(rows + 0x0e, rows + 0x14, char(0x7F))},
    };
    const QString taken = dir.filePath(QStringLiteral("taken.sqlite"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = damagedCopy(QString::fromLatin1(c.file), c.damage);
        const QByteArray before = fileBytes(path);
        const QString target = dir.filePath(QStringLiteral("out.sqlite"));
        try {
            // In a child process, as at start-up: a read that never ends is stopped too.
            JetFile::convertIsolated(path, target, 5000);
            ADD_FAILURE() << "converted";
        } catch (const VbError& e) {
            EXPECT_EQ(e.number, err::UnrecognizedDatabase);
            EXPECT_TRUE(e.description.contains(path)) << e.description.toStdString();
        }
        EXPECT_FALSE(QFile::exists(target));
        EXPECT_EQ(fileBytes(path), before);
    }
    // Some damaged files make libmdb read without end (how often depends on what its memory
    // holds): a conversion that outlasts its time is stopped the same way, whatever the file.
    {
        const QString late = dir.filePath(QStringLiteral("late.sqlite"));
        try {
            JetFile::convertIsolated(jetTestFile(QStringLiteral("V2000-test.mdb")), late, 0);
            ADD_FAILURE() << "converted past its time";
        } catch (const VbError& e) {
            EXPECT_EQ(e.number, err::UnrecognizedDatabase);
        }
        EXPECT_FALSE(QFile::exists(late));
    }
    QFile f(taken);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("mine");
    f.close();
    EXPECT_THROW(JetFile::convert(jetTestFile(QStringLiteral("V2000-test.mdb")), taken), VbError);
    EXPECT_EQ(fileBytes(taken), QByteArray("mine"));
}

// The converter runs in a child of the program. When the program is killed while a conversion
// goes on without end, the child goes with it: the next start is not locked out.
TEST_F(JetFileTest, TheChildDiesWithTheProgramSoTheNextStartRuns) {
    const QString pidFile = dir.filePath(QStringLiteral("child.pid"));
    JetFile::setChildConverter([pidFile](const QString&, const QString&) {
        QFile f(pidFile + QStringLiteral(".tmp"));
        if (f.open(QIODevice::WriteOnly)) f.write(QByteArray::number(qint64(::getpid())));
        f.rename(pidFile);
        for (;;) ::pause();  // a converter that never ends
    });
    const pid_t program = ::fork();
    ASSERT_GE(program, 0);
    if (program == 0) {
        // The program: holds its lock, then converts.
        SingleInstance single(QStringLiteral("vorna"), dir.path());
        if (single.acquire() != SingleInstance::Outcome::Acquired) ::_exit(3);
        try {
            JetFile::convertIsolated(dir.filePath(QStringLiteral("VornaW.mdb")), dir.filePath(QStringLiteral("out.sqlite")), 600000);
        } catch (...) {
        }
        ::_exit(0);
    }
    JetFile::setChildConverter(nullptr);
    const QDeadlineTimer started(10000);
    while (!QFile::exists(pidFile) && !started.hasExpired()) QThread::msleep(20);
    const pid_t child = pid_t(fileBytes(pidFile).toLongLong());
    ::kill(program, SIGKILL);
    ::waitpid(program, nullptr, 0);
    ASSERT_GT(child, 0) << "the converter did not start";
    const QDeadlineTimer dying(5000);
    while (!ended(child) && !dying.hasExpired()) QThread::msleep(20);
    const bool childEnded = ended(child);
    if (!childEnded) ::kill(child, SIGKILL);
    EXPECT_TRUE(childEnded) << "the converter outlived the program";
    SingleInstance next(QStringLiteral("vorna"), dir.path());
    next.setAnswerTimeout(100);
    EXPECT_EQ(next.acquire(), SingleInstance::Outcome::Acquired);
}

}  // namespace
