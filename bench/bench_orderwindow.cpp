// The order window on a working database of many orders.
//
//   bench_orderwindow [orders]
//       Opens the order window (offscreen unless QT_QPA_PLATFORM says otherwise) for a new order
//       and on an existing one, over an empty working database and over one of that many orders
//       (100,000 by default), types an order and stores it, and prints for each step the time
//       taken and the peak resident memory of the step, beside its floor: what SQLite alone
//       takes to read one order (openings) or to insert one (stores). The main list's refresh after a store is the
//       list's own cost (bench_orderlist).
//   bench_orderwindow --grab STEM
//       Saves pictures of the window on a new order as it opens (STEM-opened.png), then at the
//       top, the middle and the bottom of its sheet (STEM-top.png, STEM-middle.png,
//       STEM-bottom.png).

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <sqlite3.h>

#include <cstdio>

#include "orderentry/frmordre.h"
#include "platform/db/connection.h"
#include "platform/db/recordset.h"
#include "platform/dialogs.h"
#include "platform/forms/binding.h"
#include "platform/session.h"
#include "reference/frmlstcodesecono.h"
#include "reference/frmlstdev.h"
#include "reference/frmlstpays.h"
#include "reference/frmparamref.h"

#include "benchdialogs.h"

using namespace vorna;

namespace {

double ms(const QElapsedTimer& t) { return double(t.nsecsElapsed()) / 1e6; }

// Resident memory of the process (VmRSS) or its peak since the last reset (VmHWM), in MiB.
double memoryMiB(const char* key) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key)) return line.mid(int(qstrlen(key))).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}
// Starts a new peak: the kernel sets the peak back to the present size.
void resetPeak() {
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly)) f.write("5");
}

struct Step {
    double ms;
    double peakAbove;  // MiB of peak above the resident size at the start of the step
};

template <typename F>
Step measure(F&& f) {
    resetPeak();
    const double before = memoryMiB("VmRSS:");
    QElapsedTimer t;
    t.start();
    f();
    const double elapsed = ms(t);
    return {elapsed, memoryMiB("VmHWM:") - before};
}

bool execute(sqlite3* db, const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) == SQLITE_OK) return true;
    std::fprintf(stderr, "%s\n", error);
    sqlite3_free(error);
    return false;
}

