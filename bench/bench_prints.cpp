// The print of a group of orders: one generation of 1,000 orders printed to a PDF file and
// exported as HTML.
//
//   bench_prints [orders]
//       Fills a working database with that many orders (1,000 by default) generated within one
//       minute, reads them as the choice of groups does, and times the PDF print and the HTML
//       export, each in a process of its own so that its peak resident memory is its own. Each
//       figure is printed beside its floor: Qt alone painting as many texts on as many PDF pages,
//       and writing an HTML file of the same size.
//       Then the choice of groups to print, opened on a main list of 100,000 and of 1,000,000
//       orders, each in a process of its own.
//   bench_prints --groups orders
//       The choice of groups to print only: the main window loaded on a working database of that
//       many orders (the mix of bench_orderlist), the time the window takes to open with its
//       items, beside its floor: SQLite alone reading the distinct minutes of the generations.

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QProcess>
#include <QListWidget>
#include <QTemporaryDir>
#include <sqlite3.h>
#include <sys/resource.h>

#include <cstdio>

#include "benchdialogs.h"
#include "benchorders.h"
#include "generation/frmimprim.h"
#include "generation/rptvisuord.h"
#include "orderlist/frmlistordre.h"
#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/db/connection.h"
#include "platform/db/recordset.h"
#include "platform/session.h"
#include "platform/text/format.h"
#include "platform/value.h"

using namespace vorna;

