#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "common/jettestdata.h"
#include "common/scripteddialogs.h"
#include "common/tempstartfolder.h"
#include "orderlist/jetworkingdatabase.h"
#include "orderlist/startup.h"
#include "platform/db/jetfile.h"
#include "platform/db/recordset.h"
#include "platform/files/files.h"

using namespace vorna;
using vorna::test::fileBytes;
using vorna::test::jetTestFile;
using vorna::test::ScriptedDialogs;
using vorna::test::TempStartFolder;

namespace {

struct Crash {};

class JetWorkingDatabaseTest : public ::testing::Test {
protected:
    void TearDown() override { JetWorkingDatabase::setStepHook(nullptr); }

    // VornaW.mdb as a copy of a Jet test file (damaged as asked); answers its bytes.
    QByteArray placeJet(const QString& name, const std::function<void(QByteArray&)>& damage = {}) {
        QByteArray bytes = fileBytes(jetTestFile(name));
        if (damage) damage(bytes);
        QFile f(working());
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        files::setLastModified(working(), changed);
        return bytes;
    }

    QString working() const { return folder.filePath(dbfiles::Working); }
    QStringList entries() const { return QDir(folder.path()).entryList(QDir::Files, QDir::Name); }
    bool run() { return convertJetWorkingDatabase(working()); }

    int rowsOf(const QString& table) {
        ConnectionPtr c = openConnection(folder.connectionString(dbfiles::Working));
        Recordset rs;
        rs.open(table, c);
        return rs.recordCount();
    }

