// The generation of the order file, end to end, on a working database of pending orders.
//
//   bench_generation [orders]
//       Generates that many pending orders (10,000 by default) in CFT mode: the questions are
//       answered Yes through the dialogs, the summary is exported but not shown. Prints the time
//       of each phase (read, write, database updates, summary, commit) and the peak resident
//       memory, each beside its floor: what SQLite or Qt alone takes for the same work.

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFontInfo>
#include <QTemporaryDir>
#include <sqlite3.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <random>

#include "generation/generation.h"
#include "generation/rptrecapgener.h"
#include "benchdialogs.h"
#include "benchorders.h"
#include "platform/clock.h"
#include "platform/db/connection.h"
#include "platform/dialogs.h"
#include "platform/environment.h"
#include "platform/value.h"

using namespace vorna;

namespace {

// User and system CPU time of the process, in milliseconds: the machine's other work does not
// count in it, as it does in the elapsed times.
qint64 cpuMs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000LL + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000;
}

long peakKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

struct Currency {
    const char* code;
    int decimals;
};
constexpr Currency kCurrencies[] = {{"EUR", 2}, {"USD", 2}, {"GBP", 2}, {"JPY", 0}, {"KWD", 3}};

bool fill(const QString& path, int count) {
    const char* sql =
        "INSERT INTO Ordres (typeOper, devPaiement, devOrdre, montant, urgent, refInterne, dateCreation,"
        " ribPL, identPL1, identPL2, codePostalPL, villePL, paysPL,"
        " bicBqeBE, identBqeBE1, villeBqeBE, paysBqeBE, identBE1, identBE2, villeBE, paysBE, ibanBE,"
        " motif1, motif2, frais, avisBenefType, residentOY, codeEcono, paysResBE, nbDeci, genere)"
        " VALUES (0, ?, ?, ?, ?, ?, ?, '30004 00828 00010123456 76', 'TRESORERIE GENERALE DU NORD', '1 RUE HAUTE', '59000',"
        " 'LILLE', 'FR', 'DEUTDEFFXXX', 'DEUTSCHE BANK AG', 'FRANKFURT', 'DE', ?, 'HAFENSTRASSE 12', 'HAMBURG', 'DE',"
        " 'DE89370400440532013000', 'FACTURE 2026-1234', 'CONTRAT 55', ?, 0, 1, '110', 'DE', ?, 0)";
    std::mt19937 rng(20261208);
    const QByteArray created = storedDateTime(Clock::now()).toLatin1();
    const char* settings = "INSERT INTO ParamRef (idUniq, modeTransfert, partCft) VALUES (1, 'CFT', 'BQPART01')";
    return bench::insertRows(path, settings, sql, count, [&](sqlite3_stmt* st, int i) {
        const Currency& cur = kCurrencies[rng() % std::size(kCurrencies)];
        const QByteArray amount = Decimal(qint64(rng() % 100000000) + 1, cur.decimals).toString().toLatin1();
        const QByteArray ref = QStringLiteral("VIR-%1").arg(i, 6, 10, QChar(u'0')).toLatin1();
        const QByteArray name = QStringLiteral("HANSEATIC SHIPPING %1 GMBH").arg(i).toLatin1();
        sqlite3_bind_text(st, 1, cur.code, -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 2, i % 10 ? cur.code : "EUR", -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 3, amount.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(st, 4, i % 10 == 7);
        sqlite3_bind_text(st, 5, ref.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 6, created.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 7, name.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(st, 8, i % 3);
        sqlite3_bind_int(st, 9, cur.decimals);
    });
}

struct Floors {
    qint64 readMs = 0, updateMs = 0, commitMs = 0;
};

// SQLite alone: step the pending orders with every column, then update each row by its key in
// one transaction and commit (on a copy, so the bench's own run finds the orders pending).
Floors sqliteFloors(const QString& path) {
    Floors f;
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    QElapsedTimer t;
    t.start();
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT '' AS etat, * FROM Ordres WHERE genere = 0 ORDER BY idOrdre", -1, &st, nullptr);
    QList<qint64> ids;
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int c = 0; c < sqlite3_column_count(st); ++c) sqlite3_column_text(st, c);
        ids << sqlite3_column_int64(st, 1);
    }
    sqlite3_finalize(st);
    f.readMs = t.restart();
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_prepare_v2(db, "UPDATE Ordres SET dateGener = ?, genere = 1, cMontant = ?, cDevises = ? WHERE idOrdre = ?", -1, &st, nullptr);
    for (qint64 id : ids) {
        sqlite3_bind_text(st, 1, "2026-03-07 09:05:02", -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 2, "1 234,56", -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 3, "EUR en USD", -1, SQLITE_STATIC);
        sqlite3_bind_int64(st, 4, id);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    f.updateMs = t.restart();
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    f.commitMs = t.restart();
    sqlite3_close(db);
    return f;
}

// Qt alone: write `bytes` bytes to a file and make them durable.
qint64 writeFloorMs(const QString& path, qint64 bytes) {
    QElapsedTimer t;
    t.start();
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    const QByteArray chunk(4096, 'X');
    for (qint64 left = bytes; left > 0; left -= chunk.size()) f.write(chunk.constData(), std::min<qint64>(left, chunk.size()));
    f.flush();
    ::fsync(f.handle());
    f.close();
    return t.elapsed();
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    settleTimeZone();  // as the program does at start
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    const long baseKb = peakKb();

    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("VornaW.mdb"));
    const QString copy = dir.filePath(QStringLiteral("floor.mdb"));
    QFile::copy(QStringLiteral(VORNA_BUILT_DATA_DIR "/Vorna.mdb"), db);
    QFile::setPermissions(db, QFile::ReadOwner | QFile::WriteOwner);
    if (!fill(db, count)) return 1;
    QFile::copy(db, copy);
    const QString gen = dir.filePath(QStringLiteral("gen")) + u'/';
    QDir().mkpath(gen);

    // The program's main window has drawn its texts long before any generation, so the fonts
    // are known by then; here they are looked up once before the run as well.
    (void)QFontInfo(QApplication::font()).family();

    bench::PrintedDialogs dialogs(MsgAnswer::Yes, false);
    Dialogs::install(&dialogs);
    ConnectionPtr conn = openConnection(jetConnectionString(db));
    QElapsedTimer total;
    total.start();
    const qint64 cpuStart = cpuMs();
    OrderFileGeneration g(conn, gen);
    g.showSummary = [](rptRecapGener&) {};
    g.run();
    const qint64 allMs = total.elapsed();
    const qint64 cpu = cpuMs() - cpuStart;
    const long peak = peakKb();
    Dialogs::install(nullptr);

    const qint64 fileBytes = QFileInfo(g.names().final).size();
    const qint64 pageBytes = QFileInfo(g.names().summaryPage).size();
    if (fileBytes <= 0) {
        std::fprintf(stderr, "no order file was written\n");
        return 1;
    }
    const Floors floors = sqliteFloors(copy);
    const qint64 writeFloor = writeFloorMs(dir.filePath(QStringLiteral("floor.bin")), fileBytes);
    const qint64 pageFloor = writeFloorMs(dir.filePath(QStringLiteral("floor.htm")), pageBytes);
    const auto& p = g.phases();
    const double mbps = p.write > 0 ? fileBytes / 1048576.0 / (p.write / 1000.0) : 0;

    std::printf("generation of %d pending orders: order file %.1f MB, summary page %.1f MB\n", count, fileBytes / 1048576.0,
                pageBytes / 1048576.0);
    std::printf("  %-34s %6lld ms   (floor %5lld ms: SQLite steps the query)\n", "read the pending orders", (long long)p.read,
                (long long)floors.readMs);
    std::printf("  %-34s %6lld ms   (floor %5lld ms: Qt writes and syncs the bytes)  %.0f MB/s (goal 200 MB/s or more)\n",
                "read the rows, write the file", (long long)p.write, (long long)writeFloor, mbps);
    std::printf("  %-34s %6lld ms   (floor %5lld ms: SQLite updates by key)\n", "update the orders", (long long)p.update,
                (long long)floors.updateMs);
    std::printf("  %-34s %6lld ms   (floor %5lld ms: Qt writes the page's bytes; goal within 3x)\n", "summary (laid out and exported)",
                (long long)p.summary, (long long)pageFloor);
    std::printf("  %-34s %6lld ms   (floor %5lld ms: SQLite commits)\n", "commit and rename", (long long)p.commit,
                (long long)floors.commitMs);
    std::printf("  %-34s %6lld ms   (goal under 2000 ms for 100,000 orders; CPU time %lld ms)\n", "in all", (long long)allMs,
                (long long)cpu);
    std::printf("  %-34s %6ld MB   (floor %5ld MB: the process before the run; goal under 200 MB for 100,000 orders)\n",
                "peak resident memory", peak / 1024, baseKb / 1024);
    return 0;
}
