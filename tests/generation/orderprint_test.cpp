// The print of stored orders as payment order forms: the query and its ticked boxes, the order
// of the orders, the caption, the state, an order that cannot be found, the HTML export and a
// PDF page read back as text.

#include "common/qtsupport.h"
#include <gtest/gtest.h>

#include <QFile>
#include <QFontMetricsF>
#include <QLocale>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "common/scripteddialogs.h"
#include "common/tempstartfolder.h"
#include "generation/rptvisuord.h"
#include "orderentry/modrules.h"
#include "platform/clock.h"
#include "platform/db/recordset.h"
#include "platform/environment.h"
#include "platform/report/reportwindow.h"
#include "platform/vberror.h"

using namespace vorna;
using vorna::test::ScriptedDialogs;
using vorna::test::TempStartFolder;

namespace {

const QDateTime kGenerated(QDate(2015, 12, 25), QTime(14, 30, 42));

// What the report held when it was to be shown.
struct Shown {
    int times = 0;
    QString caption;
    QList<qint64> ids;
    QStringList etats;
    report::Layout layout;
};

class OrderPrint : public ::testing::Test {
protected:
    void SetUp() override {
        Clock::pin(QDateTime(QDate(2026, 3, 7), QTime(9, 5, 0)));
        folder.createWorkingDatabase();
        conn = folder.openWorking();
        VisuOrdShowHook = [this](rptVisuOrd& r) {
            ++shown.times;
            shown.caption = r.caption;
            const Recordset* rs = r.dataSource();
            for (int i = 0; i < rs->recordCount(); ++i) {
                shown.ids << rs->valueAt(i, rs->fieldIndex(QStringLiteral("idOrdre"))).toInt();
                shown.etats << rs->valueAt(i, rs->fieldIndex(QStringLiteral("etat"))).toText();
            }
            shown.layout = r.layout();
            if (whileShown) whileShown(r);
        };
    }
    void TearDown() override {
        VisuOrdShowHook = nullptr;
        setEndProgramThrows(false);
        Clock::pin(QDateTime());
    }

    qint64 order(const TempStartFolder::Fields& fields = {}) { return TempStartFolder::insertOrder(conn, fields); }
    void print(const QString& selection) { showVisuOrd(conn, selection, QRect(0, 0, 12000, 9000)); }

    // Name → ticked, for the named check boxes of the first order's band.
    QMap<QString, bool> ticks() const {
        QMap<QString, bool> out;
        for (const report::Page& page : shown.layout.pages)
            for (const report::Band& band : page.bands) {
                if (shown.layout.sections.at(band.section).kind != report::SectionKind::Detail) continue;
                for (const report::PlacedItem& item : band.items) {
                    const report::Control& c = shown.layout.control(band, item);
                    if (c.kind == report::Control::Kind::CheckBox) out.insert(c.name, item.checked);
                }
                return out;
            }
        return out;
    }
    // Texts shown by the first order's band, by control name.
    QMap<QString, QString> texts() const {
        QMap<QString, QString> out;
        for (const report::Page& page : shown.layout.pages)
            for (const report::Band& band : page.bands) {
                if (shown.layout.sections.at(band.section).kind != report::SectionKind::Detail) continue;
                for (const report::PlacedItem& item : band.items) {
                    const report::Control& c = shown.layout.control(band, item);
                    if (c.kind == report::Control::Kind::TextBox) out.insert(c.name, item.text);
                }
                return out;
            }
        return out;
    }

