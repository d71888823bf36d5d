// The report facility: pages laid out from a recordset, the runtime codes, the HTML export into
// a page template, printing to a PDF file, the printer error and the job time-out, the window.

#include "common/qtsupport.h"
#include <gtest/gtest.h>

#include <QFile>
#include <QFileDialog>
#include <QPointer>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

#include "common/errorof.h"
#include "common/jettestdata.h"
#include "common/scripteddialogs.h"
#include "common/tempstartfolder.h"
#include "platform/clock.h"
#include "platform/db/recordset.h"
#include "platform/files/files.h"
#include "platform/report/report.h"
#include "platform/report/reportwindow.h"

using namespace vorna;
using namespace vorna::report;
using vorna::test::ScriptedDialogs;
using vorna::test::TempStartFolder;
using vorna::test::errorOf;

namespace {

// A report that records its events and can cancel a job at a given second.
class TestReport : public Report {
public:
    TestReport() {
        caption = QStringLiteral("Liste d'essai");
        pageSize = QPageSize(QPageSize::A4);
        margins = QMargins(500, 500, 500, 500);
        Control title;
        title.name = QStringLiteral("lblTitre");
        title.caption = QStringLiteral("Titre : %i");
        title.rect = QRect(0, 0, 6000, 300);
        reportHeader.height = 400;
        reportHeader.add(title);
        Control heading;
        heading.name = QStringLiteral("lblEntete");
        heading.caption = QStringLiteral("Référence");
        heading.rect = QRect(0, 0, 3000, 250);
        pageHeader.height = 300;
        pageHeader.add(heading);
        Control ref;
        ref.kind = Control::Kind::TextBox;
        ref.name = QStringLiteral("txtRef");
        ref.dataField = QStringLiteral("refInterne");
        ref.rect = QRect(0, 0, 3000, 200);
        Control urgent;
        urgent.kind = Control::Kind::CheckBox;
        urgent.name = QStringLiteral("chkUrgent");
        urgent.dataField = QStringLiteral("urgent");
        urgent.rect = QRect(3200, 0, 200, 200);
        detail.height = 1000;
        detail.add(ref);
        detail.add(urgent);
        Control page;
        page.name = QStringLiteral("lblPage");
        page.caption = QStringLiteral("%p / %P");
        page.rect = QRect(0, 0, 2000, 250);
        pageFooter.height = 300;
        pageFooter.add(page);
        Control total;
        total.name = QStringLiteral("lblTotal");
        total.caption = QStringLiteral("fin");
        total.rect = QRect(0, 0, 3000, 250);
        total.canGrow = true;
        reportFooter.height = 300;
        reportFooter.add(total);
    }
    void reportError(long number, const QString& description, bool& showDefault) override {
        errors << number;
        errorTexts << description;
        showDefault = showErrors;
    }
    void processingTimeout(int seconds, bool& cancel) override {
        timeouts << seconds;
        if (seconds == cancelAt) cancel = true;
    }
    QList<long> errors;
    QStringList errorTexts;
    bool showErrors = false;
    QList<int> timeouts;
    int cancelAt = -1;
};

class ReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        Clock::pin(QDateTime(QDate(2026, 3, 7), QTime(9, 5, 2)));
        folder.createWorkingDatabase();
        conn = folder.openWorking();
    }
    void TearDown() override { Clock::pin(QDateTime()); }

    // `count` orders REF1.. in ascending idOrdre, every third one urgent; the beneficiary's
    // name of order i, when `names` are given, is names[i % size] (Null for a null text).
    void addOrders(int count, const QStringList& names = {}) {
        for (int i = 1; i <= count; ++i) {
            TempStartFolder::Fields fields{{QStringLiteral("refInterne"), QStringLiteral("REF%1").arg(i)},
                                           {QStringLiteral("urgent"), i % 3 == 0}};
            if (!names.isEmpty())
                fields << qMakePair(QStringLiteral("identBE1"), names[i % names.size()].isNull() ? Value::null() : Value(names[i % names.size()]));
            TempStartFolder::insertOrder(conn, fields);
        }
        rs.open(QStringLiteral("select * from Ordres"), conn, CursorType::Keyset, LockType::ReadOnly);
        rs.sort(QStringLiteral("idOrdre ASC"));
        report.setDataSource(&rs);
    }

    // Texts (codes expanded) of the labels and boxes of one page, in drawing order.
    QStringList pageTexts(const Layout& l, int page) {
        QStringList out;
        for (const Band& b : l.pages[page].bands)
            for (const PlacedItem& it : b.items)
                if (l.control(b, it).kind == Control::Kind::CheckBox)
                    out << (it.checked ? QStringLiteral("[x]") : QStringLiteral("[ ]"));
                else
                    out << expandCodes(it.text, l.now, page + 1, int(l.pages.size()), l.title);
        return out;
    }

    TempStartFolder folder;
    ConnectionPtr conn;
    Recordset rs;
    TestReport report;
    ScriptedDialogs dialogs;
};

