#include <gtest/gtest.h>

#include <cerrno>

#include <QDir>
#include <QFile>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "common/scripteddialogs.h"
#include "common/tempstartfolder.h"
#include "orderlist/startup.h"
#include "orderlist/upgrade.h"
#include "orderlist/upgradeprogress.h"
#include "platform/clock.h"
#include "platform/db/recordset.h"
#include "platform/files/files.h"
#include "platform/vberror.h"

using namespace vorna;
using vorna::test::ScriptedDialogs;
using vorna::test::TempStartFolder;
using Fields = TempStartFolder::Fields;

namespace {

const QDateTime kNow(QDate(2026, 12, 8), QTime(10, 30, 0));
// The old file's last change, and the archive name it gives.
const QDateTime kOldChange(QDate(2014, 3, 7), QTime(9, 5, 2));
const QString kDatedArchive = QStringLiteral("VornaAnc07032014090502.mdb");

class RecordingRegistry : public Registry {
public:
    bool deleteKey(const QString& key) override {
        deleted << key;
        if (fails) throw VbError(-2147024891, QStringLiteral("WshShell.RegDelete"), QStringLiteral("Accès refusé"));
        return true;
    }
    QStringList deleted;
    bool fails = false;
};

void insertRow(const ConnectionPtr& c, const QString& table, const Fields& fields) {
    QStringList names, marks;
    QList<Value> values;
    for (const auto& [name, value] : fields) {
        names << name;
        marks << QStringLiteral("?");
        values << value;
    }
    c->execute(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(table, names.join(u','), marks.join(u',')), values);
}

// A value for every column of a table, each different from the column's default and from the
// other rows' (`seed`), texts at their full length: a column left out of the copy, copied into
// its neighbour or cut short shows.
Fields fullRow(const ConnectionPtr& c, const QString& table, int seed) {
    Recordset rs;
    rs.open(table, c);
    static const QRegularExpression type(QStringLiteral("^(\\w+)(?:\\((\\d+)\\))?"));
    Fields row;
    for (int i = 0; i < rs.fieldCount(); ++i) {
        const FieldInfo& f = rs.fieldInfo(i);
        const auto m = type.match(f.declaredType);
        const QString kind = m.captured(1);
        Value v;
        if (kind == QLatin1String("TEXT")) {
            const int length = m.captured(2).isEmpty() ? 20 : m.captured(2).toInt();
            v = (QString::number(seed) + f.name.toUpper()).leftJustified(length, u'Z', true);
        } else if (kind == QLatin1String("INTEGER")) {
            v = seed * 100 + i;
        } else if (kind == QLatin1String("BOOLEAN")) {
            v = (seed + i) % 2 == 0;
        } else if (kind == QLatin1String("DATETIME")) {
            v = kOldChange.addDays(seed).addSecs(60 * i);
        } else if (kind == QLatin1String("CURRENCY")) {
            v = Decimal(seed * 100000 + i, 2);
        } else {
            ADD_FAILURE() << "column type " << f.declaredType.toStdString();
        }
        row.append({f.name, v});
    }
    return row;
}

Fields with(Fields row, const QString& name, const Value& v) {
    for (auto& f : row)
        if (f.first.compare(name, Qt::CaseInsensitive) == 0) f.second = v;
    return row;
}

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class UpgradeTest : public ::testing::Test {
protected:
    void SetUp() override {
        Clock::pin(kNow);
        // The old version's traces are looked for here, never in the real prefix.
        files::setWindowsPrefix(prefix.path());
        Registry::install(&registry);
    }
    void TearDown() override {
        Connection::clearAllWriteFaults();
        Registry::install(nullptr);
        files::setWindowsPrefix(QString());
        Clock::pin(QDateTime());
    }

    QString file(const QString& name) const { return folder.filePath(name); }
    bool exists(const QString& name) const { return QFile::exists(file(name)); }

    // An old working database with three orders (one generated), two templates and the
    // settings row, last changed at kOldChange.
    void makeOldDatabase() {
        folder.createOldWorkingDatabase();
        {
            auto c = folder.openWorking();
            insertRow(c, "Ordres", with(fullRow(c, "Ordres", 1), "idOrdre", 7));
            insertRow(c, "Ordres",
                      with(with(with(fullRow(c, "Ordres", 2), "idOrdre", 19), "genere", true), "dateGener",
                           kNow.addDays(-10)));
            insertRow(c, "Ordres", with(with(fullRow(c, "Ordres", 3), "idOrdre", 4242), "dateGener", Value::null()));
            insertRow(c, "Modeles", with(fullRow(c, "Modeles", 4), "idModele", "MOD1"));
            insertRow(c, "Modeles", with(fullRow(c, "Modeles", 5), "idModele", "MOD2"));
            insertRow(c, "ParamRef", with(fullRow(c, "ParamRef", 6), "idUniq", 1));
        }
        files::setLastModified(file("VornaW.mdb"), kOldChange);
    }

    bool upgrade() { return Upgrade(folder.path()).run(); }

    int rows(const QString& name, const QString& table) {
        auto c = openConnection(folder.connectionString(name));
        Recordset rs;
        rs.open(table, c);
        return rs.recordCount();
    }

    // `name` in the start folder, or a full path.
    int paramRefFields(const QString& name) {
        auto c = openConnection(QDir::isAbsolutePath(name) ? jetConnectionString(name) : folder.connectionString(name));
        Recordset rs;
        rs.open(QStringLiteral("ParamRef"), c);
        return rs.fieldCount();
    }

    // Every field of every row of the old table has the same value in the new one.
    void expectSameRows(const QString& oldFile, const QString& table, const QString& key) {
        auto oldConn = openConnection(folder.connectionString(oldFile));
        auto newConn = folder.openWorking();
        Recordset oldRs, newRs;
        const QString sql = QStringLiteral("select * from %1 order by %2").arg(table, key);
        oldRs.open(sql, oldConn);
        newRs.open(sql, newConn);
        ASSERT_EQ(newRs.recordCount(), oldRs.recordCount()) << table.toStdString();
        for (; !oldRs.eof(); oldRs.moveNext(), newRs.moveNext())
            for (int i = 0; i < oldRs.fieldCount(); ++i) {
                const QString name = oldRs.fieldInfo(i).name;
                EXPECT_TRUE(newRs.value(name) == oldRs.value(i))
                    << table.toStdString() << "." << name.toStdString() << ": " << newRs.value(name).toText().toStdString()
                    << " instead of " << oldRs.value(i).toText().toStdString();
            }
    }

    // The step's text, then on lines of their own the reason and the file it names.
    void expectStoppedWith(const QString& text, const QString& reason, const QString& file) {
        ASSERT_EQ(dialogs.messages.size(), 1);
        const QString shown = dialogs.messages[0].text;
        EXPECT_TRUE(shown.startsWith(text + QStringLiteral("\r\n\r\n"))) << shown.toStdString();
        EXPECT_TRUE(shown.contains(reason)) << shown.toStdString();
        EXPECT_TRUE(shown.contains(file)) << shown.toStdString();
        EXPECT_EQ(dialogs.messages[0].title, "Exécution impossible");
        EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Critical);
        EXPECT_EQ(dialogs.messages[0].buttons, MsgButtons::OK);
    }