namespace {

const QDateTime kGenerated(QDate(2026, 12, 7), QTime(16, 42, 5));

long peakKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

bool fill(const QString& path, int count) {
    const char* sql =
        "INSERT INTO Ordres (typeOper, devPaiement, devOrdre, montant, cMontant, urgent, refInterne, dateCreation,"
        " ribOY, identOY1, identOY2, codePostalOY, villeOY, paysOY,"
        " ribPL, identPL1, identPL2, codePostalPL, villePL, paysPL, bicBqeI1, identBqeI11, villeBqeI1, paysBqeI1,"
        " bicBqeBE, codeBqeBE, identBqeBE1, villeBqeBE, paysBqeBE, identBE1, identBE2, villeBE, paysBE, ibanBE,"
        " motif1, motif2, frais, avisBenefType, avisTel, residentOY, codeEcono, paysResBE, sirenDecla, nbDeci,"
        " genere, dateGener)"
        " VALUES (?, 'EUR', 'EUR', 1234.56, '1 234,56', ?, ?, ?,"
        " '30004008280001012345676', 'SOCIETE GENERALE DES EAUX', '12 RUE DE LA PAIX', '75002', 'PARIS', 'FR',"
        " '30004 00828 00010123456 76', 'TRESORERIE GENERALE DU NORD', '1 RUE HAUTE', '59000', 'LILLE', 'FR',"
        " 'COBADEFFXXX', 'COMMERZBANK AG', 'FRANKFURT', 'DE',"
        " 'DEUTDEFFXXX', '37040044', 'DEUTSCHE BANK AG', 'HAMBURG', 'DE', ?, 'HAFENSTRASSE 12', 'HAMBURG', 'DE',"
        " 'DE89370400440532013000', 'FACTURE 2026-1234', 'CONTRAT 55', ?, ?, '+49 40 123456', 1, '110', 'DE',"
        " '552100554', 2, 1, ?)";
    const QByteArray created = storedDateTime(kGenerated.addDays(-1)).toLatin1();
    return bench::insertRows(path, nullptr, sql, count, [&](sqlite3_stmt* st, int i) {
        const QByteArray ref = QStringLiteral("VIR-%1").arg(i, 6, 10, QChar(u'0')).toLatin1();
        const QByteArray name = QStringLiteral("HANSEATIC SHIPPING %1 GMBH").arg(i).toLatin1();
        const QByteArray when = storedDateTime(kGenerated.addSecs(i % 50)).toLatin1();
        sqlite3_bind_int(st, 1, i % 4);
        sqlite3_bind_int(st, 2, i % 10 == 7);
        sqlite3_bind_text(st, 3, ref.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 4, created.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 5, name.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(st, 6, i % 3);
        sqlite3_bind_int(st, 7, i % 3);
        sqlite3_bind_text(st, 8, when.constData(), -1, SQLITE_TRANSIENT);
    });
}

// Items drawn on one order's page: what the floor paints as often.
int itemsPerPage() {
    rptVisuOrd r;
    int n = 0;
    for (const report::Section* s : {&r.pageHeader, &r.detail})
        for (const report::Control& c : s->controls) n += c.visible ? 1 : 0;
    return n;
}

// One measurement, in this process: "<ms> <peak kB> <bytes written> <pages>".
int phase(const QString& what, const QString& db, const QString& out) {
    bench::PrintedDialogs dialogs;
    Dialogs::install(&dialogs);
    QElapsedTimer t;
    t.start();
    int pages = 0;
    if (what == QLatin1String("pdf") || what == QLatin1String("html")) {
        ConnectionPtr conn = openConnection(jetConnectionString(db));
        const QString selection =
            frmImprim::selectionOf({frmImprim::GeneratedPrefix + formatDate(kGenerated, QStringLiteral("DD/MM/YYYY HH:MM"))});
        std::unique_ptr<Recordset> rs = openVisuOrd(conn, selection);
        rptVisuOrd report;
        prepareVisuOrd(report, *rs);
        pages = rs->recordCount();
        if (what == QLatin1String("pdf")) {
            QPrinter printer(QPrinter::HighResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(out);
            if (!report.printOn(printer)) return 1;
        } else if (!report.exportReport(rptVisuOrd::ExportKey, out)) {
            return 1;
        }
    } else if (what == QLatin1String("floor-pdf")) {
        // Qt alone: as many texts and boxes on as many pages, no data, no layout.
        pages = db.toInt();
        const int items = itemsPerPage();
        QPdfWriter writer(out);
        writer.setResolution(1200);
        writer.setPageSize(QPageSize(QPageSize::A4));
        QPainter p(&writer);
        QFont f(QStringLiteral("Arial"));
        f.setPointSize(8);
        p.setFont(f);
        for (int page = 0; page < pages; ++page) {
            if (page > 0) writer.newPage();
            for (int i = 0; i < items; ++i) {
                const QRect r(400 + (i % 4) * 2200, 400 + (i / 4) * 300, 2000, 200);
                if (i % 5 == 0) p.drawRect(r);
                p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Texte %1 de la page %2").arg(i).arg(page));
            }
        }
        p.end();
    } else if (what == QLatin1String("floor-html")) {
        // Qt alone: a text of that size built and written.
        const qint64 bytes = db.toLongLong();
        QByteArray text;
        text.reserve(bytes);
        const QByteArray span = "<SPAN class=s2c14>HANSEATIC SHIPPING GMBH</SPAN>";
        while (text.size() < bytes) text += span;
        QFile f(out);
        if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size()) return 1;
    }
    std::printf("%lld %ld %lld %d\n", t.elapsed(), peakKb(), QFileInfo(out).size(), pages);
    return 0;
}

double msOf(const QElapsedTimer& t) { return double(t.nsecsElapsed()) / 1e6; }

// The choice of groups opened on the main list of `count` orders, best of three, beside SQLite
// alone reading the distinct minutes of the generations.
int groups(int count) {
    bench::PrintedDialogs dialogs;
    Dialogs::install(&dialogs);
    QTemporaryDir dir;
    if (!bench::makeDataFolder(dir.path(), count, false)) return 1;
    QDir::setCurrent(dir.path());
    frmListOrdre::SettingsCheck = nullptr;
    frmListOrdre& main = frmListOrdre::instance();
    sqlite3* db = Session::current().dfwConn->handle();
    double open = 1e18, floor = 1e18;
    int items = 0, distinct = 0;
    for (int i = 0; i < 3; ++i) {
        main.misEnForme(false);  // the list as it stands after a refresh, nothing read yet
        QElapsedTimer t;
        t.start();
        frmImprim& w = frmImprim::instance();
        items = w.lstGener->count();
        open = std::min(open, msOf(t));
        frmImprim::unloadIfLoaded();

        t.restart();
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "SELECT DISTINCT substr(dateGener, 1, 16) FROM Ordres", -1, &st, nullptr);
        distinct = 0;
        while (sqlite3_step(st) == SQLITE_ROW) ++distinct;
        sqlite3_finalize(st);
        floor = std::min(floor, msOf(t));
    }
    std::printf("Choice of groups to print, %d orders: opens in %.1f ms with %d items (%.2fx floor, goal 3x);"
                " floor: SQLite's DISTINCT of the minutes %.1f ms (%d)\n",
                count, open, items, open / floor, floor, distinct);
    frmListOrdre::unloadIfLoaded();
    Dialogs::install(nullptr);
    return 0;
}

struct Figure {
    qint64 ms = 0;
    long kb = 0;
    qint64 bytes = 0;
    int pages = 0;
};

Figure run(const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QCoreApplication::applicationFilePath(), args);
    p.waitForFinished(-1);
    Figure f;
    const QList<QByteArray> parts = p.readAllStandardOutput().trimmed().split(' ');
    if (parts.size() == 4) f = {parts[0].toLongLong(), parts[1].toLong(), parts[2].toLongLong(), parts[3].toInt()};
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 4 && args[0] == QLatin1String("--phase")) return phase(args[1], args[2], args[3]);
    if (args.size() == 2 && args[0] == QLatin1String("--groups")) {
        settleTimeZone();  // as the program does at start
        return groups(std::max(1, args[1].toInt()));
    }

    const int count = !args.isEmpty() ? std::max(1, args[0].toInt()) : 1000;
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("VornaW.mdb"));
    QFile::copy(QStringLiteral(VORNA_BUILT_DATA_DIR "/Vorna.mdb"), db);
    QFile::setPermissions(db, QFile::ReadOwner | QFile::WriteOwner);
    if (!fill(db, count)) return 1;

    const Figure pdf = run({"--phase", "pdf", db, dir.filePath(QStringLiteral("ordres.pdf"))});
    const Figure html = run({"--phase", "html", db, dir.filePath(QStringLiteral("ordres.htm"))});
    const Figure floorPdf = run({"--phase", "floor-pdf", QString::number(pdf.pages), dir.filePath(QStringLiteral("floor.pdf"))});
    const Figure floorHtml = run({"--phase", "floor-html", QString::number(html.bytes), dir.filePath(QStringLiteral("floor.htm"))});

    std::printf("Print of one group of %d orders (%d pages)\n", count, pdf.pages);
    std::printf("  %-12s %8s %10s %12s   %s\n", "", "time", "peak", "file", "floor (Qt alone: time, peak)");
    std::printf("  %-12s %6lld ms %7ld MB %9lld kB   %lld ms, %ld MB\n", "PDF", pdf.ms, pdf.kb / 1024, pdf.bytes / 1024,
                floorPdf.ms, floorPdf.kb / 1024);
    std::printf("  %-12s %6lld ms %7ld MB %9lld kB   %lld ms, %ld MB\n", "HTML export", html.ms, html.kb / 1024,
                html.bytes / 1024, floorHtml.ms, floorHtml.kb / 1024);
    std::printf("  goal: each under 3000 ms and 300 MB\n");
    std::fflush(stdout);
    for (const char* n : {"100000", "1000000"}) {
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedChannels);
        p.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--groups"), QLatin1String(n)});
        p.waitForFinished(-1);
    }
    return pdf.pages == count && html.pages == count ? 0 : 1;
}