TEST(ReportCodes, RuntimeCodesAreReplaced) {
    const QDateTime now(QDate(2026, 12, 8), QTime(7, 4, 9));
    const struct {
        const char* caption;
        const char* expected;
    } cases[] = {
        {"%d", "08/12/2026"},         {"%D", "mardi 8 décembre 2026"}, {"%t", "07:04"},   {"%T", "07:04:09"},
        {"%p", "3"},                  {"/ %P", "/ 12"},                {"%i", "Titre"},   {"100 %%", "100 %"},
        {"%x reste", "%x reste"},     {"fin %", "fin %"},              {"sans code", "sans code"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(expandCodes(QString::fromUtf8(c.caption), now, 3, 12, QStringLiteral("Titre")), QString::fromUtf8(c.expected))
            << c.caption;
}

TEST_F(ReportTest, DetailsFlowOverPagesUnderTheirHeaders) {
    // A4 is 16838 twips high: 16838 - 500 - 500 - 300 (footer) = 15538 below the top margin;
    // page 1 holds the report header (400), page header (300) and 14 rows of 1000; later pages 15.
    addOrders(40);
    const Layout l = report.layout();
    ASSERT_EQ(l.pages.size(), 3);
    const QStringList first = pageTexts(l, 0);
    EXPECT_EQ(first.mid(0, 4), (QStringList{"Titre : Liste d'essai", "Référence", "REF1", "[ ]"}));
    EXPECT_EQ(first.mid(first.size() - 3), (QStringList{"REF14", "[ ]", "1 / 3"}));
    const QStringList second = pageTexts(l, 1);
    EXPECT_EQ(second.mid(0, 3), (QStringList{"Référence", "REF15", "[x]"}));
    EXPECT_EQ(second.last(), "2 / 3");
    // The last page: the remaining rows, the report footer after them, then the page footer.
    const QStringList third = pageTexts(l, 2);
    EXPECT_EQ(third.mid(third.size() - 4), (QStringList{"REF40", "[ ]", "fin", "3 / 3"}));
    // The page footer sits at the bottom of every page.
    const Band& footer = l.pages[1].bands.last();
    EXPECT_EQ(footer.top, 16838 - 500 - 300);
}

// Each detail row shows its own texts, whether a field repeats the row before's, changes, is
// Null or empty.
TEST_F(ReportTest, EveryRowShowsItsOwnFieldTexts) {
    const QStringList names = {QString(), "A", "A", QString(), "A", "Été", "Été", "B", QStringLiteral(""), "B", QString()};
    report.detail.controls[0].dataField = QStringLiteral("identBE1");
    addOrders(10, names);  // order i has names[i]
    const Layout l = report.layout();
    int row = 0;
    for (const Page& p : l.pages)
        for (const Band& b : p.bands) {
            if (b.section != 2) continue;
            ASSERT_LT(row, 10);
            ASSERT_EQ(b.items.size(), 2);
            EXPECT_EQ(b.items[0].text, names[row + 1]) << row;
            EXPECT_EQ(b.items[0].text.isNull(), rs.valueAt(row, rs.fieldIndex("identBE1")).toText().isNull()) << row;
            ++row;
        }
    EXPECT_EQ(row, 10);
    // The page writes each row's own text, a repeated one as often as it comes.
    report.addExportFormat({QStringLiteral("E"), QStringLiteral("E"), QStringLiteral("*.htm"), QString()});
    const QByteArray bytes = report.exportHtml(report.exportFormats().first(), l).toLatin1();
    EXPECT_EQ(bytes.count("<SPAN class=s2c0>A</SPAN>"), 3);
    EXPECT_EQ(bytes.count("<SPAN class=s2c0>&#201;t&#233;</SPAN>"), 2);
    EXPECT_EQ(bytes.count("<SPAN class=s2c0>B</SPAN>"), 2);
}

TEST_F(ReportTest, AGrowingControlMakesItsSectionTaller) {
    addOrders(1);
    report.control(QStringLiteral("lblTotal"))->caption = QStringLiteral("un\r\ndeux\r\ntrois\r\nquatre\r\ncinq");
    const Layout l = report.layout();
    const Band& footer = l.pages[0].bands[l.pages[0].bands.size() - 2];
    EXPECT_GT(footer.height, 5 * 8 * 20);  // five lines of 8 points at least
    EXPECT_EQ(footer.items[0].height, footer.height);
}

TEST_F(ReportTest, AnUnknownColumnIsAnError) {
    addOrders(1);
    report.detail.controls[0].dataField = QStringLiteral("nulle");
    EXPECT_EQ(errorOf([&] { report.layout(); }).number, err::ItemNotFound);
    const QString path = folder.filePath(QStringLiteral("inconnue.htm"));
    EXPECT_EQ(errorOf([&] { report.exportReport(QString(), path); }).number, err::ItemNotFound);
    EXPECT_FALSE(files::fileExists(path));
}

TEST_F(ReportTest, HtmlExportFillsTheTemplateAndOverwrites) {
    addOrders(20);
    report.control(QStringLiteral("lblTotal"))->caption =
        QString::fromUtf8("12345678abcd\U0001F600xy\"x\"\r\ny\nz & <é>\r\tI\u00A0") + QChar(0xD83D);
    const QString page = QStringLiteral("<HTML>\r\n<TITLE>Essai é : ") + kTitleMarker + QStringLiteral("</TITLE>\r\n<BODY>\r\n") +
                         kBodyMarker + QStringLiteral("\r\n</BODY>\r\n</HTML>");
    report.addExportFormat({QStringLiteral("Essai"), QStringLiteral("Essai (*.HTM)"), QStringLiteral("*.HTM"), page});
    const QString path = folder.filePath(QStringLiteral("sortie.htm"));
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(200000, 'x'));
    }
    ASSERT_TRUE(report.exportReport(QStringLiteral("Essai"), path, true, false));
    EXPECT_TRUE(dialogs.messages.isEmpty());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_FALSE(bytes.contains('x' + QByteArray(10, 'x')));
    const QByteArray head = "<HTML>\r\n<TITLE>Essai &#233; : Liste d'essai</TITLE>\r\n<BODY>\r\n<STYLE>";
    EXPECT_TRUE(bytes.startsWith(head)) << bytes.left(120).toStdString();
    EXPECT_TRUE(bytes.endsWith("</DIV>\r\n\r\n</BODY>\r\n</HTML>"));
    // Plain ASCII; every page once, with its number; every row once.
    for (const char c : bytes) ASSERT_LT(static_cast<unsigned char>(c), 128u);
    EXPECT_EQ(bytes.count("<DIV class=pg>"), 2);
    EXPECT_TRUE(bytes.contains(">1 / 2</SPAN>"));
    EXPECT_TRUE(bytes.contains(">2 / 2</SPAN>"));
    EXPECT_TRUE(bytes.contains(">R&#233;f&#233;rence</SPAN>"));
    for (int i = 1; i <= 20; ++i) EXPECT_EQ(bytes.count(">REF" + QByteArray::number(i) + "</SPAN>"), 1) << i;
    EXPECT_EQ(bytes.count("&#9746;"), 6);
    // Markup characters and line breaks escaped, every character beyond ASCII a reference (a pair
    // of surrogates one reference, a lone one its own), the rest as it is.
    EXPECT_TRUE(bytes.contains(
        ">12345678abcd&#128512;xy&quot;x&quot;<BR>y<BR>z &amp; &lt;&#233;&gt;<BR>\tI&#160;&#55357;</SPAN>"));
}

