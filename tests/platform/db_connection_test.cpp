// Connections: opening (and every way it fails), statements, transactions, the write fault hook.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <sqlite3.h>

#include "common/errorof.h"
#include "common/tempstartfolder.h"
#include "platform/db/connection.h"
#include "platform/db/recordset.h"

using namespace vorna;
using vorna::test::TempStartFolder;
using vorna::test::errorOf;

namespace {

int orderCount(const ConnectionPtr& c) {
    Recordset rs;
    rs.open(QStringLiteral("select idOrdre from Ordres"), c);
    return rs.recordCount();
}

class Connections : public ::testing::Test {
protected:
    void SetUp() override { folder.createWorkingDatabase(); }
    void TearDown() override { Connection::clearAllWriteFaults(); }
    TempStartFolder folder;
};

}  // namespace

TEST(ConnectionString, KeepsTheOldTextAndGivesItsDataSource) {
    const QString plain = jetConnectionString(QStringLiteral("/data/VornaW.mdb"));
    EXPECT_TRUE(plain.startsWith(
        QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Password='';User ID=Admin;Data Source=/data/VornaW.mdb;Mode=")));
    const QString cs = jetConnectionString(QStringLiteral("/data/l'ordre; bis/VornaW.mdb"));
    EXPECT_TRUE(cs.contains(QStringLiteral(";Mode=Share Deny None;Extended Properties='';")));
    EXPECT_TRUE(cs.contains(QStringLiteral("Jet OLEDB:Database Password='TOMBELIN';")));
    EXPECT_TRUE(cs.contains(QStringLiteral("Jet OLEDB:Don't Copy Locale on Compact=False;")));
    EXPECT_TRUE(cs.endsWith(QStringLiteral("Jet OLEDB:SFP=False")));
    // A path holding a ';' is quoted so that it comes back whole.
    EXPECT_EQ(dataSourceOf(cs), "/data/l'ordre; bis/VornaW.mdb");
    EXPECT_EQ(dataSourceOf(jetConnectionString(QStringLiteral("/data/l'ordre/VornaW.mdb"))), "/data/l'ordre/VornaW.mdb");
    EXPECT_EQ(dataSourceOf(QStringLiteral("Provider=x;data source='/a;b/c.mdb';Mode=1")), "/a;b/c.mdb");
    EXPECT_EQ(dataSourceOf(QStringLiteral("Provider=x")), "");
}

TEST_F(Connections, OpensAndClosesAFileOfTheFolder) {
    Connection c;
    EXPECT_FALSE(c.isOpen());
    c.open(folder.connectionString(QStringLiteral("VornaW.mdb")), QString(), QString());
    EXPECT_TRUE(c.isOpen());
    EXPECT_FALSE(c.isReadOnly());
    EXPECT_EQ(c.path(), folder.filePath(QStringLiteral("VornaW.mdb")));
    EXPECT_EQ(c.connectionString(), folder.connectionString(QStringLiteral("VornaW.mdb")));
    c.close();
    EXPECT_FALSE(c.isOpen());
    // No journal or log file is left beside the database.
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).size(), 3);
}

TEST_F(Connections, AMissingFileIsRefusedAndNeverCreated) {
    const QString absent = folder.filePath(QStringLiteral("Absent.mdb"));
    const VbError e = errorOf([&] { openConnection(jetConnectionString(absent)); });
    EXPECT_EQ(e.number, err::AccessDenied);
    EXPECT_EQ(e.source, "Vorna.db");
    EXPECT_TRUE(e.description.contains(absent)) << e.description.toStdString();
    EXPECT_FALSE(QFile::exists(absent));
    EXPECT_EQ(errorOf([&] { openConnection(QStringLiteral("Provider=x")); }).number, err::AccessDenied);
}

