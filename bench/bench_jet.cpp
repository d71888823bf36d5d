// The conversion of a working database of the old engine (Jet) at start-up, beside the upgrade.
//
//   bench_jet [conversions] [orders]
//       Converts the largest Jet test file that many times (200 by default) and prints the time
//       of one conversion and per row; then runs the upgrade of an old-layout working database
//       of that many orders (20,000 by default) and prints its time and per row, beside what
//       SQLite alone takes to copy the same rows from one file into the other.
//
// No program here writes Jet files, so the conversion is timed on the test file, whose tables
// hold few rows: its figure is mostly the cost of opening and reading a Jet file and writing a
// new database, which a file of many orders pays once.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <sqlite3.h>

#include <cstdio>

#include "orderlist/startup.h"
#include "orderlist/upgrade.h"
#include "platform/db/connection.h"
#include "platform/db/jetfile.h"
#include "platform/db/recordset.h"
#include "benchdialogs.h"
#include "platform/dialogs.h"

using namespace vorna;

namespace {

int rowsOf(const QString& path) {
    ConnectionPtr c = openConnection(jetConnectionString(path));
    Recordset tables;
    tables.open(QStringLiteral("select name from sqlite_master where type = 'table' and name <> 'sqlite_sequence'"), c);
    int rows = 0;
    for (; !tables.eof(); tables.moveNext()) {
        Recordset rs;
        rs.open(QStringLiteral("select count(*) from \"%1\"").arg(tables.value(0).toText()), c);
        rows += int(rs.value(0).toInt());
    }
    return rows;
}

bool fillOrders(const QString& path, int count) {
    sqlite3* db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK) return false;
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO Ordres (typeOper, devPaiement, devOrdre, montant, urgent, refInterne, dateCreation,"
                       " identBE1, identBE2, motif1, frais, nbDeci, genere, paysResBE, codeEcono) VALUES (0, 'EUR',"
                       " 'EUR', '1234.56', 0, ?, '2026-12-01 10:00:00', 'SOCIETE GENERALE DES EAUX', 'RUE DU PORT 12',"
                       " 'FACTURE', 1, 2, 0, 'DE', '110')",
                       -1, &st, nullptr);
    bool ok = st != nullptr;
    for (int i = 1; i <= count && ok; ++i) {
        const QByteArray ref = "VIR" + QByteArray::number(i);
        sqlite3_bind_text(st, 1, ref.constData(), -1, SQLITE_TRANSIENT);
        ok = sqlite3_step(st) == SQLITE_DONE;
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, ok ? "COMMIT" : "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    bench::PrintedDialogs dialogs(MsgAnswer::OK);
    Dialogs::install(&dialogs);
    const int conversions = argc > 1 ? std::max(1, atoi(argv[1])) : 200;
    const int orders = argc > 2 ? std::max(1, atoi(argv[2])) : 20000;

    const QString jet = QDir(QStringLiteral(VORNA_JET_TEST_DATA)).filePath(QStringLiteral("V2000-test.mdb"));
    if (!QFile::exists(jet)) {
        std::fprintf(stderr, "no %s\n", qPrintable(jet));
        return 1;
    }
    QTemporaryDir dir;

    // The conversion, many times over.
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < conversions; ++i) JetFile::convert(jet, dir.filePath(QStringLiteral("c%1.sqlite").arg(i)));
    const double convertMs = double(t.nsecsElapsed()) / 1e6;
    const int rowsPerFile = rowsOf(dir.filePath(QStringLiteral("c0.sqlite")));
    for (int i = 0; i < conversions; ++i) QFile::remove(dir.filePath(QStringLiteral("c%1.sqlite").arg(i)));
    const double perFile = convertMs / conversions;
    const double perRow = convertMs * 1000.0 / (double(conversions) * std::max(1, rowsPerFile));
    std::printf("Jet conversion of %s (%.1f MiB, %d rows in its tables): %d times in %.0f ms\n",
                qPrintable(QFileInfo(jet).fileName()), double(QFileInfo(jet).size()) / (1 << 20), rowsPerFile,
                conversions, convertMs);
    std::printf("  per file %8.2f ms (open, catalogue, every table, new database written and synced)\n", perFile);
    std::printf("  per row, charging it the whole file: %8.1f us (an upper bound: these files hold few rows)\n", perRow);

    // The upgrade of an old-layout working database of `orders` orders.
    const QString data = QStringLiteral(VORNA_BUILT_DATA_DIR);
    const QString start = dir.filePath(QStringLiteral("start"));
    QDir().mkpath(start);
    if (!QFile::copy(QDir(data).filePath(dbfiles::Template), QDir(start).filePath(dbfiles::Template)) ||
        !QFile::copy(QDir(data).filePath(QStringLiteral("VornaOld.mdb")), QDir(start).filePath(dbfiles::Working)) ||
        !fillOrders(QDir(start).filePath(dbfiles::Working), orders)) {
        std::fprintf(stderr, "cannot prepare the old-layout database\n");
        return 1;
    }
    const QString copy = dir.filePath(QStringLiteral("floor.sqlite"));
    QFile::copy(QDir(data).filePath(dbfiles::Template), copy);

    // SQLite alone: the same rows from the old file into a copy of the template.
    sqlite3* db = nullptr;
    sqlite3_open(copy.toUtf8().constData(), &db);
    t.restart();
    const QByteArray attach = "ATTACH '" + QDir(start).filePath(dbfiles::Working).toUtf8() + "' AS old";
    sqlite3_exec(db, attach.constData(), nullptr, nullptr, nullptr);
    const int rc = sqlite3_exec(db, "INSERT INTO Ordres SELECT * FROM old.Ordres", nullptr, nullptr, nullptr);
    const double floorMs = double(t.nsecsElapsed()) / 1e6;
    if (rc != SQLITE_OK) std::fprintf(stderr, "floor: %s\n", sqlite3_errmsg(db));
    sqlite3_close(db);

    t.restart();
    const bool upgraded = Upgrade(start).run();
    const double upgradeMs = double(t.nsecsElapsed()) / 1e6;
    std::printf("Upgrade of %d orders: %.0f ms%s; per row %8.1f us\n", orders, upgradeMs, upgraded ? "" : " (FAILED)",
                upgradeMs * 1000.0 / orders);
    std::printf("  floor, SQLite alone copying them: %.0f ms; per row %8.1f us\n", floorMs, floorMs * 1000.0 / orders);
    std::printf("Conversion of %d orders, at most (per-row bound x rows + one file): %.0f ms, against %.0f ms for the upgrade\n",
                orders, perRow * orders / 1000.0 + perFile, upgradeMs);
    Dialogs::install(nullptr);
    return upgraded ? 0 : 1;
}