// The page goes to its file a piece at a time, each row placed again as it is written: rows far
// longer than a piece, growing to different heights, give byte for byte the pages laid out.
TEST_F(ReportTest, AnExportIsThePagesLaidOutWrittenWhole) {
    Control& ref = report.detail.controls[0];
    ref.canGrow = true;
    ref.textOf = [](const Recordset&, int row, const QString& text) { return QStringList(row % 5 + 1, text).join(u'\n'); };
    report.detail.height = 300;
    Control note;
    note.name = QStringLiteral("lblNote");
    note.caption = QStringLiteral("é<x>&").repeated(700);  // 14 kB of HTML on every row
    note.rect = QRect(3500, 0, 3000, 200);
    report.detail.add(note);
    // Stored texts are written from their bytes: markup and line breaks at either side of a
    // block of sixteen, and accents, which take the text's own way, give the same page.
    Control name;
    name.kind = Control::Kind::TextBox;
    name.name = name.dataField = QStringLiteral("identBE1");
    name.rect = QRect(6600, 0, 3000, 200);
    report.detail.add(name);
    addOrders(150, {QString(), QStringLiteral(""), QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ"),
                    QStringLiteral("0123456789ABCDE&FGH"), QStringLiteral("<0123456789ABCDEF>"),
                    QStringLiteral("x\r\ny\rz\n0123456789abcdef\"q\"\r"), QStringLiteral("0123456789abcdef0123456789é<>"),
                    QStringLiteral("Zürich")});
    report.addExportFormat({QStringLiteral("G"), QStringLiteral("G"), QStringLiteral("*.htm"), QString()});
    const QString path = folder.filePath(QStringLiteral("grandit.htm"));
    ASSERT_TRUE(report.exportReport(QStringLiteral("G"), path));
    const QByteArray bytes = vorna::test::fileBytes(path);
    const Layout l = report.layout();
    ASSERT_GT(l.pages.size(), 3);
    EXPECT_EQ(bytes.count("<DIV class=pg>"), l.pages.size());
    EXPECT_EQ(bytes.count("&#233;&lt;x&gt;&amp;"), 150 * 700);
    EXPECT_TRUE(bytes.contains(">REF150<BR>REF150<BR>REF150<BR>REF150<BR>REF150</SPAN>"));
    EXPECT_EQ(bytes.count(">0123456789abcdef0123456789&#233;&lt;&gt;</SPAN>"), 19);  // rows 6, 14, ..., 150
    EXPECT_TRUE(bytes == report.exportHtml(report.exportFormats().first(), l).toLatin1());
}