    QTemporaryDir prefix;
    RecordingRegistry registry;
    TempStartFolder folder;
    ScriptedDialogs dialogs;
};

}  // namespace

TEST(UpgradeColumnsTest, ListsAsTheOldTablesHaveThem) {
    EXPECT_EQ(Upgrade::OrdresColumns.size(), 61);
    EXPECT_EQ(Upgrade::ModelesColumns.size(), 55);
    EXPECT_EQ(Upgrade::ParamRefColumns.size(), 23);
    EXPECT_EQ(Upgrade::ModelesColumns.first(), "idModele");
    EXPECT_EQ(Upgrade::ModelesColumns[1], "typeOper");
    EXPECT_EQ(Upgrade::ModelesColumns[53], "residentOY");
    EXPECT_EQ(Upgrade::ModelesColumns.last(), "description");
    EXPECT_TRUE(Upgrade::ModelesColumns.contains("PaysPL"));
    EXPECT_TRUE(Upgrade::ModelesColumns.contains("DateCreation"));
    EXPECT_FALSE(Upgrade::ModelesColumns.contains("sirenPL"));
}

TEST(UpgradeArchiveNameTest, DayMonthYearThenTimeOnTwentyFourHours) {
    EXPECT_EQ(Upgrade::datedArchiveName(kOldChange), kDatedArchive);
    EXPECT_EQ(Upgrade::datedArchiveName(QDateTime(QDate(2015, 1, 1), QTime(0, 0, 0))), "VornaAnc01012015000000.mdb");
    EXPECT_EQ(Upgrade::datedArchiveName(QDateTime(QDate(2009, 12, 31), QTime(23, 59, 59))), "VornaAnc31122009235959.mdb");
}