TEST_F(Connections, AFileThatIsNotADatabaseIsRefusedByItsOwnNumber) {
    const QString text = folder.filePath(QStringLiteral("Texte.mdb"));
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
    }
    VbError e = errorOf([&] { openConnection(jetConnectionString(text)); });
    EXPECT_EQ(e.number, err::UnrecognizedDatabase);
    EXPECT_TRUE(e.description.contains(text));

    // An empty file would silently become a database: it is refused too, and stays empty.
    const QString empty = folder.filePath(QStringLiteral("Vide.mdb"));
    {
        QFile f(empty);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    e = errorOf([&] { openConnection(jetConnectionString(empty)); });
    EXPECT_EQ(e.number, err::UnrecognizedDatabase);
    EXPECT_EQ(QFileInfo(empty).size(), 0);

    // A table or a column that is not there: the reason in French, with the missing name.
    const ConnectionPtr c = folder.openWorking();
    for (const auto& [sql, said] : {std::pair{"select * from Absente", "La table « Absente » est introuvable dans le fichier '"},
                                    std::pair{"select absent from Ordres", "Le champ « absent » est introuvable dans le fichier '"}}) {
        e = errorOf([&] { c->execute(QString::fromLatin1(sql)); });
        EXPECT_EQ(e.number, err::DatabaseError) << sql;
        EXPECT_TRUE(e.description.startsWith(QString::fromUtf8(said))) << e.description.toStdString();
    }

    // A folder is no file.
    QDir(folder.path()).mkdir(QStringLiteral("Dossier.mdb"));
    EXPECT_EQ(errorOf([&] { openConnection(jetConnectionString(folder.filePath(QStringLiteral("Dossier.mdb")))); }).number,
              err::AccessDenied);
}

TEST_F(Connections, AReadOnlyFileIsReadButEveryWriteIsRefused) {
    auto setup = folder.openWorking();
    const qint64 id = TempStartFolder::insertOrder(setup, {{"refInterne", "AVANT"}});
    setup->close();
    const QString path = folder.filePath(QStringLiteral("VornaW.mdb"));
    const QByteArray before = [&] {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));

    auto c = folder.openWorking();
    EXPECT_TRUE(c->isReadOnly());
    EXPECT_EQ(orderCount(c), 1);
    VbError e = errorOf([&] { c->execute(QStringLiteral("delete * from Ordres")); });
    EXPECT_EQ(e.number, err::AccessDenied);
    EXPECT_TRUE(e.description.contains(path)) << e.description.toStdString();

    // Through a recordset, too.
    Recordset rs;
    rs.open(QStringLiteral("select * from Ordres where idOrdre = %1").arg(id), c);
    rs.setValue(QStringLiteral("refInterne"), QStringLiteral("APRES"));
    e = errorOf([&] { rs.update(); });
    EXPECT_EQ(e.number, err::AccessDenied);
    c->close();

    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
}

TEST_F(Connections, ExecuteBindsParametersAndCountsChangedRows) {
    auto c = folder.openWorking();
    const qint64 a = TempStartFolder::insertOrder(c);
    TempStartFolder::insertOrder(c);
    // A value with a quote reaches the table as it is, never through the text.
    EXPECT_EQ(c->execute(QStringLiteral("update Ordres set identBE1 = ? where idOrdre = ?"), {QStringLiteral("O'BRIEN; --"), a}), 1);
    Recordset rs;
    rs.open(QStringLiteral("select identBE1 from Ordres where identBE1 = ?"), c, CursorType::Keyset, LockType::Optimistic,
            {QStringLiteral("o'brien; --")});  // compared without regard to case
    ASSERT_EQ(rs.recordCount(), 1);
    EXPECT_EQ(rs.value(0).toText(), "O'BRIEN; --");
    EXPECT_EQ(c->execute(QStringLiteral("delete * from Ordres")), 2);
    EXPECT_EQ(c->execute(QStringLiteral("delete * from Ordres")), 0);
    const VbError e = errorOf([&] { c->execute(QStringLiteral("delete * from NoSuchTable")); });
    EXPECT_EQ(e.number, err::DatabaseError);
    EXPECT_TRUE(e.description.contains(QStringLiteral("NoSuchTable")));
}