TEST_F(ReportTest, ExportFailuresAreErrors) {
    addOrders(1);
    report.addExportFormat({QStringLiteral("E"), QStringLiteral("E"), QStringLiteral("*.htm"), QString()});
    const QString existing = folder.filePath(QStringLiteral("la.htm"));
    QFile(existing).open(QIODevice::WriteOnly);
    EXPECT_EQ(errorOf([&] { report.exportReport(QStringLiteral("E"), existing, false, false); }).number,
              files::errnum::FileAlreadyExists);
    EXPECT_EQ(errorOf([&] { report.exportReport(QStringLiteral("E"), folder.filePath("absent/x.htm"), true, false); }).number,
              files::errnum::PathFileAccess);
    EXPECT_EQ(errorOf([&] { report.exportReport(QStringLiteral("Autre"), existing, true, false); }).number, err::ItemNotFound);
    // Through the dialog: a cancel writes nothing, a chosen file is written.
    dialogs.saveFile = std::nullopt;
    EXPECT_FALSE(report.exportReport(QStringLiteral("E"), QString(), true, true));
    dialogs.saveFile = folder.filePath(QStringLiteral("choisi.htm"));
    EXPECT_TRUE(report.exportReport(QStringLiteral("E"), QString(), false, true));
    EXPECT_TRUE(files::fileExists(*dialogs.saveFile));
}

