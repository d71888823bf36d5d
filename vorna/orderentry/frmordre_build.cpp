// The order window's controls: the header, the nine blocks of the scrolling sheet with their
// jump buttons, and the command bar. Geometry in twips, as the window was designed.
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QTimer>
#include <cmath>

#include "orderentry/frmordre.h"
#include "orderentry/modrules.h"
#include "platform/environment.h"
#include "platform/forms/accessibility.h"
#include "platform/forms/binding.h"
#include "platform/forms/geometry.h"
#include "platform/text/format.h"
#include "platform/text/widest.h"

namespace vorna {

namespace {

// Design geometry (twips).
constexpr int kTopLeft = 300, kTopWidth = 9495, kTopHeight = 2175;
constexpr int kScrollLeft = 240, kScrollTop = 2280, kScrollWidth = 9615;
constexpr int kFrameLeft = 120, kFirstFrameTop = 240;
constexpr int kNarrowFrame = 6495, kWideFrame = 8415;
constexpr int kBarLeft = 8760, kBarWidth = 255;
constexpr int kButtonLeft = 9000, kButtonWidth = 615;
constexpr int kDecoLeft = 6840, kDecoTop = 120, kDecoWidth = 1695, kDecoHeight = 4710;
constexpr int kDesignClientWidth = 10140;
// Height of a box on the sheet: the blocks keep their design heights.
constexpr int kRowPixels = 20;

QGridLayout* compactGrid(QWidget* frame) {
    auto* g = new QGridLayout(frame);
    g->setContentsMargins(6, 2, 6, 2);
    g->setHorizontalSpacing(4);
    g->setVerticalSpacing(1);
    return g;
}

// A small picture for the creation-date frame: a globe crossed by an arrow.
QPixmap decoPicture() {
    QPixmap p(64, 64);
    p.fill(Qt::transparent);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(QPen(QColor(0, 64, 128), 2));
    g.setBrush(QColor(160, 200, 240));
    g.drawEllipse(8, 8, 48, 48);
    g.drawEllipse(22, 8, 20, 48);
    g.drawLine(8, 32, 56, 32);
    g.setPen(QPen(QColor(0, 128, 0), 4));
    g.drawLine(4, 52, 56, 14);
    g.drawLine(56, 14, 44, 14);
    g.drawLine(56, 14, 54, 26);
    return p;
}

}  // namespace

forms::TextBox* frmOrdre::newBox(QWidget* parent, const QString& name, const QString& field, int maxLength, int index,
                                 const QString& allowed) {
    auto* b = new forms::TextBox(parent);
    b->setObjectName(name);
    b->setDataField(field);
    b->setMaxLength(maxLength);
    if (index >= 0) b->setProperty("index", index);
    // Sized on the widest value the window's key filter lets through ("WWWWWWWWWWW" for a BIC):
    // any code or name shows whole.
    const qreal widest =
        widestTextWidth(QFontMetricsF(b->font()), std::min(maxLength, 35), allowed.isEmpty() ? kTextCharacters : allowed);
    b->setFixedWidth(int(std::ceil(widest)) + 8);
    b->setFixedHeight(kRowPixels);
    return b;
}

QLabel* frmOrdre::newLabel(QWidget* parent, const QString& caption, QWidget* box) {
    auto* l = new QLabel(caption, parent);
    l->setObjectName(QStringLiteral("lblLabels"));
    if (box) forms::labelFor(l, box);
    lblLabels << l;
    return l;
}

void frmOrdre::buildControls() {
    buildHeader();
    buildSheet();
    buildBlocks();
    buildButtons();
    widenForTheFont();
    setTabOrder();
    wireLifeHandlers();
}

void frmOrdre::buildHeader() {
    frmTop = new QGroupBox(this);
    frmTop->setObjectName(QStringLiteral("frmTop"));
    frmTop->setAccessibleName(QStringLiteral("En-tête de l'ordre"));
    forms::moveTwips(frmTop, kTopLeft, 0, kTopWidth, kTopHeight);
    auto* g = compactGrid(frmTop);
    g->setVerticalSpacing(4);

    optTypeOper = new forms::OptionGroup(this);
    auto* types = new QWidget(frmTop);
    auto* th = new QHBoxLayout(types);
    th->setContentsMargins(0, 0, 0, 0);
    const QString typeCaptions[] = {QStringLiteral("Transfert"), QStringLiteral("Chèque"),
                                    QStringLiteral("Règlement de remise"), QStringLiteral("Mise à disposition")};
    for (int i = 0; i < 4; ++i) {
        QRadioButton* r = optTypeOper->add(i, typeCaptions[i], types);
        r->setObjectName(QStringLiteral("optTypeOper"));
        r->setProperty("index", i);
        th->addWidget(r);
    }
    th->addStretch(1);
    // The caption names the set of options; each option is read by its own caption.
    QLabel* lblType = newLabel(frmTop, QStringLiteral("Type d'opération :"), nullptr);
    types->setAccessibleName(QStringLiteral("Type d'opération"));

    txtRefInterne = newBox(frmTop, QStringLiteral("txtRefInterne"), QStringLiteral("refInterne"), 16);
    chkUrgent = new forms::CheckBox(QStringLiteral("Urgent"), frmTop);
    chkUrgent->setObjectName(QStringLiteral("chkUrgent"));
    chkUrgent->setDataField(QStringLiteral("urgent"));

    const QString devFields[] = {QStringLiteral("devOrdre"), QStringLiteral("devPaiement")};
    for (int i = 0; i < 2; ++i) {
        txtDev[size_t(i)] = newBox(frmTop, QStringLiteral("txtDev"), devFields[i], 3, i);
        cmdDev[size_t(i)] = new forms::CommandButton(QStringLiteral("..."), frmTop);
        cmdDev[size_t(i)]->setObjectName(QStringLiteral("cmdDev"));
        cmdDev[size_t(i)]->setProperty("index", i);
        cmdDev[size_t(i)]->setFixedSize(24, kRowPixels);
    }
    forms::setAccessibleFrench(cmdDev[0], QStringLiteral("Choisir la devise de l'ordre"));
    forms::setAccessibleFrench(cmdDev[1], QStringLiteral("Choisir la devise de paiement"));
    txtMontant = newBox(frmTop, QStringLiteral("txtMontant"), QStringLiteral("montant"), 22, -1, kAmountCharacters);
    txtMontant->setAlignment(Qt::AlignRight);
    txtNbDeci = newBox(frmTop, QStringLiteral("txtNbDeci"), QStringLiteral("nbDeci"), 3);
    txtNbDeci->hide();
    forms::setAccessibleFrench(txtNbDeci, QStringLiteral("Nombre de décimales"));

    auto pair = [&](forms::TextBox* box, forms::CommandButton* button) {
        auto* w = new QWidget(frmTop);
        auto* h = new QHBoxLayout(w);
        h->setContentsMargins(0, 0, 0, 0);
        h->setSpacing(2);
        box->setParent(w);
        button->setParent(w);
        h->addWidget(box);
        h->addWidget(button);
        h->addStretch(1);
        return w;
    };
    // Captions in one column, their boxes beside them.
    // The type's caption leads its row: the options need the width of the whole header.
    lblType->setParent(types);
    th->insertWidget(0, lblType);
    th->insertSpacing(1, 12);
    g->addWidget(types, 0, 0, 1, 5);
    g->addWidget(newLabel(frmTop, QStringLiteral("Référence interne du donneur d'ordre :"), txtRefInterne), 1, 0);
    auto* refRow = new QWidget(frmTop);
    auto* rh = new QHBoxLayout(refRow);
    rh->setContentsMargins(0, 0, 0, 0);
    txtRefInterne->setParent(refRow);
    chkUrgent->setParent(refRow);
    rh->addWidget(txtRefInterne);
    rh->addSpacing(40);
    rh->addWidget(chkUrgent);
    rh->addStretch(1);
    g->addWidget(refRow, 1, 1, 1, 4);
    g->addWidget(newLabel(frmTop, QStringLiteral("Devise de l'ordre :"), txtDev[0]), 2, 0);
    g->addWidget(pair(txtDev[0], cmdDev[0]), 2, 1);
    g->addWidget(newLabel(frmTop, QStringLiteral("Devise de paiement :"), txtDev[1]), 2, 2, Qt::AlignRight);
    g->addWidget(pair(txtDev[1], cmdDev[1]), 2, 3);
    g->addWidget(newLabel(frmTop, QStringLiteral("Montant :"), txtMontant), 3, 0);
    g->addWidget(txtMontant, 3, 1, 1, 3, Qt::AlignLeft);
    g->addWidget(txtNbDeci, 3, 4);
    g->setColumnStretch(4, 1);
}

void frmOrdre::buildSheet() {
    picScroll = new QWidget(this);
    picScroll->setObjectName(QStringLiteral("picScroll"));
    picScroll->setAccessibleName(QStringLiteral("Feuille de l'ordre"));
    picScroll->setAutoFillBackground(true);
    forms::moveTwips(picScroll, kScrollLeft, kScrollTop, kScrollWidth, 5370);

    vscH = new QScrollBar(Qt::Vertical, picScroll);
    vscH->setObjectName(QStringLiteral("vscH"));
    vscH->setAccessibleName(QStringLiteral("Défilement de la feuille"));
    vscH->setFocusPolicy(Qt::NoFocus);
    vscH->setMinimum(0);
    forms::moveTwips(vscH, kBarLeft, 0, kBarWidth, 5370 - 150);

    timerScroll = new QTimer(this);
    timerScroll->setObjectName(QStringLiteral("timerScroll"));
    timerScroll->setInterval(10);

    struct BlockDesign {
        QGroupBox** frame;
        forms::CommandButton** button;
        const char* frameName;
        const char* caption;
        const char* buttonName;
        const char* buttonCaption;
        const char* tip;
    };
    const BlockDesign design[9] = {
        {&frm50, &bt50, "frm50", "50 : Client donneur d'ordre", "bt50", "50", "Client donneur d'ordre"},
        {&frm52, &bt52, "frm52", "52 : Etablissement donneur d'ordre", "bt52", "52", "Etablissement donneur d'ordre"},
        {&frm56, &bt56, "frm56", "56 : Banque Intermédiaire", "bt56", "56", "Banque Intermédiaire"},
        {&frm57, &bt57, "frm57", "57 : Banque du Bénéficiaire", "bt57", "57", "Banque du Bénéficiaire"},
        {&frm58_59, &bt58_59, "frm58_59", "58/59 : Bénéficiaire", "bt58_59", "58/59", "Bénéficiaire"},
        {&frm70, &bt70, "frm70", "70 : Motif du paiement", "bt70", "70", "Motif du paiement"},
        {&frm71A, &bt71A, "frm71A", "71 A : Frais à la charge de :", "bt71A", "71A", "Frais à la charge de :"},
        {&frm72, &bt72, "frm72", "72 : Avis au bénéficiaire", "bt72", "72", "Avis au bénéficiaire"},
        {&frmDeclar, &btDeclar, "frmDeclar", "Déclaration balance des paiements", "btDeclar", "Dec",
         "Déclaration balance des paiements"},
    };
    int top = kFirstFrameTop;
    for (int i = 0; i < 9; ++i) {
        const BlockDesign& d = design[i];
        auto* f = new QGroupBox(QString::fromUtf8(d.caption), picScroll);
        f->setObjectName(QString::fromUtf8(d.frameName));
        forms::moveTwips(f, kFrameLeft, top, i < 2 ? kNarrowFrame : kWideFrame, kDesignHeights[i]);
        *d.frame = f;
        top += kDesignHeights[i] + 120;

        auto* b = new forms::CommandButton(QString::fromUtf8(d.buttonCaption), picScroll);
        b->setObjectName(QString::fromUtf8(d.buttonName));
        b->setToolTip(QString::fromUtf8(d.tip));
        b->setAccessibleDescription(QStringLiteral("Aller au bloc ") + QString::fromUtf8(d.tip));
        b->setFocusPolicy(Qt::NoFocus);
        b->setBackColor(forms::vbColor(0xC0FFC0));
        forms::moveTwips(b, kButtonLeft, 250, kButtonWidth, 600);
        *d.button = b;
    }

    frmDeco = new QGroupBox(picScroll);
    frmDeco->setObjectName(QStringLiteral("frmDeco"));
    frmDeco->setAccessibleName(QStringLiteral("Création"));
    forms::moveTwips(frmDeco, kDecoLeft, kDecoTop, kDecoWidth, kDecoHeight);
    auto* dv = new QVBoxLayout(frmDeco);
    dv->setContentsMargins(3, 4, 3, 4);
    txtDateCreation = newBox(frmDeco, QStringLiteral("txtDateCreation"), QStringLiteral("dateCreation"), 16);
    txtDateCreation->setFixedWidth(forms::geometryTwips(frmDeco).width() / kTwipsPerPixel - 8);
    QFont small = txtDateCreation->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    txtDateCreation->setFont(small);
    txtDateCreation->setEnabled(false);
    txtDateCreation->setBackColor(forms::vbColor(0xC0C0C0));
    // Shown to the minute, as the list shows it.
    forms::setDataFormat(txtDateCreation,
                         {[](const Value& v) { return formatDate(v.toDateTime(), QStringLiteral("dd/mm/YYYY HH:MM")); },
                          [](const QString& t) { return t.trimmed().isEmpty() ? Value::null() : Value(parseDateTime(t)); }});
    imgDeco = new QLabel(frmDeco);
    imgDeco->setObjectName(QStringLiteral("imgDeco"));
    imgDeco->setPixmap(decoPicture());
    imgDeco->setAlignment(Qt::AlignCenter);
    dv->addWidget(newLabel(frmDeco, QStringLiteral("Créé le :"), txtDateCreation));
    dv->addWidget(txtDateCreation);
    dv->addStretch(1);
    dv->addWidget(imgDeco);
    dv->addStretch(2);
    // The jump buttons and the scroll bar stand above the sheet's frames.
    vscH->raise();
    for (QWidget* b : jumpButtons()) b->raise();
}

void frmOrdre::buildBlocks() {
    auto text = [this](QWidget* frame, int index, const QString& field, int length) {
        txtText[size_t(index)] = newBox(frame, QStringLiteral("txtText"), field, length, index);
        return txtText[size_t(index)];
    };
    auto country = [this](QWidget* frame, int index, const QString& field, const QString& whose) {
        txtPays[size_t(index)] = newBox(frame, QStringLiteral("txtPays"), field, 2, index);
        cmdPays[size_t(index)] = new forms::CommandButton(QStringLiteral("..."), frame);
        cmdPays[size_t(index)]->setObjectName(QStringLiteral("cmdPays"));
        cmdPays[size_t(index)]->setProperty("index", index);
        cmdPays[size_t(index)]->setFixedSize(24, kRowPixels);
        forms::setAccessibleFrench(cmdPays[size_t(index)], QStringLiteral("Choisir le pays ") + whose);
        auto* w = new QWidget(frame);
        auto* h = new QHBoxLayout(w);
        h->setContentsMargins(0, 0, 0, 0);
        h->setSpacing(2);
        txtPays[size_t(index)]->setParent(w);
        cmdPays[size_t(index)]->setParent(w);
        h->addWidget(txtPays[size_t(index)]);
        h->addWidget(cmdPays[size_t(index)]);
        h->addStretch(1);
        return w;
    };
    auto addressLines = [this](forms::TextBox* first, forms::TextBox* second, const QString& whose) {
        forms::setAccessibleFrench(first, QStringLiteral("Adresse ") + whose + QStringLiteral(", ligne 1"));
        forms::setAccessibleFrench(second, QStringLiteral("Adresse ") + whose + QStringLiteral(", ligne 2"));
    };

    // 50 and 52: the two ordering parties, built alike.
    auto party = [&](QGroupBox* f, forms::TextBox*& rib, const QString& suffix, int first, int countryIndex,
                     forms::TextBox*& siren, const QString& sirenName, int ribLength, int townLength, const QString& whose) {
        auto* g = compactGrid(f);
        rib = newBox(f, QStringLiteral("txtRib") + suffix, QStringLiteral("rib") + suffix, ribLength);
        g->addWidget(newLabel(f, QStringLiteral("RIB :"), rib), 0, 0);
        g->addWidget(rib, 0, 1, 1, 3, Qt::AlignLeft);
        g->addWidget(newLabel(f, QStringLiteral("Nom :"), text(f, first, QStringLiteral("ident") + suffix + u'1', 35)), 1, 0);
        g->addWidget(txtText[size_t(first)], 1, 1, 1, 3, Qt::AlignLeft);
        g->addWidget(newLabel(f, QStringLiteral("et adresse"), text(f, first + 1, QStringLiteral("ident") + suffix + u'2', 35)),
                     2, 0);
        g->addWidget(txtText[size_t(first + 1)], 2, 1, 1, 3, Qt::AlignLeft);
        g->addWidget(text(f, first + 2, QStringLiteral("ident") + suffix + u'3', 35), 3, 1, 1, 3, Qt::AlignLeft);
        addressLines(txtText[size_t(first + 1)], txtText[size_t(first + 2)], whose);
        g->addWidget(newLabel(f, QStringLiteral("Code postal :"), text(f, first + 3, QStringLiteral("codePostal") + suffix, 5)),
                     4, 0);
        g->addWidget(txtText[size_t(first + 3)], 4, 1, Qt::AlignLeft);
        g->addWidget(text(f, first + 4, QStringLiteral("ville") + suffix, townLength), 4, 2, Qt::AlignLeft);
        forms::setAccessibleFrench(txtText[size_t(first + 4)], QStringLiteral("Ville ") + whose);
        g->addWidget(country(f, countryIndex, QStringLiteral("pays") + suffix, whose), 4, 3, Qt::AlignLeft);
        forms::setAccessibleFrench(txtPays[size_t(countryIndex)], QStringLiteral("Pays ") + whose);
        siren = newBox(f, sirenName, QStringLiteral("siren") + suffix, 9);
        siren->hide();
        forms::setAccessibleFrench(siren, QStringLiteral("SIREN ") + whose);
        g->setColumnStretch(4, 1);
        g->setRowStretch(5, 1);
    };
    party(frm50, txtRibOY, QStringLiteral("OY"), 1, 0, txtSirenOY, QStringLiteral("txtSirenOY"), 23, 26,
          QStringLiteral("du client"));
    party(frm52, txtRibPL, QStringLiteral("PL"), 6, 1, txtSirenPL, QStringLiteral("txtSirenPL"), 26, 26,
          QStringLiteral("de l'établissement"));

    // 56 and 57: the two banks.
    auto bank = [&](QGroupBox* f, int bicIndex, int first, const QString& suffix, int countryIndex, const QString& whose,
                    bool withCode) {
        auto* g = compactGrid(f);
        txtBic[size_t(bicIndex)] = newBox(f, QStringLiteral("txtBic"), QStringLiteral("bic") + suffix, 11, bicIndex);
        g->addWidget(newLabel(f, QStringLiteral("Nom :"), text(f, first, QStringLiteral("ident") + suffix + u'1', 35)), 0, 0);
        g->addWidget(txtText[size_t(first)], 0, 1, Qt::AlignLeft);
        g->addWidget(newLabel(f, QStringLiteral("BIC:"), txtBic[size_t(bicIndex)]), 0, 2);
        g->addWidget(txtBic[size_t(bicIndex)], 0, 3, Qt::AlignLeft);
        g->addWidget(newLabel(f, QStringLiteral("et adresse"), text(f, first + 1, QStringLiteral("ident") + suffix + u'2', 35)),
                     1, 0);
        g->addWidget(txtText[size_t(first + 1)], 1, 1, Qt::AlignLeft);
        if (withCode) {
            txtBqeBE = newBox(f, QStringLiteral("txtBqeBE"), QStringLiteral("codeBqeBE"), 11);
            g->addWidget(newLabel(f, QStringLiteral("Code bancaire :"), txtBqeBE), 1, 2);
            g->addWidget(txtBqeBE, 1, 3, Qt::AlignLeft);
        }
        g->addWidget(text(f, first + 2, QStringLiteral("ident") + suffix + u'3', 35), 2, 1, Qt::AlignLeft);
        addressLines(txtText[size_t(first + 1)], txtText[size_t(first + 2)], whose);
        g->addWidget(newLabel(f, QStringLiteral("Ville :"), text(f, first + 3, QStringLiteral("ville") + suffix, 32)), 3, 0);
        g->addWidget(txtText[size_t(first + 3)], 3, 1, Qt::AlignLeft);
        QWidget* c = country(f, countryIndex, QStringLiteral("pays") + suffix, whose);
        g->addWidget(newLabel(f, QStringLiteral("Pays :"), txtPays[size_t(countryIndex)]), 3, 2);
        g->addWidget(c, 3, 3, Qt::AlignLeft);
        g->setColumnStretch(4, 1);
        g->setRowStretch(4, 1);
    };
    bank(frm56, 0, 11, QStringLiteral("BqeI1"), 2, QStringLiteral("de la banque intermédiaire"), false);
    bank(frm57, 1, 15, QStringLiteral("BqeBE"), 3, QStringLiteral("de la banque du bénéficiaire"), true);
    // The intermediary bank's columns carry a "1" after the suffix, and so do its address lines.
    txtText[11]->setDataField(QStringLiteral("identBqeI11"));
    txtText[12]->setDataField(QStringLiteral("identBqeI12"));
    txtText[13]->setDataField(QStringLiteral("identBqeI13"));
    txtBic[0]->setDataField(QStringLiteral("bicBqeI1"));
    txtText[14]->setDataField(QStringLiteral("villeBqeI1"));
    txtPays[2]->setDataField(QStringLiteral("paysBqeI1"));

    // 58/59: the beneficiary.
    {
        QGroupBox* f = frm58_59;
        auto* g = compactGrid(f);
        g->addWidget(newLabel(f, QStringLiteral("Nom :"), text(f, 19, QStringLiteral("identBE1"), 35)), 0, 0);
        g->addWidget(txtText[19], 0, 1, Qt::AlignLeft);
        g->addWidget(newLabel(f, QStringLiteral("et adresse"), text(f, 20, QStringLiteral("identBE2"), 35)), 1, 0);
        g->addWidget(txtText[20], 1, 1, Qt::AlignLeft);
        g->addWidget(text(f, 21, QStringLiteral("identBE3"), 35), 2, 1, Qt::AlignLeft);
        addressLines(txtText[20], txtText[21], QStringLiteral("du bénéficiaire"));
        g->addWidget(newLabel(f, QStringLiteral("Ville :"), text(f, 22, QStringLiteral("villeBE"), 32)), 3, 0);
        g->addWidget(txtText[22], 3, 1, Qt::AlignLeft);
        QWidget* c = country(f, 4, QStringLiteral("paysBE"), QStringLiteral("du bénéficiaire"));
        g->addWidget(newLabel(f, QStringLiteral("Pays :"), txtPays[4]), 3, 2);
        g->addWidget(c, 3, 3, Qt::AlignLeft);
        // The identifier's caption holds two lines: what it is, and which form is best.
        txtIbanBE = newBox(f, QStringLiteral("txtIbanBE"), QStringLiteral("ibanBE"), 34);
        auto* ibanRow = new QWidget(f);
        auto* ih = new QHBoxLayout(ibanRow);
        ih->setContentsMargins(0, 0, 0, 0);
        auto* captions = new QWidget(ibanRow);
        auto* cv = new QVBoxLayout(captions);
        cv->setContentsMargins(0, 0, 0, 0);
        cv->setSpacing(0);
        cv->addWidget(newLabel(captions, QStringLiteral("Identifiant bancaire du bénéficiaire :"), txtIbanBE));
        cv->addWidget(newLabel(captions, QStringLiteral("(de préférence IBAN)"), nullptr));
        forms::setAccessibleFrench(txtIbanBE, QStringLiteral("Identifiant bancaire du bénéficiaire"));
        txtIbanBE->setParent(ibanRow);
        ih->addWidget(captions);
        ih->addWidget(txtIbanBE);
        ih->addStretch(1);
        g->addWidget(ibanRow, 4, 0, 1, 5);
        g->setColumnStretch(4, 1);
        g->setRowStretch(5, 1);
    }

    // 70: the reason, four lines two by two.
    {
        auto* g = compactGrid(frm70);
        for (int i = 1; i <= 4; ++i) {
            txtMotif[size_t(i)] =
                newBox(frm70, QStringLiteral("txtMotif"), QStringLiteral("motif") + QString::number(i), 35, i);
            forms::setAccessibleFrench(txtMotif[size_t(i)], QStringLiteral("Motif du paiement, ligne ") + QString::number(i));
            g->addWidget(txtMotif[size_t(i)], (i - 1) / 2, (i - 1) % 2, Qt::AlignLeft);
        }
        g->setColumnStretch(2, 1);
        g->setRowStretch(2, 1);
    }

    // 71A: who bears the charges; "Cocher..." stands for no choice yet.
    {
        optFrais = new forms::OptionGroup(this);
        auto* g = compactGrid(frm71A);
        const QString captions[] = {QStringLiteral("Donneur d'ordre"), QStringLiteral("Bénéficiaire"),
                                    QStringLiteral("Frais partagés"), QStringLiteral("Cocher l'un des choix suivants :")};
        for (int i = 0; i < 4; ++i) {
            QRadioButton* r = optFrais->add(i, captions[i], frm71A);
            r->setObjectName(QStringLiteral("optFrais"));
            r->setProperty("index", i);
            if (i == 3) g->addWidget(r, 0, 0, 1, 3);
            else g->addWidget(r, 1, i);
        }
        g->setColumnStretch(3, 1);
    }

    // 72: the advice to the beneficiary.
    {
        QGroupBox* f = frm72;
        optAvisBenef = new forms::OptionGroup(this);
        auto* g = compactGrid(f);
        const QString captions[] = {QStringLiteral("Normal"), QStringLiteral("Téléphone N°"), QStringLiteral("Télécopie  N°")};
        for (int i = 0; i < 3; ++i) {
            QRadioButton* r = optAvisBenef->add(i, captions[i], f);
            r->setObjectName(QStringLiteral("optAvisBenef"));
            r->setProperty("index", i);
        }
        txtAvisTel = newBox(f, QStringLiteral("txtAvisTel"), QStringLiteral("avisTel"), 24);
        txtAvisFax = newBox(f, QStringLiteral("txtAvisFax"), QStringLiteral("avisFax"), 24);
        forms::setAccessibleFrench(txtAvisTel, QStringLiteral("Téléphone de l'avis"));
        forms::setAccessibleFrench(txtAvisFax, QStringLiteral("Télécopie de l'avis"));
        txtMotif[5] = newBox(f, QStringLiteral("txtMotif"), QStringLiteral("avisBenef"), 30, 5);
        forms::setAccessibleFrench(txtMotif[5], QStringLiteral("Texte de l'avis au bénéficiaire"));
        g->addWidget(optAvisBenef->button(0), 0, 0);
        g->addWidget(optAvisBenef->button(1), 0, 1);
        g->addWidget(txtAvisTel, 0, 2);
        g->addWidget(optAvisBenef->button(2), 0, 3);
        g->addWidget(txtAvisFax, 0, 4);
        g->addWidget(txtMotif[5], 1, 0, 1, 5, Qt::AlignLeft);
        g->setColumnStretch(5, 1);
        g->setRowStretch(2, 1);
    }

    // Declaration: only the beneficiary's country of residence shows; the economic code, the
    // declarant's SIREN and the residence stay bound, hidden.
    {
        QGroupBox* f = frmDeclar;
        auto* g = compactGrid(f);
        QWidget* c = country(f, 5, QStringLiteral("paysResBE"), QStringLiteral("de résidence du bénéficiaire"));
        g->addWidget(newLabel(f, QStringLiteral("Code pays de résidence du bénéficiaire :"), txtPays[5]), 0, 0);
        g->addWidget(c, 0, 1, Qt::AlignLeft);
        txtCodeEcono = newBox(f, QStringLiteral("txtCodeEcono"), QStringLiteral("codeEcono"), 3);
        cmdCodeEcono = new forms::CommandButton(QStringLiteral("..."), f);
        cmdCodeEcono->setObjectName(QStringLiteral("cmdCodeEcono"));
        txtSirenDecla = newBox(f, QStringLiteral("txtSirenDecla"), QStringLiteral("sirenDecla"), 9);
        QLabel* lblEcono = newLabel(f, QStringLiteral("Code économique de l'opération :"), txtCodeEcono);
        QLabel* lblSiren = newLabel(f, QStringLiteral("N° SIREN :"), txtSirenDecla);
        QLabel* lblResident = newLabel(f, QStringLiteral("Donneur d'ordre :"), nullptr);
        // The residence pair sits in a container of its own: option buttons exclude each other
        // by container.
        auto* residence = new QWidget(f);
        optResident = new forms::OptionGroup(this);
        optResident->add(0, QStringLiteral("Résident"), residence)->setObjectName(QStringLiteral("optResident"));
        optResident->add(1, QStringLiteral("Non Résident"), residence)->setObjectName(QStringLiteral("optResident"));
        for (QWidget* w : std::initializer_list<QWidget*>{txtCodeEcono, cmdCodeEcono, txtSirenDecla, lblEcono, lblSiren,
                                                          lblResident, residence})
            w->hide();
        g->setColumnStretch(2, 1);
        g->setRowStretch(1, 1);
    }
}

void frmOrdre::buildButtons() {
    picButtons = new QWidget(this);
    picButtons->setObjectName(QStringLiteral("picButtons"));
    auto* h = new QHBoxLayout(picButtons);
    h->setContentsMargins(8, 4, 8, 4);
    cmdAdd = new forms::CommandButton(QStringLiteral("&Enregistrer"), picButtons);
    cmdAdd->setObjectName(QStringLiteral("cmdAdd"));
    cmdModele = new forms::CommandButton(QStringLiteral("Créer un mo&dèle"), picButtons);
    cmdModele->setObjectName(QStringLiteral("cmdModele"));
    cmdSelModele = new forms::CommandButton(QStringLiteral("&Utiliser un modèle"), picButtons);
    cmdSelModele->setObjectName(QStringLiteral("cmdSelModele"));
    cmdPrint = new forms::CommandButton(QStringLiteral("&Imprimer"), picButtons);
    cmdPrint->setObjectName(QStringLiteral("cmdPrint"));
    cmdPrint->hide();
    cmdClose = new forms::CommandButton(QStringLiteral("&Fermer"), picButtons);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    h->addWidget(cmdSelModele);
    h->addWidget(cmdModele);
    h->addStretch(1);
    h->addWidget(cmdPrint);
    h->addWidget(cmdAdd);
    h->addWidget(cmdClose);
    setCancelButton(cmdClose);
    resize(toPixels(kDesignClientWidth), toPixels(8650));
}

// The design widths hold for the design's font. A larger font (a desktop set to 10 or 11 points)
// would cut the captions of the header and the blocks, the creation date and the jump buttons'
// captions: the window then grows by what they lack. The blocks widen by what the widest
// caption lacks, the date frame by what the date lacks, the jump buttons by what theirs lack;
// whatever stands to their right moves over by as much.
void frmOrdre::widenForTheFont() {
    int blocksExtra = 0;
    const QList<QGroupBox*> frames = blocks();
    QList<QGroupBox*> measured = frames;
    measured << frmTop;
    for (QGroupBox* f : measured) {
        f->ensurePolished();
        if (QLayout* l = f->layout()) blocksExtra = std::max(blocksExtra, l->minimumSize().width() - f->width());
    }
    const auto lacking = [](QWidget* w, const QString& text) {
        w->ensurePolished();
        return std::max(0, QFontMetrics(w->font()).horizontalAdvance(text) + 10 - w->width());
    };
    const int dateExtra = lacking(txtDateCreation, QStringLiteral("00/00/0000 00:00"));
    int buttonsExtra = 0;
    for (forms::CommandButton* b : jumpButtons()) buttonsExtra = std::max(buttonsExtra, lacking(b, b->text()));
    blocksExtra = std::max(0, blocksExtra);
    const int total = blocksExtra + dateExtra + buttonsExtra;
    if (total == 0) return;

    const auto change = [](QWidget* w, int moveBy, int widenBy) {
        const QRect g = forms::geometryTwips(w);
        forms::moveTwips(w, g.left() + toTwips(moveBy), g.top(), g.width() + toTwips(widenBy), g.height());
    };
    change(frmTop, 0, total);
    change(picScroll, 0, total);
    // The first two blocks stand beside the date frame, the others below it.
    for (int i = 0; i < frames.size(); ++i) change(frames[i], 0, i < 2 ? blocksExtra : blocksExtra + dateExtra);
    change(frmDeco, blocksExtra, dateExtra);
    txtDateCreation->setFixedWidth(txtDateCreation->width() + dateExtra);
    change(vscH, blocksExtra + dateExtra, 0);
    for (QWidget* b : jumpButtons()) change(b, blocksExtra + dateExtra, buttonsExtra);
    resize(width() + total, height());
}

void frmOrdre::setTabOrder() {
    // Down the header, then down the sheet block by block, then the command bar.
    QList<QWidget*> order;
    for (int i = 0; i < 4; ++i) order << optTypeOper->button(i);
    order << txtRefInterne << chkUrgent << txtDev[0] << cmdDev[0] << txtDev[1] << cmdDev[1] << txtMontant;
    order << txtRibOY;
    for (int i = 1; i <= 5; ++i) order << txtText[size_t(i)];
    order << txtPays[0] << cmdPays[0] << txtRibPL;
    for (int i = 6; i <= 10; ++i) order << txtText[size_t(i)];
    order << txtPays[1] << cmdPays[1];
    order << txtText[11] << txtBic[0] << txtText[12] << txtText[13] << txtText[14] << txtPays[2] << cmdPays[2];
    order << txtText[15] << txtBic[1] << txtText[16] << txtBqeBE << txtText[17] << txtText[18] << txtPays[3]
          << cmdPays[3];
    for (int i = 19; i <= 22; ++i) order << txtText[size_t(i)];
    order << txtPays[4] << cmdPays[4] << txtIbanBE;
    for (int i = 1; i <= 4; ++i) order << txtMotif[size_t(i)];
    order << optFrais->button(3) << optFrais->button(0) << optFrais->button(1) << optFrais->button(2);
    order << optAvisBenef->button(0) << optAvisBenef->button(1) << txtAvisTel << optAvisBenef->button(2) << txtAvisFax
          << txtMotif[5];
    order << txtPays[5] << cmdPays[5];
    order << cmdSelModele << cmdModele << cmdAdd << cmdClose;
    for (qsizetype i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

}  // namespace vorna