    TempStartFolder folder;
    ScriptedDialogs dialogs;
    ConnectionPtr conn;
    Shown shown;
    std::function<void(rptVisuOrd&)> whileShown;
};

TEST_F(OrderPrint, OneOrderShowsItsValuesUnderTheReportsOwnCaption) {
    const qint64 id = order({{"refInterne", "VIR2015-0042"},
                             {"cMontant", "12 345,67"},
                             {"devPaiement", "USD"},
                             {"identBE1", "ACME CORPORATION"},
                             {"ibanBE", "DE89370400440532013000"},
                             {"motif4", "FACTURE 77"},
                             {"codeBqeBE", "021000021"},
                             {"dateCreation", QDateTime(QDate(2026, 3, 6), QTime(16, 45, 10))}});
    order({{"refInterne", "OTHER"}});
    print(QStringLiteral("Where idOrdre = ") + QString::number(id));

    ASSERT_EQ(shown.times, 1);
    EXPECT_EQ(shown.ids, QList<qint64>{id});
    EXPECT_EQ(shown.caption, rptVisuOrd::OwnCaption);
    const QMap<QString, QString> t = texts();
    EXPECT_EQ(t.value("txtrefInterne"), "VIR2015-0042");
    EXPECT_EQ(t.value("txtcMontant"), "12 345,67");
    EXPECT_EQ(t.value("txtdevPaiement"), "USD");
    EXPECT_EQ(t.value("txtidentBE1"), "ACME CORPORATION");
    EXPECT_EQ(t.value("txtibanBE"), "DE89370400440532013000");
    EXPECT_EQ(t.value("txtmotif4"), "FACTURE 77");
    EXPECT_EQ(t.value("txtcodeBqeBE"), "021000021");
    EXPECT_EQ(t.value("txtdateCreation"), "06/03/2026 16:45");
    EXPECT_EQ(t.value("txtError"), "");
    // One order fills one page, under the page header; the watermark shows behind it.
    ASSERT_EQ(shown.layout.pages.size(), 1);
    bool watermark = false;
    for (const report::Band& b : shown.layout.pages[0].bands)
        for (const report::PlacedItem& item : b.items) watermark = watermark || shown.layout.control(b, item).name == "imgVorna";
    EXPECT_TRUE(watermark);
}

// An order stored without its amount's text (cMontant) prints its amount as the list shows it (its
// currency's decimals, the regional separator, no-break blanks); a stored text prints as it is.
TEST_F(OrderPrint, AnOrderWithoutItsAmountTextPrintsItsAmountAsTheListShowsIt) {
    const QString sep = QLocale().decimalPoint(), nb(QChar(0x00A0));
    const struct {
        const char* cMontant;
        Value montant;
        int nbDeci;
        QString printed;
    } cases[] = {
        {"", Decimal::fromInt(150000), 0, "150" + nb + "000"},
        {"   ", Decimal(5, 1), 2, "0" + sep + "50"},
        {"12 345,67", Decimal(1, 0), 2, "12 345,67"},
    };
    for (const auto& c : cases) {
        print(QStringLiteral("Where idOrdre = ") +
              QString::number(order({{"cMontant", c.cMontant}, {"montant", c.montant}, {"nbDeci", c.nbDeci}, {"genere", false}})));
        EXPECT_EQ(texts().value("txtcMontant"), c.printed) << c.cMontant;
    }
}

// Each choice of the option groups ticks its own box, and only it.
TEST_F(OrderPrint, TheChoicesOfTheOrderTickTheirBoxes) {
    struct Case {
        int typeOper, frais, avis;
        bool urgent, resident;
        QStringList ticked;
    };
    const Case cases[] = {
        {0, 0, 0, true, true, {"txtTypeOper", "chkFraisOUR", "chkAvisNormal", "chkUrgent", "chkResident"}},
        {1, 1, 1, false, false, {"chkTOCheque", "chkFraisBEN", "chkAvisTel", "chkNormal", "chkNonResident"}},
        {2, 2, 2, false, true, {"chkTORgltRemise", "chkFraisSHA", "chkAvisFax", "chkNormal", "chkResident"}},
        {3, 0, 0, true, false, {"chkTOMiseADisp", "chkFraisOUR", "chkAvisNormal", "chkUrgent", "chkNonResident"}},
    };
    for (const Case& c : cases) {
        shown = Shown{};
        const qint64 id = order({{"typeOper", c.typeOper}, {"frais", c.frais}, {"avisBenefType", c.avis},
                                 {"urgent", c.urgent}, {"residentOY", c.resident}});
        print(QStringLiteral("Where idOrdre = ") + QString::number(id));
        const QMap<QString, bool> t = ticks();
        ASSERT_EQ(t.size(), 16) << c.typeOper;  // 14 boxes and the two error markers
        QStringList got;
        for (auto it = t.begin(); it != t.end(); ++it)
            if (it.value()) got << it.key();
        QStringList want = c.ticked;
        want.sort();
        EXPECT_EQ(got, want) << "typeOper " << c.typeOper;
    }
}

TEST_F(OrderPrint, SeveralOrdersComeInAscendingNumbersUnderACaptionThatCountsThem) {
    const qint64 a = order({{"refInterne", "A"}});
    const qint64 b = order({{"refInterne", "B"}});
    const qint64 c = order({{"refInterne", "C"}});
    // Stored in another order than their numbers.
    conn->execute(QStringLiteral("update Ordres set idOrdre = idOrdre + 100 where idOrdre = ?"), {a});
    print(QStringLiteral("Where refInterne in ('A','B','C')"));
    EXPECT_EQ(shown.ids, (QList<qint64>{b, c, a + 100}));
    EXPECT_EQ(shown.caption, "Visualisation de 3 ordres");
    EXPECT_EQ(shown.layout.pages.size(), 3);  // one order a page
}

TEST_F(OrderPrint, APendingOrderHasNoStateAndAGeneratedOneItsGenerationMinute) {
    const qint64 pending = order();
    const qint64 generated = order({{"genere", true}, {"dateGener", kGenerated}});
    print(QStringLiteral("Where idOrdre = ") + QString::number(pending) + QStringLiteral(" OR idOrdre = ") +
          QString::number(generated));
    EXPECT_EQ(shown.etats, QStringList({"", "25/12/2015 14:30"}));
}

TEST_F(OrderPrint, NoOrderFoundTellsTheSelectionAndEndsTheProgramWithNothingLeftOpen) {
    setEndProgramThrows(true);
    conn->beginTrans();
    order({{"refInterne", "HALF"}});
    try {
        print(QStringLiteral("Where idOrdre = 999"));
        FAIL() << "the program went on";
    } catch (const ProgramEnded& e) {
        EXPECT_EQ(e.code, 0);
    }
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, "Enregistrement(s) 'Where idOrdre = 999' introuvable.");
    EXPECT_EQ(dialogs.messages[0].title, "Erreur d'accés aux données");
    EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Critical);
    EXPECT_EQ(shown.times, 0);
    EXPECT_FALSE(conn->isOpen());
    // The open transaction was undone, not left to the next start.
    Recordset rs;
    rs.open(QStringLiteral("select idOrdre from Ordres where refInterne = 'HALF'"), folder.openWorking());
    EXPECT_EQ(rs.recordCount(), 0);
}

