// Recordsets: navigation, fields, edits written back, the record-change events, aliases,
// find and sort.

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <sqlite3.h>

#include <functional>

#include "common/errorof.h"
#include "common/tempstartfolder.h"
#include "platform/clock.h"
#include "platform/db/recordset.h"

using namespace vorna;
using vorna::test::TempStartFolder;
using vorna::test::errorOf;

namespace {

// What a column holds in the file, read with plain SQL ("<null>" for Null).
QString stored(const ConnectionPtr& c, const QString& sql) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(c->handle(), sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK) return QStringLiteral("<error>");
    QString out = QStringLiteral("<none>");
    if (sqlite3_step(st) == SQLITE_ROW)
        out = sqlite3_column_type(st, 0) == SQLITE_NULL ? QStringLiteral("<null>")
                                                         : QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    return out;
}

// Records the events in order and lets a test act inside them.
struct Recorder : RecordsetEvents {
    QStringList log;
    std::function<void(EventReason, EventStatus&, Recordset&)> onWill;
    std::function<void(EventReason, Recordset&)> onComplete;
    long lastError = 0;

    static QString name(EventReason r) {
        switch (r) {
        case EventReason::AddNew: return QStringLiteral("AddNew");
        case EventReason::Update: return QStringLiteral("Update");
        case EventReason::Delete: return QStringLiteral("Delete");
        default: return QString::number(int(r));
        }
    }
    void willChangeRecord(EventReason r, EventStatus& status, Recordset& rs) override {
        log << QStringLiteral("will ") + name(r);
        if (onWill) onWill(r, status, rs);
    }
    void recordChangeComplete(EventReason r, const VbError* e, EventStatus status, Recordset& rs) override {
        lastError = e ? e->number : 0;
        log << QStringLiteral("complete %1 %2 %3").arg(name(r)).arg(e ? e->number : 0).arg(int(status));
        if (onComplete) onComplete(r, rs);
    }
    void moveComplete(Recordset&) override { log << QStringLiteral("move"); }
};

class Recordsets : public ::testing::Test {
protected:
    void SetUp() override {
        Clock::pin(QDateTime(QDate(2026, 12, 8), QTime(10, 0, 0)));
        folder.createWorkingDatabase();
        conn = folder.openWorking();
    }
    void TearDown() override {
        Clock::pin(QDateTime());
        Connection::clearAllWriteFaults();
    }
    qint64 order(const TempStartFolder::Fields& f = {}) { return TempStartFolder::insertOrder(conn, f); }
    QList<qint64> ids(Recordset& rs, const QString& field = QStringLiteral("idOrdre")) {
        QList<qint64> out;
        for (rs.moveFirst(); !rs.eof(); rs.moveNext()) out << rs.value(field).toInt();
        return out;
    }

    TempStartFolder folder;
    ConnectionPtr conn;
};

const QString kListQuery = QStringLiteral(
    "select idOrdre as Numéro, format(dateCreation,'dd/mm/YYYY HH:MM') as `Date de Création`,Montant, devOrdre as "
    "`Devise de l'ordre`, devPaiement as `Devise de Paiement`, refInterne as `Référence Interne`,identBE1 as "
    "`Bénéficiaire`, format(dateGener,'dd/mm/YYYY HH:MM') as `Génération`, nbDeci, urgent from Ordres Order by idOrdre DESC");
const QString kTemplateQuery =
    QStringLiteral("select idModele as `Code`, description as `Description`, * from Modeles Order by idModele");

}  // namespace

TEST_F(Recordsets, AnEmptyTableIsAtBothEndsAndKeepsItsColumnsInOrder) {
    Recordset rs;
    rs.open(QStringLiteral("ParamRef"), conn);
    EXPECT_EQ(rs.recordCount(), 0);
    EXPECT_TRUE(rs.eof());
    EXPECT_TRUE(rs.bof());
    EXPECT_EQ(rs.absolutePosition(), 0);
    ASSERT_EQ(rs.fieldCount(), 27);
    EXPECT_EQ(rs.fieldInfo(0).name, "idUniq");
    EXPECT_TRUE(rs.fieldInfo(0).isKey);
    EXPECT_EQ(rs.fieldInfo(22).name, "modifiablePL");
    EXPECT_EQ(rs.fieldInfo(23).name, "BICZUL");
    EXPECT_EQ(rs.fieldInfo(26).name, "partCft");
    EXPECT_EQ(errorOf([&] { rs.value(0); }).number, err::NoCurrentRecord);
    EXPECT_EQ(errorOf([&] { rs.moveNext(); }).number, err::NoCurrentRecord);
    rs.close();
    EXPECT_EQ(errorOf([&] { rs.recordCount(); }).number, err::OperationNotAllowed);

    // The previous layout's settings table has 23 columns.
    folder.createOldWorkingDatabase();
    auto old = folder.openWorking();
    rs.open(QStringLiteral("paramref"), old);
    EXPECT_EQ(rs.fieldCount(), 23);
    EXPECT_EQ(rs.fieldInfo(22).name, "modifiablePL");
}

