#include "generation/rptvisuord.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QPainterPath>

#include "orderentry/modrules.h"
#include "orderlist/frmlistordre.h"
#include "platform/db/recordset.h"
#include "platform/dialogs.h"
#include "platform/environment.h"
#include "platform/text/widest.h"

namespace vorna {

using report::Control;

namespace {

// The form on portrait A4 within 567-twip margins (twips).
constexpr int kWidth = 10770;
constexpr int kHalf = 5305;        // width of a column of the two-column blocks
constexpr int kRight = 5465;       // left edge of the right column
constexpr int kLine = 240;         // one line of 8-point text
constexpr int kTextHeight = 215;

Control label(const QString& caption, QRect rect, bool bold = false, double size = 8, Qt::Alignment align = Qt::AlignLeft) {
    Control c;
    c.kind = Control::Kind::Label;
    c.caption = caption;
    c.rect = rect;
    c.fontSize = size;
    c.bold = bold;
    c.alignment = align | Qt::AlignVCenter;
    return c;
}

Control field(const QString& column, QRect rect, bool bold = true) {
    Control c;
    c.kind = Control::Kind::TextBox;
    c.name = QStringLiteral("txt") + column;
    c.dataField = column;
    c.rect = rect;
    c.bold = bold;
    c.alignment = Qt::AlignLeft | Qt::AlignVCenter;
    return c;
}

Control box(const QString& name, const QString& column, int left, int top, bool checkedWhen = true) {
    Control c;
    c.kind = Control::Kind::CheckBox;
    c.name = name;
    c.dataField = column;
    c.rect = QRect(left, top + 20, 170, 170);
    c.checkedWhen = checkedWhen;
    return c;
}

Control frame(QRect rect) {
    Control c;
    c.kind = Control::Kind::Shape;
    c.rect = rect;
    return c;
}

Control rule(int left, int top, int width) {
    Control c;
    c.kind = Control::Kind::Line;
    c.rect = QRect(left, top, width, 0);
    return c;
}

Control picture(const QString& name, QRect rect, const QImage& image) {
    Control c;
    c.kind = Control::Kind::Image;
    c.name = name;
    c.rect = rect;
    c.picture = image;
    return c;
}

// A labelled box of the form: the box, then its caption beside it.
void choice(report::Section& s, const QString& name, const QString& column, const QString& caption, int left, int top,
            int width, bool checkedWhen = true) {
    s.add(box(name, column, left, top, checkedWhen));
    s.add(label(caption, QRect(left + 230, top, width, kTextHeight)));
}

// One party of the form (fields 50, 52, 56, 57): its frame and title, then its lines.
struct PartyColumns {
    QString bic;       // "BIC : " line, or empty
    QString bankCode;  // "Code bancaire : " beside the BIC, or empty
    QString rib;       // "RIB :" line, or empty
    QString ident;     // prefix of the three name lines
    QString postCode;  // or empty
    QString town;
    QString country;
};

void party(report::Section& s, int left, int top, int height, const QString& title, const PartyColumns& p) {
    const int x = left + 100;
    const int value = left + 1050;
    const int valueWidth = kHalf - 1150;
    s.add(frame(QRect(left, top, kHalf, height)));
    s.add(label(title, QRect(x, top + 60, kHalf - 200, 230), true, 8.5));
    int y = top + 340;
    if (!p.rib.isEmpty()) {
        s.add(label(QStringLiteral("RIB :"), QRect(x, y, 900, kTextHeight)));
        s.add(field(p.rib, QRect(value, y, valueWidth, kTextHeight)));
        y += kLine + 20;
    }
    if (!p.bic.isEmpty()) {
        s.add(label(QStringLiteral("BIC : "), QRect(x, y, 900, kTextHeight)));
        if (p.bankCode.isEmpty()) {
            s.add(field(p.bic, QRect(value, y, valueWidth, kTextHeight)));
        } else {
            // The BIC and the bank code share what the caption leaves: 11 characters each.
            s.add(field(p.bic, QRect(value, y, 1400, kTextHeight)));
            s.add(label(QStringLiteral("Code bancaire : "), QRect(left + 2460, y, 1350, kTextHeight)));
            s.add(field(p.bankCode, QRect(left + 3810, y, kHalf - 3900, kTextHeight)));
        }
        y += kLine + 20;
    }
    s.add(label(QStringLiteral("Nom"), QRect(x, y, 900, kTextHeight)));
    s.add(field(p.ident + u'1', QRect(value, y, valueWidth, kTextHeight)));
    y += kLine;
    s.add(label(QStringLiteral("et adresse"), QRect(x, y, 950, kTextHeight)));
    s.add(field(p.ident + u'2', QRect(value, y, valueWidth, kTextHeight)));
    y += kLine;
    s.add(field(p.ident + u'3', QRect(value, y, valueWidth, kTextHeight)));
    y += kLine + 20;
    // The town takes a line of its own: a long one would not fit beside the postcode. The
    // country then stands beside the postcode.
    if (!p.postCode.isEmpty()) {
        s.add(label(QStringLiteral("Code postal :"), QRect(x, y, 1100, kTextHeight)));
        s.add(field(p.postCode, QRect(left + 1250, y, 900, kTextHeight)));
        s.add(label(QStringLiteral("Pays :"), QRect(left + 2250, y, 550, kTextHeight)));
        s.add(field(p.country, QRect(left + 2800, y, 600, kTextHeight)));
        y += kLine + 20;
    }
    s.add(label(QStringLiteral("Ville :"), QRect(x, y, 900, kTextHeight)));
    s.add(field(p.town, QRect(value, y, valueWidth, kTextHeight)));
    if (p.postCode.isEmpty()) {
        y += kLine + 20;
        s.add(label(QStringLiteral("Pays :"), QRect(x, y, 900, kTextHeight)));
        s.add(field(p.country, QRect(value, y, 600, kTextHeight)));
    }
}

// The longest text an order column holds (its size in Ordres); 0 for the columns whose text
// the program writes itself.
int columnLength(const QString& column) {
    static const QHash<QString, int> lengths = [] {
        QHash<QString, int> h;
        const std::pair<const char*, int> sizes[] = {
            {"devPaiement", 3}, {"devOrdre", 3},    {"refInterne", 16}, {"ribOY", 26},       {"codePostalOY", 5},
            {"villeOY", 26},    {"ribPL", 26},      {"codePostalPL", 5}, {"villePL", 32},    {"bicBqeI1", 11},
            {"villeBqeI1", 32}, {"bicBqeBE", 11},   {"codeBqeBE", 11},  {"villeBqeBE", 32},  {"villeBE", 32},
            {"ibanBE", 34},     {"avisTel", 24},    {"avisFax", 24},    {"avisBenef", 30},   {"codeEcono", 3},
            {"sirenDecla", 9},
        };
        for (const auto& [name, size] : sizes) h.insert(QLatin1String(name), size);
        for (const char* party : {"OY", "PL", "BqeI1", "BqeBE", "BE"}) {
            for (int i = 1; i <= 3; ++i) h.insert(QStringLiteral("ident%1%2").arg(QLatin1String(party)).arg(i), 35);
            h.insert(QStringLiteral("pays") + QLatin1String(party), 2);
        }
        for (int i = 1; i <= 4; ++i) h.insert(QStringLiteral("motif%1").arg(i), 35);
        h.insert(QStringLiteral("paysResBE"), 2);
        return h;
    }();
    return lengths.value(column);
}

// A value wider than its field is printed in a smaller font, down to the size at which the
// widest value its column can hold (its length of the widest character the order window lets
// through) fits: a name of 35 capitals or an 11-letter BIC is printed whole, inside its box,
// while the usual values keep the form's size.
void shrinkLongValues(report::Section& s) {
    for (Control& c : s.controls) {
        const int length = c.kind == Control::Kind::TextBox ? columnLength(c.dataField) : 0;
        if (length <= 0) continue;
        c.shrinkToFit = true;
        c.minFontSize = c.fontSize;
        while (c.minFontSize > 5 &&
               widestTextWidth(QFontMetricsF(c.twipsFont(c.minFontSize)), length, kTextCharacters) > c.rect.width())
            c.minFontSize -= 0.25;
    }
}

QPainterPath textPath(const QString& text, const QFont& font, const QPointF& at) {
    QPainterPath path;
    path.addText(at, font, text);
    return path;
}

}  // namespace

const QString rptVisuOrd::ExportKey = QStringLiteral("VisuOrd");
const QString rptVisuOrd::OwnCaption = QStringLiteral("Visualisation d'un ordre de paiement");

QString rptVisuOrd::pageTemplate() {
    const QString br = QStringLiteral("\r\n");
    return QStringLiteral("<HTML>") + br + QStringLiteral("<HEAD>") + br + QStringLiteral("<TITLE>") +
           QStringLiteral("Visualisation d'ordres : ") + report::kTitleMarker + QStringLiteral("</TITLE>") + br +
           QStringLiteral("<BODY style='font-size:8.0pt'>") + br + report::kBodyMarker + br + QStringLiteral("</BODY>") + br +
           QStringLiteral("</HTML>");
}

void rptVisuOrd::addVisuOrdFormat() {
    addExportFormat({ExportKey, QStringLiteral("Visualisation d'ordre (*.HTM)"), QStringLiteral("*.HTM"), pageTemplate()});
}

QString rptVisuOrd::printQuery(const QString& selection) {
    return QStringLiteral("select  (typeOper = 0) as TOTransfert, ") + QStringLiteral("(typeOper = 1) as TOCheque , ") +
           QStringLiteral("(typeOper = 2) as TORgltRemise , ") + QStringLiteral("(typeOper = 3) as TOMiseADisp , ") +
           QStringLiteral("(frais = 0) as FraisOUR , ") + QStringLiteral("(frais = 1) as FraisBEN , ") +
           QStringLiteral("(frais = 2) as FraisSHA , ") + QStringLiteral("(avisBenefType = 0) as AvisNormalX , ") +
           QStringLiteral("(avisBenefType = 1) as AvisTelX , ") + QStringLiteral("(avisBenefType = 2) as AvisFaxX , ") +
           QStringLiteral("format(dateGener,'DD/MM/YYYY HH:MM') as etat, ") + QStringLiteral("false as lblError, ") +
           QStringLiteral("false as lblErrorDps, ") + QStringLiteral("'' as error , ") + QStringLiteral("* from Ordres  ") +
           selection;
}

QString rptVisuOrd::captionFor(int count) {
    if (count > 1) return QStringLiteral("Visualisation de ") + QString::number(count) + QStringLiteral(" ordres");
    return OwnCaption;
}

QRect rptVisuOrd::placement() const {
    const QRect area = Screen::workArea();
    return QRect(area.left(), area.top(), minInt(windowWidth, area.width()), minInt(windowHeight, area.height()));
}

rptVisuOrd::rptVisuOrd() {
    caption = OwnCaption;
    margins = QMargins(567, 567, 567, 567);
    windowWidth = 13500;
    windowHeight = 16500;

    // Page header: the bank's logo, the form's title and the services the form goes to.
    pageHeader.height = 1000;
    pageHeader.add(picture(QStringLiteral("imgLogo"), QRect(0, 0, 1300, 820), logoPicture()));
    pageHeader.add(label(QStringLiteral("ORDRE DE PAIEMENT VERS L'ETRANGER"), QRect(1400, 200, 5900, 420), true, 13,
                         Qt::AlignHCenter));
    pageHeader.add(label(QStringLiteral("NOTE POUR :"), QRect(7500, 40, 3270, kTextHeight), true));
    pageHeader.add(label(QStringLiteral("DOI - Virements internationaux"), QRect(7500, 290, 3270, 200),
                         false, 7));
    pageHeader.add(label(QStringLiteral("CRE 54 - Règlements étrangers"), QRect(7500, 510, 3270, 200), false, 7));
    pageHeader.add(rule(0, 900, kWidth));

    detail.name = QStringLiteral("VisuOrd_Detail");
    detail.height = 14650;
    report::Section& d = detail;

    // Background: the watermark (shown by showVisuOrd) and the stamp of the form.
    Control watermark = picture(QStringLiteral("imgVorna"), QRect(1000, 1000, 8000, 12000), watermarkPicture());
    watermark.visible = false;
    d.add(watermark);
    d.add(picture(QStringLiteral("imgInteg"), QRect(kWidth - 2150, 1150, 2050, 360), stampPicture()));

    // Operation type.
    int y = 0;
    d.add(frame(QRect(0, y, kWidth, 460)));
    d.add(label(QStringLiteral("Type d'opération :"), QRect(100, y + 120, 1650, kTextHeight), true));
    choice(d, QStringLiteral("txtTypeOper"), QStringLiteral("TOTransfert"), QStringLiteral("Transfert"), 1850, y + 120, 1000);
    choice(d, QStringLiteral("chkTOCheque"), QStringLiteral("TOCheque"), QStringLiteral("Chèque"), 3300, y + 120, 900);
    choice(d, QStringLiteral("chkTORgltRemise"), QStringLiteral("TORgltRemise"), QStringLiteral("Règlement de remise"), 4650,
           y + 120, 1750);
    choice(d, QStringLiteral("chkTOMiseADisp"), QStringLiteral("TOMiseADisp"), QStringLiteral("Mise à disposition"), 6900,
           y + 120, 1650);

    // Currencies, amount and urgency.
    y = 540;
    d.add(frame(QRect(0, y, kWidth, 460)));
    d.add(label(QStringLiteral("Devise de paiement :"), QRect(100, y + 120, 1780, kTextHeight)));
    d.add(field(QStringLiteral("devPaiement"), QRect(1900, y + 120, 500, kTextHeight)));
    d.add(label(QStringLiteral("Devise de l'Ordre :"), QRect(2450, y + 120, 1560, kTextHeight)));
    d.add(field(QStringLiteral("devOrdre"), QRect(4030, y + 120, 500, kTextHeight)));
    d.add(label(QStringLiteral("Montant :"), QRect(4600, y + 120, 830, kTextHeight)));
    Control amount = field(QStringLiteral("cMontant"), QRect(5450, y + 110, 2450, 240));
    amount.fontSize = 9;
    // cMontant is written when the order is validated or generated; an order stored without it
    // prints its amount as the list shows it.
    amount.textOf = [](const Recordset& rs, int row, const QString& text) {
        if (!text.trimmed().isEmpty()) return text;
        return listAmountText(rs.valueAt(row, rs.fieldIndex(QStringLiteral("montant"))),
                              rs.valueAt(row, rs.fieldIndex(QStringLiteral("nbDeci"))))
            .trimmed();
    };
    d.add(amount);
    choice(d, QStringLiteral("chkUrgent"), QStringLiteral("urgent"), QStringLiteral("Urgent"), 8000, y + 120, 800);
    choice(d, QStringLiteral("chkNormal"), QStringLiteral("urgent"), QStringLiteral("Normal"), 9250, y + 120, 900, false);

    // Internal reference of the ordering party.
    y = 1080;
    d.add(frame(QRect(0, y, kWidth, 460)));
    d.add(label(QStringLiteral("Référence interne du donneur d'ordre :"), QRect(100, y + 120, 3250, kTextHeight)));
    d.add(field(QStringLiteral("refInterne"), QRect(3400, y + 120, 3000, kTextHeight)));

    // Fields 50 and 52: the ordering customer and the ordering institution.
    y = 1620;
    party(d, 0, y, 1960, QStringLiteral("50 : Client donneur d'ordre"),
          {QString(), QString(), QStringLiteral("ribOY"), QStringLiteral("identOY"), QStringLiteral("codePostalOY"),
           QStringLiteral("villeOY"), QStringLiteral("paysOY")});
    party(d, kRight, y, 1960, QStringLiteral("52 : Etablissement donneur d'ordre"),
          {QString(), QString(), QStringLiteral("ribPL"), QStringLiteral("identPL"), QStringLiteral("codePostalPL"),
           QStringLiteral("villePL"), QStringLiteral("paysPL")});

    // Place, date and signature.
    y = 3660;
    d.add(frame(QRect(0, y, kWidth, 900)));
    d.add(label(QStringLiteral("A :"), QRect(100, y + 120, 350, kTextHeight)));
    d.add(rule(450, y + 330, 2100));
    d.add(label(QStringLiteral("le"), QRect(2700, y + 120, 250, kTextHeight)));
    d.add(rule(2950, y + 330, 2200));
    d.add(label(QStringLiteral("Nom et signature du donneur d'ordre Griffe du donneur d'ordre"),
                QRect(kRight, y + 120, kHalf - 100, kTextHeight)));

    // Fields 56 and 57: the intermediary bank and the beneficiary's bank.
    y = 4640;
    party(d, 0, y, 1960, QStringLiteral("56 : Banque Intermédiaire"),
          {QStringLiteral("bicBqeI1"), QString(), QString(), QStringLiteral("identBqeI1"), QString(),
           QStringLiteral("villeBqeI1"), QStringLiteral("paysBqeI1")});
    party(d, kRight, y, 1960, QStringLiteral("57 : Banque du Bénéficiaire"),
          {QStringLiteral("bicBqeBE"), QStringLiteral("codeBqeBE"), QString(), QStringLiteral("identBqeBE"), QString(),
           QStringLiteral("villeBqeBE"), QStringLiteral("paysBqeBE")});

    // Fields 58/59: the beneficiary.
    y = 6680;
    d.add(frame(QRect(0, y, kWidth, 1640)));
    d.add(label(QStringLiteral("58/59 : Bénéficiaire"), QRect(100, y + 60, 5000, 230), true, 8.5));
    d.add(label(QStringLiteral("Nom"), QRect(100, y + 340, 900, kTextHeight)));
    d.add(field(QStringLiteral("identBE1"), QRect(1050, y + 340, 5500, kTextHeight)));
    d.add(label(QStringLiteral("et adresse"), QRect(100, y + 580, 950, kTextHeight)));
    d.add(field(QStringLiteral("identBE2"), QRect(1050, y + 580, 5500, kTextHeight)));
    d.add(field(QStringLiteral("identBE3"), QRect(1050, y + 820, 5500, kTextHeight)));
    d.add(label(QStringLiteral("Ville :"), QRect(100, y + 1080, 900, kTextHeight)));
    d.add(field(QStringLiteral("villeBE"), QRect(1050, y + 1080, 4200, kTextHeight)));
    d.add(label(QStringLiteral("Pays :"), QRect(5300, y + 1080, 550, kTextHeight)));
    d.add(field(QStringLiteral("paysBE"), QRect(5850, y + 1080, 600, kTextHeight)));
    d.add(label(QStringLiteral("Identifiant bancaire du bénéficiaire : (de préférence IBAN)"),
                QRect(100, y + 1340, 4700, kTextHeight)));
    Control iban = field(QStringLiteral("ibanBE"), QRect(4850, y + 1330, 5800, 240));
    iban.fontSize = 9;
    d.add(iban);

    // Field 70: the reason of the payment.
    y = 8400;
    d.add(frame(QRect(0, y, kWidth, 1280)));
    d.add(label(QStringLiteral("70 : Motif du paiement :"), QRect(100, y + 60, 5000, 230), true, 8.5));
    for (int i = 1; i <= 4; ++i)
        d.add(field(QStringLiteral("motif%1").arg(i), QRect(1050, y + 320 + (i - 1) * kLine, 9500, kTextHeight)));

    // Field 71A: who bears the charges.
    y = 9760;
    d.add(frame(QRect(0, y, kWidth, 460)));
    d.add(label(QStringLiteral("71A : Frais à la charge de :"), QRect(100, y + 120, 2650, kTextHeight), true, 8.5));
    choice(d, QStringLiteral("chkFraisOUR"), QStringLiteral("FraisOUR"), QStringLiteral("Donneur d'ordre"), 2850, y + 120, 1500);
    choice(d, QStringLiteral("chkFraisBEN"), QStringLiteral("FraisBEN"), QStringLiteral("Bénéficiaire"), 4850, y + 120, 1300);
    choice(d, QStringLiteral("chkFraisSHA"), QStringLiteral("FraisSHA"), QStringLiteral("Frais partagés"), 6750, y + 120, 1500);

    // Field 72: the advice to the beneficiary.
    y = 10300;
    d.add(frame(QRect(0, y, kWidth, 880)));
    d.add(label(QStringLiteral("72 : Avis au bénéficiaire :"), QRect(100, y + 80, 2650, kTextHeight), true, 8.5));
    choice(d, QStringLiteral("chkAvisTel"), QStringLiteral("AvisTelX"), QStringLiteral("Téléphone n° "), 2850, y + 80, 1200);
    d.add(field(QStringLiteral("avisTel"), QRect(4300, y + 80, 6300, kTextHeight)));
    choice(d, QStringLiteral("chkAvisFax"), QStringLiteral("AvisFaxX"), QStringLiteral("Télécopie n° "), 2850, y + 330, 1200);
    d.add(field(QStringLiteral("avisFax"), QRect(4300, y + 330, 6300, kTextHeight)));
    choice(d, QStringLiteral("chkAvisNormal"), QStringLiteral("AvisNormalX"), QStringLiteral("Normal"), 2850, y + 580, 1200);
    d.add(field(QStringLiteral("avisBenef"), QRect(4300, y + 580, 6300, kTextHeight)));

    // The balance-of-payments declaration.
    y = 11260;
    d.add(frame(QRect(0, y, kWidth, 1120)));
    d.add(label(QStringLiteral("Déclaration balance des paiements"), QRect(100, y + 60, 5000, 230), true, 8.5));
    d.add(label(QStringLiteral("Code économique de l'opération :"), QRect(100, y + 340, 2800, kTextHeight)));
    d.add(field(QStringLiteral("codeEcono"), QRect(2950, y + 340, 600, kTextHeight)));
    d.add(label(QStringLiteral("Code pays de résidence du bénéficiaire :"), QRect(3700, y + 340, 3350, kTextHeight)));
    d.add(field(QStringLiteral("paysResBE"), QRect(7100, y + 340, 600, kTextHeight)));
    d.add(label(QStringLiteral("Donneur d'ordre"), QRect(100, y + 600, 1400, kTextHeight)));
    choice(d, QStringLiteral("chkResident"), QStringLiteral("residentOY"), QStringLiteral("Résident"), 1600, y + 600, 900);
    choice(d, QStringLiteral("chkNonResident"), QStringLiteral("residentOY"), QStringLiteral("Non résident"), 2900, y + 600, 1200,
           false);
    d.add(label(QStringLiteral("N° SIREN : "), QRect(100, y + 860, 900, kTextHeight)));
    d.add(field(QStringLiteral("sirenDecla"), QRect(1050, y + 860, 1500, kTextHeight)));

    // The issuing branch's frame, left blank for the bank.
    y = 12460;
    const int bankWidth = 7000;
    d.add(frame(QRect(0, y, bankWidth, 1820)));
    d.add(label(QStringLiteral("Cadre réservé au comptoir d'émission"), QRect(100, y + 60, 5000, 230), true, 8.5));
    struct Cell {
        const char* heading;
        int left;
        int width;
        bool euro;
    };
    const Cell cells[] = {{"Montant", 100, 1200, false},
                          {"Expr. monétaire", 1350, 1250, false},
                          {"Type de client", 2650, 1250, false},
                          {"Commission ZUL", 3950, 1300, true},
                          {"Frais de correspondants", 5300, 1600, true}};
    for (const Cell& c : cells) {
        d.add(label(QString::fromUtf8(c.heading), QRect(c.left, y + 330, c.width, 200), false, 6.5, Qt::AlignHCenter));
        d.add(frame(QRect(c.left, y + 550, c.width, 330)));
        if (c.euro) d.add(label(QStringLiteral("EUR"), QRect(c.left + c.width - 450, y + 600, 400, 230), false, 8, Qt::AlignRight));
    }
    d.add(label(QStringLiteral("Le Directeur,"), QRect(100, y + 1000, 1500, kTextHeight)));
    d.add(label(QStringLiteral("Clé d'authentification :"), QRect(100, y + 1450, 1950, kTextHeight)));
    d.add(rule(2050, y + 1650, 1400));
    d.add(label(QStringLiteral("le"), QRect(3500, y + 1450, 250, kTextHeight)));
    d.add(rule(3750, y + 1650, 1000));
    d.add(frame(QRect(4900, y + 950, 2000, 800)));
    Control stamp = label(QStringLiteral("Griffe octogonale et n° du transfert"), QRect(4950, y + 980, 1900, 380), false, 6.5,
                          Qt::AlignHCenter);
    stamp.alignment = Qt::AlignHCenter | Qt::AlignTop;
    stamp.canGrow = true;  // two lines
    d.add(stamp);

    // The central services' frame: the order's reference date.
    const int central = bankWidth + 80;
    d.add(frame(QRect(central, y, kWidth - central, 1820)));
    d.add(label(QStringLiteral("Cadre réservé aux services centraux"), QRect(central + 100, y + 60, kWidth - central - 200, 230),
                true, 8));
    d.add(label(QStringLiteral("20 : Référence  :"), QRect(central + 100, y + 400, 1350, kTextHeight)));
    Control created = field(QStringLiteral("dateCreation"), QRect(central + 1450, y + 400, kWidth - central - 1550, kTextHeight));
    created.format = QStringLiteral("DD/MM/YYYY HH:MM");
    d.add(created);

    // The order's state: its generation date, and the error markers.
    y = 14360;
    Control errorMark = box(QStringLiteral("lblError"), QStringLiteral("lblError"), 100, y);
    errorMark.boxed = false;
    d.add(errorMark);
    Control errorDpsMark = box(QStringLiteral("lblErrorDps"), QStringLiteral("lblErrorDps"), 350, y);
    errorDpsMark.boxed = false;
    d.add(errorDpsMark);
    Control error = field(QStringLiteral("error"), QRect(650, y, 6000, kTextHeight), false);
    error.name = QStringLiteral("txtError");
    d.add(error);
    Control state = field(QStringLiteral("etat"), QRect(kWidth - 3000, y, 3000, kTextHeight));
    state.alignment = Qt::AlignRight | Qt::AlignVCenter;
    d.add(state);

    shrinkLongValues(d);
}

void rptVisuOrd::reportError(long number, const QString&, bool& showDefault) {
    if (number != report::kPrinterError) return;
    msgBox(QStringLiteral("Erreur d'impression. ") + QStringLiteral("Vérifiez qu'une imprimante est installée sur votre ordinateur."),
           MsgButtons::OK, MsgIcon::None);
    showDefault = false;
}

// ---- the pictures ------------------------------------------------------------------------

// A pale globe crossed by the program's name, behind the whole form.
QImage rptVisuOrd::watermarkPicture() {
    QImage image(400, 600, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor pale(224, 231, 241);
    p.setPen(QPen(pale, 6));
    const QRectF globe(40, 140, 320, 320);
    p.drawEllipse(globe);
    p.drawEllipse(globe.adjusted(80, 0, -80, 0));
    p.drawLine(QPointF(200, 140), QPointF(200, 460));
    p.drawLine(QPointF(40, 300), QPointF(360, 300));
    p.drawArc(globe.adjusted(0, 60, 0, -160), 0, 180 * 16);
    p.drawArc(globe.adjusted(0, 160, 0, -60), 180 * 16, 180 * 16);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(96);
    f.setBold(true);
    p.translate(200, 300);
    p.rotate(-35);
    const QPainterPath name = textPath(QStringLiteral("VORNA"), f, QPointF(-165, 34));
    p.fillPath(name, QColor(229, 235, 244));
    p.end();
    return image;
}

// The stamp of a form made by the program.
QImage rptVisuOrd::stampPicture() {
    QImage image(410, 72, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(120, 140, 170);
    p.setPen(QPen(ink, 3));
    p.drawRoundedRect(QRectF(2, 2, 406, 68), 10, 10);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(26);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRectF(2, 2, 406, 68), Qt::AlignCenter, QStringLiteral("SAISIE VORNA"));
    p.end();
    return image;
}

// The logo of the page header: a bank's front under a pediment.
QImage rptVisuOrd::logoPicture() {
    QImage image(260, 164, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor navy(28, 52, 98);
    p.setPen(Qt::NoPen);
    p.setBrush(navy);
    QPolygonF pediment;
    pediment << QPointF(20, 52) << QPointF(130, 6) << QPointF(240, 52);
    p.drawPolygon(pediment);
    for (int i = 0; i < 5; ++i) p.drawRect(QRectF(38 + i * 42, 62, 18, 66));
    p.drawRect(QRectF(20, 132, 220, 14));
    p.drawRect(QRectF(10, 150, 240, 12));
    p.end();
    return image;
}

// ---- showing the orders ------------------------------------------------------------------

std::unique_ptr<Recordset> openVisuOrd(const ConnectionPtr& conn, const QString& selection) {
    auto rs = std::make_unique<Recordset>();
    rs->open(rptVisuOrd::printQuery(selection), conn, CursorType::ForwardOnly, LockType::ReadOnly);
    rs->sort(QStringLiteral("idOrdre ASC"));
    return rs;
}

void prepareVisuOrd(rptVisuOrd& report, const Recordset& rs) {
    report.setDataSource(&rs);
    report.control(QStringLiteral("imgVorna"))->visible = true;
    report.control(QStringLiteral("imgVorna"))->rect = QRect(1000, 1000, 8000, 12000);
    report.addVisuOrdFormat();
    if (rs.recordCount() > 1) report.caption = rptVisuOrd::captionFor(rs.recordCount());
    // One order's files are proposed under its reference; several, under the caption.
    if (rs.recordCount() == 1) report.fileName = rs.valueAt(0, rs.fieldIndex(QStringLiteral("refInterne"))).toText().trimmed();
}

void showVisuOrd(const ConnectionPtr& conn, const QString& selection, const QRect& placement) {
    std::unique_ptr<Recordset> rs = openVisuOrd(conn, selection);
    if (rs->recordCount() == 0) {
        rs.reset();
        msgBox(QStringLiteral("Enregistrement(s) '") + selection + QStringLiteral("' introuvable."), MsgButtons::OK,
               MsgIcon::Critical, QStringLiteral("Erreur d'accés aux données"));
        // The program ends here: closing the connection rolls back any open transaction, so
        // nothing stays half written.
        if (conn) conn->close();
        endProgram(0);
    }
    rptVisuOrd report;
    prepareVisuOrd(report, *rs);
    if (VisuOrdShowHook)
        VisuOrdShowHook(report);
    else
        report.showModal(placement);
}

}  // namespace vorna
