// The main window's list on a working database of many orders.
//
//   bench_orderlist [orders] [--spread]
//       Loads the main window (offscreen unless QT_QPA_PLATFORM says otherwise) on a working
//       database of that many orders (without a number: 100,000, then 1,000,000, each in a
//       process of its own) and prints, for the start-up to the painted list, misEnForme(true)
//       and misEnForme(false) (the refresh after a store, a delete or a generation), the time
//       taken and the peak resident memory of the process, beside the floor: SQLite alone
//       stepping the list's raw columns. Then the purge of the start-up (its time and how SQLite
//       runs it), and the resident memory while the list is scrolled end to end a page at a
//       time.
//   bench_orderlist --make-folder DIR [orders] [--spread]
//       Makes a data folder for scripts/run: the template, the reference database and a
//       working database of that many orders (300 by default, up to a million and more), with
//       sound settings (CFT mode, generating into DIR/generation).
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
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QWindow>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>

#include "orderlist/frmlistordre.h"
#include "orderlist/startup.h"
#include "benchdialogs.h"
#include "benchorders.h"
#include "platform/clock.h"
#include "platform/db/connection.h"
#include "platform/db/jetsql.h"
#include "platform/db/recordset.h"
#include "platform/dialogs.h"
#include "platform/environment.h"
#include "platform/value.h"

using namespace vorna;

namespace {

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

// The list's columns as stored, in the list's order: what any list of the orders has to read.
const char* const kRawColumns =
    "select idOrdre, dateCreation, montant, devOrdre, devPaiement, refInterne, identBE1, dateGener, nbDeci, urgent"
    " from Ordres order by idOrdre desc";

// SQLite alone steps the list's raw columns and reads each value once.
int stepRawColumns(sqlite3* db) {
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, kRawColumns, -1, &st, nullptr);
    int rows = 0;
    qint64 sink = 0;
    const int n = sqlite3_column_count(st);
    while (sqlite3_step(st) == SQLITE_ROW) {
        ++rows;
        for (int c = 0; c < n; ++c) {
            switch (sqlite3_column_type(st, c)) {
            case SQLITE_INTEGER: sink += sqlite3_column_int64(st, c); break;
            case SQLITE_FLOAT: sink += qint64(sqlite3_column_double(st, c)); break;
            case SQLITE_TEXT: sink += sqlite3_column_bytes(st, c) + *sqlite3_column_text(st, c); break;
            default: break;
            }
        }
    }
    sqlite3_finalize(st);
    return sink == -1 ? -1 : rows;
}

// The purge of the start-up, rolled back, and how SQLite runs it.
void purgeFigures(const ConnectionPtr& conn, int runs) {
    const QByteArray sql = jetsql::translate(Startup::PurgeStatement).toUtf8();
    QStringList plan;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(conn->handle(), ("EXPLAIN QUERY PLAN " + sql).constData(), -1, &st, nullptr) == SQLITE_OK)
        while (sqlite3_step(st) == SQLITE_ROW) plan << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 3)));
    sqlite3_finalize(st);
    double best = 1e18;
    for (int i = 0; i < runs; ++i) {
        best = std::min(best, timed([&] {
                            sqlite3_exec(conn->handle(), "BEGIN", nullptr, nullptr, nullptr);
                            sqlite3_exec(conn->handle(), sql.constData(), nullptr, nullptr, nullptr);
                            sqlite3_exec(conn->handle(), "ROLLBACK", nullptr, nullptr, nullptr);
                        }));
    }
    std::printf("purge at start-up          : %8.2f ms (%s; floor: no full scan)\n", best, qPrintable(plan.join(u'/')));
}

// Scrolls the list from its top to its end a page at a time; each page's cells are read as the
// view reads them to paint them (a real paint every 50 pages: painting them all would take
// minutes offscreen). The resident memory every 200,000 rows seen.
void scrollFigures(frmListOrdre& w) {
    forms::FlexGrid* g = w.MSHFlexGrid1;
    QAbstractItemModel* model = g->model();
    QScrollBar* bar = g->verticalScrollBar();
    const int page = std::max(1, bar->pageStep());
    const int rows = g->rows() - 1;
    bar->setValue(0);
    g->viewport()->repaint();
    const double before = bench::residentMiB();
    std::printf("scrolling end to end, %d rows a page; resident memory: %.1f MiB at the top", page, before);
    QElapsedTimer t;
    t.start();
    int nextMark = 200000;
    qint64 sink = 0;
    for (int top = 0, n = 0; top <= bar->maximum(); top += page, ++n) {
        bar->setValue(top);
        if (n % 50 == 0) {
            g->viewport()->repaint();
        } else {
            for (int r = top; r < std::min(rows, top + page); ++r)
                for (int c = 0; c < model->columnCount(); ++c) {
                    const QModelIndex i = model->index(r, c);
                    for (int role : {int(Qt::DisplayRole), int(Qt::DecorationRole), int(Qt::BackgroundRole),
                                     int(Qt::TextAlignmentRole), int(Qt::FontRole), int(Qt::ForegroundRole)})
                        sink += model->data(i, role).isValid();
                }
        }
        if (top + page >= nextMark) {
            std::printf(", %.1f at %dk", bench::residentMiB(), nextMark / 1000);
            nextMark += 200000;
        }
    }
    const double after = bench::residentMiB();
    std::printf(", %.1f at the end (%d rows, %.0f ms%s); growth %+.1f MiB (floor: flat)\n", after, rows, ms(t),
                sink < 0 ? "?" : "", after - before);
}