TEST_F(Recordsets, MovesThroughTheRowsBetweenBofAndEof) {
    const qint64 a = order(), b = order(), c = order();
    Recordset rs;
    Recorder events;
    rs.setEvents(&events);
    rs.open(QStringLiteral("Ordres"), conn);
    EXPECT_EQ(rs.recordCount(), 3);
    EXPECT_FALSE(rs.bof());
    EXPECT_EQ(rs.absolutePosition(), 1);
    EXPECT_EQ(rs.value(QStringLiteral("idOrdre")).toInt(), a);
    rs.moveNext();
    rs.moveNext();
    EXPECT_EQ(rs.value(QStringLiteral("idOrdre")).toInt(), c);
    EXPECT_EQ(rs.absolutePosition(), 3);
    rs.moveNext();
    EXPECT_TRUE(rs.eof());
    EXPECT_FALSE(rs.bof());
    EXPECT_EQ(rs.absolutePosition(), 0);
    rs.moveLast();
    rs.movePrevious();
    EXPECT_EQ(rs.value(QStringLiteral("idOrdre")).toInt(), b);
    rs.movePrevious();
    rs.movePrevious();
    EXPECT_TRUE(rs.bof());
    EXPECT_EQ(errorOf([&] { rs.movePrevious(); }).number, err::NoCurrentRecord);
    rs.moveFirst();
    rs.setAbsolutePosition(2);
    EXPECT_EQ(rs.value(QStringLiteral("idOrdre")).toInt(), b);
    EXPECT_EQ(rs.valueAt(2, 0).toInt(), c);  // any row, without moving
    EXPECT_EQ(rs.absolutePosition(), 2);
    EXPECT_EQ(events.log.count(QStringLiteral("move")), 9);
}

TEST_F(Recordsets, BookmarksSurviveSortAndSortIsStableWithNullFirst) {
    order({{"refInterne", "B"}});
    const qint64 second = order({{"refInterne", "a"}});
    order({{"refInterne", Value::null()}});
    order({{"refInterne", "b"}});
    order({{"refInterne", "É"}});
    Recordset rs;
    rs.open(QStringLiteral("select * from Ordres"), conn);
    rs.moveNext();
    const Recordset::Bookmark mark = rs.bookmark();
    rs.sort(QStringLiteral("refInterne"));
    EXPECT_EQ(rs.sortSpec(), "refInterne");
    EXPECT_EQ(rs.absolutePosition(), 1);  // the first row becomes current
    QStringList refs;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) refs << rs.value(QStringLiteral("refinterne")).toText();
    // Null first; "B" and "b" are equal and keep their order; É after them.
    EXPECT_EQ(refs, QStringList({"", "a", "B", "b", "É"}));
    rs.setBookmark(mark);
    EXPECT_EQ(rs.value(QStringLiteral("idOrdre")).toInt(), second);
    EXPECT_EQ(rs.absolutePosition(), 2);
    rs.sort(QStringLiteral("refInterne DESC, idOrdre ASC"));
    rs.setBookmark(mark);
    EXPECT_EQ(rs.absolutePosition(), 4);
    rs.sort(QString());  // the source's order again
    EXPECT_EQ(ids(rs).first(), second - 1);
    // On whole numbers: turned over when no two are equal, equal ones kept in their order.
    const QList<qint64> source = ids(rs);
    rs.sort(QStringLiteral("idOrdre DESC"));
    EXPECT_EQ(ids(rs), QList<qint64>(source.rbegin(), source.rend()));
    rs.sort(QStringLiteral("typeOper DESC"));
    EXPECT_EQ(ids(rs), QList<qint64>(source.rbegin(), source.rend()));
    rs.sort(QStringLiteral("idOrdre"));
    EXPECT_EQ(ids(rs), source);
    EXPECT_EQ(errorOf([&] { rs.sort(QStringLiteral("nothing")); }).number, err::ItemNotFound);
    EXPECT_EQ(errorOf([&] { rs.setBookmark(999); }).number, err::NoCurrentRecord);
}

