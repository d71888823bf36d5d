// The main window's list on a working database of many orders.
//
//   bench_orderlist [orders] [--spread]
//       Loads the main window (offscreen unless QT_QPA_PLATFORM says otherwise) on a working
//       database of that many orders (100,000 by default) and prints, for the start-up,
//       misEnForme(true) and misEnForme(false), the time taken and the peak resident memory of
//       the process, beside the time SQLite alone takes to step the list query.
//   bench_orderlist --make-folder DIR [orders] [--spread]
//       Makes a data folder for scripts/run: the template, the reference database and a
//       working database of that many orders (300 by default), with sound settings (CFT mode,
//       generating into DIR/generation).
//   bench_orderlist --grab FILE [orders] [--spread]
//       Loads the window on such orders (300 by default; 0 for an empty list) and saves a
//       picture of it, and of its menus beside it (FILE-edition.png, FILE-fichier.png,
//       FILE-referentiels.png) with the last row current.
//
// The orders are a realistic mix: the newest third still to be generated (with --spread, every
// third order instead), one in ten urgent, amounts in currencies of 0, 2 and 3 decimals.

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QPixmap>
#include <QTemporaryDir>
#include <QWindow>
#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

#include "generation/orderfile.h"
#include "generation/orderrecord.h"
#include "orderlist/frmlistordre.h"
#include "orderlist/startup.h"
#include "benchdialogs.h"
#include "platform/clock.h"
#include "platform/db/connection.h"
#include "platform/db/jetsql.h"
#include "platform/dialogs.h"
#include "platform/environment.h"
#include "platform/value.h"

using namespace vorna;

namespace {

struct Currency {
    const char* code;
    int decimals;
    int weight;  // in hundredths
};

constexpr Currency kCurrencies[] = {{"EUR", 2, 55}, {"USD", 2, 20}, {"GBP", 2, 5}, {"CHF", 2, 5},
                                    {"JPY", 0, 8},  {"KWD", 3, 4},  {"TND", 3, 3}};

const char* const kBeneficiaries[] = {
    "SOCIETE GENERALE DES EAUX", "ATELIERS MECANIQUES DU NORD", "HANSEATIC SHIPPING GMBH", "NIPPON PRECISION KK",
    "KUWAIT TRADING CO",         "TUNIS TEXTILES SARL",        "ACME INDUSTRIES LTD",     "BODEGAS DEL SUR SA",
    "LOGISTIQUE ALPINE SA",      "ZURICH INSTRUMENTS AG",      "GREAT LAKES TIMBER INC",  "MEDITERRANEE FRUITS"};

bool fillWorkingDatabase(const QString& path, int count, bool spread) {
    sqlite3* db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK) return false;
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    const char* sql =
        "INSERT INTO Ordres (typeOper, devPaiement, devOrdre, montant, urgent, refInterne, dateCreation, identBE1,"
        " identBE2, motif1, frais, avisBenefType, residentOY, nbDeci, genere, dateGener, paysResBE, codeEcono,"
        " ribOY, identOY1, identOY2, codePostalOY, villeOY, paysOY, ribPL, identPL1, identPL2, codePostalPL,"
        " villePL, paysPL, bicBqeBE, paysBqeBE, villeBE, paysBE, ibanBE, cMontant, cDevises)"
        " VALUES (0, ?, ?, ?, ?, ?, ?, ?, 'RUE DU PORT 12', 'FACTURE', ?, 0, 1, ?, ?, ?, 'DE', '110',"
        " '30004005500001004750105', 'CLIENT SA', '2 AVENUE FOCH', '69001', 'LYON', 'FR',"
        " '20041010050500012345694', 'BANQUE', '1 RUE DE LA PAIX', '75001', 'PARIS', 'FR',"
        " 'DEUTDEFFXXX', 'DE', 'HAMBURG', 'DE', 'DE89370400440532013000', ?, ?)";
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "%s\n", sqlite3_errmsg(db));
        sqlite3_close(db);
        return false;
    }
    std::mt19937 rng(20261208);
    std::uniform_int_distribution<int> percent(0, 99);
    std::uniform_real_distribution<double> magnitude(1.0, 6.7);
    const QDateTime now = Clock::now();
    // Every order within the last 28 days, so that none is purged at start-up.
    const qint64 span = 28LL * 24 * 3600;
    const int firstPending = count - count / 3 + 1;
    bool ok = true;
    for (int i = 1; i <= count && ok; ++i) {
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
        const QByteArray ref = QStringLiteral("VIR%1-%2").arg(created.toString(QStringLiteral("yyMMdd"))).arg(i, 6, 10, QChar(u'0')).toLatin1();
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
        ok = sqlite3_step(st) == SQLITE_DONE;
        if (!ok) std::fprintf(stderr, "%s\n", sqlite3_errmsg(db));
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, ok ? "COMMIT" : "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return ok;
}

