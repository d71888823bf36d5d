#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <sqlite3.h>
#include <sys/stat.h>

#include "common/scripteddialogs.h"
#include "common/tempstartfolder.h"
#include "orderentry/modrules.h"
#include "orderlist/startup.h"
#include "platform/clock.h"
#include "platform/db/jetsql.h"
#include "platform/db/recordset.h"
#include "platform/environment.h"
#include "platform/files/files.h"
#include "platform/vberror.h"

using namespace vorna;
using vorna::test::ScriptedDialogs;
using vorna::test::TempStartFolder;

namespace {

const QDateTime kNow(QDate(2026, 12, 8), QTime(10, 30, 0));

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override { Clock::pin(kNow); }
    void TearDown() override {
        Clock::pin(QDateTime());
        Locale::force(std::nullopt);
    }

    // Runs the start-up in the folder, with the generation folder given.
    bool runStartup(const QString& generationFolder = QString()) {
        Startup::Hooks hooks;
        hooks.generationFolder = [generationFolder] { return generationFolder; };
        hooks.loadSettings = [this](const ConnectionPtr& c) { settingsConnection = c; };
        startup = std::make_unique<Startup>(folder.path(), hooks);
        return startup->run();
    }

    int orderCount() {
        auto c = folder.openWorking();
        Recordset rs;
        rs.open(QStringLiteral("select idOrdre from Ordres"), c);
        return rs.recordCount();
    }

    // A generated file of the folder, last changed `days` ago.
    QString makeFile(const QString& dir, const QString& name, int days) {
        const QString path = dir + name;
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
        f.close();
        files::setLastModified(path, kNow.addDays(-days));
        return path;
    }

    TempStartFolder folder;
    ScriptedDialogs dialogs;
    std::unique_ptr<Startup> startup;
    ConnectionPtr settingsConnection;
};

}  // namespace

TEST_F(StartupTest, MissingTemplateEndsWithItsMessage) {
    QFile::remove(folder.filePath(QStringLiteral("Vorna.mdb")));
    EXPECT_FALSE(runStartup());
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, "Le répertoire des tables initiales n'existe pas");
    EXPECT_EQ(dialogs.messages[0].title, "Exécution impossible");
    EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Critical);
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("VornaW.mdb"))));
}

TEST_F(StartupTest, FirstStartCopiesTheTemplateAndPreparesEverything) {
    ASSERT_TRUE(runStartup());
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_TRUE(QFile::exists(folder.filePath(QStringLiteral("VornaW.mdb"))));
    const StartupState& s = startup->state();
    EXPECT_EQ(s.workingPath, folder.filePath(QStringLiteral("VornaW.mdb")));
    EXPECT_EQ(dataSourceOf(s.connVorna), s.workingPath);
    EXPECT_EQ(dataSourceOf(s.connParamVorna), folder.filePath(QStringLiteral("ParVorna.mdb")));
    EXPECT_TRUE(s.connVorna.startsWith("Provider=Microsoft.Jet.OLEDB.4.0;Password='';User ID=Admin;Data Source="));
    EXPECT_EQ(s.workingConnString, s.connVorna);
    EXPECT_EQ(s.listQuery, Startup::ListQuery);
    ASSERT_TRUE(s.dfwConn && s.dfwConn->isOpen());
    // The settings window got the first working connection, before the purge ended.
    EXPECT_EQ(settingsConnection, s.dfwConn);
    EXPECT_EQ(s.dfwConn->transactionLevel(), 0);
}

TEST_F(StartupTest, AFailingWorkingCopyEndsWithItsMessageAndItsReason) {
    // A folder where the working database should be makes the copy fail.
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("VornaW.mdb")));
    EXPECT_FALSE(runStartup());
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].text.startsWith("Impossible de préparer les tables de travail\r\n\r\n"));
    EXPECT_TRUE(dialogs.messages[0].text.contains("C'est un dossier")) << dialogs.messages[0].text.toStdString();
    EXPECT_EQ(dialogs.messages[0].title, "Exécution impossible");
}