TEST_F(Recordsets, FieldsAreFoundWithoutRegardToCaseAndTyped) {
    const qint64 id = order({{"montant", Decimal(123456789012345, 3)},
                             {"urgent", true},
                             {"paysPL", "FR"},
                             {"codeEcono", "E01"},
                             {"cMontant", "123 456 789 012,345"},
                             {"dateCreation", QDateTime(QDate(2026, 3, 7), QTime(9, 5))}});
    Recordset rs;
    rs.open(QStringLiteral("select * from Ordres where idOrdre = %1").arg(id), conn);
    EXPECT_EQ(rs.value(QStringLiteral("cMONTANT")).toText(), "123 456 789 012,345");
    EXPECT_EQ(rs.value(QStringLiteral("DateCreation")).toDateTime(), QDateTime(QDate(2026, 3, 7), QTime(9, 5)));
    EXPECT_EQ(rs.value(QStringLiteral("PaysPL")).toText(), "FR");
    EXPECT_EQ(rs.value(QStringLiteral("CodeEcono")).toText(), "E01");
    EXPECT_EQ(rs.value(QStringLiteral("refinterne")).toText(), "REF");
    EXPECT_EQ(rs.fieldIndex(QStringLiteral("IDORDRE")), 0);
    EXPECT_EQ(rs.fieldIndex(QStringLiteral("nothing")), -1);
    EXPECT_EQ(errorOf([&] { rs.value(QStringLiteral("nothing")); }).number, err::ItemNotFound);
    EXPECT_EQ(errorOf([&] { rs.setValue(QStringLiteral("nothing"), 1); }).number, err::ItemNotFound);

    EXPECT_EQ(rs.value(QStringLiteral("idOrdre")).type(), Value::Type::Int);
    EXPECT_EQ(rs.value(QStringLiteral("montant")).type(), Value::Type::Decimal);
    EXPECT_EQ(rs.value(QStringLiteral("montant")).toText(), "123456789012.345");  // fifteen digits, exact
    EXPECT_EQ(rs.value(QStringLiteral("urgent")), Value(true));
    EXPECT_EQ(rs.value(QStringLiteral("genere")), Value(false));  // the column's default
    EXPECT_TRUE(rs.value(QStringLiteral("dateGener")).isNull());
    EXPECT_EQ(rs.value(QStringLiteral("typeOper")), Value(qint64(0)));

    rs.open(QStringLiteral("ParamRef"), conn);
    EXPECT_EQ(rs.fieldIndex(QStringLiteral("modetransfert")), 25);
}

TEST_F(Recordsets, ANewRowIsInsertedAndReadBackWithItsNumberAndDefaults) {
    const qint64 before = order();
    Recordset rs;
    rs.open(QStringLiteral("Ordres"), conn);
    QSignalSpy current(&rs, &Recordset::currentChanged);
    rs.addNew();
    EXPECT_EQ(rs.editMode(), EditMode::Add);
    EXPECT_EQ(rs.recordCount(), 2);
    EXPECT_TRUE(rs.value(QStringLiteral("idOrdre")).isNull());
    rs.setValue(QStringLiteral("refInterne"), QStringLiteral("NOUVEAU"));
    rs.setValue(QStringLiteral("dateCreation"), QStringLiteral("08/12/2026 09:05"));  // as the order window writes it
    rs.setValue(QStringLiteral("montant"), QStringLiteral("1 234,50"));
    rs.setValue(QStringLiteral("urgent"), true);
    rs.setValue(QStringLiteral("nbDeci"), QStringLiteral("2"));
    EXPECT_EQ(rs.value(QStringLiteral("dateCreation")).type(), Value::Type::DateTime);
    rs.update();
    EXPECT_EQ(rs.editMode(), EditMode::None);
    const qint64 id = rs.value(QStringLiteral("idOrdre")).toInt();
    EXPECT_EQ(id, before + 1);
    EXPECT_EQ(rs.value(QStringLiteral("genere")), Value(false));
    EXPECT_TRUE(rs.value(QStringLiteral("dateGener")).isNull());
    EXPECT_GE(current.count(), 2);  // at the add, and when the row came back

    const QString where = QStringLiteral(" from Ordres where idOrdre = %1").arg(id);
    EXPECT_EQ(stored(conn, QStringLiteral("select dateCreation") + where), "2026-12-08 09:05:00");
    EXPECT_EQ(stored(conn, QStringLiteral("select montant") + where), "1234.5");
    EXPECT_EQ(stored(conn, QStringLiteral("select urgent") + where), "1");
    EXPECT_EQ(stored(conn, QStringLiteral("select genere") + where), "0");
    EXPECT_EQ(stored(conn, QStringLiteral("select dateGener") + where), "<null>");
    EXPECT_EQ(stored(conn, QStringLiteral("select typeof(nbDeci)") + where), "integer");

    // Numbers are never given twice, even after the newest order is deleted.
    conn->execute(QStringLiteral("delete from Ordres where idOrdre = ?"), {id});
    rs.addNew();
    rs.update();
    EXPECT_EQ(rs.value(QStringLiteral("idOrdre")).toInt(), id + 1);
}

TEST_F(Recordsets, WrittenValuesAreConvertedOrRefused) {
    order();
    Recordset rs;
    rs.open(QStringLiteral("Ordres"), conn);
    EXPECT_EQ(errorOf([&] { rs.setValue(QStringLiteral("montant"), QStringLiteral("douze")); }).number, err::TypeMismatch);
    EXPECT_EQ(errorOf([&] { rs.setValue(QStringLiteral("dateCreation"), QStringLiteral("31/02/2026 10:00")); }).number,
              err::TypeMismatch);
    EXPECT_EQ(errorOf([&] { rs.setValue(QStringLiteral("refInterne"), QString(17, u'X')); }).number, err::FieldTooSmall);
    EXPECT_EQ(rs.editMode(), EditMode::None);  // a refused value changes nothing
    rs.setValue(QStringLiteral("refInterne"), QString(16, u'X'));
    rs.setValue(QStringLiteral("montant"), QStringLiteral(""));  // empty text into a number: Null
    EXPECT_TRUE(rs.value(QStringLiteral("montant")).isNull());
    rs.setValue(QStringLiteral("dateGener"), QStringLiteral(" "));
    EXPECT_TRUE(rs.value(QStringLiteral("dateGener")).isNull());
    rs.setValue(QStringLiteral("urgent"), QStringLiteral("True"));
    EXPECT_EQ(rs.value(QStringLiteral("urgent")), Value(true));
    rs.setValue(QStringLiteral("frais"), Decimal(25, 1));
    EXPECT_EQ(rs.value(QStringLiteral("frais")), Value(qint64(3)));
    rs.setValue(QStringLiteral("identBE1"), Value());  // Empty is stored as Null
    rs.update();
    EXPECT_EQ(stored(conn, QStringLiteral("select identBE1 from Ordres")), "<null>");
    EXPECT_EQ(stored(conn, QStringLiteral("select montant from Ordres")), "<null>");
}