TEST_F(ReportTest, PrintsToThePdfFileChosen) {
    addOrders(40);
    dialogs.printTarget = PrintTarget{QString(), folder.filePath(QStringLiteral("liste.pdf"))};
    ASSERT_TRUE(report.print());
    QFile f(dialogs.printTarget->pdfPath);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray pdf = f.readAll();
    EXPECT_TRUE(pdf.startsWith("%PDF"));
    EXPECT_EQ(pdf.count("/Type /Page\n") + pdf.count("/Type /Page\r") + pdf.count("/Type /Page "), 3);
    // Cancelled: nothing printed.
    dialogs.printTarget = std::nullopt;
    EXPECT_FALSE(report.print());
    EXPECT_TRUE(report.errors.isEmpty());
}

TEST_F(ReportTest, AMissingPrinterIsTheReportsPrinterError) {
    addOrders(1);
    dialogs.printTarget = PrintTarget{QStringLiteral("Imprimante absente"), QString()};
    EXPECT_FALSE(report.print());
    EXPECT_EQ(report.errors, QList<long>{kPrinterError});
    EXPECT_TRUE(dialogs.messages.isEmpty());
    // A handler that lets it through: the default message shows the description.
    report.showErrors = true;
    report.print();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, report.errorTexts.last());
    EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Critical);
}

TEST_F(ReportTest, LongJobsAskEverySecondAndStopWhenCancelled) {
    addOrders(40);
    qint64 ms = 0;
    report.jobClock = [&] { return ms += 700; };  // each look at the clock is 0.7 s later
    dialogs.printTarget = PrintTarget{QString(), folder.filePath(QStringLiteral("long.pdf"))};
    ASSERT_TRUE(report.print());
    ASSERT_FALSE(report.timeouts.isEmpty());
    for (int i = 0; i < report.timeouts.size(); ++i) EXPECT_EQ(report.timeouts[i], i + 1);
    report.timeouts.clear();
    report.cancelAt = 1;
    EXPECT_FALSE(report.print());
    EXPECT_EQ(report.timeouts.last(), 1);
    report.timeouts.clear();
    ms = 0;
    EXPECT_FALSE(report.exportReport(QString(), folder.filePath(QStringLiteral("long.htm"))));
    EXPECT_FALSE(files::fileExists(folder.filePath(QStringLiteral("long.htm"))));
}

TEST_F(ReportTest, TheWindowShowsThePagesAndPrints) {
    addOrders(40);
    dialogs.printTarget = PrintTarget{QString(), folder.filePath(QStringLiteral("fenetre.pdf"))};
    bool seen = false;
    forms::Form::ModalHook = [&](forms::Form& f) {
        auto* w = qobject_cast<ReportWindow*>(&f);
        ASSERT_NE(w, nullptr);
        seen = true;
        EXPECT_EQ(w->windowTitle(), "Liste d'essai");
        EXPECT_EQ(w->preview->pageCount(), 3);
        EXPECT_TRUE(w->isModal());
        w->cmdPrint->click();
        w->cmdClose->click();
    };
    report.showModal(QRect(0, 0, 9000, 7000));
    forms::Form::ModalHook = nullptr;
    vorna::test::flushDeletes();
    EXPECT_TRUE(seen);
    EXPECT_TRUE(files::fileExists(dialogs.printTarget->pdfPath));
}