TEST_F(UpgradeTest, CopiesEveryFieldOfOrdersTemplatesAndSettings) {
    makeOldDatabase();
    const QByteArray old = bytesOf(file("VornaW.mdb"));
    const QByteArray reference = bytesOf(file("ParVorna.mdb"));

    ASSERT_TRUE(upgrade());
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(paramRefFields("VornaW.mdb"), 27);
    EXPECT_EQ(bytesOf(file(kDatedArchive)), old);
    EXPECT_EQ(bytesOf(file("ParVorna.mdb")), reference);

    expectSameRows(kDatedArchive, "Ordres", "idOrdre");
    expectSameRows(kDatedArchive, "Modeles", "idModele");
    expectSameRows(kDatedArchive, "ParamRef", "idUniq");

    auto c = folder.openWorking();
    Recordset rs;
    rs.open(QStringLiteral("ParamRef"), c);
    ASSERT_EQ(rs.recordCount(), 1);
    EXPECT_EQ(rs.value("BICZUL"), Value(QString()));
    EXPECT_EQ(rs.value("version"), Value("2015-01"));
    EXPECT_TRUE(rs.value("modeTransfert").isNull());
    EXPECT_TRUE(rs.value("partCft").isNull());
}

TEST_F(UpgradeTest, EmptyOldTablesGiveEmptyNewTables) {
    folder.createOldWorkingDatabase();
    files::setLastModified(file("VornaW.mdb"), QDateTime(QDate(2015, 1, 31), QTime(0, 0, 0)));
    ASSERT_TRUE(upgrade());
    EXPECT_EQ(paramRefFields("VornaAnc31012015000000.mdb"), 23);
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(paramRefFields("VornaW.mdb"), 27);
    EXPECT_EQ(rows("VornaW.mdb", "Ordres"), 0);
    EXPECT_EQ(rows("VornaW.mdb", "Modeles"), 0);
    EXPECT_EQ(rows("VornaW.mdb", "ParamRef"), 0);
}

TEST_F(UpgradeTest, AnEarlierVornaAncIsReplacedByACopyOfTheCurrentOldFile) {
    makeOldDatabase();
    // Left by an earlier upgrade: a database of the old layout with other rows.
    folder.copyBuiltDatabase("VornaOld.mdb", "VornaAnc.mdb");
    {
        auto c = openConnection(folder.connectionString("VornaAnc.mdb"));
        TempStartFolder::insertOrder(c, {{"idOrdre", 1}, {"refInterne", "EARLIER"}});
    }
    const QByteArray old = bytesOf(file("VornaW.mdb"));
    ASSERT_TRUE(upgrade());
    EXPECT_EQ(bytesOf(file("VornaAnc.mdb")), old);
    EXPECT_EQ(paramRefFields("VornaAnc.mdb"), 23);
    expectSameRows("VornaAnc.mdb", "Ordres", "idOrdre");
}