TEST_F(Recordsets, AnEqualValueLeavesTheRowAloneAndCancelRestoresIt) {
    order({{"refInterne", "AVANT"}});
    Recordset rs;
    rs.open(QStringLiteral("Ordres"), conn);
    QSignalSpy changed(&rs, &Recordset::fieldChanged);
    rs.setValue(QStringLiteral("refInterne"), QStringLiteral("AVANT"));
    rs.setValue(QStringLiteral("typeOper"), 0);
    rs.setValue(QStringLiteral("montant"), Decimal(1000000, 4));  // 100.0000 = 100.00
    rs.setValue(QStringLiteral("dateCreation"), Clock::now().addMSecs(400));
    EXPECT_EQ(rs.editMode(), EditMode::None);
    EXPECT_EQ(changed.count(), 0);
    rs.setValue(QStringLiteral("refInterne"), QStringLiteral("avant"));  // letter case counts here
    EXPECT_EQ(rs.editMode(), EditMode::InProgress);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.first().first().toInt(), rs.fieldIndex(QStringLiteral("refInterne")));
    EXPECT_EQ(rs.originalValue(rs.fieldIndex(QStringLiteral("refInterne"))).toText(), "AVANT");
    QSignalSpy current(&rs, &Recordset::currentChanged);
    rs.cancelUpdate();
    EXPECT_EQ(current.count(), 1);
    EXPECT_EQ(rs.editMode(), EditMode::None);
    EXPECT_EQ(rs.value(QStringLiteral("refInterne")).toText(), "AVANT");
    rs.cancelUpdate();  // nothing pending: harmless
    rs.update();        // nothing pending: nothing written
    EXPECT_EQ(stored(conn, QStringLiteral("select refInterne from Ordres")), "AVANT");
}

TEST_F(Recordsets, AnUpdateWritesOnlyTheChangedColumnsOfTheRowItRead) {
    const qint64 id = order({{"refInterne", "AVANT"}, {"identBE1", "DUPONT"}});
    Recordset rs;
    rs.open(QStringLiteral("select * from Ordres where idOrdre = %1").arg(id), conn);
    // Someone else changes another column meanwhile: that change survives.
    conn->execute(QStringLiteral("update Ordres set identBE1 = 'DURAND'"));
    rs.setValue(QStringLiteral("refInterne"), QStringLiteral("APRES"));
    rs.update();
    EXPECT_EQ(stored(conn, QStringLiteral("select refInterne || '/' || identBE1 from Ordres")), "APRES/DURAND");

    // The row is gone: the update fails and says so through the event.
    Recorder events;
    rs.setEvents(&events);
    conn->execute(QStringLiteral("delete * from Ordres"));
    rs.setValue(QStringLiteral("refInterne"), QStringLiteral("ENCORE"));
    EXPECT_EQ(errorOf([&] { rs.update(); }).number, err::RowNotFound);
    EXPECT_EQ(events.lastError, err::RowNotFound);
    EXPECT_EQ(rs.editMode(), EditMode::InProgress);
}

TEST_F(Recordsets, ACancelledUpdateWritesNothingReportsItsErrorAndRaises) {
    Recordset rs;
    Recorder events;
    rs.setEvents(&events);
    rs.open(QStringLiteral("Ordres"), conn);
    // The add-new handler fills the row, as the order window does.
    events.onComplete = [](EventReason r, Recordset& row) {
        if (r == EventReason::AddNew) row.setValue(QStringLiteral("dateCreation"), Clock::now());
    };
    rs.addNew();
    EXPECT_EQ(events.log, QStringList({"will AddNew", "complete AddNew 0 1"}));
    // The will-change handler checks the row, writes a field of it and refuses it.
    bool refuse = true;
    events.onWill = [&](EventReason r, EventStatus& status, Recordset& row) {
        if (r != EventReason::Update) return;
        row.setValue(QStringLiteral("cMONTANT"), QStringLiteral("1 000,00"));
        if (refuse) status = EventStatus::Cancel;
    };
    events.log.clear();
    const VbError e = errorOf([&] { rs.update(); });
    EXPECT_EQ(e.number, -2147217887);
    EXPECT_EQ(events.log, QStringList({"will Update", "complete Update -2147217887 2"}));
    EXPECT_EQ(rs.editMode(), EditMode::Add);
    EXPECT_EQ(rs.value(QStringLiteral("cMontant")).toText(), "1 000,00");
    EXPECT_EQ(stored(conn, QStringLiteral("select count(*) from Ordres")), "0");

    // Accepted this time: the handler's write is stored with the row.
    refuse = false;
    events.log.clear();
    rs.update();
    EXPECT_EQ(events.log, QStringList({"will Update", "complete Update 0 1"}));
    EXPECT_EQ(stored(conn, QStringLiteral("select cMontant || ' ' || dateCreation from Ordres")), "1 000,00 2026-12-08 10:00:00");
}