int runBenchmark(int count, bool spread) {
    QTemporaryDir dir;
    std::printf("orders: %d (%s)\n", count, spread ? "every third one pending" : "the newest third pending");
    std::fflush(stdout);
    if (!bench::makeDataFolder(dir.path(), count, spread)) return 1;
    QDir::setCurrent(dir.path());
    std::printf("peak memory before the window: %.1f MiB\n", bench::peakMiB());

    frmListOrdre::SettingsCheck = nullptr;  // the list alone is measured
    QElapsedTimer start;
    start.start();
    frmListOrdre& w = frmListOrdre::instance();
    const double loaded = ms(start);
    showAndPaint(w);
    const double shown = ms(start);
    const double peakStart = bench::peakMiB();

    sqlite3* db = Session::current().dfwConn->handle();
    int rows = 0;
    auto stepOnly = [&] { rows = stepRawColumns(db); };

    // Interleaved, best of each: a busy machine slows them alike.
    const bool large = count >= 500000;
    double step = 1e18, requery = 1e18, again = 1e18, againPainted = 1e18, fresh = 1e18, freshPainted = 1e18;
    for (int i = 0; i < (large ? 3 : 7); ++i) {
        step = std::min(step, timed(stepOnly));
        requery = std::min(requery, timed([&] { w.listRecordset()->requery(); }));
        again = std::min(again, timed([&] { w.misEnForme(false); }));
        againPainted = std::min(againPainted, timed([&] {
                                    w.misEnForme(false);
                                    w.MSHFlexGrid1->viewport()->repaint();
                                }));
    }
    const double peakRefresh = bench::peakMiB();
    for (int i = 0; i < (large ? 2 : 5); ++i) {
        fresh = std::min(fresh, timed([&] { w.misEnForme(true); }));
        freshPainted = std::min(freshPainted, timed([&] {
                                    w.misEnForme(true);
                                    w.MSHFlexGrid1->viewport()->repaint();
                                }));
    }
    const double peakOpen = bench::peakMiB();
    std::printf("rows in the list: %d (SQLite %d)\n", w.MSHFlexGrid1->rows() - 1, rows);
    std::printf("floor: SQLite steps the list's raw columns: %8.1f ms\n", step);
    std::printf("start-up to the painted list: %8.1f ms (%.2fx floor, goal 2x); loaded %.1f ms; peak memory %.1f MiB\n",
                shown, shown / step, loaded, peakStart);
    std::printf("its recordset's requery     : %8.1f ms (%.2fx floor)\n", requery, requery / step);
    std::printf("misEnForme(false)           : %8.1f ms (%.2fx floor); painted %.1f ms (%.2fx floor, goal 2x); peak memory %.1f MiB\n",
                again, again / step, againPainted, againPainted / step, peakRefresh);
    std::printf("misEnForme(true)            : %8.1f ms (%.2fx floor); painted %.1f ms (%.2fx floor, goal 2x); peak memory %.1f MiB\n",
                fresh, fresh / step, freshPainted, freshPainted / step, peakOpen);
    // A delete finds its order in the list before the refresh: the oldest is the last row.
    const QString oldest = w.MSHFlexGrid1->textMatrix(w.MSHFlexGrid1->rows() - 1, 0);
    double lookUp = 1e18;
    for (int i = 0; i < 3; ++i)
        lookUp = std::min(lookUp, timed([&] { w.listRecordset()->find(QStringLiteral("Numéro"), Value(oldest), FindStart::First); }));
    std::printf("a delete's look-up of the oldest order: %.1f ms (%.2fx floor)\n", lookUp, lookUp / step);
    purgeFigures(Session::current().dfwConn, 3);
    scrollFigures(w);
    frmListOrdre::unloadIfLoaded();
    return 0;
}

int grab(const QString& file, int count, bool spread) {
    QTemporaryDir dir;
    if (!bench::makeDataFolder(dir.path(), count, spread)) return 1;
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
    if (!makeFolder && !grabbing && args.isEmpty()) {
        // The two cases, each in a process of its own so that its peak memory is its own.
        QCoreApplication app(argc, argv);
        int rc = 0;
        for (const char* n : {"100000", "1000000"}) {
            QProcess p;
            p.setProcessChannelMode(QProcess::ForwardedChannels);
            p.start(QCoreApplication::applicationFilePath(), spread ? QStringList{n, "--spread"} : QStringList{n});
            p.waitForFinished(-1);
            rc = std::max(rc, p.exitCode());
            std::printf("\n");
        }
        return rc;
    }
    const int count = args.size() > countArg ? std::max(0, args[countArg].toInt()) : 300;

    if (makeFolder) {
        QCoreApplication app(argc, argv);
        if (!bench::makeDataFolder(args[1], count, spread)) return 1;
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