TEST_F(UpgradeTest, RemovesTheOldVersionTraces) {
    const QString drive = prefix.path() + "/drive_c/";
    const QString allUsers = drive + "Documents and Settings/All Users/Bureau/";
    const QString admin = drive + "Documents and Settings/Administrateur/Bureau/";
    ASSERT_TRUE(QDir().mkpath(allUsers));
    ASSERT_TRUE(QDir().mkpath(admin));
    for (const QString& path : {allUsers + "KESTO 2006-01.lnk", admin + "KESTO 2006-01.lnk", admin + "Autre.lnk"}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    folder.createOldWorkingDatabase();
    ASSERT_TRUE(upgrade());
    EXPECT_FALSE(QFile::exists(allUsers + "KESTO 2006-01.lnk"));
    EXPECT_FALSE(QFile::exists(admin + "KESTO 2006-01.lnk"));
    EXPECT_TRUE(QFile::exists(admin + "Autre.lnk"));
    EXPECT_EQ(registry.deleted,
              QStringList("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                          "KESTO 2006-01 : Ostravelia des virements internationnaux\\"));
}

TEST_F(UpgradeTest, TracesThatCannotGoDoNotStopTheUpgrade) {
    // A folder where a shortcut was, and a key that may not be deleted.
    ASSERT_TRUE(QDir().mkpath(prefix.path() + "/drive_c/documents and settings/all users/bureau/KESTO 2006-01.lnk"));
    registry.fails = true;
    makeOldDatabase();
    ASSERT_TRUE(upgrade());
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(rows("VornaW.mdb", "Ordres"), 3);
}

TEST_F(UpgradeTest, OldFileIsNeverReplacedWithoutACompleteArchive) {
    makeOldDatabase();
    const QByteArray old = bytesOf(file("VornaW.mdb"));
    // Neither the copy nor the archive name can be made.
    ASSERT_TRUE(QDir(folder.path()).mkdir("VornaAnc.mdb"));
    ASSERT_TRUE(QDir(folder.path()).mkdir(kDatedArchive));

    EXPECT_FALSE(upgrade());
    expectStoppedWith("Impossible de préparer la base de données de travail", "C'est un dossier", file("VornaAnc.mdb"));
    EXPECT_EQ(bytesOf(file("VornaW.mdb")), old);
    EXPECT_EQ(paramRefFields("VornaW.mdb"), 23);
    EXPECT_EQ(rows("VornaW.mdb", "Ordres"), 3);
}

TEST_F(UpgradeTest, WithoutACopyToReadFromTheOldFileKeepsItsName) {
    makeOldDatabase();
    const QByteArray old = bytesOf(file("VornaW.mdb"));
    ASSERT_TRUE(QDir(folder.path()).mkdir("VornaAnc.mdb"));

    EXPECT_FALSE(upgrade());
    expectStoppedWith("Impossible de préparer la base de données de travail", "C'est un dossier", file("VornaAnc.mdb"));
    EXPECT_EQ(bytesOf(file("VornaW.mdb")), old);
    EXPECT_FALSE(exists(kDatedArchive));
}

TEST_F(UpgradeTest, AnArchiveNameThatCannotBeGivenStillUpgradesFromTheCopy) {
    makeOldDatabase();
    const QByteArray old = bytesOf(file("VornaW.mdb"));
    ASSERT_TRUE(QDir(folder.path()).mkdir(kDatedArchive));

    ASSERT_TRUE(upgrade());
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(bytesOf(file("VornaAnc.mdb")), old);
    EXPECT_EQ(paramRefFields("VornaW.mdb"), 27);
    expectSameRows("VornaAnc.mdb", "Ordres", "idOrdre");
    expectSameRows("VornaAnc.mdb", "ParamRef", "idUniq");
}

TEST_F(UpgradeTest, AFailingTemplateCopyLeavesTheOldFileInPlace) {
    makeOldDatabase();
    const QByteArray old = bytesOf(file("VornaW.mdb"));
    QFile::remove(file("Vorna.mdb"));
    ASSERT_TRUE(QDir(folder.path()).mkdir("Vorna.mdb"));

    EXPECT_FALSE(upgrade());
    expectStoppedWith("Impossible de préparer la base de données de travail", "C'est un dossier", file("Vorna.mdb"));
    EXPECT_EQ(bytesOf(file("VornaW.mdb")), old);
    EXPECT_EQ(bytesOf(file(kDatedArchive)), old);
    EXPECT_EQ(bytesOf(file("VornaAnc.mdb")), old);
    EXPECT_FALSE(exists(Upgrade::WorkFile));
}

// A full disk or a read-only folder while the old file is kept: the message says so, and the
// old file stays as it was.
TEST_F(UpgradeTest, AFileThatCannotBeWrittenGivesTheSystemsReason) {
    makeOldDatabase();
    const QByteArray old = bytesOf(file("VornaW.mdb"));
    for (const auto& [error, reason] : {std::pair{ENOSPC, "Plus de place sur le disque"}, std::pair{EROFS, "Le disque est en lecture seule"}}) {
        dialogs.messages.clear();
        files::failCopiesWith(error);
        const bool upgraded = upgrade();
        files::failCopiesWith(0);
        EXPECT_FALSE(upgraded);
        expectStoppedWith("Impossible de préparer la base de données de travail", reason, file("VornaAnc.mdb"));
        EXPECT_EQ(bytesOf(file("VornaW.mdb")), old);
        EXPECT_FALSE(exists(Upgrade::WorkFile));
    }
}

TEST_F(UpgradeTest, ADamagedTemplateIsNamedAndTheOldFileStays) {
    makeOldDatabase();
    const QByteArray old = bytesOf(file("VornaW.mdb"));
    // A template that is no database: its copy succeeds, opening it does not.
    QFile t(file("Vorna.mdb"));
    ASSERT_TRUE(t.open(QIODevice::WriteOnly));
    t.write(QByteArray(4096, 'z'));
    t.close();

    Startup startup(folder.path(), {});
    EXPECT_FALSE(startup.run());
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].title, "Exécution impossible");
    EXPECT_TRUE(dialogs.messages[0].text.startsWith("Impossible de préparer la base de données de travail\r\n\r\n"));
    EXPECT_TRUE(dialogs.messages[0].text.contains(file("Vorna.mdb"))) << dialogs.messages[0].text.toStdString();
    EXPECT_EQ(bytesOf(file("VornaW.mdb")), old);
    EXPECT_EQ(bytesOf(file("VornaAnc.mdb")), old);
    EXPECT_FALSE(exists(Upgrade::WorkFile));
}

// A write that fails anywhere in the copy (a full disk) leaves the old file as it was, and the
// next start upgrades it whole.
TEST_F(UpgradeTest, AFailedCopyChangesNothingAndTheNextStartCopiesEveryRow) {
    constexpr int kOrders = 2 * Upgrade::RowsPerStep + 17;  // three steps of Ordres
    const struct {
        int writesBefore;
        const char* table;
    } cases[] = {{0, "Ordres"}, {1, "Ordres"}, {2, "Ordres"}, {3, "Modeles"}, {4, "ParamRef"}};
    for (const auto& k : cases) {
        SCOPED_TRACE(k.writesBefore);
        TempStartFolder f;
        ScriptedDialogs messages;
        f.createOldWorkingDatabase();
        {
            auto c = f.openWorking();
            TempStartFolder::insertOrders(c, kOrders);
            insertRow(c, "Modeles", {{"idModele", "A"}});
            insertRow(c, "Modeles", {{"idModele", "B"}});
            insertRow(c, "ParamRef", {{"idUniq", 1}, {"radicalRef", "RAD"}});
        }
        files::setLastModified(f.filePath("VornaW.mdb"), kOldChange);
        const QByteArray old = bytesOf(f.filePath("VornaW.mdb"));
        Connection::failWritesEverywhere(VbError(err::DatabaseError, "Vorna.db", "disque plein"), 1, k.writesBefore);

        EXPECT_FALSE(Upgrade(f.path()).run());
        Connection::clearAllWriteFaults();
        ASSERT_EQ(messages.messages.size(), 1);
        EXPECT_EQ(messages.messages[0].text, QString("Problème sur la restructuration de la table ") + k.table + "\r\n\r\ndisque plein");
        EXPECT_EQ(messages.messages[0].title, "Exécution impossible");
        EXPECT_EQ(bytesOf(f.filePath("VornaW.mdb")), old);
        EXPECT_EQ(bytesOf(f.filePath(kDatedArchive)), old);
        EXPECT_FALSE(QFile::exists(f.filePath(Upgrade::WorkFile)));

        Startup restart(f.path(), {});
        ASSERT_TRUE(restart.run());
        EXPECT_EQ(messages.messages.size(), 1);
        auto c = f.openWorking();
        Recordset rs;
        rs.open(QStringLiteral("ParamRef"), c);
        EXPECT_EQ(rs.fieldCount(), 27);
        EXPECT_EQ(rs.recordCount(), 1);
        rs.open(QStringLiteral("Modeles"), c);
        EXPECT_EQ(rs.recordCount(), 2);
        rs.open(QStringLiteral("select count(*), min(idOrdre), max(idOrdre), count(distinct refInterne) from Ordres"), c);
        EXPECT_EQ(rs.value(0), Value(kOrders));
        EXPECT_EQ(rs.value(1), Value(1));
        EXPECT_EQ(rs.value(2), Value(kOrders));
        EXPECT_EQ(rs.value(3), Value(kOrders));
        EXPECT_EQ(bytesOf(f.filePath(kDatedArchive)), old);
    }
}

// What a kill at any moment of an upgrade can leave: the next start does it again.
TEST_F(UpgradeTest, AnInterruptedUpgradeIsDoneAgainAtTheNextStart) {
    const struct {
        const char* name;
        bool oldFileInPlace;  // else only VornaAnc.mdb holds the old rows
    } cases[] = {{"work file being filled", true}, {"work file not yet in place", false}};
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        TempStartFolder f;
        ScriptedDialogs messages;
        f.createOldWorkingDatabase();
        {
            auto c = f.openWorking();
            TempStartFolder::insertOrders(c, 300);
        }
        ASSERT_TRUE(QFile::copy(f.filePath("VornaW.mdb"), f.filePath("VornaAnc.mdb")));
        if (!k.oldFileInPlace) {
            ASSERT_TRUE(QFile::remove(f.filePath("VornaW.mdb")));
        }
        // A half-written work file and the journal of its open transaction.
        for (const QString& name : {Upgrade::WorkFile, Upgrade::WorkFile + "-journal"}) {
            QFile w(f.filePath(name));
            ASSERT_TRUE(w.open(QIODevice::WriteOnly));
            w.write(bytesOf(f.filePath("Vorna.mdb")).left(3000));
        }

        Startup restart(f.path(), {});
        ASSERT_TRUE(restart.run());
        EXPECT_TRUE(messages.messages.isEmpty()) << messages.texts().join(u'|').toStdString();
        EXPECT_EQ(paramRefFields(f.filePath("VornaW.mdb")), 27);
        auto c = f.openWorking();
        Recordset rs;
        rs.open(QStringLiteral("select count(*) from Ordres"), c);
        EXPECT_EQ(rs.value(0), Value(300));
        EXPECT_FALSE(QFile::exists(f.filePath(Upgrade::WorkFile)));
        EXPECT_FALSE(QFile::exists(f.filePath(Upgrade::WorkFile + "-journal")));
    }
}