TEST_F(Recordsets, ADatabaseFailureReachesTheCompleteEventThenTheCaller) {
    Recordset rs;
    Recorder events;
    rs.setEvents(&events);
    rs.open(QStringLiteral("ParamRef"), conn);
    rs.addNew();
    rs.setValue(QStringLiteral("idUniq"), 1);
    rs.setValue(QStringLiteral("modifiableOY"), true);
    conn->failWrites(VbError(err::DatabaseError, QStringLiteral("Test"), QStringLiteral("plein")));
    events.log.clear();
    EXPECT_EQ(errorOf([&] { rs.update(); }).description, "plein");
    EXPECT_EQ(events.log, QStringList({"will Update", QStringLiteral("complete Update %1 2").arg(err::DatabaseError)}));
    EXPECT_EQ(rs.editMode(), EditMode::Add);
    rs.update();  // the row is still there to store
    EXPECT_EQ(stored(conn, QStringLiteral("select modifiableOY from ParamRef where idUniq = 1")), "1");

    // A key the table already holds is refused by the database.
    rs.addNew();
    rs.setValue(QStringLiteral("idUniq"), 1);
    EXPECT_EQ(errorOf([&] { rs.update(); }).number, err::DatabaseError);
    rs.cancelUpdate();
    EXPECT_EQ(rs.recordCount(), 1);
}

TEST_F(Recordsets, LeavingAnEditedRowStoresItAndAddNewCancelReturnsToTheRowBefore) {
    const qint64 a = order(), b = order();
    Recordset rs;
    rs.open(QStringLiteral("Ordres"), conn);
    rs.setValue(QStringLiteral("refInterne"), QStringLiteral("DEPLACE"));
    rs.moveNext();
    EXPECT_EQ(rs.editMode(), EditMode::None);
    EXPECT_EQ(stored(conn, QStringLiteral("select refInterne from Ordres where idOrdre = %1").arg(a)), "DEPLACE");
    EXPECT_EQ(rs.value(QStringLiteral("idOrdre")).toInt(), b);
    rs.addNew();
    rs.setValue(QStringLiteral("refInterne"), QStringLiteral("JAMAIS"));
    rs.cancelUpdate();
    EXPECT_EQ(rs.recordCount(), 2);
    EXPECT_EQ(rs.value(QStringLiteral("idOrdre")).toInt(), b);
    EXPECT_EQ(stored(conn, QStringLiteral("select count(*) from Ordres")), "2");
}

TEST_F(Recordsets, TheListDeletesThroughItsAliasAndTheRowStaysCurrentUntilAMove) {
    const qint64 a = order(), b = order(), c = order();
    Recordset rs;
    Recorder events;
    rs.setEvents(&events);
    rs.open(kListQuery, conn);
    ASSERT_TRUE(rs.find(QStringLiteral("Numéro"), QString::number(b)));  // the grid's text
    rs.deleteCurrent();
    rs.updateBatch();
    EXPECT_EQ(stored(conn, QStringLiteral("select count(*) from Ordres where idOrdre = %1").arg(b)), "0");
    EXPECT_EQ(rs.recordCount(), 2);
    EXPECT_FALSE(rs.eof());
    EXPECT_EQ(rs.value(QStringLiteral("Numéro")).toInt(), b);
    EXPECT_EQ(errorOf([&] { rs.setValue(QStringLiteral("Montant"), 1); }).number, err::NoCurrentRecord);
    EXPECT_TRUE(events.log.contains(QStringLiteral("complete Delete 0 1")));
    rs.moveNext();  // the list runs newest first: c, (b), a
    EXPECT_EQ(rs.value(QStringLiteral("Numéro")).toInt(), a);
    rs.movePrevious();
    EXPECT_EQ(rs.value(QStringLiteral("Numéro")).toInt(), c);
    // Deleting the first row and going back passes the beginning.
    rs.deleteCurrent();
    rs.movePrevious();
    EXPECT_TRUE(rs.bof());
    rs.moveFirst();
    EXPECT_EQ(rs.value(0).toInt(), a);
    rs.requery();
    EXPECT_EQ(rs.recordCount(), 1);
}