// A template that cannot serve never becomes the working database: the message names it, and
// the next start (once the template is sound again) works without any file to delete by hand.
TEST_F(StartupTest, ADamagedTemplateIsNamedAndLeavesNoWorkingDatabase) {
    const QString templatePath = folder.filePath(QStringLiteral("Vorna.mdb"));
    const QByteArray sound = [&] {
        QFile f(templatePath);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"not a database", QByteArray(4096, 'z')},
        {"cut short", sound.left(sound.size() / 2)},
        {"a database without the tables", QByteArray()},  // made below
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        ScriptedDialogs messages;
        QFile::remove(templatePath);
        if (k.bytes.isEmpty()) {
            QFile::copy(folder.filePath(QStringLiteral("ParVorna.mdb")), templatePath);
        } else {
            QFile f(templatePath);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(k.bytes);
        }
        EXPECT_FALSE(runStartup());
        ASSERT_EQ(messages.messages.size(), 1);
        EXPECT_EQ(messages.messages[0].title, "Exécution impossible");
        EXPECT_TRUE(messages.messages[0].text.startsWith("Impossible de préparer les tables de travail\r\n\r\n"));
        EXPECT_TRUE(messages.messages[0].text.contains(templatePath)) << messages.messages[0].text.toStdString();
        EXPECT_FALSE(messages.messages[0].text.contains(QStringLiteral("VornaW.mdb")));
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
                  QStringList({QStringLiteral("ParVorna.mdb"), QStringLiteral("Vorna.mdb")}));
    }
    // A template of the old engine is the conversion's business, not a damaged one.
    {
        ScriptedDialogs messages;
        QFile::remove(templatePath);
        QFile f(templatePath);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20) + QByteArray(4000, '\0'));
        f.close();
        runStartup();
        EXPECT_TRUE(QFile::exists(folder.filePath(QStringLiteral("VornaW.mdb"))));
        for (const auto& m : messages.messages) EXPECT_FALSE(m.text.contains(templatePath));
        QFile::remove(folder.filePath(QStringLiteral("VornaW.mdb")));
    }
    QFile::remove(templatePath);
    QFile f(templatePath);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(sound);
    f.close();
    EXPECT_TRUE(runStartup());
}

// Nothing is written through a working database name that leads to a device, a fifo, a folder
// or nowhere; a link to a plain file is the working database.
TEST_F(StartupTest, AWorkingDatabaseNameLeadingToNoPlainFileIsRefused) {
    QTemporaryDir elsewhere;
    const QString fifo = elsewhere.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString working = folder.filePath(QStringLiteral("VornaW.mdb"));
    for (const QString& target : {fifo, elsewhere.path(), elsewhere.filePath(QStringLiteral("absent.mdb"))}) {
        SCOPED_TRACE(target.toStdString());
        ScriptedDialogs messages;
        QFile::remove(working);
        ASSERT_TRUE(QFile::link(target, working));
        EXPECT_FALSE(runStartup());
        ASSERT_EQ(messages.messages.size(), 1);
        EXPECT_EQ(messages.messages[0].title, "Exécution impossible");
        EXPECT_TRUE(messages.messages[0].text.startsWith("Impossible de préparer les tables de travail\r\n\r\n"));
        EXPECT_TRUE(messages.messages[0].text.contains(target)) << messages.messages[0].text.toStdString();
        EXPECT_EQ(QFileInfo(working).symLinkTarget(), target);
    }
    EXPECT_EQ(QFileInfo(fifo).isFile(), false);
    EXPECT_FALSE(QFileInfo::exists(elsewhere.filePath(QStringLiteral("absent.mdb"))));
    EXPECT_TRUE(QDir(elsewhere.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(fifo).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));

    // A link to a plain file: the start goes on with the file it leads to.
    QFile::remove(working);
    const QString real = elsewhere.filePath(QStringLiteral("banque.mdb"));
    ASSERT_TRUE(QFile::copy(folder.filePath(QStringLiteral("Vorna.mdb")), real));
    QFile::setPermissions(real, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    ASSERT_TRUE(QFile::link(real, working));
    ScriptedDialogs messages;
    EXPECT_TRUE(runStartup());
    EXPECT_TRUE(messages.messages.isEmpty());
    EXPECT_TRUE(QFileInfo(working).isSymLink());
}

TEST_F(StartupTest, PurgeKeepsPendingAndRecentOrders) {
    folder.createWorkingDatabase();
    {
        auto c = folder.openWorking();
        TempStartFolder::insertOrder(c, {{"refInterne", "OLD31"}, {"genere", true}, {"dateGener", kNow.addDays(-31)}});
        TempStartFolder::insertOrder(c, {{"refInterne", "OLD29"}, {"genere", true}, {"dateGener", kNow.addDays(-29)}});
        TempStartFolder::insertOrder(c, {{"refInterne", "PENDING"}, {"dateCreation", kNow.addYears(-3)}});
    }
    ASSERT_TRUE(runStartup());
    auto c = folder.openWorking();
    Recordset rs;
    rs.open(QStringLiteral("select refInterne from Ordres order by refInterne"), c);
    QStringList refs;
    for (; !rs.eof(); rs.moveNext()) refs << rs.value(0).toText();
    EXPECT_EQ(refs, QStringList({"OLD29", "PENDING"}));
}

// The purge goes through the index on the generation date, also in a working database made
// before the index was shipped: it gains it at start-up.
TEST_F(StartupTest, ThePurgeGoesThroughTheIndexOfGenerationDates) {
    folder.createWorkingDatabase();
    folder.openWorking()->execute(QStringLiteral("DROP INDEX OrdresDateGener"));
    ASSERT_TRUE(runStartup());
    const ConnectionPtr c = folder.openWorking();
    const QByteArray sql = "EXPLAIN QUERY PLAN " + jetsql::translate(Startup::PurgeStatement).toUtf8();
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(c->handle(), sql.constData(), -1, &st, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 3)), "SEARCH Ordres USING INDEX OrdresDateGener (dateGener<?)");
    sqlite3_finalize(st);
}