// The template, the reference database and a working database of `count` orders.
bool makeDataFolder(const QString& dir, int count, bool spread) {
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
    sqlite3* db = nullptr;
    if (sqlite3_open(working.toUtf8().constData(), &db) != SQLITE_OK) return false;
    sqlite3_stmt* st = nullptr;
    const char* sql =
        "INSERT INTO ParamRef (idUniq, radicalRef, reperGener, ribOY, identOY1, identOY2, codePostalOY, villeOY, paysOY,"
        " sirenOY, modifiableOY, ribPL, identPL1, identPL2, codePostalPL, villePL, paysPL, sirenPL, modifiablePL,"
        " modeTransfert, partCft) VALUES (1, 'VIR', ?, '30004005500001004750105', 'CLIENT SA', '2 AVENUE FOCH',"
        " '69001', 'LYON', 'FR', '732829320', 1, '20041 01005 05000123456 94', 'BANQUE', '1 RUE DE LA PAIX',"
        " '75001', 'PARIS', 'FR', '552100554', 1, 'CFT', 'BQPART01')";
    const QByteArray folder = (generation + u'/').toUtf8();
    bool ok = sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK;
    if (ok) {
        sqlite3_bind_text(st, 1, folder.constData(), -1, SQLITE_TRANSIENT);
        ok = sqlite3_step(st) == SQLITE_DONE;
    }
    if (!ok) std::fprintf(stderr, "%s\n", sqlite3_errmsg(db));
    sqlite3_finalize(st);
    sqlite3_close(db);
    return ok;
}

// Peak resident memory of the process so far, in MiB.
double peakMiB() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

double ms(const QElapsedTimer& t) { return double(t.nsecsElapsed()) / 1e6; }

template <typename F>
double timed(F&& f) {
    QElapsedTimer t;
    t.start();
    f();
    return ms(t);
}