TEST_F(Recordsets, ATemplateIsInsertedThroughItsAliasCode) {
    Recordset rs;
    rs.open(kTemplateQuery, conn);
    QSignalSpy changed(&rs, &Recordset::fieldChanged);
    rs.addNew();
    rs.setValue(QStringLiteral("Code"), QStringLiteral("MOD1"));
    rs.setValue(QStringLiteral("Description"), QStringLiteral("Modèle numéro un"));
    rs.setValue(QStringLiteral("typeOper"), 2);
    // Both fields on idModele show the code (the second is the copy that * brings).
    EXPECT_EQ(rs.value(QStringLiteral("idModele")).toText(), "MOD1");
    EXPECT_EQ(changed.count(), 5);
    rs.update();
    EXPECT_EQ(stored(conn, QStringLiteral("select idModele || '|' || description || '|' || typeOper from Modeles")),
              "MOD1|Modèle numéro un|2");
    // A code differing by its letter case only is the same key.
    rs.addNew();
    rs.setValue(QStringLiteral("Code"), QStringLiteral("mod1"));
    EXPECT_EQ(errorOf([&] { rs.update(); }).number, err::DatabaseError);
    rs.cancelUpdate();
    // Written through the copy, the value still reaches the column; the last write wins.
    rs.addNew();
    rs.setValue(QStringLiteral("Code"), QStringLiteral("X"));
    rs.setValue(rs.fieldCount() - 55, QStringLiteral("MOD2"));  // idModele
    EXPECT_EQ(rs.value(QStringLiteral("Code")).toText(), "MOD2");
    rs.update();
    rs.requery();
    EXPECT_EQ(rs.recordCount(), 2);
    EXPECT_TRUE(rs.find(QStringLiteral("Code"), QStringLiteral("mod2"), FindStart::First));
    EXPECT_EQ(rs.value(QStringLiteral("description")).toText(), "");
    // A missing code is refused by the table.
    rs.addNew();
    rs.setValue(QStringLiteral("Description"), QStringLiteral("sans code"));
    EXPECT_EQ(errorOf([&] { rs.update(); }).number, err::DatabaseError);
}

TEST_F(Recordsets, ComputedColumnsAreReadOnlyAndTheGenerationUpdatesRowsInATransaction) {
    const qint64 a = order(), b = order();
    order({{"genere", true}, {"dateGener", Clock::now()}});
    Recordset rs;
    rs.open(QStringLiteral("select '' as etat, * from Ordres where genere = false"), conn);
    rs.sort(QStringLiteral("idOrdre ASC"));
    EXPECT_TRUE(rs.fieldInfo(0).readOnly);
    EXPECT_EQ(errorOf([&] { rs.setValue(QStringLiteral("etat"), QStringLiteral("x")); }).number, err::OperationNotAllowed);
    EXPECT_EQ(rs.value(QStringLiteral("idOrdre")).toInt(), a);
    ASSERT_EQ(conn->beginTrans(), 1);
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        rs.setValue(QStringLiteral("dateGener"), Clock::now());
        rs.setValue(QStringLiteral("genere"), true);
        rs.setValue(QStringLiteral("cMONTANT"), QStringLiteral("100,00"));
        rs.setValue(QStringLiteral("cDEVISES"), QStringLiteral("EUR"));
        rs.update();
    }
    rs.sort(QStringLiteral("idOrdre DESC"));
    rs.moveFirst();
    EXPECT_EQ(rs.value(QStringLiteral("idOrdre")).toInt(), b);
    EXPECT_EQ(rs.value(QStringLiteral("cDevises")).toText(), "EUR");
    EXPECT_EQ(stored(conn, QStringLiteral("select count(*) from Ordres where genere = false")), "0");
    conn->rollbackTrans();
    EXPECT_EQ(stored(conn, QStringLiteral("select count(*) from Ordres where genere = false and dateGener is null and cDevises is null")),
              "2");

    // A read-only recordset refuses every write.
    Recordset ro;
    ro.open(QStringLiteral("Ordres"), conn, CursorType::ForwardOnly, LockType::ReadOnly);
    EXPECT_EQ(errorOf([&] { ro.setValue(QStringLiteral("refInterne"), QStringLiteral("x")); }).number, err::OperationNotAllowed);
    EXPECT_EQ(errorOf([&] { ro.addNew(); }).number, err::OperationNotAllowed);
    EXPECT_EQ(errorOf([&] { ro.deleteCurrent(); }).number, err::OperationNotAllowed);
}

TEST_F(Recordsets, ValuesHandedOutOutliveARequeryAndTheRecordset) {
    order({{"refInterne", "PREMIER"}, {"identBE1", "Société Générale"}});
    Value current, original, any;
    {
        Recordset rs;
        rs.open(QStringLiteral("select refInterne, identBE1 from Ordres"), conn);
        current = rs.value(0);
        any = rs.valueAt(0, 1);
        rs.setValue(0, QStringLiteral("SECOND"));
        original = rs.originalValue(0);
        rs.cancelUpdate();
        rs.requery();
        EXPECT_EQ(current.toText(), "PREMIER");
        rs.close();
    }
    EXPECT_EQ(current.toText(), "PREMIER");
    EXPECT_EQ(original.toText(), "PREMIER");
    EXPECT_EQ(any.toText(), "Société Générale");
}

