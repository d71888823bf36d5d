#include "generation/rptrecapgener.h"

#include <QFileInfo>

#include "platform/dialogs.h"
#include "platform/environment.h"

namespace vorna {

using report::Control;

namespace {

Control label(const QString& name, const QString& caption, QRect rect, double size = 8, bool bold = false,
              Qt::Alignment align = Qt::AlignLeft) {
    Control c;
    c.kind = Control::Kind::Label;
    c.name = name;
    c.caption = caption;
    c.rect = rect;
    c.fontSize = size;
    c.bold = bold;
    c.alignment = align | Qt::AlignVCenter;
    return c;
}

Control field(const QString& name, const QString& column, QRect rect, Qt::Alignment align = Qt::AlignLeft) {
    Control c;
    c.kind = Control::Kind::TextBox;
    c.name = name;
    c.dataField = column;
    c.rect = rect;
    c.alignment = align | Qt::AlignVCenter;
    return c;
}

Control line(const QString& name, int top, int width) {
    Control c;
    c.kind = Control::Kind::Line;
    c.name = name;
    c.rect = QRect(0, top, width, 0);
    return c;
}

// The detail's columns (twips): left edge and width, under their headings.
struct Column {
    const char* heading;
    const char* box;
    const char* field;
    int left;
    int width;
    Qt::Alignment align;
};
constexpr int kWidth = 15700;  // landscape A4 less the margins
const Column kColumns[] = {
    {"Trésorerie Générale", "txtidentPL1", "identPL1", 0, 2050, Qt::AlignLeft},
    {"RIB débité", "txtribPL", "ribPL", 2100, 2700, Qt::AlignLeft},
    {"Compte crédité", "txtibanBE", "ibanBE", 4850, 2850, Qt::AlignLeft},
    {"Nom du bénéficiaire", "txtidentBE1", "identBE1", 7750, 2450, Qt::AlignLeft},
    {"Montant", "txtmontant", "cMontant", 10250, 1600, Qt::AlignRight},
    {"Devises", "txtdevPaiement", "cDevises", 12050, 1050, Qt::AlignLeft},
    {"Référence", "txtrefInterne", "refInterne", 13150, 1800, Qt::AlignLeft},
};

}  // namespace

const QString rptRecapGener::ExportKey = QStringLiteral("Gener");

QString rptRecapGener::pageTemplate() {
    const QString br = QStringLiteral("\r\n");
    return QStringLiteral("<HTML>") + br + QStringLiteral("<HEAD>") + br + QStringLiteral("<TITLE>") +
           QStringLiteral("Archive de génération d'ordres internationaux : ") + report::kTitleMarker +
           QStringLiteral("</TITLE>") + br + QStringLiteral("<BODY style='font-size:8.0pt'>") + br + report::kBodyMarker + br +
           QStringLiteral("</BODY>") + br + QStringLiteral("</HTML>");
}

rptRecapGener::rptRecapGener() {
    caption = QStringLiteral("Récapitulatif du fichier d'ordres généré");
    orientation = QPageLayout::Landscape;
    margins = QMargins(567, 567, 567, 567);
    windowWidth = 16500;
    windowHeight = 11000;

    reportHeader.height = 1500;
    reportHeader.add(label(QStringLiteral("Label14"), QStringLiteral("Génération d'un fichier d'ordres internationaux"),
                           QRect(0, 0, kWidth, 400), 14, true, Qt::AlignHCenter));
    reportHeader.add(label(QStringLiteral("Label17"), QStringLiteral("Génération faite le"), QRect(0, 550, 1700, 250), 9));
    reportHeader.add(label(QStringLiteral("Label15"), QStringLiteral("%D"), QRect(1750, 550, 3000, 250), 9, true));
    reportHeader.add(label(QStringLiteral("Label16"), QStringLiteral("%t"), QRect(4800, 550, 800, 250), 9, true));
    reportHeader.add(label(QStringLiteral("Label19"), QStringLiteral("Fichier : "), QRect(0, 850, 1700, 250), 9));
    reportHeader.add(label(QStringLiteral("lblFichierH"), QString(), QRect(1750, 850, 9000, 250), 9, true));
    reportHeader.add(label(QStringLiteral("lblNbOrdre"), QStringLiteral("Nb ordres"), QRect(11000, 850, 2500, 250), 9, true));

    pageHeader.height = 400;
    int n = 1;
    for (const Column& col : kColumns)
        pageHeader.add(label(QStringLiteral("Label%1").arg(n++), QString::fromUtf8(col.heading), QRect(col.left, 50, col.width, 250),
                             8, true, col.align));
    pageHeader.add(line(QStringLiteral("Line1"), 350, kWidth));

    detail.name = QStringLiteral("ordresGener_Detail");
    detail.height = 240;
    for (const Column& col : kColumns)
        detail.add(field(QString::fromLatin1(col.box), QString::fromLatin1(col.field), QRect(col.left, 20, col.width, 200), col.align));
    detail.add(field(QStringLiteral("txtEtat"), QStringLiteral("etat"), QRect(15000, 20, 150, 200)));
    Control urgent;
    urgent.kind = Control::Kind::CheckBox;
    urgent.name = QStringLiteral("Text1");
    urgent.dataField = QStringLiteral("urgent");
    urgent.rect = QRect(15250, 40, 160, 160);
    detail.add(urgent);

    pageFooter.height = 500;
    pageFooter.add(line(QStringLiteral("Line2"), 50, kWidth));
    pageFooter.add(label(QStringLiteral("Label13"), QStringLiteral("Génération faite le"), QRect(0, 150, 1500, 250)));
    pageFooter.add(label(QStringLiteral("Label11"), QStringLiteral("%D"), QRect(1550, 150, 2600, 250)));
    pageFooter.add(label(QStringLiteral("Label12"), QStringLiteral("%t"), QRect(4200, 150, 700, 250)));
    pageFooter.add(label(QStringLiteral("Label18"), QStringLiteral("Fichier : "), QRect(5200, 150, 900, 250)));
    pageFooter.add(label(QStringLiteral("lblFichier"), QString(), QRect(6100, 150, 7000, 250)));
    pageFooter.add(label(QStringLiteral("Label8"), QStringLiteral("%p"), QRect(14300, 150, 600, 250), 8, false, Qt::AlignRight));
    pageFooter.add(label(QStringLiteral("Label9"), QStringLiteral("/ %P"), QRect(14950, 150, 750, 250)));

    reportFooter.height = 900;
    reportFooter.add(line(QStringLiteral("Line3"), 60, kWidth));
    reportFooter.add(label(QStringLiteral("Label10"), QStringLiteral("Montants totaux par devise :"), QRect(0, 150, 4000, 250), 9, true));
    Control sum = label(QStringLiteral("lblSum"), QStringLiteral("la somme absolue"), QRect(4200, 150, 6000, 600), 9);
    sum.alignment = Qt::AlignLeft | Qt::AlignTop;
    sum.fixedPitch = true;
    sum.canGrow = true;
    reportFooter.add(sum);
}

void rptRecapGener::setOrderCount(int count) {
    control(QStringLiteral("lblNbOrdre"))->caption =
        count == 1 ? QStringLiteral("1 ordre") : QString::number(count) + QStringLiteral(" ordres");
}

void rptRecapGener::setFileName(const QString& fullName) {
    control(QStringLiteral("lblFichierH"))->caption = fullName;
    control(QStringLiteral("lblFichier"))->caption = fullName;
    // Its files are proposed under the generation's stem.
    fileName = QFileInfo(fullName).completeBaseName();
}

void rptRecapGener::setTotals(const QStringList& entries) {
    control(QStringLiteral("lblSum"))->caption = totalsText(entries, Locale::decimalSeparatorIsPoint());
}

void rptRecapGener::addGenerFormat() {
    addExportFormat({ExportKey, QStringLiteral("État journalier (*.HTM)"), QStringLiteral("*.HTM"), pageTemplate()});
}

QString rptRecapGener::totalsText(const QStringList& entries, bool decimalSeparatorIsPoint) {
    const QChar separator = decimalSeparatorIsPoint ? u'.' : u',';
    const QString crlf = QStringLiteral("\r\n");
    QString text;
    for (const QString& entry : entries) {
        const int position = int(entry.indexOf(separator)) + 1;
        const int filling = position > 5 ? 25 - position : 24 - int(entry.size());
        const QString line = QStringLiteral("- ") + entry.left(3) + QStringLiteral(" : ") + QString(std::max(0, filling), u' ') +
                             entry.mid(4);
        text = QStringLiteral("  ") + crlf + line + text;
    }
    return text + crlf + crlf;
}

void rptRecapGener::reportError(long number, const QString&, bool& showDefault) {
    if (number != report::kPrinterError) return;
    msgBox(QStringLiteral("Erreur d'impression. ") + QStringLiteral("Vérifiez qu'une imprimante est installée sur votre ordinateur."),
           MsgButtons::OK, MsgIcon::None);
    showDefault = false;
}

void rptRecapGener::processingTimeout(int seconds, bool& cancel) {
    if (seconds == 30 || seconds == 45) {
        if (msgBox(QString::number(seconds) + QStringLiteral("secondes écoulées. Annuler ?"), MsgButtons::RetryCancel,
                   MsgIcon::None) == MsgAnswer::Cancel)
            cancel = true;
    } else if (seconds == 60) {
        cancel = true;
    }
}

}  // namespace vorna