TEST_F(StartupTest, CleanUpDeletesOnlyOldGeneratedFilesOfExactCase) {
    QTemporaryDir gen;
    const QString dir = gen.path() + u'/';
    const QString oldE93 = makeFile(dir, "A1.e93", 91);
    const QString oldWork = makeFile(dir, "A2.e9_", 91);
    const QString oldHtm = makeFile(dir, "A3.htm", 120);
    const QStringList kept = {
        makeFile(dir, "B1.E93", 91),   // upper case
        makeFile(dir, "B2.HTM", 91),
        makeFile(dir, "B3.cft", 200),  // descriptors are never deleted
        makeFile(dir, "bordB3.cft", 200),
        makeFile(dir, "B4.htm", 30),   // too recent
        makeFile(dir, "B5.e93", 89),
        makeFile(dir, ".B6.e93", 200), // hidden
        makeFile(dir, "B8.e93.txt", 200),
    };
    const QString readOnly = makeFile(dir, "B7.e93", 200);
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ReadUser);
    ASSERT_TRUE(QDir(dir).mkdir(QStringLiteral("F.htm")));  // a folder named like a summary page

    ASSERT_TRUE(runStartup(dir));
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_FALSE(QFile::exists(oldE93));
    EXPECT_FALSE(QFile::exists(oldWork));
    EXPECT_FALSE(QFile::exists(oldHtm));
    for (const QString& f : kept) EXPECT_TRUE(QFile::exists(f)) << f.toStdString();
    EXPECT_TRUE(QFile::exists(readOnly));
    EXPECT_TRUE(QDir(dir + "F.htm").exists());
}

TEST_F(StartupTest, MissingGenerationFolderWarnsOnceAndGoesOn) {
    QTemporaryDir gen;
    const QString missing = gen.path() + QStringLiteral("/absent/");
    ASSERT_TRUE(runStartup(missing));
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text,
              "Le répertoire de génération des fichiers d'ordres est incorrect.\r\n\r\nVous devez mettre un répertoire valide.");
    EXPECT_EQ(dialogs.messages[0].title, "Paramétrage incorrect");
    EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(startup->state().listQuery, Startup::ListQuery);
}

TEST_F(StartupTest, EmptyOrUnterminatedFolderCleansNothingSilently) {
    QTemporaryDir gen;
    const QString old = makeFile(gen.path() + u'/', "A.e93", 200);
    ASSERT_TRUE(runStartup(QString()));
    ASSERT_TRUE(runStartup(gen.path()));  // no final separator: names the folder itself
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_TRUE(QFile::exists(old));
}

TEST_F(StartupTest, AFailureDuringCleanUpEndsTheStartAfterThePurge) {
    folder.createWorkingDatabase();
    {
        auto c = folder.openWorking();
        TempStartFolder::insertOrder(c, {{"genere", true}, {"dateGener", kNow.addDays(-40)}});
    }
    QTemporaryDir gen;
    // A link to nothing is listed like a file but cannot be looked at.
    ASSERT_TRUE(QFile::link(gen.path() + "/nowhere", gen.path() + "/Z.htm"));
    EXPECT_FALSE(runStartup(gen.path() + u'/'));
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].title.startsWith("Erreur : "));
    EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Critical);
    EXPECT_EQ(orderCount(), 0);  // the purge was committed before
}