// The cheap reads of long lists: a stored text or date gives its bytes, a Null says so, a whole
// number as stored its value when asked (a large one too), and a value the program wrote is left
// to valueAt unless it is a plain ASCII text; the fields of a row read at once say the same.
TEST_F(Recordsets, StoredTextsAndNullsAreReadWithoutMakingValues) {
    order({{"refInterne", "PREMIER"}, {"dateGener", QDateTime(QDate(2026, 12, 7), QTime(17, 30, 5))}, {"nbDeci", 2}});
    Recordset rs;
    rs.open(QStringLiteral("select refInterne, dateGener, nbDeci, identBE3, -1152921504606846977 as big from Ordres"), conn);
    using S = Recordset::Stored;
    const int fields[] = {3, 0, 4, 2, 1};
    // By field: its kind, its text, and its whole number when it is told apart as one (else 0).
    const auto expectStored = [&](const S (&kinds)[5], const QByteArray (&texts)[5], const qint64 (&numbers)[5]) {
        S atOnce[5], withWholes[5];
        QByteArrayView atOnceTexts[5], unused[5];
        qint64 wholes[5];
        rs.storedAt(0, fields, 5, atOnce, atOnceTexts);
        rs.storedAt(0, fields, 5, withWholes, unused, wholes);
        for (int k = 0; k < 5; ++k) {
            const int f = fields[k];
            const bool text = kinds[f] == S::Text;
            QByteArrayView one;
            EXPECT_EQ(atOnce[k], kinds[f]) << "field " << f;
            EXPECT_EQ(rs.storedTextAt(0, f, one), text) << "field " << f;
            EXPECT_EQ(rs.isNullAt(0, f), kinds[f] == S::Null) << "field " << f;
            EXPECT_EQ(text ? one : QByteArrayView(), texts[f]) << "field " << f;
            EXPECT_EQ(text ? atOnceTexts[k] : QByteArrayView(), texts[f]) << "field " << f;
            EXPECT_EQ(withWholes[k], numbers[f] ? S::Whole : kinds[f]) << "field " << f;
            EXPECT_EQ(numbers[f] ? wholes[k] : 0, numbers[f]) << "field " << f;
        }
    };
    const qint64 big = -1152921504606846977LL;
    expectStored({S::Text, S::Text, S::Other, S::Null, S::Other}, {"PREMIER", "2026-12-07 17:30:05", "", "", ""}, {0, 0, 2, 0, big});
    rs.setValue(0, QStringLiteral("SECOND"));
    rs.setValue(1, Value::null());
    rs.setValue(2, 3);  // a whole number written by the program is not told apart
    rs.setValue(3, Value::null());
    EXPECT_EQ(rs.valueAt(0, 0).toText(), "SECOND");
    expectStored({S::Text, S::Null, S::Other, S::Null, S::Other}, {"SECOND", "", "", "", ""}, {0, 0, 0, 0, big});
    rs.setValue(0, QStringLiteral("SÉCOND"));
    EXPECT_EQ(rs.valueAt(0, 0).toText(), "SÉCOND");
    expectStored({S::Other, S::Null, S::Other, S::Null, S::Other}, {}, {0, 0, 0, 0, big});
    EXPECT_THROW(rs.isNullAt(1, 0), VbError);
    const int noField[] = {0, 5};
    S kinds[2];
    QByteArrayView texts[2];
    EXPECT_THROW(rs.storedAt(1, fields, 1, kinds, texts), VbError);
    EXPECT_THROW(rs.storedAt(0, noField, 2, kinds, texts), VbError);
}

TEST_F(Recordsets, ManyRowsOfManyColumnsAreKeptAndEditedWhole) {
    // 67 orders of 61 columns: the next row added lies across two blocks of the storage.
    TempStartFolder::insertOrders(conn, 67);
    Recordset rs;
    rs.open(QStringLiteral("Ordres"), conn);
    ASSERT_EQ(rs.recordCount(), 67);
    EXPECT_EQ(rs.valueAt(66, 0).toInt(), 67);
    EXPECT_EQ(rs.valueAt(66, rs.fieldIndex(QStringLiteral("refInterne"))).toText(), "REF67");
    EXPECT_EQ(rs.valueAt(9, rs.fieldIndex(QStringLiteral("genere"))), Value(true));  // every tenth is generated
    rs.addNew();
    rs.setValue(QStringLiteral("refInterne"), QStringLiteral("DEBUT"));
    rs.setValue(QStringLiteral("cDevises"), QStringLiteral("FIN"));
    rs.cancelUpdate();
    EXPECT_EQ(rs.recordCount(), 67);
    rs.addNew();
    rs.setValue(QStringLiteral("refInterne"), QStringLiteral("DEBUT"));
    rs.setValue(QStringLiteral("cDevises"), QStringLiteral("FIN"));
    rs.update();
    EXPECT_EQ(rs.value(QStringLiteral("idOrdre")).toInt(), 68);
    rs.setValue(QStringLiteral("refInterne"), QStringLiteral("AUTRE"));
    rs.setValue(QStringLiteral("cDevises"), QStringLiteral("AILLEURS"));
    rs.cancelUpdate();
    EXPECT_EQ(rs.value(QStringLiteral("refInterne")).toText(), "DEBUT");
    EXPECT_EQ(rs.value(QStringLiteral("cDevises")).toText(), "FIN");
    rs.requery();
    rs.moveLast();
    EXPECT_EQ(rs.value(QStringLiteral("cDevises")).toText(), "FIN");

    // The order list of a few thousand orders, newest first.
    TempStartFolder::insertOrders(conn, 3000);
    Recordset list;
    list.open(kListQuery, conn);
    EXPECT_EQ(list.recordCount(), 3068);
    EXPECT_EQ(list.value(0).toInt(), 3068);
    EXPECT_EQ(list.valueAt(3067, 0).toInt(), 1);
    EXPECT_EQ(list.valueAt(3067, 5).toText(), "REF1");
}