// A data folder: the template, the reference database, and a working database with settings
// and `count` orders.
bool makeDataFolder(const QString& dir, int count) {
    for (const char* name : {"Vorna.mdb", "ParVorna.mdb"}) {
        const QString to = QDir(dir).filePath(QString::fromLatin1(name));
        QFile::remove(to);
        if (!QFile::copy(QStringLiteral(VORNA_BUILT_DATA_DIR "/") + QString::fromLatin1(name), to)) return false;
        QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner);
    }
    const QString working = QDir(dir).filePath(QStringLiteral("VornaW.mdb"));
    QFile::remove(working);
    if (!QFile::copy(QDir(dir).filePath(QStringLiteral("Vorna.mdb")), working)) return false;
    QFile::setPermissions(working, QFile::ReadOwner | QFile::WriteOwner);
    sqlite3* db = nullptr;
    if (sqlite3_open(working.toUtf8().constData(), &db) != SQLITE_OK) return false;
    bool ok = execute(db, "BEGIN") &&
              execute(db, "INSERT INTO ParamRef (idUniq, radicalRef, reperGener, ribOY, identOY1, identOY2, codePostalOY,"
                          " villeOY, paysOY, sirenOY, modifiableOY, ribPL, identPL1, identPL2, codePostalPL, villePL,"
                          " paysPL, sirenPL, modifiablePL, modeTransfert)"
                          " VALUES (1, 'VIR', '/tmp/', '30004005500001004750105', 'CLIENT SA', '2 AVENUE FOCH', '69001',"
                          " 'LYON', 'FR', '732829320', 1, '20041 01005 05000123456 94', 'BANQUE', '1 RUE DE LA PAIX',"
                          " '75001', 'PARIS', 'FR', '552100554', 1, 'VPN')");
    sqlite3_stmt* st = nullptr;
    ok = ok && sqlite3_prepare_v2(db,
                                  // Orders that the checks before storing accept, as the window stores them.
                                  "INSERT INTO Ordres (typeOper, devPaiement, devOrdre, montant, urgent, refInterne,"
                                  " dateCreation, ribOY, identOY1, identOY2, codePostalOY, villeOY, paysOY, ribPL,"
                                  " identPL1, identPL2, codePostalPL, villePL, paysPL, bicBqeBE, paysBqeBE, identBE1,"
                                  " identBE2, villeBE, paysBE, ibanBE, motif1, frais, avisBenefType, residentOY, nbDeci,"
                                  " genere, paysResBE)"
                                  " VALUES (0, 'EUR', 'EUR', ?, 0, ?, '2026-12-01 10:00:00', '30004005500001004750105',"
                                  " 'CLIENT SA', '2 AVENUE FOCH', '69001', 'LYON', 'FR', '20041 01005 05000123456 94',"
                                  " 'BANQUE', '1 RUE DE LA PAIX', '75001', 'PARIS', 'FR', 'DEUTDEFF', 'DE',"
                                  " 'HANSEATIC SHIPPING GMBH', 'HAFENSTRASSE 12', 'HAMBURG', 'DE', 'DE89370400440532013000',"
                                  " 'FACTURE 2026-118', 2, 0, 1, 2, ?, 'DE')",
                                  -1, &st, nullptr) == SQLITE_OK;
    for (int i = 1; i <= count && ok; ++i) {
        const QByteArray ref = "VIR" + QByteArray::number(i);
        sqlite3_bind_double(st, 1, 100 + i * 1.25);
        sqlite3_bind_text(st, 2, ref.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(st, 3, i % 3 == 0);
        ok = sqlite3_step(st) == SQLITE_DONE;
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    ok = ok && execute(db, "COMMIT");
    sqlite3_close(db);
    return ok;
}

// The session the start-up would make, without the main window.
void openSession(const QString& dir) {
    Session& s = Session::current();
    s.workingPath = QDir(dir).filePath(QStringLiteral("VornaW.mdb"));
    s.connVorna = jetConnectionString(s.workingPath);
    s.connParamVorna = jetConnectionString(QDir(dir).filePath(QStringLiteral("ParVorna.mdb")));
    s.dfwConn = openConnection(s.connVorna);
    frmParamRef::loadInfo(s.dfwConn);
}

void closeSession() {
    frmOrdre::unloadIfLoaded();
    forms::unloadAll<frmLstDev, frmLstPays, frmLstCodesEcono, frmParamRef>();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Session::current().dfwConn.reset();
}

// Types an order as a user would fill it (one that the checks before storing accept, with no
// question), then stores it.
void typeAndStore(frmOrdre& f) {
    f.txtRefInterne->setText(QStringLiteral("VIR-BENCH-1"));
    f.txtDev[0]->setText(QStringLiteral("EUR"));
    f.txtDev[1]->setText(QStringLiteral("EUR"));
    f.txtNbDeci->setText(QStringLiteral("2"));
    f.datPrimaryRS->setValue(QStringLiteral("montant"), Decimal(1234567, 2));
    f.txtBic[1]->setText(QStringLiteral("BOTKJPJT"));
    f.txtPays[3]->setText(QStringLiteral("JP"));
    f.txtText[19]->setText(QStringLiteral("NIPPON PRECISION KK"));
    f.txtText[20]->setText(QStringLiteral("1-2 MARUNOUCHI"));
    f.txtText[22]->setText(QStringLiteral("OSAKA"));
    f.txtPays[4]->setText(QStringLiteral("JP"));
    f.txtIbanBE->setText(QStringLiteral("JP0012345678"));
    f.txtMotif[1]->setText(QStringLiteral("FACTURE 77"));
    f.optFrais->setValue(2, true);
    f.txtPays[5]->setText(QStringLiteral("JP"));
    f.cmdAdd_Click();
}

int orderCount() {
    Recordset rs;
    rs.open(QStringLiteral("select count(*) from Ordres"), Session::current().dfwConn, CursorType::ForwardOnly,
            LockType::ReadOnly);
    return int(rs.value(0).toInt());
}

// What SQLite alone takes to read one order, and to write one (a committed insert, then its
// removal, which is not timed).
Step readFloor(int id) {
    return measure([&] {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(Session::current().dfwConn->handle(), "select * from Ordres where idOrdre = ?", -1, &st, nullptr);
        sqlite3_bind_int(st, 1, id);
        while (sqlite3_step(st) == SQLITE_ROW) {
        }
        sqlite3_finalize(st);
    });
}
Step writeFloor() {
    sqlite3* db = Session::current().dfwConn->handle();
    const Step s = measure([&] { sqlite3_exec(db, "INSERT INTO Ordres (refInterne) VALUES ('X')", nullptr, nullptr, nullptr); });
    const QByteArray drop = "DELETE FROM Ordres WHERE idOrdre = " + QByteArray::number(sqlite3_last_insert_rowid(db));
    sqlite3_exec(db, drop.constData(), nullptr, nullptr, nullptr);
    return s;
}

void print(const char* what, const Step& s, const Step& floor) {
    std::printf("%-48s %8.1f ms  peak +%6.1f MiB   (SQLite alone %6.2f ms, +%5.1f MiB)\n", what, s.ms, s.peakAbove, floor.ms,
                floor.peakAbove);
}

int runBenchmark(int count) {
    QTemporaryDir dir;
    std::printf("working database: %d orders; the order window's own steps\n", count);
    if (!makeDataFolder(dir.path(), 0)) return 1;
    openSession(dir.path());
    // The pick lists read once, as in a session; the first window also warms Qt's caches.
    for (int i = 0; i < 2; ++i) {
        frmOrdre::loadFor(Value());
        frmOrdre::unloadIfLoaded();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    print("open new, empty table", measure([] { frmOrdre::loadFor(Value()); }), readFloor(1));
    closeSession();

    if (!makeDataFolder(dir.path(), count)) return 1;
    openSession(dir.path());
    frmOrdre::loadFor(Value());
    frmOrdre::unloadIfLoaded();
    const int middle = std::max(1, count / 2);
    const Step read = readFloor(middle);
    const Step write = writeFloor();
    print("open new", measure([] { frmOrdre::loadFor(Value()); }), read);
    const int before = orderCount();
    print("type an order and store it", measure([] { typeAndStore(frmOrdre::instance()); }), write);
    // A refused store would measure a message, not a store.
    if (orderCount() != before + 1) {
        std::fprintf(stderr, "the typed order was not stored\n");
        return 1;
    }
    frmOrdre::unloadIfLoaded();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    print("open an existing order", measure([&] { frmOrdre::loadFor(Value(middle)); }), read);
    frmOrdre& f = frmOrdre::instance();
    f.txtText[19]->setText(QStringLiteral("HANSEATIC SHIPPING AG"));
    print("change it and store it (the window closes)", measure([&] { f.cmdAdd_Click(); }), write);
    if (frmOrdre::isLoaded()) {
        std::fprintf(stderr, "the changed order was not stored\n");
        return 1;
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // What the window saves by not reading the table: the whole table in a recordset.
    print("for comparison: the whole table in a recordset", measure([] {
              Recordset rs;
              rs.open(QStringLiteral("Ordres"), Session::current().dfwConn);
          }),
          read);
    closeSession();
    return 0;
}

int grab(const QString& stem) {
    QTemporaryDir dir;
    if (!makeDataFolder(dir.path(), 300)) return 1;
    openSession(dir.path());
    frmOrdre& f = frmOrdre::loadFor(Value());
    f.show();
    QElapsedTimer t;
    t.start();
    while ((!f.windowHandle() || !f.windowHandle()->isExposed()) && t.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    // As it opens: the sheet glides from the top to the intermediary bank.
    f.activateWindow();
    QElapsedTimer glide;
    glide.start();
    while (glide.elapsed() < 1500) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    bool saved = f.grab().save(stem + QStringLiteral("-opened.png"));
    std::printf("%s %s-opened.png (shift %d)\n", saved ? "saved" : "could not save", qPrintable(stem), f.vscH->value());
    const QPair<int, QString> places[] = {{0, QStringLiteral("-top.png")},
                                          {f.vscH->maximum() / 2, QStringLiteral("-middle.png")},
                                          {f.vscH->maximum(), QStringLiteral("-bottom.png")}};
    for (const auto& [value, suffix] : places) {
        f.timerScroll->stop();
        f.vscH->setValue(value);
        QCoreApplication::processEvents();
        f.repaint();
        const bool ok = f.grab().save(stem + suffix);
        std::printf("%s %s%s\n", ok ? "saved" : "could not save", qPrintable(stem), qPrintable(suffix));
        saved = saved && ok;
    }
    closeSession();
    return saved ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    const bool grabbing = !args.isEmpty() && args.first() == QStringLiteral("--grab");
    if (grabbing && args.size() < 2) {
        std::fprintf(stderr, "usage: bench_orderwindow [orders] | --grab STEM\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !grabbing) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bench::PrintedDialogs dialogs;  // a question is answered No: the orders stored raise none
    Dialogs::install(&dialogs);
    const int count = !grabbing && !args.isEmpty() ? std::max(1, args.first().toInt()) : 100000;
    const int rc = grabbing ? grab(QFileInfo(args[1]).absoluteFilePath()) : runBenchmark(count);
    Dialogs::install(nullptr);
    return rc;
}