// The Qt dialogs on a machine without printer; messages are recorded, not shown.
class NoPrinterDialogs : public QtDialogs {
public:
    NoPrinterDialogs() : previous_(&Dialogs::current()) { Dialogs::install(this); }
    ~NoPrinterDialogs() override { Dialogs::install(previous_); }
    QString defaultPrinterName() override { return QString(); }
    MsgAnswer message(const QString& text, const QString&, MsgButtons, MsgIcon) override {
        messages << text;
        return MsgAnswer::OK;
    }
    QStringList messages;
    Dialogs* previous_;
};

// Answers the next file dialog from inside its loop: `typed` in `folder`; `proposed` is the name
// it showed.
void typeIntoNextFileDialog(QString& proposed, const QString& folder, const QString& typed) {
    QTimer::singleShot(0, [&proposed, folder, typed] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        proposed = QFileInfo(dialog->selectedFiles().value(0)).fileName();
        dialog->setDirectory(folder);
        dialog->selectFile(typed);
        static_cast<QDialog*>(dialog)->accept();  // QFileDialog::accept, as the Save button
    });
}

// The save dialogs (the print's without a printer, the export's) propose the report's name, its
// characters no file name takes as "_", or else its caption; a name typed bare gets its extension.
// The window stays under its own save dialog.
TEST_F(ReportTest, SaveDialogsProposeANameGiveTheExtensionAndKeepTheirWindow) {
    addOrders(1);
    report.addExportFormat({QStringLiteral("VisuOrd"), QStringLiteral("Visualisation d'ordre (*.HTM)"), QStringLiteral("*.HTM"),
                            QString()});
    NoPrinterDialogs qt;
    const struct {
        const char *name, *typed, *proposed, *written;
    } cases[] = {
        {"VIR-0042", "ordre", "VIR-0042.pdf", "ordre.pdf"},
        {"VIR-0042", "export", "VIR-0042.htm", "export.htm"},
        {"VIR/12:7", "autre", "VIR_12_7.htm", "autre.htm"},
        {"", "dernier.htm", "Liste d'essai.htm", "dernier.htm"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        report.fileName = QString::fromUtf8(c.name);
        QString proposed;
        typeIntoNextFileDialog(proposed, folder.path(), QString::fromUtf8(c.typed));
        EXPECT_TRUE(QByteArray(c.written).endsWith(".pdf") ? report.print() : report.exportReport(QString(), QString(), true, true));
        EXPECT_EQ(proposed, c.proposed);
        EXPECT_TRUE(files::fileExists(folder.filePath(QString::fromUtf8(c.written))));
    }
    // A close request on the report window, or its "Fermer" pressed from outside (an accessibility
    // tool can), while its "Enregistrer sous" dialog shows: the window stays under its dialog, and
    // closes afterwards.
    bool dialogSeen = false, stayed = false, closedAfter = false;
    forms::Form::ModalHook = [&](forms::Form& f) {
        auto* w = qobject_cast<ReportWindow*>(&f);
        if (!w) return;
        QPointer<ReportWindow> window(w);
        QTimer::singleShot(0, [&, window] {
            QPointer<QFileDialog> dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            dialogSeen = dialog && window && dialog->parentWidget() == window;
            if (window) window->close();
            if (window) window->cmdClose->click();
            // Whatever was to be destroyed would be now.
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            stayed = window && window->isVisible() && window->loadState() == forms::Form::LoadState::Loaded;
            if (dialog) dialog->reject();
        });
        w->cmdExport->click();
        if (!window) return;
        window->cmdClose->click();
        closedAfter = !window || window->loadState() == forms::Form::LoadState::Unloaded;
    };
    report.showModal(QRect(0, 0, 9000, 7000));
    forms::Form::ModalHook = nullptr;
    vorna::test::flushDeletes();
    EXPECT_TRUE(dialogSeen);
    EXPECT_TRUE(stayed);
    EXPECT_TRUE(closedAfter);
    EXPECT_TRUE(qt.messages.isEmpty()) << qt.messages.join(u'|').toStdString();
}

}  // namespace