TEST_F(Recordsets, RequeryRunsTheSameTextWithTheSameParameters) {
    order({{"devOrdre", "USD"}});
    order({{"devOrdre", "EUR"}});
    Recordset rs;
    rs.open(QStringLiteral("select * from Ordres where devOrdre = ?"), conn, CursorType::Keyset, LockType::Optimistic, {"USD"});
    EXPECT_EQ(rs.recordCount(), 1);
    rs.moveLast();
    order({{"devOrdre", "usd"}});
    order({{"devOrdre", "JPY"}});
    rs.requery();
    EXPECT_EQ(rs.recordCount(), 2);
    EXPECT_EQ(rs.absolutePosition(), 1);
    EXPECT_EQ(rs.source(), "select * from Ordres where devOrdre = ?");
    EXPECT_EQ(rs.connection(), conn);
}

TEST_F(Recordsets, FindComparesTextsWithoutCaseAndNumbersByValue) {
    auto ref = folder.openReference();
    Recordset rs;
    rs.open(QStringLiteral("select Code,Description from PaysEEE Order by Description"), ref, CursorType::ForwardOnly,
            LockType::ReadOnly);
    EXPECT_TRUE(rs.find(QStringLiteral("code"), QStringLiteral("fr"), FindStart::First));
    EXPECT_EQ(rs.value(QStringLiteral("Description")).toText(), "France");
    EXPECT_FALSE(rs.find(QStringLiteral("code"), QStringLiteral("US"), FindStart::First));
    EXPECT_TRUE(rs.eof());
    EXPECT_FALSE(rs.find(QStringLiteral("code"), QStringLiteral("F"), FindStart::First));  // whole values only

    const qint64 a = order(), b = order();
    Recordset list;
    list.open(kListQuery, conn);  // b, a
    EXPECT_TRUE(list.find(QStringLiteral("Numéro"), a));
    EXPECT_EQ(list.absolutePosition(), 2);
    // From the current row on: b lies before it.
    EXPECT_FALSE(list.find(QStringLiteral("Numéro"), b));
    EXPECT_TRUE(list.eof());
    EXPECT_TRUE(list.find(QStringLiteral("Numéro"), Decimal(b * 10, 1), FindStart::First));
    EXPECT_TRUE(list.find(QStringLiteral("Numéro"), QString::number(b), FindStart::Current));
    EXPECT_EQ(list.value(0).toInt(), b);
    EXPECT_FALSE(list.find(QStringLiteral("Génération"), Value::null(), FindStart::First));  // Null equals nothing
}

TEST_F(Recordsets, EditorsSortByCodeOrLabelAndAddRowsThatKeepABookmark) {
    auto ref = folder.openReference();
    Recordset rs;
    rs.open(QStringLiteral("select Code,Description from Pays Order by Code"), ref);
    const int count = rs.recordCount();
    rs.sort(QStringLiteral("description"));
    QStringList labels;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) labels << rs.value(1).toText();
    const int emirats = int(labels.indexOf(QStringLiteral("Émirats arabes unis")));
    ASSERT_GT(emirats, 0);
    EXPECT_TRUE(labels[emirats - 1].startsWith(u'E') || labels[emirats - 1].startsWith(u'É')) << labels[emirats - 1].toStdString();
    EXPECT_TRUE(labels[emirats + 1].startsWith(u'E') || labels[emirats + 1].startsWith(u'É')) << labels[emirats + 1].toStdString();
    EXPECT_LT(labels.indexOf(QStringLiteral("Danemark")), emirats);
    EXPECT_GT(labels.indexOf(QStringLiteral("Finlande")), emirats);

    rs.addNew();
    rs.setValue(QStringLiteral("code"), QStringLiteral("ZZ"));
    rs.setValue(QStringLiteral("description"), QStringLiteral("Zone d'essai"));
    rs.update();
    const auto mark = rs.bookmark();
    rs.sort(QStringLiteral("code"));
    rs.setBookmark(mark);
    EXPECT_EQ(rs.value(QStringLiteral("code")).toText(), "ZZ");
    EXPECT_EQ(rs.recordCount(), count + 1);
    // A code written with another letter case finds the same row.
    EXPECT_TRUE(rs.find(QStringLiteral("code"), QStringLiteral("zz"), FindStart::First));
    rs.deleteCurrent();
    rs.movePrevious();
    EXPECT_FALSE(rs.bof());
    Recordset check;
    check.open(QStringLiteral("select Code from Pays where Code = 'zz'"), ref);
    EXPECT_EQ(check.recordCount(), 0);
}