// Shows the window and waits until it has been painted once.
void showAndPaint(frmListOrdre& w) {
    w.show();
    QElapsedTimer t;
    t.start();
    while ((!w.windowHandle() || !w.windowHandle()->isExposed()) && t.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QCoreApplication::processEvents();
    w.repaint();
    w.MSHFlexGrid1->viewport()->repaint();
}

int runBenchmark(int count, bool spread) {
    QTemporaryDir dir;
    std::printf("orders: %d (%s)\n", count, spread ? "every third one pending" : "the newest third pending");
    if (!makeDataFolder(dir.path(), count, spread)) return 1;
    QDir::setCurrent(dir.path());
    std::printf("peak memory before the window: %.1f MiB\n", peakMiB());

    frmListOrdre::SettingsCheck = nullptr;  // the list alone is measured
    QElapsedTimer start;
    start.start();
    frmListOrdre& w = frmListOrdre::instance();
    const double loaded = ms(start);
    showAndPaint(w);
    const double shown = ms(start);
    std::printf("start-up: loaded %.1f ms, list shown %.1f ms; peak memory %.1f MiB\n", loaded, shown, peakMiB());

    // SQLite alone steps the same query, with the same functions, on the same connection.
    const QByteArray sql = jetsql::translate(Startup::ListQuery).toUtf8();
    int rows = 0;
    auto stepOnly = [&] {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(Session::current().dfwConn->handle(), sql.constData(), -1, &st, nullptr);
        rows = 0;
        while (sqlite3_step(st) == SQLITE_ROW) ++rows;
        sqlite3_finalize(st);
    };

    // Interleaved, best of each: a busy machine slows them alike.
    double step = 1e18, requery = 1e18, again = 1e18, againPainted = 1e18, fresh = 1e18, freshPainted = 1e18;
    for (int i = 0; i < 7; ++i) {
        step = std::min(step, timed(stepOnly));
        requery = std::min(requery, timed([&] { w.listRecordset()->requery(); }));
        again = std::min(again, timed([&] { w.misEnForme(false); }));
        againPainted = std::min(againPainted, timed([&] {
                                    w.misEnForme(false);
                                    w.MSHFlexGrid1->viewport()->repaint();
                                }));
    }
    const double peakRefresh = peakMiB();
    for (int i = 0; i < 5; ++i) {
        fresh = std::min(fresh, timed([&] { w.misEnForme(true); }));
        freshPainted = std::min(freshPainted, timed([&] {
                                    w.misEnForme(true);
                                    w.MSHFlexGrid1->viewport()->repaint();
                                }));
    }
    const double peakOpen = peakMiB();
    std::printf("rows in the list: %d (SQLite %d)\n", w.MSHFlexGrid1->rows() - 1, rows);
    std::printf("SQLite steps the list query : %8.1f ms\n", step);
    std::printf("its recordset's requery     : %8.1f ms (%.2fx SQLite)\n", requery, requery / step);
    std::printf("misEnForme(false)           : %8.1f ms (%.2fx SQLite); painted %.1f ms; peak memory %.1f MiB\n", again,
                again / step, againPainted, peakRefresh);
    std::printf("misEnForme(true)            : %8.1f ms (%.2fx SQLite); painted %.1f ms; peak memory %.1f MiB\n", fresh,
                fresh / step, freshPainted, peakOpen);
    frmListOrdre::unloadIfLoaded();
    return 0;
}

int grab(const QString& file, int count, bool spread) {
    QTemporaryDir dir;
    if (!makeDataFolder(dir.path(), count, spread)) return 1;
    QDir::setCurrent(dir.path());
    frmListOrdre::SettingsCheck = nullptr;
    frmListOrdre& w = frmListOrdre::instance();
    showAndPaint(w);
    bool saved = w.grab().save(file);
    std::printf("%s %s\n", saved ? "saved" : "could not save", qPrintable(file));
    // The order menu as it opens on the last row, then the file menu with its submenu.
    if (count > 0) {
        const QString stem = file.left(file.lastIndexOf(u'.'));
        w.MSHFlexGrid1->setRow(w.MSHFlexGrid1->rows() - 1);
        const QPair<QMenu*, QString> menus[] = {{w.mnEdition, stem + QStringLiteral("-edition.png")},
                                                {w.mnFichier, stem + QStringLiteral("-fichier.png")},
                                                {w.mnReferentiels, stem + QStringLiteral("-referentiels.png")}};
        for (const auto& [menu, name] : menus) {
            menu->popup(w.mapToGlobal(QPoint(40, 40)));
            QCoreApplication::processEvents();
            const bool ok = menu->grab().save(name);
            menu->hide();
            std::printf("%s %s\n", ok ? "saved" : "could not save", qPrintable(name));
            saved = saved && ok;
        }
    }
    frmListOrdre::unloadIfLoaded();
    return saved ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    settleTimeZone();  // as the program does at start
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    const bool spread = args.removeAll(QStringLiteral("--spread")) > 0;
    const bool makeFolder = !args.isEmpty() && args.first() == QStringLiteral("--make-folder");
    const bool grabbing = !args.isEmpty() && args.first() == QStringLiteral("--grab");
    if ((makeFolder || grabbing) && args.size() < 2) {
        std::fprintf(stderr, "usage: bench_orderlist [orders] [--spread] | --make-folder DIR [orders] | --grab FILE [orders]\n");
        return 2;
    }
    const int countArg = makeFolder || grabbing ? 2 : 0;
    const int count = args.size() > countArg ? std::max(0, args[countArg].toInt()) : (makeFolder || grabbing ? 300 : 100000);

    if (makeFolder) {
        QCoreApplication app(argc, argv);
        if (!makeDataFolder(args[1], count, spread)) return 1;
        std::printf("%s: %d orders\n", qPrintable(args[1]), count);
        return 0;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !grabbing) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bench::PrintedDialogs dialogs;
    Dialogs::install(&dialogs);
    const int rc = grabbing ? grab(QFileInfo(args[1]).absoluteFilePath(), count, spread) : runBenchmark(count, spread);
    Dialogs::install(nullptr);
    return rc;
}