    const QDateTime changed{QDate(2014, 3, 7), QTime(9, 5, 2)};
    TempStartFolder folder;
    ScriptedDialogs dialogs;
};

TEST_F(JetWorkingDatabaseTest, AJetWorkingDatabaseIsConvertedInPlaceAndKeptBeside) {
    SKIP_WITHOUT_JET_TEST_DATA();
    const QByteArray jet = placeJet(QStringLiteral("V2000-test.mdb"));
    ASSERT_TRUE(run());
    EXPECT_TRUE(dialogs.texts().isEmpty());
    EXPECT_EQ(JetFile::detect(working()), JetFile::Format::NotJet);
    EXPECT_EQ(rowsOf(QStringLiteral("Table1")), 2);
    // The original, untouched, with its own date; no working file left behind.
    EXPECT_EQ(fileBytes(folder.filePath(QStringLiteral("VornaW.jet.mdb"))), jet);
    EXPECT_EQ(files::lastModified(folder.filePath(QStringLiteral("VornaW.jet.mdb"))), changed);
    EXPECT_FALSE(entries().contains(JetWorkingDatabase::workName()));
    // Converted once: the next start leaves it as it is.
    const QByteArray converted = fileBytes(working());
    ASSERT_TRUE(run());
    EXPECT_EQ(fileBytes(working()), converted);
}

TEST_F(JetWorkingDatabaseTest, AKeptJetFileIsNeverOverwritten) {
    SKIP_WITHOUT_JET_TEST_DATA();
    QFile older(folder.filePath(QStringLiteral("VornaW.jet.mdb")));
    ASSERT_TRUE(older.open(QIODevice::WriteOnly));
    older.write("an earlier one");
    older.close();
    const QByteArray jet = placeJet(QStringLiteral("V1997-test.mdb"));
    ASSERT_TRUE(run());
    EXPECT_EQ(fileBytes(folder.filePath(QStringLiteral("VornaW.jet.mdb"))), QByteArray("an earlier one"));
    EXPECT_EQ(fileBytes(folder.filePath(QStringLiteral("VornaW.jet07032014090502.mdb"))), jet);
    // A third Jet file of the same date gets a name of its own.
    EXPECT_EQ(JetWorkingDatabase::keptName(folder.path(), changed), QStringLiteral("VornaW.jet07032014090502-2.mdb"));
}

TEST_F(JetWorkingDatabaseTest, AnUnreadableJetFileStopsWithItsNameAndChangesNothing) {
    SKIP_WITHOUT_JET_TEST_DATA();
    const struct {
        const char* what;
        std::function<void(QByteArray&)> damage;
    } cases[] = {
        {"bytes cut", [](QByteArray& b) { b.chop(3000); }},
        {"bytes overwritten", [](QByteArray& b) { std::fill(b.begin() + 2 * 4096, b.begin() + 3 * 4096, char(0)); }},
        {"unknown version", [](QByteArray& b) { b[0x14] = 0x05; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        dialogs.messages.clear();
        const QByteArray jet = placeJet(QStringLiteral("V2000-test.mdb"), c.damage);
        const QStringList before = entries();
        EXPECT_FALSE(run());
        ASSERT_EQ(dialogs.texts().size(), 1);
        EXPECT_TRUE(dialogs.texts().first().contains(working()));
        EXPECT_TRUE(dialogs.texts().first().contains(QStringLiteral("n'a pas été modifié")));
        EXPECT_EQ(dialogs.titles().first(), QStringLiteral("Exécution impossible"));
        EXPECT_EQ(entries(), before);
        EXPECT_EQ(fileBytes(working()), jet);
    }
}

// A crash after the converted file is written, or after the Jet file is kept, leaves the Jet
// file in place; the next start converts it and keeps it only once.
TEST_F(JetWorkingDatabaseTest, ACrashBeforeTheRenameLeavesTheJetFile) {
    SKIP_WITHOUT_JET_TEST_DATA();
    const QByteArray jet = placeJet(QStringLiteral("V2000_with-password.mdb"));
    for (const auto step : {JetWorkingDatabase::Step::Written, JetWorkingDatabase::Step::Kept}) {
        JetWorkingDatabase::setStepHook([step](JetWorkingDatabase::Step s) {
            if (s == step) throw Crash{};
        });
        EXPECT_THROW(run(), Crash);
        EXPECT_EQ(fileBytes(working()), jet);
        EXPECT_EQ(JetFile::detect(working()), JetFile::Format::Jet4);
    }
    JetWorkingDatabase::setStepHook(nullptr);
    ASSERT_TRUE(run());
    EXPECT_EQ(rowsOf(QStringLiteral("Table1")), 3);
    EXPECT_EQ(fileBytes(folder.filePath(QStringLiteral("VornaW.jet.mdb"))), jet);
    const QStringList kept = entries().filter(QStringLiteral("VornaW.jet"));
    EXPECT_EQ(kept, QStringList{QStringLiteral("VornaW.jet.mdb")});
    EXPECT_FALSE(entries().contains(JetWorkingDatabase::workName()));
}

TEST_F(JetWorkingDatabaseTest, OurOwnWorkingDatabaseIsLeftAlone) {
    const QString path = folder.createWorkingDatabase();
    const QByteArray ours = fileBytes(path);
    const QStringList before = entries();
    ASSERT_TRUE(run());
    EXPECT_EQ(fileBytes(path), ours);
    EXPECT_EQ(entries(), before);
}

// The start-up converts before its layout test: a Jet file that is not a working database of
// ours then fails that test as any such file would, converted and kept.
TEST_F(JetWorkingDatabaseTest, TheStartUpConvertsBeforeItsLayoutTest) {
    SKIP_WITHOUT_JET_TEST_DATA();
    const QByteArray jet = placeJet(QStringLiteral("V2000-test.mdb"));
    Startup startup(folder.path(), Startup::Hooks{});
    EXPECT_FALSE(startup.run());
    ASSERT_EQ(dialogs.texts().size(), 1);
    EXPECT_TRUE(dialogs.titles().first().startsWith(QStringLiteral("Erreur : ")));
    EXPECT_TRUE(dialogs.texts().first().contains(QStringLiteral("ParamRef"))) << dialogs.texts().first().toStdString();
    EXPECT_EQ(JetFile::detect(working()), JetFile::Format::NotJet);
    EXPECT_EQ(fileBytes(folder.filePath(QStringLiteral("VornaW.jet.mdb"))), jet);
}

}  // namespace
