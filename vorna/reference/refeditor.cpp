#include "reference/refeditor.h"

#include <QFontMetricsF>
#include <QImage>
#include <QAbstractTextDocumentLayout>
#include <QTextFrame>
#include <QLocale>
#include <QPainter>
#include <QTextDocument>
#include <algorithm>

#include "orderentry/modrules.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/environment.h"
#include "platform/forms/accessibility.h"
#include "platform/forms/focus.h"
#include "platform/forms/geometry.h"
#include "platform/report/report.h"
#include "platform/session.h"
#include "reference/picklist.h"

namespace vorna {

namespace {

const QString CRLF = QStringLiteral("\r\n");
const QString kAjout = QStringLiteral("Ajout");
const QString kModification = QStringLiteral("Modification");
const QString kSuppression = QStringLiteral("Suppression");
// The key code of the keyboard's paste (Ctrl+V, Shift+Insert).
constexpr int kPasteKey = 22;

// Design, twips.
constexpr int kMargin = 120;
constexpr int kFormWidth = 10500;
constexpr int kGridHeight = 3600;
constexpr int kCaptionWidth = 1700;
constexpr int kBoxLeft = kMargin + kCaptionWidth + 60;
constexpr int kBoxHeight = 315;
constexpr int kRowStep = 420;
constexpr int kButtonWidth = 1215;
constexpr int kButtonHeight = 375;
constexpr int kPictureWidth = 495;

// A print zone is 14 character widths.
constexpr int kZone = 14;

// The picture of the print button: a small printer.
QIcon printerPicture() {
    QPixmap p(20, 20);
    p.fill(Qt::transparent);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
    g.setBrush(Qt::white);
    g.drawRect(QRectF(5.5, 1.5, 9, 7));    // the sheet going in
    g.setBrush(QColor(0x9A, 0xA4, 0xB0));
    g.drawRoundedRect(QRectF(1.5, 7.5, 17, 8), 2, 2);  // the body
    g.setBrush(Qt::white);
    g.drawRect(QRectF(5.5, 12.5, 9, 6));   // the sheet coming out
    g.setPen(QPen(QColor(0x60, 0x60, 0x60), 1));
    g.drawLine(QPointF(7, 15), QPointF(13, 15));
    g.drawLine(QPointF(7, 17), QPointF(12, 17));
    g.setPen(Qt::NoPen);
    g.setBrush(QColor(0x2E, 0xA0, 0x43));
    g.drawEllipse(QRectF(15, 9.5, 2, 2));
    return QIcon(p);
}

// A line of the printed list, built as the old printer wrote it.
class PrintLine {
public:
    PrintLine& blanks(int n) {
        text_ += QString(n, u' ');
        return *this;
    }
    PrintLine& add(const QString& s) {
        text_ += s;
        return *this;
    }
    // To the start of the next print zone: always forward, even from the start of a zone.
    PrintLine& nextZone() { return blanks((int(text_.size()) / kZone + 1) * kZone - int(text_.size())); }
    QString text() const { return text_; }

private:
    QString text_;
};

bool isWordSeparator(QChar c) {
    const ushort u = c.unicode();
    return u == 0 || (u >= 9 && u <= 13) || u == 32;
}

}  // namespace

// ---- the three designs ----------------------------------------------------------------------

RefEditorDesign countriesDesign(bool allCountries) {
    RefEditorDesign d;
    d.objectName = QStringLiteral("FrmRefPays");
    d.caption = allCountries ? QStringLiteral("Référentiel de tous les codes pays")
                             : QStringLiteral("Référentiel des codes pays de l'espace économique européen");
    d.select = allCountries ? QStringLiteral("select Code,Description from Pays Order by Code")
                            : QStringLiteral("select Code,Description from PaysEEE Order by Code");
    d.printTitle = allCountries
                       ? QStringLiteral("Application KESTO : Référentiel de tous les codes pays")
                       : QStringLiteral("Application KESTO : Référentiel des codes pays de l'espace économique européen");
    d.codeLength = 2;
    d.labelBox = QStringLiteral("T_Pays");
    d.labelCaptionName = QStringLiteral("L_Libel_Pays");
    d.labelCaption = QStringLiteral("Pays");
    d.labelMax = 60;
    d.hasDecimals = false;
    d.columns = {{QStringLiteral("Code du pays"), QStringLiteral("code"), 1800, true},
                 {QStringLiteral("Libellé du pays"), QStringLiteral("description"), 7500, false}};
    d.gridTip = QStringLiteral(
        "Le tableau affichant le référentiel des pays peut être trié sur le code ou sur le libellé par un click sur "
        "l'entête appropriée");
    d.modifierTip = QStringLiteral("Modifier le libellé d'un pays existant dans la liste");
    d.printTip = QStringLiteral("Imprimer la liste des pays contenus dans le référentiel");
    d.lengthMessage = {QStringLiteral("Le code du pays doit être saisi sur 2 caractères !"),
                       QStringLiteral("Saisie du code pays")};
    d.labelMessage = {QStringLiteral("La saisie du libellé du pays est obligatoire !"),
                      QStringLiteral("Saisie du libellé pays")};
    d.duplicateMessage = {QStringLiteral("Le code pays saisi existe déjà !"), QStringLiteral("Saisie du code pays")};
    d.storeTitleEnding = QStringLiteral(" d'un pays dans le référentiel");
    d.deleteTitle = QStringLiteral("Suppression d'un pays dans le référentiel");
    d.codeFilter = RefEditorDesign::CodeFilter::CapitalsWithBeep;
    d.labelCorrection = RefEditorDesign::LabelCorrection::ProperCase;
    d.tipFollowsRow = false;
    d.layout = RefEditorDesign::Layout::Countries;
    return d;
}

RefEditorDesign economicCodesDesign() {
    RefEditorDesign d;
    d.objectName = QStringLiteral("FrmRefCodesEcono");
    d.caption = QStringLiteral("Référentiel des codes motif économique");
    d.select = QStringLiteral("select Code,Description from CodesEcono Order by Code");
    d.printTitle = QStringLiteral("Application KESTO : Référentiel des motifs économiques");
    d.codeLength = 3;
    d.labelBox = QStringLiteral("T_Motif");
    d.labelCaptionName = QStringLiteral("L_Libel_CodeEcono");
    d.labelCaption = QStringLiteral("Motif économique");
    d.labelMax = 255;
    d.hasDecimals = false;
    d.columns = {{QStringLiteral("Code du motif"), QStringLiteral("code"), 1500, true},
                 {QStringLiteral("Libellé du motif économique"), QStringLiteral("description"), 7800, false}};
    d.gridTip = QStringLiteral(
        "Le tableau affichant le référentiel des motifs économiques peut être trié sur le code ou sur le libellé par "
        "un click sur l'entête appropriée");
    d.modifierTip = QStringLiteral("Modifier le libellé d'un motif économique existant dans la liste");
    d.printTip = QStringLiteral("Imprimer la liste des motifs économiques contenus dans le référentiel");
    d.lengthMessage = {QStringLiteral("Le code du motif économique doit être saisi sur 3 caractères !"),
                       QStringLiteral("Saisie du code du motif économique")};
    d.labelMessage = {QStringLiteral("La saisie du motif économique est obligatoire !"),
                      QStringLiteral("Saisie du libellé du motif économique")};
    d.duplicateMessage = {QStringLiteral("Le code saisi existe déjà !"),
                          QStringLiteral("Saisie du code du motif économique")};
    d.storeTitleEnding = QStringLiteral(" d'un motif économique dans le référentiel");
    d.deleteTitle = QStringLiteral("Suppression d'un motif économique dans le référentiel");
    d.codeFilter = RefEditorDesign::CodeFilter::AlnumSilent;
    d.labelCorrection = RefEditorDesign::LabelCorrection::FirstCapital;
    d.tipFollowsRow = true;
    d.layout = RefEditorDesign::Layout::EconomicCodes;
    return d;
}

RefEditorDesign currenciesDesign() {
    RefEditorDesign d;
    d.objectName = QStringLiteral("FrmRefDevises");
    d.caption = QStringLiteral("Référentiel des devises");
    d.select = QStringLiteral("select Code,Description,nbDecimale from devises Order by code");
    d.printTitle = QStringLiteral("Application KESTO : Référentiel des devises");
    d.codeLength = 3;
    d.labelBox = QStringLiteral("T_Devise");
    d.labelCaptionName = QStringLiteral("L_Libel_Devise");
    d.labelCaption = QStringLiteral("Devise");
    d.labelMax = 60;
    d.hasDecimals = true;
    d.columns = {{QStringLiteral("Code de la devise"), QStringLiteral("code"), 1800, true},
                 {QStringLiteral("Libellé de la devise"), QStringLiteral("description"), 5900, false},
                 {QStringLiteral("Nombre de décimales"), QStringLiteral("nbdecimale"), 2100, true}};
    d.gridTip = QStringLiteral(
        "Le tableau affichant le référentiel des devises peut être trié sur le code, le libellé ou le nombre de "
        "décimales par un click sur l'en-tête appropriée");
    d.modifierTip = QStringLiteral("Modifier le libellé d'une devise existant dans la liste");
    d.printTip = QStringLiteral("Imprimer la liste des devises contenues dans le référentiel");
    d.lengthMessage = {QStringLiteral("Le code de la devise doit être saisi sur 3 caractères !"),
                       QStringLiteral("Saisie du code de la devise")};
    d.labelMessage = {QStringLiteral("La saisie du libellé de la devise est obligatoire !"),
                      QStringLiteral("Saisie du libellé de la devise")};
    d.decimalsMessage = {QStringLiteral("La saisie du nombre de décimales est obligatoire !"),
                         QStringLiteral("Saisie du nombre de décimales de la devise")};
    d.duplicateMessage = {QStringLiteral("Le code devise saisi existe déjà !"), QStringLiteral("Saisie du code devise")};
    d.storeTitleEnding = QStringLiteral(" d'une devise dans le référentiel");
    d.deleteTitle = QStringLiteral("Suppression d'une devise dans le référentiel");
    d.codeFilter = RefEditorDesign::CodeFilter::CapitalsWithBeep;
    d.labelCorrection = RefEditorDesign::LabelCorrection::FirstCapital;
    d.tipFollowsRow = false;
    d.layout = RefEditorDesign::Layout::Currencies;
    return d;
}

// ---- filters, corrections and the printed lines ----------------------------------------------

int filterCodeKey(RefEditorDesign::CodeFilter filter, int k) {
    const bool withBeep = filter == RefEditorDesign::CodeFilter::CapitalsWithBeep;
    if (k >= 'a' && k <= 'z') {
        k -= 'a' - 'A';
        if (withBeep) beep();
    }
    if ((k >= 'A' && k <= 'Z') || k == 8) return k;
    if (!withBeep && k >= '0' && k <= '9') return k;
    beep();
    return 0;
}

int filterPastedKey(int k, const std::function<int(int)>& typed) {
    // Backspace, Enter and Escape are keys, not characters a box holds.
    if ((k >= 0 && k < 32) || k == 127) {
        beep();
        return 0;
    }
    return typed(k);
}

int filterDecimalsKey(int k) {
    if ((k >= '0' && k <= '9') || k == 8) return k;
    beep();
    return 0;
}

QString correctLabel(RefEditorDesign::LabelCorrection correction, const QString& text) {
    if (text.isEmpty()) return text;
    if (correction == RefEditorDesign::LabelCorrection::FirstCapital) return text.left(1).toUpper() + text.mid(1);
    // Each word (between blanks, tabs and line breaks) begins with a capital; the rest is lower case.
    QString out = text.toLower();
    bool wordStart = true;
    for (qsizetype i = 0; i < out.size(); ++i) {
        if (isWordSeparator(out[i])) {
            wordStart = true;
        } else if (wordStart) {
            out[i] = out[i].toUpper();
            wordStart = false;
        }
    }
    return out;
}

QStringList referenceListLines(RefEditorDesign::Layout layout, const QString& title, const QString& date,
                               const QList<RefListRow>& rows) {
    using L = RefEditorDesign::Layout;
    QStringList lines;
    lines << QString() << PrintLine().add(title).blanks(10).add(date).text() << QString();
    switch (layout) {
    case L::Countries:
        lines << PrintLine().blanks(10).add(QStringLiteral("- Code -")).blanks(10).add(QStringLiteral("- Libellé du pays -")).text();
        break;
    case L::EconomicCodes:
        lines << PrintLine().blanks(10).add(QStringLiteral("- Code -")).blanks(10).add(QStringLiteral("- Motif économique -")).text();
        break;
    case L::Currencies:
        lines << PrintLine()
                     .blanks(9)
                     .add(QStringLiteral("- Code -"))
                     .blanks(6)
                     .add(QStringLiteral("- Libellé de la devise -"))
                     .blanks(20)
                     .add(QStringLiteral("- Nbre de décimales -"))
                     .text();
        break;
    }
    lines << QString();
    for (const RefListRow& r : rows) {
        switch (layout) {
        case L::Countries: lines << PrintLine().blanks(11).add(r.code).blanks(1).nextZone().add(r.label).text(); break;
        case L::EconomicCodes:
            if (r.label.size() < 131) {
                lines << PrintLine().blanks(11).add(r.code).blanks(2).add(r.label).text();
            } else {
                lines << PrintLine().blanks(11).add(r.code).blanks(2).add(r.label.left(130)).text();
                lines << PrintLine().blanks(18).add(r.label.mid(130)).text();
            }
            break;
        case L::Currencies:
            lines << PrintLine()
                         .blanks(11)
                         .add(r.code)
                         .blanks(1)
                         .nextZone()
                         .blanks(5)
                         .add(r.label)
                         .blanks(10)
                         .nextZone()
                         .add(r.decimals)
                         .text();
            break;
        }
    }
    return lines;
}

// ---- the window ------------------------------------------------------------------------------

RefEditor::RefEditor(forms::Form& window, const RefEditorDesign& design) : window_(window), design_(design) {
    buildControls();
}

RefEditor::~RefEditor() = default;

void RefEditor::buildControls() {
    forms::Form& w = window_;
    w.setObjectName(design_.objectName);
    w.setWindowTitle(design_.caption);

    auto button = [&w](const QString& caption, const char* name) {
        auto* b = new forms::CommandButton(caption, &w);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    auto box = [&w](const QString& name, int maxLength) {
        auto* t = new forms::TextBox(&w);
        t->setObjectName(name);
        t->setMaxLength(maxLength);
        t->setEnabled(false);  // disabled at design
        return t;
    };
    auto caption = [&w](const QString& text, const QString& name, QWidget* buddy) {
        auto* l = new QLabel(text, &w);
        l->setObjectName(name);
        forms::labelFor(l, buddy);
        return l;
    };

    DataGrid1 = new forms::FlexGrid(&w);
    DataGrid1->setObjectName(QStringLiteral("DataGrid1"));
    DataGrid1->setToolTip(design_.gridTip);
    forms::setAccessibleFrench(DataGrid1, design_.caption);

    T_Code = box(QStringLiteral("T_Code"), design_.codeLength);
    L_Libel_Code = caption(QStringLiteral("Code"), QStringLiteral("L_Libel_Code"), T_Code);
    labelBox = box(design_.labelBox, design_.labelMax);
    labelCaption = caption(design_.labelCaption, design_.labelCaptionName, labelBox);
    if (design_.hasDecimals) {
        T_NbrDecimale = box(QStringLiteral("T_NbrDecimale"), 1);
        L_Libel_Decimale = caption(QStringLiteral("Nbre de décimales"), QStringLiteral("L_Libel_Decimale"), T_NbrDecimale);
    }

    cmd_Ajouter = button(QStringLiteral("&Ajouter"), "cmd_Ajouter");
    cmd_Ajouter->setToolTip(QStringLiteral("Ajouter un nouvel élément à la liste"));
    cmd_Modifier = button(QStringLiteral("&Modifier"), "cmd_Modifier");
    cmd_Modifier->setToolTip(design_.modifierTip);
    cmd_Supprimer = button(QStringLiteral("&Supprimer"), "cmd_Supprimer");
    cmd_Supprimer->setToolTip(QStringLiteral("Supprimer un élément de la liste"));
    Cmd_Valider = button(QStringLiteral("&Valider"), "Cmd_Valider");
    Cmd_Annuler = button(QStringLiteral("A&nnuler"), "Cmd_Annuler");
    Cmd_Valider->setEnabled(false);
    Cmd_Annuler->setEnabled(false);
    cmd_PrintListe = button(QString(), "cmd_PrintListe");
    cmd_PrintListe->setIcon(printerPicture());
    cmd_PrintListe->setIconSize(QSize(20, 20));
    cmd_PrintListe->setToolTip(design_.printTip);
    forms::setAccessibleFrench(cmd_PrintListe, QStringLiteral("Imprimer la liste"));
    cmd_Fermer = button(QStringLiteral("&Fermer"), "cmd_Fermer");
    w.setCancelButton(cmd_Fermer);

    // Layout: the grid, the fields below it, then the buttons.
    const int gridWidth = kFormWidth - 2 * kMargin;
    forms::moveTwips(DataGrid1, kMargin, kMargin, gridWidth, kGridHeight);
    int top = kMargin + kGridHeight + 180;
    auto fieldRow = [&](QLabel* l, forms::TextBox* t, int width) {
        forms::moveTwips(l, kMargin, top + 45, kCaptionWidth, kBoxHeight - 45);
        forms::moveTwips(t, kBoxLeft, top, width, kBoxHeight);
        top += kRowStep;
    };
    fieldRow(L_Libel_Code, T_Code, 900);
    fieldRow(labelCaption, labelBox, kFormWidth - kMargin - kBoxLeft);
    if (T_NbrDecimale) fieldRow(L_Libel_Decimale, T_NbrDecimale, 500);
    top += 120;
    int left = kMargin;
    for (forms::CommandButton* b : {cmd_Ajouter, cmd_Modifier, cmd_Supprimer, Cmd_Valider, Cmd_Annuler}) {
        forms::moveTwips(b, left, top, kButtonWidth, kButtonHeight);
        left += kButtonWidth + 90;
    }
    forms::moveTwips(cmd_Fermer, kFormWidth - kMargin - kButtonWidth, top, kButtonWidth, kButtonHeight);
    forms::moveTwips(cmd_PrintListe, kFormWidth - kMargin - kButtonWidth - 180 - kPictureWidth, top, kPictureWidth,
                     kButtonHeight);
    w.resize(toPixels(kFormWidth), toPixels(top + kButtonHeight + kMargin));
    w.setMinimumSize(w.size());

    QObject::connect(cmd_Ajouter, &QPushButton::clicked, &w, [this] { cmd_Ajouter_Click(); });
    QObject::connect(cmd_Modifier, &QPushButton::clicked, &w, [this] { cmd_Modifier_Click(); });
    QObject::connect(cmd_Supprimer, &QPushButton::clicked, &w, [this] { cmd_Supprimer_Click(); });
    QObject::connect(Cmd_Valider, &QPushButton::clicked, &w, [this] { Cmd_Valider_Click(); });
    QObject::connect(Cmd_Annuler, &QPushButton::clicked, &w, [this] { Cmd_Annuler_Click(); });
    QObject::connect(cmd_Fermer, &QPushButton::clicked, &w, [this] { cmd_Fermer_Click(); });
    QObject::connect(cmd_PrintListe, &QPushButton::clicked, &w, [this] { cmd_PrintListe_Click(); });
    QObject::connect(DataGrid1, &forms::FlexGrid::rowColChange, &w, [this] { gridRowChanged(); });
    QObject::connect(DataGrid1, &forms::FlexGrid::mouseDown, &w, [this](int button, int, int, int) {
        if (button == 1 && DataGrid1->mouseRow() == 0 && DataGrid1->mouseCol() >= 0) headClick(DataGrid1->mouseCol());
    });

    T_Code->keyPress = [this](int& k) { k = filterCodeKey(design_.codeFilter, k); };
    if (T_NbrDecimale) T_NbrDecimale->keyPress = [](int& k) { k = filterDecimalsKey(k); };
    // What the context menu pastes passes the box's filter of typed keys first (the right
    // button cleans the clipboard before the menu opens); the label takes any character but
    // the control ones, and the keyboard's paste cleans the clipboard for it too.
    setClipboardFilter(T_Code, [this](int k) {
        return filterPastedKey(k, [this](int c) { return filterCodeKey(design_.codeFilter, c); });
    });
    if (T_NbrDecimale) setClipboardFilter(T_NbrDecimale, [](int k) { return filterPastedKey(k, filterDecimalsKey); });
    const auto labelPaste = [](int k) { return filterPastedKey(k, [](int c) { return c; }); };
    setClipboardFilter(labelBox, labelPaste);
    labelBox->keyPress = [labelPaste](int& k) {
        if (k == kPasteKey) filterClipboardWith(labelPaste);
    };
    labelBox->lostFocus = [this] {
        const QString corrected = correctLabel(design_.labelCorrection, labelBox->text());
        if (corrected != labelBox->text()) labelBox->setText(corrected);
    };
}

void RefEditor::setTable(const QString& caption, const QString& select, const QString& printTitle) {
    design_.caption = caption;
    design_.select = select;
    design_.printTitle = printTitle;
    window_.setWindowTitle(caption);
    forms::setAccessibleFrench(DataGrid1, caption);
}

void RefEditor::load() {
    try {
        conn_ = openConnection(Session::current().connParamVorna);
        rs_ = std::make_unique<Recordset>();
        rs_->open(design_.select, conn_, CursorType::Keyset, LockType::Optimistic);
    } catch (const VbError& e) {
        rs_.reset();
        conn_.reset();
        reportFailure(e.description);
        throw;
    }
    QObject::connect(rs_.get(), &Recordset::rowsChanged, &window_, [this] { fillGrid(); });
    QObject::connect(rs_.get(), &Recordset::currentChanged, &window_, [this] { showCurrentRow(); });
    fillGrid();
    if (const forms::Form* main = Session::current().mainWindow)
        window_.moveTwips(main->leftTwips() + 600, main->topTwips() + 900, window_.widthTwips(), window_.heightTwips());
}

void RefEditor::unload() {
    if (rs_) {
        QObject::disconnect(rs_.get(), nullptr, &window_, nullptr);
        rs_->close();
    }
    rs_.reset();
    conn_.reset();
}

// ---- the grid --------------------------------------------------------------------------------

void RefEditor::fillGrid() {
    if (!rs_ || !rs_->isOpen()) return;
    forms::FlexGrid* g = DataGrid1;
    const int cols = int(design_.columns.size());
    const int rows = rs_->recordCount();
    syncing_ = true;
    g->setRedraw(false);
    g->clear();
    g->setCols(cols);
    g->setRows(rows + 1);
    // One line of text per row.
    g->setRowHeightTwips(-1, toTwips(g->fontMetrics().height() + 6));
    for (int c = 0; c < cols; ++c) {
        const RefColumn& col = design_.columns[c];
        g->setHeaderText(c, col.caption);
        g->setColWidth(c, col.width);
        g->setColAlignment(c, col.centred ? forms::FlexGrid::Align::Center : forms::FlexGrid::Align::Left);
        g->setColumnProvider(c, [this, c](int row) {
            return rs_ && row - 1 < rs_->recordCount() ? rs_->valueAt(row - 1, c).toText() : QString();
        });
    }
    g->setRedraw(true);
    syncing_ = false;
    showCurrentRow();
}

void RefEditor::showCurrentRow() {
    if (syncing_ || !rs_ || !rs_->isOpen()) return;
    const int pos = rs_->absolutePosition();
    forms::FlexGrid* g = DataGrid1;
    if (pos < 1 || pos >= g->rows()) return;
    syncing_ = true;
    g->setRow(pos);
    g->setCol(0);
    g->setColSel(g->cols() - 1);
    if (g->currentIndex().isValid()) g->scrollTo(g->currentIndex());
    syncing_ = false;
    if (design_.tipFollowsRow) g->setToolTip(rs_->value(1).toText());
}

void RefEditor::gridRowChanged() {
    if (syncing_ || !rs_ || !rs_->isOpen()) return;
    const int r = DataGrid1->row();
    if (r < 1 || r > rs_->recordCount()) return;
    try {
        if (r != rs_->absolutePosition()) rs_->setAbsolutePosition(r);
    } catch (const VbError& e) {
        reportFailure(e.description);
    }
    syncing_ = true;
    DataGrid1->setColSel(DataGrid1->cols() - 1);
    syncing_ = false;
    if (design_.tipFollowsRow && hasCurrentRow()) DataGrid1->setToolTip(rs_->value(1).toText());
}

void RefEditor::headClick(int col) {
    if (!rs_ || col < 0 || col >= design_.columns.size()) return;
    try {
        rs_->sort(design_.columns[col].field);
    } catch (const VbError& e) {
        reportFailure(e.description);
    }
    if (design_.tipFollowsRow) DataGrid1->setToolTip(design_.gridTip);
}

bool RefEditor::hasCurrentRow() const {
    return rs_ && rs_->isOpen() && rs_->absolutePosition() > 0;
}

void RefEditor::rememberCurrent() {
    if (hasCurrentRow()) bookmark_ = rs_->bookmark();
}

QList<forms::CommandButton*> RefEditor::browseButtons() const {
    return {cmd_Ajouter, cmd_Modifier, cmd_Supprimer, cmd_Fermer, cmd_PrintListe};
}

// ---- states ----------------------------------------------------------------------------------

void RefEditor::resetEcran() {
    DataGrid1->setEnabled(true);
    if (rs_ && rs_->isOpen()) {
        try {
            rs_->sort(QStringLiteral("code"));
            if (bookmark_) rs_->setBookmark(*bookmark_);
        } catch (const VbError&) {
            // A remembered row that is gone: the grid stays on the first row.
            bookmark_.reset();
        }
    }
    forms::giveFocus(DataGrid1);
    for (forms::CommandButton* b : browseButtons()) b->setEnabled(true);
    Cmd_Valider->setEnabled(false);
    Cmd_Annuler->setEnabled(false);
    for (forms::TextBox* t : {labelBox, T_Code, T_NbrDecimale}) {
        if (!t) continue;
        t->setEnabled(false);
        t->clear();
    }
    mode_.clear();
}

void RefEditor::modeSaisie() {
    DataGrid1->setEnabled(false);
    for (forms::CommandButton* b : browseButtons()) b->setEnabled(false);
    Cmd_Valider->setEnabled(true);
    Cmd_Annuler->setEnabled(true);
    if (mode_ == kAjout) {
        T_Code->setEnabled(true);
        labelBox->setEnabled(true);
        if (T_NbrDecimale) T_NbrDecimale->setEnabled(true);
        forms::giveFocus(T_Code);
    } else if (mode_ == kModification) {
        labelBox->setEnabled(true);
        if (T_NbrDecimale) T_NbrDecimale->setEnabled(true);
        forms::giveFocus(labelBox);
    }
    if ((mode_ == kModification || mode_ == kSuppression) && hasCurrentRow()) {
        T_Code->setText(rs_->value(QStringLiteral("code")).toText());
        labelBox->setText(rs_->value(QStringLiteral("description")).toText());
        if (T_NbrDecimale) T_NbrDecimale->setText(rs_->value(QStringLiteral("nbdecimale")).toText());
    }
    rememberCurrent();
}

bool RefEditor::saisieValide() {
    auto refuse = [](const RefMessage& m) { msgBox(m.text, MsgButtons::OK, MsgIcon::Exclamation, m.title); };
    auto selectCode = [this] {
        forms::giveFocus(T_Code);
        T_Code->selectAll();
    };
    if (T_Code->text().size() != design_.codeLength) {
        refuse(design_.lengthMessage);
        selectCode();
        return false;
    }
    if (labelBox->text().isEmpty()) {
        refuse(design_.labelMessage);
        forms::giveFocus(labelBox);
        return false;
    }
    // One digit: a text that is no number would be stored as 0.
    if (T_NbrDecimale && !(T_NbrDecimale->text().size() == 1 && T_NbrDecimale->text()[0] >= u'0' &&
                           T_NbrDecimale->text()[0] <= u'9')) {
        refuse(design_.decimalsMessage);
        forms::giveFocus(T_NbrDecimale);
        return false;
    }
    // The whole table, whichever row the grid shows.
    const bool found = rs_->find(QStringLiteral("code"), Value(T_Code->text()), FindStart::First);
    if (mode_ == kAjout && found) {
        refuse(design_.duplicateMessage);
        selectCode();
        return false;
    }
    return true;
}

void RefEditor::reportFailure(const QString& description) {
    msgBox(description, MsgButtons::OK, MsgIcon::Critical, QStringLiteral("Erreur de données"));
}

// ---- commands --------------------------------------------------------------------------------

void RefEditor::cmd_Ajouter_Click() {
    mode_ = kAjout;
    modeSaisie();
}

void RefEditor::cmd_Modifier_Click() {
    // An empty table has no row to change.
    if (!hasCurrentRow()) return;
    mode_ = kModification;
    modeSaisie();
}

void RefEditor::Cmd_Valider_Click() {
    if (mode_ != kAjout && mode_ != kModification) return;
    bool valid = false;
    try {
        valid = saisieValide();
    } catch (const VbError& e) {
        reportFailure(e.description);
        return;
    }
    if (!valid) return;
    const QString code = T_Code->text();
    const QString label = labelBox->text();
    QString question = QStringLiteral("Confirmez-vous la validation de l'enregistrement suivant : ") + CRLF + code +
                       QStringLiteral(" - ") + label;
    if (T_NbrDecimale)
        question += QStringLiteral(" avec ") + T_NbrDecimale->text() + QStringLiteral(" décimale(s)?");
    else
        question += QStringLiteral(" ?");
    if (msgBox(question, MsgButtons::OKCancel, MsgIcon::Question, mode_ + design_.storeTitleEnding) == MsgAnswer::OK) {
        try {
            if (mode_ == kAjout) rs_->addNew();
            rs_->setValue(QStringLiteral("code"), Value(code));
            rs_->setValue(QStringLiteral("description"), Value(label));
            if (T_NbrDecimale) rs_->setValue(QStringLiteral("nbdecimale"), Value(T_NbrDecimale->text().toInt()));
            rs_->update();
            bookmark_ = rs_->bookmark();
        } catch (const VbError& e) {
            // Nothing half stored: the row goes back as it was, the user keeps what was typed.
            try {
                if (rs_->editMode() != EditMode::None) rs_->cancelUpdate();
            } catch (const VbError&) {
            }
            reportFailure(e.description);
            return;
        }
        rereadPickLists();
    }
    resetEcran();
}

void RefEditor::cmd_Supprimer_Click() {
    if (!hasCurrentRow()) return;
    mode_ = kSuppression;
    modeSaisie();
    const QString question = QStringLiteral("Confirmez-vous la suppression de l'enregistrement suivant : ") + CRLF +
                             T_Code->text() + QStringLiteral(" - ") + labelBox->text() + QStringLiteral(" ?");
    if (msgBox(question, MsgButtons::OKCancel, MsgIcon::Question, design_.deleteTitle) == MsgAnswer::OK) {
        try {
            rs_->deleteCurrent();
            rs_->movePrevious();
            if (rs_->bof() && rs_->recordCount() > 0) rs_->moveFirst();
            bookmark_.reset();
            rememberCurrent();
            rereadPickLists();
        } catch (const VbError& e) {
            reportFailure(e.description);
        }
    }
    resetEcran();
}

void RefEditor::cmd_Fermer_Click() {
    if (rs_) rs_->close();
    window_.unload();
}

void RefEditor::cmd_PrintListe_Click() {
    try {
        printList();
    } catch (const VbError& e) {
        reportFailure(e.description);
    }
    resetEcran();
}

void RefEditor::printList() {
    if (!rs_ || !rs_->isOpen()) return;
    rememberCurrent();
    // The rows in the grid's order, a heading sort included.
    const int codeField = 0, labelField = 1, decimalsField = 2;
    QList<RefListRow> rows;
    for (int i = 0; i < rs_->recordCount(); ++i) {
        RefListRow r{rs_->valueAt(i, codeField).toText(), rs_->valueAt(i, labelField).toText(), QString()};
        if (design_.hasDecimals) r.decimals = rs_->valueAt(i, decimalsField).toText();
        rows << r;
    }
    const QString date = QLocale().toString(Clock::now().date(), QLocale::ShortFormat);
    const QStringList lines = referenceListLines(design_.layout, design_.printTitle, date, rows);

    // The zones line up only in a fixed-pitch font. The document is laid out on A4 pages of its
    // own with 20 mm margins, at 96 units per inch, and the print scales each page to the
    // printer's: so no page number is added. A long line gets a smaller font so that it fits.
    constexpr double kUnitsPerMm = 96.0 / 25.4;
    QImage device(1, 1, QImage::Format_RGB32);
    device.setDotsPerMeterX(qRound(96.0 / 0.0254));
    device.setDotsPerMeterY(qRound(96.0 / 0.0254));
    QTextDocument doc;
    doc.documentLayout()->setPaintDevice(&device);
    doc.setPageSize(QSizeF(210.0 * kUnitsPerMm, 297.0 * kUnitsPerMm));
    QFont font(report::fixedPitchFamily());
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPointSizeF(10.0);
    // Each line is measured as the layout will set it: accented letters may come from another
    // font, and the glyphs' advances are rounded at the chosen size.
    const double lineWidth = 170.0 * kUnitsPerMm * 0.97;
    const auto widest = [&lines, &device](const QFont& f) {
        const QFontMetricsF fm(f, &device);
        double w = 0;
        for (const QString& l : lines) w = std::max(w, fm.horizontalAdvance(l));
        return w;
    };
    for (double w = widest(font); w > lineWidth && font.pointSizeF() > 5.0; w = widest(font))
        font.setPointSizeF(std::max(5.0, std::min(font.pointSizeF() - 0.25, font.pointSizeF() * lineWidth / w)));
    doc.setDefaultFont(font);
    doc.setPlainText(lines.join(u'\n'));
    // After the text: setting it resets the root frame.
    QTextFrameFormat frame = doc.rootFrame()->frameFormat();
    frame.setMargin(20.0 * kUnitsPerMm);
    doc.rootFrame()->setFrameFormat(frame);

    Dialogs& dialogs = Dialogs::current();
    PrintTarget target;
    target.printerName = dialogs.defaultPrinterName();
    if (target.printerName.isEmpty()) {
        const std::optional<QString> file = dialogs.chooseSaveFile(noPrinterPdfRequest(design_.caption));
        if (!file) return;
        target.pdfPath = *file;
        if (!target.pdfPath.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)) target.pdfPath += QLatin1String(".pdf");
    }
    dialogs.print(doc, target, design_.printTitle);
}

}  // namespace vorna
