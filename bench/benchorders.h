#pragma once

// Working databases of many orders for the benchmarks: a realistic mix, the newest third still
// to be generated (or, spread, every third order), one in ten urgent, amounts in currencies of
// 0, 2 and 3 decimals, generated every evening at 17:30.

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <sqlite3.h>

#include <cmath>
#include <cstdio>
#include <iterator>
#include <random>

#include "generation/orderfile.h"
#include "generation/orderrecord.h"
#include "orderlist/startup.h"
#include "platform/clock.h"
#include "platform/value.h"

namespace vorna::bench {

struct Currency {
    const char* code;
    int decimals;
    int weight;  // in hundredths
};

inline constexpr Currency kCurrencies[] = {{"EUR", 2, 55}, {"USD", 2, 20}, {"GBP", 2, 5}, {"CHF", 2, 5},
                                    {"JPY", 0, 8},  {"KWD", 3, 4},  {"TND", 3, 3}};

inline const char* const kBeneficiaries[] = {
    "SOCIETE GENERALE DES EAUX", "ATELIERS MECANIQUES DU NORD", "HANSEATIC SHIPPING GMBH", "NIPPON PRECISION KK",
    "KUWAIT TRADING CO",         "TUNIS TEXTILES SARL",        "ACME INDUSTRIES LTD",     "BODEGAS DEL SUR SA",
    "LOGISTIQUE ALPINE SA",      "ZURICH INSTRUMENTS AG",      "GREAT LAKES TIMBER INC",  "MEDITERRANEE FRUITS"};

// Inserts `count` rows with `sql` into the database at `path`, in one transaction that starts
// with the statement `before` when there is one; `bind(st, i)` binds row i, from 1 to `count`.
template <typename Bind>
bool insertRows(const QString& path, const char* before, const char* sql, int count, Bind bind) {
    sqlite3* db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK) return false;
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    if (before) sqlite3_exec(db, before, nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "%s\n", sqlite3_errmsg(db));
        sqlite3_close(db);
        return false;
    }
    bool ok = true;
    for (int i = 1; i <= count && ok; ++i) {
        bind(st, i);
        ok = sqlite3_step(st) == SQLITE_DONE;
        if (!ok) std::fprintf(stderr, "%s\n", sqlite3_errmsg(db));
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, ok ? "COMMIT" : "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return ok;
}