TEST_F(OrderPrint, TheHtmlExportWritesTheVisuOrdPage) {
    order({{"refInterne", "R<1>"}, {"urgent", true}});
    order({{"refInterne", "R2"}});
    const QString path = folder.filePath(QStringLiteral("ordres.htm"));
    whileShown = [&](rptVisuOrd& r) {
        ASSERT_EQ(r.exportFormats().size(), 1);
        const report::ExportFormat& f = r.exportFormats().first();
        EXPECT_EQ(f.key, "VisuOrd");
        EXPECT_EQ(f.description, "Visualisation d'ordre (*.HTM)");
        EXPECT_EQ(f.filter, "*.HTM");
        EXPECT_TRUE(r.exportReport(QStringLiteral("VisuOrd"), path));
    };
    print(QStringLiteral("Where genere = false"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString html = QString::fromLatin1(file.readAll());
    EXPECT_TRUE(html.startsWith("<HTML>\r\n<HEAD>\r\n<TITLE>Visualisation d'ordres : Visualisation de 2 ordres</TITLE>\r\n"
                                "<BODY style='font-size:8.0pt'>\r\n"));
    EXPECT_TRUE(html.endsWith("\r\n</BODY>\r\n</HTML>"));
    EXPECT_TRUE(html.contains("R&lt;1&gt;"));
    EXPECT_TRUE(html.contains("ORDRE DE PAIEMENT VERS L'ETRANGER"));
    EXPECT_TRUE(html.contains("Cadre r&#233;serv&#233; aux services centraux"));
    EXPECT_EQ(html.count("class=pg>"), 2);
    // Each picture once, in the style sheet, whatever the number of pages.
    EXPECT_EQ(html.count("data:image/png;base64,"), 3);
    // 14 boxes an order; the error markers, never set, show nothing.
    EXPECT_EQ(html.count("&#9746;") + html.count("&#9744;"), 28);
    EXPECT_EQ(html.count("&#9746;"), 10);
}

// One order printed to a PDF file, read back as text: the blocks' labels and the order's values.
TEST_F(OrderPrint, APrintedOrderReadsBackFromItsPdf) {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) GTEST_SKIP() << "pdftotext is missing";
    const qint64 id = order({{"refInterne", "VIR-PDF-7"},
                             {"cMontant", "9 876,50"},
                             {"identBE1", "HANSEATIC TRADING"},
                             {"identOY2", QString(35, u'W')},
                             {"villeBE", "HAMBURG"},
                             {"sirenDecla", "552100554"},
                             {"genere", true},
                             {"dateGener", kGenerated}});
    const QString pdf = folder.filePath(QStringLiteral("ordre.pdf"));
    whileShown = [&](rptVisuOrd& r) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        EXPECT_TRUE(r.printOn(printer));
    };
    print(QStringLiteral("Where idOrdre = ") + QString::number(id));
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    ASSERT_TRUE(p.waitForFinished(20000));
    // The ligatures of the font ("fi") read back as their letters.
    const QString text = QString::fromUtf8(p.readAllStandardOutput()).normalized(QString::NormalizationForm_KC);
    if (qEnvironmentVariableIsSet("VORNA_KEEP_PDF")) QFile::copy(pdf, qEnvironmentVariable("VORNA_KEEP_PDF"));
    for (const char* expected :
         {"ORDRE DE PAIEMENT VERS L'ETRANGER", "NOTE POUR :", "Type d'opération :", "Devise de paiement :",
          "50 : Client donneur d'ordre", "52 : Etablissement donneur d'ordre", "56 : Banque Intermédiaire",
          "57 : Banque du Bénéficiaire", "58/59 : Bénéficiaire", "70 : Motif du paiement :", "71A : Frais à la charge de :",
          "72 : Avis au bénéficiaire :", "Déclaration balance des paiements", "Cadre réservé au comptoir d'émission",
          "Cadre réservé aux services centraux", "Non résident", "VIR-PDF-7", "9 876,50", "HANSEATIC TRADING", "HAMBURG",
          "552100554", "25/12/2015 14:30"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected;
    // The print draws a long value in the font it was fitted in: 35 capitals W of block 50 end
    // within their box's right edge (in points from the paper's left edge).
    QProcess boxes;
    boxes.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    ASSERT_TRUE(boxes.waitForFinished(20000));
    const QRegularExpressionMatch word =
        QRegularExpression(QStringLiteral("xMax=\"([0-9.]+)\"[^>]*>W{35}<")).match(QString::fromUtf8(boxes.readAllStandardOutput()));
    ASSERT_TRUE(word.hasMatch());
    const rptVisuOrd form;
    EXPECT_LE(word.captured(1).toDouble(), (form.detail.control(QStringLiteral("txtidentOY2"))->rect.right() + form.margins.left()) / 20.0 + 0.5);
}

// The real window: its pages in the preview, closed by the user.
TEST_F(OrderPrint, TheWindowPreviewsOnePagePerOrder) {
    VisuOrdShowHook = nullptr;
    order();
    order();
    int pages = -1;
    QString title;
    forms::Form::ModalHook = [&](forms::Form& f) {
        auto* w = qobject_cast<report::ReportWindow*>(&f);
        if (!w) return;
        pages = w->preview->pageCount();
        title = w->windowTitle();
        w->cmdClose->click();
    };
    print(QStringLiteral("Where genere = false"));
    forms::Form::ModalHook = nullptr;
    vorna::test::flushDeletes();
    EXPECT_EQ(pages, 2);
    EXPECT_EQ(title, "Visualisation de 2 ordres");
}

}  // namespace

namespace {
// Every caption and every field of the form fits its box: nothing printed is cut.
TEST(OrderPrintForm, EveryLabelFitsItsBox) {
    rptVisuOrd r;
    for (const report::Section* s : {&r.pageHeader, &r.detail})
        for (const report::Control& c : s->controls) {
            if (c.kind != report::Control::Kind::Label) continue;
            const QFontMetricsF fm(c.twipsFont());
            if (c.canGrow) {  // wraps within its box
                EXPECT_LE(fm.boundingRect(QRectF(0, 0, c.rect.width(), 1e6), Qt::TextWordWrap, c.caption).height(),
                          c.rect.height() + 1) << c.caption.toStdString();
                continue;
            }
            EXPECT_LE(fm.horizontalAdvance(c.caption), c.rect.width() + 1) << c.caption.toStdString();
        }
    // The widest value of a field (its column's length of the widest character the order window
    // lets through) fits its box in a font shrunk no further than its floor.
    const QMap<QString, int> lengths = {
        {"identOY1", 35}, {"identPL2", 35}, {"identBqeI13", 35}, {"identBqeBE1", 35}, {"identBE1", 35}, {"bicBqeI1", 11},
        {"bicBqeBE", 11}, {"codeBqeBE", 11}, {"ribOY", 26},       {"ribPL", 26},       {"villeOY", 26},  {"villePL", 32},
        {"villeBqeBE", 32}, {"villeBE", 32}, {"ibanBE", 34},      {"motif4", 35},      {"avisTel", 24},  {"avisBenef", 30},
        {"refInterne", 16}, {"paysBqeBE", 2}, {"codePostalOY", 5}, {"paysPL", 2}};
    for (auto f = lengths.cbegin(); f != lengths.cend(); ++f) {
        const report::Control* c = r.detail.control(QStringLiteral("txt") + f.key());
        ASSERT_NE(c, nullptr) << f.key().toStdString();
        const QFontMetricsF fm(c->twipsFont(c->minFontSize));
        for (QChar ch : kTextCharacters)
            EXPECT_LE(fm.horizontalAdvance(QString(f.value(), ch)), c->rect.width()) << f.key().toStdString() << " " << ch.toLatin1();
    }
}
}  // namespace
