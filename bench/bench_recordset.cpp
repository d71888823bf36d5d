// bench_recordset [orders]: times the order list's refresh on a working database of that many
// orders (100,000 by default) against SQLite stepping the same query alone; then the
// translation of a long statement against Qt scanning it.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>

#include "platform/db/connection.h"
#include "platform/db/jetsql.h"
#include "platform/db/recordset.h"

using namespace vorna;

namespace {

const QString kListQuery = QStringLiteral(
    "select idOrdre as Numéro, format(dateCreation,'dd/mm/YYYY HH:MM') as `Date de Création`,Montant, devOrdre as "
    "`Devise de l'ordre`, devPaiement as `Devise de Paiement`, refInterne as `Référence Interne`,identBE1 as "
    "`Bénéficiaire`, format(dateGener,'dd/mm/YYYY HH:MM') as `Génération`, nbDeci, urgent from Ordres Order by idOrdre DESC");

void fill(sqlite3* db, int count) {
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO Ordres (typeOper, devPaiement, devOrdre, montant, urgent, refInterne, dateCreation, identBE1,"
                       " motif1, nbDeci, genere, dateGener) VALUES (0, 'EUR', 'USD', ?, ?, ?, '2026-12-08 09:05:00', ?,"
                       " 'FACTURE', 2, ?, ?)",
                       -1, &st, nullptr);
    for (int i = 1; i <= count; ++i) {
        const QByteArray ref = "VIR" + QByteArray::number(i);
        const QByteArray benef = "SOCIETE BENEFICIAIRE " + QByteArray::number(i % 997);
        sqlite3_bind_double(st, 1, i * 1.25);
        sqlite3_bind_int(st, 2, i % 7 == 0);
        sqlite3_bind_text(st, 3, ref.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 4, benef.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(st, 5, i % 10 == 0);
        if (i % 10 == 0) sqlite3_bind_text(st, 6, "2026-12-01 17:30:00", -1, SQLITE_STATIC);
        else sqlite3_bind_null(st, 6);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
}

template <typename F>
double best(F&& f, int runs = 5) {
    double out = 1e18;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        f();
        out = std::min(out, double(t.nsecsElapsed()) / 1e6);
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 100000;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("VornaW.mdb"));
    if (!QFile::copy(QStringLiteral(VORNA_BUILT_DATA_DIR "/Vorna.mdb"), path)) {
        std::fprintf(stderr, "no template in %s\n", VORNA_BUILT_DATA_DIR);
        return 1;
    }
    ConnectionPtr c = openConnection(jetConnectionString(path));
    fill(c->handle(), count);

    const QByteArray sql = jetsql::translate(kListQuery).toUtf8();
    int rows = 0;
    auto stepOnly = [&] {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(c->handle(), sql.constData(), -1, &st, nullptr);
        rows = 0;
        while (sqlite3_step(st) == SQLITE_ROW) ++rows;
        sqlite3_finalize(st);
    };
    // Stepping alone, before any recordset holds rows.
    const double alone = best(stepOnly, 9);
    Recordset rs;
    rs.open(kListQuery, c);
    // Interleaved, best of each: a busy machine slows both alike.
    double step = 1e18, requery = 1e18, open = 1e18;
    for (int i = 0; i < 9; ++i) {
        step = std::min(step, best(stepOnly, 1));
        requery = std::min(requery, best([&] { rs.requery(); }, 1));
        open = std::min(open, best([&] { Recordset fresh; fresh.open(kListQuery, c); }, 1));
    }
    std::printf("orders: %d (rows %d, recordset %d)\n", count, rows, rs.recordCount());
    std::printf("SQLite step only, alone: %8.1f ms\n", alone);
    std::printf("SQLite step only       : %8.1f ms\n", step);
    std::printf("Recordset requery      : %8.1f ms  (%.2fx; %.2fx of stepping alone)\n", requery, requery / step, requery / alone);
    std::printf("new Recordset, open, delete: %8.1f ms  (%.2fx)\n", open, open / step);

    // A statement of 4,000 clauses of each kind the translation rewrites (bare names of the select
    // list, folded dates), against Qt alone scanning the same text for its words.
    QString list, where;
    for (int i = 0; i < 4000; ++i) {
        list += QStringLiteral("c%1, ").arg(i);
        where += QStringLiteral(" or d < now -%1").arg(i % 90);
    }
    const QString longText = QStringLiteral("select ") + list + QStringLiteral("z from t where 1=0") + where;
    qsizetype translatedSize = 0;
    const double translate = best([&] { translatedSize = jetsql::translate(longText).size(); });
    static const QRegularExpression words(QStringLiteral(R"(\w+|\s+|.)"));
    qsizetype matches = 0;
    const double scan = best([&] {
        matches = 0;
        for (auto it = words.globalMatch(longText); it.hasNext(); it.next()) ++matches;
    });
    std::printf("jetsql::translate, 4,000 clauses (%lld chars, %lld out): %8.1f ms  (Qt scanning its %lld tokens: %.1f ms)\n",
                qlonglong(longText.size()), qlonglong(translatedSize), translate, qlonglong(matches), scan);
    return 0;
}