inline bool fillWorkingDatabase(const QString& path, int count, bool spread) {
    const char* sql =
        "INSERT INTO Ordres (typeOper, devPaiement, devOrdre, montant, urgent, refInterne, dateCreation, identBE1,"
        " identBE2, motif1, frais, avisBenefType, residentOY, nbDeci, genere, dateGener, paysResBE, codeEcono,"
        " ribOY, identOY1, identOY2, codePostalOY, villeOY, paysOY, ribPL, identPL1, identPL2, codePostalPL,"
        " villePL, paysPL, bicBqeBE, paysBqeBE, villeBE, paysBE, ibanBE, cMontant, cDevises)"
        " VALUES (0, ?, ?, ?, ?, ?, ?, ?, 'RUE DU PORT 12', 'FACTURE', ?, 0, 1, ?, ?, ?, 'DE', '110',"
        " '30004005500001004750105', 'CLIENT SA', '2 AVENUE FOCH', '69001', 'LYON', 'FR',"
        " '20041010050500012345694', 'BANQUE', '1 RUE DE LA PAIX', '75001', 'PARIS', 'FR',"
        " 'DEUTDEFFXXX', 'DE', 'HAMBURG', 'DE', 'DE89370400440532013000', ?, ?)";
    std::mt19937 rng(20261208);
    std::uniform_int_distribution<int> percent(0, 99);
    std::uniform_real_distribution<double> magnitude(1.0, 6.7);
    const QDateTime now = Clock::now();
    // Every order within the last 28 days, so that none is purged at start-up.
    const qint64 span = 28LL * 24 * 3600;
    const int firstPending = count - count / 3 + 1;
    return insertRows(path, nullptr, sql, count, [&](sqlite3_stmt* st, int i) {
        int pick = percent(rng), c = 0;
        while (pick >= kCurrencies[c].weight) pick -= kCurrencies[c++].weight;
        const Currency& cur = kCurrencies[c];
        // The amount is in the order's currency: most orders pay in it, some are converted from
        // euros. Its decimals are the order currency's.
        const Currency& orderCur = percent(rng) < 90 ? cur : kCurrencies[0];
        const int scale = orderCur.decimals;
        const qint64 units = qint64(std::pow(10.0, magnitude(rng) + scale));
        const QDateTime created = now.addSecs(-span + span * i / (count + 1));
        const bool pending = spread ? i % 3 == 0 : i >= firstPending;
        // Sixteen characters at most, as the order window allows, a million orders included.
        const QByteArray ref = QStringLiteral("VIR%1-%2")
                                   .arg(created.toString(QStringLiteral("yyMMdd")))
                                   .arg(i % 1000000, 6, 10, QChar(u'0'))
                                   .toLatin1();
        const QByteArray createdText = storedDateTime(created).toLatin1();
        // Generation ran every evening at 17:30 after the order was entered.
        QDateTime generated(created.date(), QTime(17, 30));
        if (generated <= created) generated = generated.addDays(1);
        if (generated > now) generated = now;
        const QByteArray generatedText = storedDateTime(generated).toLatin1();
        const QByteArray amount = Decimal(units, scale).toString().toLatin1();
        // What the program stores: the amount's text from the validation of the order, the
        // currencies' text from its generation.
        OrderRecord o;
        o.devPaiement = QString::fromLatin1(cur.code);
        o.devOrdre = QString::fromLatin1(orderCur.code);
        const QByteArray amountText = displayAmountText(Decimal(units, scale), scale).toUtf8();
        const QByteArray currencies = currencyText(o).toUtf8();
        sqlite3_bind_text(st, 1, cur.code, -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 2, orderCur.code, -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 3, amount.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(st, 4, i % 10 == 7);
        sqlite3_bind_text(st, 5, ref.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 6, createdText.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 7, kBeneficiaries[i % std::size(kBeneficiaries)], -1, SQLITE_STATIC);
        sqlite3_bind_int(st, 8, i % 3);
        sqlite3_bind_int(st, 9, scale);
        sqlite3_bind_int(st, 10, pending ? 0 : 1);
        if (pending) sqlite3_bind_null(st, 11);
        else sqlite3_bind_text(st, 11, generatedText.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 12, amountText.constData(), -1, SQLITE_TRANSIENT);
        if (pending) sqlite3_bind_null(st, 13);
        else sqlite3_bind_text(st, 13, currencies.constData(), -1, SQLITE_TRANSIENT);
    });
}

// The template, the reference database and a working database of `count` orders.
inline bool makeDataFolder(const QString& dir, int count, bool spread) {
    QDir().mkpath(dir);
    for (const QString& name : {dbfiles::Template, dbfiles::Reference}) {
        const QString to = QDir(dir).filePath(name);
        if (QFile::exists(to)) continue;
        if (!QFile::copy(QStringLiteral(VORNA_BUILT_DATA_DIR "/") + name, to)) {
            std::fprintf(stderr, "no %s in %s\n", qPrintable(name), VORNA_BUILT_DATA_DIR);
            return false;
        }
        QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    }
    const QString working = QDir(dir).filePath(dbfiles::Working);
    QFile::remove(working);
    if (!QFile::copy(QDir(dir).filePath(dbfiles::Template), working)) return false;
    QFile::setPermissions(working, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    if (!fillWorkingDatabase(working, count, spread)) return false;
    // Sound settings, generating into the folder's own "generation" folder: the program can be
    // tried at once, generation included.
    const QString generation = QDir(dir).filePath(QStringLiteral("generation"));
    QDir().mkpath(generation);
    const char* sql =
        "INSERT INTO ParamRef (idUniq, radicalRef, reperGener, ribOY, identOY1, identOY2, codePostalOY, villeOY, paysOY,"
        " sirenOY, modifiableOY, ribPL, identPL1, identPL2, codePostalPL, villePL, paysPL, sirenPL, modifiablePL,"
        " modeTransfert, partCft) VALUES (1, 'VIR', ?, '30004005500001004750105', 'CLIENT SA', '2 AVENUE FOCH',"
        " '69001', 'LYON', 'FR', '732829320', 1, '20041 01005 05000123456 94', 'BANQUE', '1 RUE DE LA PAIX',"
        " '75001', 'PARIS', 'FR', '552100554', 1, 'CFT', 'BQPART01')";
    const QByteArray folder = (generation + u'/').toUtf8();
    return insertRows(working, nullptr, sql, 1,
                      [&](sqlite3_stmt* st, int) { sqlite3_bind_text(st, 1, folder.constData(), -1, SQLITE_TRANSIENT); });
}

// A line of /proc/self/status in MiB ("VmHWM:" the peak resident memory so far, "VmRSS:" the
// resident memory now).
inline double statusMiB(const char* key) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key)) return line.mid(int(qstrlen(key))).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}
inline double peakMiB() { return statusMiB("VmHWM:"); }
inline double residentMiB() { return statusMiB("VmRSS:"); }

}  // namespace vorna::bench
