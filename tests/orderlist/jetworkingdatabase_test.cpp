#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

#include <unistd.h>

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
    void TearDown() override {
        JetWorkingDatabase::setStepHook(nullptr);
        JetFile::setChildConverter(nullptr);
    }

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
    QStringList entries() const {
        QStringList names = QDir(folder.path()).entryList(QDir::Files);
        names.sort();
        return names;
    }
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

// Converted in place, the original kept beside, untouched, with its date; a second Jet file
// finds that name taken and gets a dated one; a database of ours is left as it is.
TEST_F(JetWorkingDatabaseTest, AJetWorkingDatabaseIsConvertedInPlaceAndKeptBeside) {
    SKIP_WITHOUT_JET_TEST_DATA();
    const QByteArray first = placeJet(QStringLiteral("V2000-test.mdb"));
    ASSERT_TRUE(run());
    EXPECT_TRUE(dialogs.texts().isEmpty());
    EXPECT_EQ(rowsOf(QStringLiteral("Table1")), 2);
    const QString kept = folder.filePath(QStringLiteral("VornaW.jet.mdb"));
    EXPECT_EQ(fileBytes(kept), first);
    EXPECT_EQ(files::lastModified(kept), changed);
    const QByteArray converted = fileBytes(working());
    // No working file left behind.
    const QStringList after = entries();
    QStringList expected{dbfiles::Reference, dbfiles::Template, dbfiles::Working, QStringLiteral("VornaW.jet.mdb")};
    expected.sort();
    EXPECT_EQ(after, expected);
    ASSERT_TRUE(run());
    EXPECT_EQ(fileBytes(working()), converted);
    EXPECT_EQ(entries(), after);

    const QByteArray second = placeJet(QStringLiteral("V1997-test.mdb"));
    ASSERT_TRUE(run());
    EXPECT_EQ(fileBytes(kept), first);
    EXPECT_EQ(fileBytes(folder.filePath(QStringLiteral("VornaW.jet07032014090502.mdb"))), second);
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
    for (const bool nameTaken : {false, true}) {
        SCOPED_TRACE(nameTaken ? "kept name taken" : "kept name free");
        for (const QString& name : QDir(folder.path()).entryList({QStringLiteral("VornaW*")}, QDir::Files))
            QFile::remove(folder.filePath(name));
        if (nameTaken) QFile::copy(folder.filePath(dbfiles::Template), folder.filePath(QStringLiteral("VornaW.jet.mdb")));
        const QString keptAs = nameTaken ? QStringLiteral("VornaW.jet07032014090502.mdb") : QStringLiteral("VornaW.jet.mdb");
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
        EXPECT_EQ(fileBytes(folder.filePath(keptAs)), jet);
        // Kept once, whatever the number of starts; no working file left.
        EXPECT_EQ(entries().filter(QStringLiteral("VornaW.")).size(), nameTaken ? 3 : 2);
        EXPECT_FALSE(entries().contains(JetWorkingDatabase::workName()));
    }
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

// A conversion that goes on shows its window; its stop button ends the start at once with the
// time limit's message, shown above the window, and nothing has changed. The time limit follows
// the file's size above a floor: a large file is not cut short.
TEST_F(JetWorkingDatabaseTest, AConversionThatGoesOnShowsItsWindowAndCanBeStopped) {
    EXPECT_GT(JetFile::timeLimitMs(200LL * 1024 * 1024), 5 * 60 * 1000);
    SKIP_WITHOUT_JET_TEST_DATA();
    JetFile::setChildConverter([](const QString&, const QString&) {
        for (;;) ::pause();  // a converter that never ends
    });
    const QByteArray jet = placeJet(QStringLiteral("V2000-test.mdb"));
    const QStringList before = entries();
    const auto shownWindow = [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QProgressDialog*>(w); d && d->isVisible()) return d;
        return static_cast<QProgressDialog*>(nullptr);
    };
    bool shownAtMessage = true;
    dialogs.onNextMessage([&](const ScriptedDialogs::Message&) { shownAtMessage = shownWindow() != nullptr; });
    QTimer look;  // stops the conversion once its window shows
    QObject::connect(&look, &QTimer::timeout, [&] {
        if (auto* stop = shownWindow() ? shownWindow()->findChild<QPushButton*>() : nullptr) stop->click();
    });
    look.start(20);
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(run());
    look.stop();
    EXPECT_LT(clock.elapsed(), 5000);
    ASSERT_EQ(dialogs.texts().size(), 1);
    EXPECT_TRUE(dialogs.texts().first().contains(QStringLiteral("sa lecture ne finit pas"))) << dialogs.texts().first().toStdString();
    EXPECT_FALSE(shownAtMessage) << "the window stays under the message";
    EXPECT_EQ(entries(), before);
    EXPECT_EQ(fileBytes(working()), jet);
}

}  // namespace