TEST_F(UpgradeTest, ProgressGoesFromNoRowToEveryRowInSteps) {
    constexpr int kOrders = 3 * Upgrade::RowsPerStep;
    folder.createOldWorkingDatabase();
    {
        auto c = folder.openWorking();
        TempStartFolder::insertOrders(c, kOrders);
        insertRow(c, "Modeles", {{"idModele", "A"}});
        insertRow(c, "ParamRef", {{"idUniq", 1}});
    }
    QList<QPair<qint64, qint64>> seen;
    ASSERT_TRUE(Upgrade(folder.path(), [&](qint64 done, qint64 total) { seen.append({done, total}); }).run());
    ASSERT_GE(seen.size(), 4);
    EXPECT_EQ(seen.first(), (QPair<qint64, qint64>(0, kOrders + 2)));
    EXPECT_EQ(seen.last(), (QPair<qint64, qint64>(kOrders + 2, kOrders + 2)));
    for (qsizetype i = 1; i < seen.size(); ++i) {
        EXPECT_GE(seen[i].first, seen[i - 1].first);
        EXPECT_LE(seen[i].first - seen[i - 1].first, Upgrade::RowsPerStep);
    }
    EXPECT_EQ(rows("VornaW.mdb", "Ordres"), kOrders);
}

// A working database kept elsewhere through a link stays there: the link is kept and the file
// it leads to is upgraded.
TEST_F(UpgradeTest, AWorkingDatabaseReachedThroughALinkIsUpgradedWhereItIs) {
    makeOldDatabase();
    QTemporaryDir elsewhere;
    const QString real = elsewhere.filePath("banque.mdb");
    ASSERT_TRUE(QFile::rename(file("VornaW.mdb"), real));
    files::setLastModified(real, kOldChange);
    const QByteArray old = bytesOf(real);
    ASSERT_TRUE(QFile::link(real, file("VornaW.mdb")));

    ASSERT_TRUE(upgrade());
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(QFileInfo(file("VornaW.mdb")).symLinkTarget(), real);
    EXPECT_EQ(paramRefFields(real), 27);
    EXPECT_EQ(bytesOf(file(kDatedArchive)), old);
    expectSameRows(kDatedArchive, "Ordres", "idOrdre");
}