// A data file that cannot be reached keeps the security message, with the database's reason and
// the file: a read-only file, a file locked by another program.
TEST_F(StartupTest, AccessFailuresAreSecurityErrorsThatGiveTheDatabasesReason) {
    const QString working = folder.createWorkingDatabase();
    sqlite3* other = nullptr;
    for (const bool locked : {false, true}) {
        dialogs.messages.clear();
        QFile::setPermissions(working, QFileDevice::ReadOwner | (locked ? QFileDevice::WriteOwner : QFileDevice::ReadUser));
        if (locked) {
            ASSERT_EQ(sqlite3_open(QFile::encodeName(working).constData(), &other), SQLITE_OK);
            ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        }
        const char* reason = locked ? "verrouillé par un autre utilisateur" : "lecture seule";
        EXPECT_FALSE(runStartup());
        ASSERT_EQ(dialogs.messages.size(), 1);
        const QString text = dialogs.messages[0].text;
        EXPECT_TRUE(text.startsWith("Vous n'avez pas accès au fichier des données.\r\n\r\n"
                                    "Un adminstrateur doit vous donner accès à ce fichier\r\n\r\n"));
        EXPECT_TRUE(text.contains(QString::fromUtf8(reason)) && text.contains(working)) << text.toStdString();
        EXPECT_EQ(dialogs.messages[0].title, "Erreur sécurité");
    }
    sqlite3_close_v2(other);
}

TEST_F(StartupTest, CorruptWorkingDatabaseNamesTheFile) {
    QFile f(folder.filePath(QStringLiteral("VornaW.mdb")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'z'));
    f.close();
    EXPECT_FALSE(runStartup());
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].title.startsWith("Erreur : "));
    EXPECT_TRUE(dialogs.messages[0].text.contains("VornaW.mdb")) << dialogs.messages[0].text.toStdString();
}

TEST_F(StartupTest, OldLayoutIsUpgradedAndTheStartGoesOn) {
    QTemporaryDir prefix;  // the old version's traces are looked for here
    files::setWindowsPrefix(prefix.path());
    folder.createOldWorkingDatabase();
    {
        auto c = folder.openWorking();
        TempStartFolder::insertOrder(c, {{"idOrdre", 12}, {"refInterne", "KEPT"}});
    }
    const bool started = runStartup();
    files::setWindowsPrefix(QString());
    ASSERT_TRUE(started);
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_TRUE(QFile::exists(folder.filePath(QStringLiteral("VornaAnc.mdb"))));
    auto c = folder.openWorking();
    Recordset rs;
    rs.open(QStringLiteral("ParamRef"), c);
    EXPECT_EQ(rs.fieldCount(), 27);
    rs.open(QStringLiteral("select idOrdre, refInterne from Ordres"), c);
    ASSERT_EQ(rs.recordCount(), 1);
    EXPECT_EQ(rs.value(0), Value(12));
    EXPECT_EQ(rs.value(1), Value("KEPT"));
    // The start went on to the end, on the upgraded file.
    EXPECT_EQ(startup->state().listQuery, Startup::ListQuery);
    EXPECT_EQ(settingsConnection->path(), folder.filePath(QStringLiteral("VornaW.mdb")));
}

TEST_F(StartupTest, CurrentLayoutIsNeverUpgraded) {
    folder.createWorkingDatabase();
    bool upgraded = false;
    Startup::Hooks hooks;
    hooks.upgrade = [&](const QString&) { return upgraded = true; };
    Startup s(folder.path(), hooks);
    ASSERT_TRUE(s.run());
    EXPECT_FALSE(upgraded);
}

TEST_F(StartupTest, DecimalSeparatorFollowsTheRegionalSettings) {
    Locale::force(false);
    ASSERT_TRUE(runStartup());
    EXPECT_FALSE(DecimalSeparatorIsPoint);
    Locale::force(true);
    ASSERT_TRUE(runStartup());
    EXPECT_TRUE(DecimalSeparatorIsPoint);
}

TEST_F(StartupTest, GeneralHandlerShowsSourceAndSignedNumber) {
    Startup::reportFatal(-2147217900, "Microsoft JET Database Engine", "Erreur de syntaxe");
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, "Microsoft JET Database Engine : Erreur de syntaxe");
    EXPECT_EQ(dialogs.messages[0].title, "Erreur : -2147217900");
    EXPECT_EQ(dialogs.messages[0].buttons, MsgButtons::OK);
}