TEST_F(Connections, TransactionsNestAndEndTheNewestLevel) {
    auto c = folder.openWorking();
    auto other = folder.openWorking();
    EXPECT_EQ(c->transactionLevel(), 0);
    EXPECT_EQ(c->beginTrans(), 1);
    TempStartFolder::insertOrder(c, {{"refInterne", "UN"}});
    EXPECT_EQ(c->beginTrans(), 2);
    TempStartFolder::insertOrder(c, {{"refInterne", "DEUX"}});
    EXPECT_EQ(orderCount(c), 2);
    c->rollbackTrans();  // only the second order goes
    EXPECT_EQ(c->transactionLevel(), 1);
    EXPECT_EQ(orderCount(c), 1);
    EXPECT_EQ(c->beginTrans(), 2);
    TempStartFolder::insertOrder(c, {{"refInterne", "TROIS"}});
    c->commitTrans();
    EXPECT_EQ(orderCount(other), 0);  // nothing is visible before the outer commit
    c->commitTrans();
    EXPECT_EQ(c->transactionLevel(), 0);
    EXPECT_EQ(orderCount(other), 2);

    EXPECT_EQ(errorOf([&] { c->commitTrans(); }).number, err::OperationNotAllowed);
    EXPECT_EQ(errorOf([&] { c->rollbackTrans(); }).number, err::OperationNotAllowed);

    // A whole rollback, and a close, undo everything of the transaction.
    c->beginTrans();
    c->execute(QStringLiteral("delete * from Ordres"));
    c->rollbackTrans();
    EXPECT_EQ(orderCount(other), 2);
    c->beginTrans();
    c->execute(QStringLiteral("delete * from Ordres"));
    c->close();
    EXPECT_EQ(orderCount(other), 2);
}

TEST_F(Connections, AnOpenTransactionThatHasNotWrittenLetsAnotherConnectionWrite) {
    // The settings are stored on the start-up connection while the save's transaction is open
    // on the second one.
    auto first = folder.openWorking();
    auto second = folder.openWorking();
    EXPECT_EQ(second->beginTrans(), 1);
    EXPECT_EQ(first->execute(QStringLiteral("insert into ParamRef (idUniq, radicalRef) values (1, 'REF')")), 1);
    second->commitTrans();
    EXPECT_EQ(orderCount(first), 0);

    // A connection that has written holds the file: the other one's write fails, in time.
    second->beginTrans();
    TempStartFolder::insertOrder(second);
    first->setBusyTimeout(50);
    const VbError e = errorOf([&] { TempStartFolder::insertOrder(first); });
    EXPECT_EQ(e.number, err::AccessDenied);
    second->rollbackTrans();
    TempStartFolder::insertOrder(first);
    EXPECT_EQ(orderCount(second), 1);
}

TEST_F(Connections, WriteFaultsFailTheChosenWritesOfOneConnection) {
    auto c = folder.openWorking();
    auto other = folder.openWorking();
    const VbError fault(err::DatabaseError, QStringLiteral("Test"), QStringLiteral("Disque débranché"));
    c->failWrites(fault, 2, 1);  // one write passes, the next two fail
    TempStartFolder::insertOrder(c);
    EXPECT_EQ(errorOf([&] { TempStartFolder::insertOrder(c); }).description, "Disque débranché");
    EXPECT_EQ(errorOf([&] { c->execute(QStringLiteral("delete * from Ordres")); }).number, err::DatabaseError);
    TempStartFolder::insertOrder(other);  // another connection is not concerned
    EXPECT_EQ(orderCount(c), 2);          // reading is no write
    TempStartFolder::insertOrder(c);
    EXPECT_EQ(orderCount(c), 3);

    c->failWrites(fault, 5);
    c->clearWriteFaults();
    TempStartFolder::insertOrder(c);
    EXPECT_EQ(orderCount(c), 4);
}

TEST_F(Connections, WriteFaultsCanReachEveryConnectionAndARecordsetUpdate) {
    Connection::failWritesEverywhere(VbError(err::AccessDenied, QStringLiteral("Test"), QStringLiteral("refusé")), 1, 1);
    auto c = folder.openWorking();  // opened after the fault was set
    const qint64 id = TempStartFolder::insertOrder(c);
    Recordset rs;
    rs.open(QStringLiteral("select * from Ordres where idOrdre = %1").arg(id), c);
    rs.setValue(QStringLiteral("refInterne"), QStringLiteral("NOUVEAU"));
    EXPECT_EQ(errorOf([&] { rs.update(); }).number, err::AccessDenied);
    EXPECT_EQ(rs.editMode(), EditMode::InProgress);
    rs.update();  // the fault is spent
    rs.requery();
    EXPECT_EQ(rs.value(QStringLiteral("refInterne")).toText(), "NOUVEAU");

    Connection::failWritesEverywhere(VbError(err::AccessDenied, QStringLiteral("Test"), QStringLiteral("refusé")), 3);
    Connection::clearAllWriteFaults();
    TempStartFolder::insertOrder(c);
}