TEST_F(UpgradeTest, TheStartGoesOnAndNewOrderNumbersFollowTheCopiedOnes) {
    folder.createOldWorkingDatabase();
    {
        auto c = folder.openWorking();
        TempStartFolder::insertOrder(c, {{"idOrdre", 5}, {"refInterne", "PENDING"}, {"dateCreation", kNow.addYears(-2)}});
        TempStartFolder::insertOrder(c, {{"idOrdre", 17}, {"refInterne", "RECENT"}, {"genere", true}, {"dateGener", kNow.addDays(-29)}});
        TempStartFolder::insertOrder(c, {{"idOrdre", 42}, {"refInterne", "OLD"}, {"genere", true}, {"dateGener", kNow.addDays(-31)}});
    }
    Startup::Hooks hooks;
    hooks.loadSettings = [](const ConnectionPtr&) {};
    hooks.generationFolder = [] { return QString(); };
    Startup startup(folder.path(), hooks);
    ASSERT_TRUE(startup.run());
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_TRUE(exists("VornaAnc.mdb"));

    // The order generated 31 days ago went with the purge; the others kept their number and state.
    auto c = folder.openWorking();
    Recordset rs;
    rs.open(QStringLiteral("select idOrdre, refInterne, genere, dateGener from Ordres order by idOrdre"), c);
    ASSERT_EQ(rs.recordCount(), 2);
    EXPECT_EQ(rs.value("idOrdre"), Value(5));
    EXPECT_EQ(rs.value("genere"), Value(false));
    EXPECT_TRUE(rs.value("dateGener").isNull());
    rs.moveNext();
    EXPECT_EQ(rs.value("idOrdre"), Value(17));
    EXPECT_EQ(rs.value("genere"), Value(true));
    EXPECT_EQ(rs.value("dateGener").toDateTime(), kNow.addDays(-29));

    // The next order is numbered after the highest copied number, even a purged one.
    Recordset orders;
    orders.open(QStringLiteral("Ordres"), c);
    orders.addNew();
    orders.setValue("refInterne", "NEW");
    orders.update();
    EXPECT_EQ(orders.value("idOrdre"), Value(43));
}

// The window appears only once the work has lasted its delay, modal, in French, without a
// cancel button, and follows the rows.
TEST(UpgradeProgressWindowTest, AppearsOnlyWhenTheWorkLasts) {
    UpgradeProgressWindow quick(3600 * 1000);
    quick.update(0, 100);
    quick.update(100, 100);
    EXPECT_EQ(quick.dialog(), nullptr);

    UpgradeProgressWindow slow(0);
    slow.update(0, 40000);
    QProgressDialog* d = slow.dialog();
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(d->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(d->windowTitle(), "Ostravelia des virements");
    EXPECT_TRUE(d->labelText().startsWith("Mise à jour de la base de données de travail"));
    EXPECT_TRUE(d->findChildren<QPushButton*>().isEmpty());
    EXPECT_EQ(d->value(), d->minimum());
    slow.update(10000, 40000);
    EXPECT_EQ(d->value(), d->minimum() + (d->maximum() - d->minimum()) / 4);
    slow.update(40000, 40000);
    EXPECT_EQ(d->value(), d->maximum());
    EXPECT_TRUE(d->isVisible());
}
