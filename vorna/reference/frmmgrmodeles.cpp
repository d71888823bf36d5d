#include "reference/frmmgrmodeles.h"

#include <QLabel>
#include <QShowEvent>
#include <algorithm>
#include <QScopedValueRollback>

#include "orderentry/modrules.h"
#include "platform/db/recordset.h"
#include "platform/dialogs.h"
#include "platform/environment.h"
#include "platform/forms/accessibility.h"
#include "platform/forms/focus.h"
#include "platform/forms/geometry.h"
#include "platform/session.h"
#include "reference/frmparamref.h"

namespace vorna {

namespace {

const QString kCreateCaption = QStringLiteral("&Créer");
const QString kSelectCaption = QStringLiteral("&Sélectionner");
const QString kCreateTitle = QStringLiteral("Création d'un modèle");

// Design sizes, twips.
constexpr int kMargin = 60;
constexpr int kPicWidth = 6600;
constexpr int kPicHeight = 1230;
constexpr int kBoxLeft = 2800;
constexpr int kBoxHeight = 315;
constexpr int kButtonWidth = 1215;
constexpr int kButtonHeight = 375;
constexpr int kFormWidth = kPicWidth + 2 * kMargin + 300;
constexpr int kFormHeight = 4800;
// The code column is grey (&HC0C0C0).
constexpr quint32 kCodeColour = 0xC0C0C0;

bool sameName(const QString& a, const char* b) { return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0; }

bool isPositive(const Value& v) {
    if (v.isNull() || v.isEmpty()) return false;
    const Decimal d = v.toDecimal();
    return !d.isZero() && !d.isNegative();
}

}  // namespace

frmMgrModeles::frmMgrModeles() {
    setObjectName(QStringLiteral("frmMgrModeles"));
    setWindowTitle(QStringLiteral("Modèles d'ordres"));
    resize(toPixels(kFormWidth), toPixels(kFormHeight));

    // The label lies under the grid: it shows where the grid is hidden.
    lblAucun = new QLabel(QStringLiteral("Aucun modèle d'ordre"), this);
    lblAucun->setObjectName(QStringLiteral("lblAucun"));
    lblAucun->setAlignment(Qt::AlignCenter);
    MSHFlexGrid1 = new forms::FlexGrid(this);
    MSHFlexGrid1->setObjectName(QStringLiteral("MSHFlexGrid1"));
    forms::setAccessibleFrench(MSHFlexGrid1, QStringLiteral("Modèles d'ordres"));
    MSHFlexGrid1->setCols(2);
    MSHFlexGrid1->setRows(1);
    MSHFlexGrid1->setHeaderText(0, QStringLiteral("Code"));
    MSHFlexGrid1->setHeaderText(1, QStringLiteral("Description"));

    picCtrl = new QWidget(this);
    picCtrl->setObjectName(QStringLiteral("picCtrl"));
    forms::moveTwips(picCtrl, 0, 0, kPicWidth, kPicHeight);
    auto* lblCode = new QLabel(QStringLiteral("Code identifiant le modèle :"), picCtrl);
    forms::moveTwips(lblCode, 0, 30, kBoxLeft - 60, kBoxHeight);
    txtIdModele = new forms::TextBox(picCtrl);
    txtIdModele->setObjectName(QStringLiteral("txtIdModele"));
    txtIdModele->setMaxLength(10);
    forms::moveTwips(txtIdModele, kBoxLeft, 0, 1500, kBoxHeight);
    forms::labelFor(lblCode, txtIdModele);
    auto* lblDescription = new QLabel(QStringLiteral("Description :"), picCtrl);
    forms::moveTwips(lblDescription, 0, 420, kBoxLeft - 60, kBoxHeight);
    txtDescription = new forms::TextBox(picCtrl);
    txtDescription->setObjectName(QStringLiteral("txtDescription"));
    txtDescription->setMaxLength(50);
    forms::moveTwips(txtDescription, kBoxLeft, 390, kPicWidth - kBoxLeft, kBoxHeight);
    forms::labelFor(lblDescription, txtDescription);

    cmdCreer = new forms::CommandButton(kCreateCaption, picCtrl);
    cmdCreer->setObjectName(QStringLiteral("cmdCreer"));
    cmdSuppr = new forms::CommandButton(QStringLiteral("&Supprimer"), picCtrl);
    cmdSuppr->setObjectName(QStringLiteral("cmdSuppr"));
    cmdClose = new forms::CommandButton(QStringLiteral("&Annuler"), picCtrl);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    const int buttonTop = kPicHeight - kButtonHeight;
    forms::moveTwips(cmdCreer, kPicWidth - 3 * kButtonWidth - 2 * kMargin, buttonTop, kButtonWidth, kButtonHeight);
    forms::moveTwips(cmdSuppr, kPicWidth - 2 * kButtonWidth - kMargin, buttonTop, kButtonWidth, kButtonHeight);
    forms::moveTwips(cmdClose, kPicWidth - kButtonWidth, buttonTop, kButtonWidth, kButtonHeight);
    cmdCreer->setEnabled(false);
    cmdSuppr->setEnabled(false);
    setDefaultButton(cmdCreer);
    setCancelButton(cmdClose);
    setTabOrder(txtIdModele, txtDescription);
    setTabOrder(txtDescription, cmdCreer);
    setTabOrder(cmdCreer, cmdSuppr);
    setTabOrder(cmdSuppr, cmdClose);
    setTabOrder(cmdClose, MSHFlexGrid1);

    txtIdModele->gotFocus = [this] { selectAllText(txtIdModele); };
    txtDescription->gotFocus = [this] { selectAllText(txtDescription); };
    txtIdModele->change = [this] { txtIdModele_Change(); };
    connect(MSHFlexGrid1, &forms::FlexGrid::rowColChange, this, [this] { MSHFlexGrid1_RowColChange(); });
    connect(MSHFlexGrid1, &forms::FlexGrid::dblClick, this, [this] { MSHFlexGrid1_DblClick(); });
    connect(cmdCreer, &QPushButton::clicked, this, [this] { cmdCreer_Click(); });
    connect(cmdSuppr, &QPushButton::clicked, this, [this] { cmdSuppr_Click(); });
    connect(cmdClose, &QPushButton::clicked, this, [this] { cmdClose_Click(); });
}

frmMgrModeles::~frmMgrModeles() = default;

void frmMgrModeles::formLoad() {
    misEnForme(true);
    picCtrlWidth_ = forms::geometryTwips(picCtrl).width();
    if (const forms::Form* main = Session::current().mainWindow)
        moveTwips(main->leftTwips() + 1500, main->topTwips() + 2000, widthTwips(), heightTwips());
}

void frmMgrModeles::typeEcran(bool modification) { cmdCreer->setText(modification ? kCreateCaption : kSelectCaption); }

bool frmMgrModeles::isCreateMode() const { return cmdCreer->text() == kCreateCaption; }

void frmMgrModeles::misEnForme(bool initConn) {
    if (initConn || !rs_) {
        rs_ = std::make_unique<Recordset>();
        rs_->open(QStringLiteral("select idModele as Code, description as Description, * from Modeles Order by idModele"),
                  Session::current().dfwConn, CursorType::Keyset, LockType::Optimistic);
    } else {
        rs_->requery();
    }
    forms::FlexGrid* g = MSHFlexGrid1;
    QScopedValueRollback<bool> quiet(filling_, true);
    g->setRedraw(false);
    const int rows = rs_->recordCount();
    if (rows == 0) {
        g->clear();
        g->setRows(1);
        g->setRow(0);
        g->setRedraw(true);
        // Hidden once it draws again, so that the label shows at once.
        g->hide();
        return;
    }
    // The grid shows the list: every field, only the code and the description wide enough to see.
    const int cols = rs_->fieldCount();
    g->clear();
    g->setCols(cols);
    g->setRows(rows + 1);
    g->setRowHeightTwips(-1, toTwips(g->fontMetrics().height() + 6));
    for (int c = 0; c < cols; ++c) {
        g->setHeaderText(c, rs_->fieldInfo(c).name);
        for (int r = 0; r < rows; ++r) g->setTextMatrix(r + 1, c, rs_->valueAt(r, c).toText());
        g->setColWidth(c, c == 0 ? 1200 : c == 1 ? 4800 : 0);
    }
    g->show();
    g->setFillStyle(forms::FlexGrid::FillStyle::Repeat);
    g->setHeaderBold(true);
    g->setRow(1);
    g->setCol(0);
    g->setRowSel(rows);
    g->setColSel(0);
    g->setCellBackColor(forms::vbColor(kCodeColour));
    g->setFillStyle(forms::FlexGrid::FillStyle::Single);
    // Nothing chosen until the user types a code or picks a row.
    g->setRow(0);
    g->setRedraw(true);
}

void frmMgrModeles::showEvent(QShowEvent* e) {
    forms::Form::showEvent(e);
    if (e->spontaneous()) return;
    txtIdModele->setText(QString());
    txtDescription->setText(QString());
    MSHFlexGrid1->setRow(0);
    forms::giveFocus(txtIdModele);
}

void frmMgrModeles::formResize() {
    int w = scaleWidth();
    int h = scaleHeight();
    const int least = picCtrlWidth_ + 2 * kMargin;
    if (picCtrlWidth_ > 0 && w < least) {
        // The buttons always fit: the window widens as far as needed.
        moveTwips(leftTwips(), topTwips(), least + (widthTwips() - w), heightTwips());
        w = least;
    }
    const QRect pic = forms::geometryTwips(picCtrl);
    forms::moveTwips(picCtrl, w - pic.width() - kMargin, h - pic.height() - kMargin, pic.width(), pic.height());
    const int gridHeight = (h - pic.height() - kMargin) - 2 * kMargin;
    if (w - 2 * kMargin < 0 || gridHeight < 0) return;  // too small: the grid keeps its place
    forms::moveTwips(MSHFlexGrid1, kMargin, kMargin, w - 2 * kMargin, gridHeight);
    forms::moveTwips(lblAucun, kMargin, kMargin, w - 2 * kMargin, gridHeight);
}

void frmMgrModeles::formQueryUnload(bool& cancel, forms::UnloadMode mode) {
    // The close box hides the window as "&Annuler" does; the program's own unload goes on.
    if (mode != forms::UnloadMode::ControlMenu) return;
    cancel = true;
    cmdClose_Click();
}

void frmMgrModeles::cmdClose_Click() { hide(); }

// ---- the code typed, the row read ---------------------------------------------------------

void frmMgrModeles::txtIdModele_Change() {
    const QString code = txtIdModele->text();
    if (code.trimmed().isEmpty()) {
        cmdCreer->setEnabled(false);
        cmdSuppr->setEnabled(false);
        return;
    }
    forms::FlexGrid* g = MSHFlexGrid1;
    int found = 0;
    // Exactly the code typed: letter case and blanks count.
    for (int i = 1; i < g->rows(); ++i) {
        if (g->textMatrix(i, 0) == code) {
            found = i;
            break;
        }
    }
    const bool create = isCreateMode();
    if (found > 0) {
        {
            QScopedValueRollback<bool> quiet(filling_, true);
            g->setRow(found);
            g->setCol(0);
            g->setRowSel(found);
            g->setColSel(std::min(2, g->cols() - 1));
        }
        readCurrentRow();
        g->setTopRow(found >= 4 ? found - 3 : 1);
        cmdCreer->setEnabled(!create);
        cmdSuppr->setEnabled(true);
    } else {
        {
            QScopedValueRollback<bool> quiet(filling_, true);
            g->setRow(0);
        }
        readCurrentRow();
        cmdCreer->setEnabled(create);
        cmdSuppr->setEnabled(false);
    }
}

void frmMgrModeles::MSHFlexGrid1_RowColChange() {
    if (!filling_) readCurrentRow();
}

void frmMgrModeles::readCurrentRow() {
    forms::FlexGrid* g = MSHFlexGrid1;
    if (g->row() < 1 || !rs_) return;
    try {
        const QString code = g->textMatrix(g->row(), 0);
        // The code is a value, never part of a text of SQL. The search ignores letter case:
        // go on to the row whose code is exactly the one shown.
        bool near = false;
        rs_->find(QStringLiteral("Code"), Value(code), FindStart::First);
        while (!rs_->eof() && rs_->value(QStringLiteral("Code")).toText() != code) {
            near = true;
            rs_->moveNext();
            rs_->find(QStringLiteral("Code"), Value(code), FindStart::Current);
        }
        if (rs_->eof() && near) throw VbError(err::Application, QStringLiteral("Kesto"), QStringLiteral("Enregistrement introuvable"));
        // Not found at all: reading the code reports the missing row.
        const QString stored = rs_->value(QStringLiteral("Code")).toText();
        if (txtIdModele->text() != stored) txtIdModele->setText(stored);
        txtDescription->setText(g->textMatrix(g->row(), 1));
    } catch (const VbError& e) {
        msgBox(e.description, MsgButtons::OK, MsgIcon::Critical, QStringLiteral("Lecture du modèle sélectionné"));
    }
}

void frmMgrModeles::MSHFlexGrid1_DblClick() {
    if (!isCreateMode()) cmdCreer_Click();
}

// ---- create, select, delete ---------------------------------------------------------------

bool frmMgrModeles::refuseEmptyCode() {
    if (!txtIdModele->text().trimmed().isEmpty()) return false;
    msgBox(QStringLiteral("Un modèle doit avoir un identifiant"), MsgButtons::OK, MsgIcon::Critical,
           QStringLiteral("Erreur de saisie"));
    forms::giveFocus(txtIdModele);
    return true;
}

void frmMgrModeles::cmdCreer_Click() {
    if (refuseEmptyCode()) return;
    try {
        if (isCreateMode())
            createTemplate();
        else
            selectTemplate();
    } catch (const VbError& e) {
        // A template that could not be stored is not left pending: nothing would ever be
        // written behind the user's back by a later move.
        if (rs_ && rs_->isOpen() && rs_->editMode() != EditMode::None) {
            try {
                rs_->cancelUpdate();
            } catch (const VbError&) {
            }
        }
        msgBox(e.description, MsgButtons::OK, MsgIcon::Critical, QStringLiteral("Création/Sélection d'un modèle"));
    }
}

void frmMgrModeles::createTemplate() {
    if (!fromRS) throw VbError(err::NoCurrentRecord, QStringLiteral("Kesto"), QStringLiteral("Aucun ordre à copier"));
    if (rs_->editMode() != EditMode::None) rs_->cancelUpdate();
    const QString prefix = frmParamRef::instance().txtRadicalRef->text();
    rs_->addNew();
    rs_->setValue(QStringLiteral("Code"), txtIdModele->text());
    rs_->setValue(QStringLiteral("Description"), txtDescription->text());
    for (int i = 0; i < fromRS->fieldCount(); ++i) {
        const QString name = fromRS->fieldInfo(i).name;
        const Value v = fromRS->value(i);
        if (sameName(name, "montant")) {
            if (isPositive(v))
                msgBox(QStringLiteral("Le montant ne sera pas enregistré dans le modèle"), MsgButtons::OK,
                       MsgIcon::Information, kCreateTitle);
            continue;
        }
        if (sameName(name, "refInterne") && v.toText() != prefix) {
            msgBox(QStringLiteral("La référence interne ne sera pas enregistrée dans le modèle"), MsgButtons::OK,
                   MsgIcon::Information, kCreateTitle);
            rs_->setValue(QStringLiteral("refInterne"), prefix);
            continue;
        }
        // The order's number, its SIRENs and its generation state have no place in a template.
        if (rs_->fieldIndex(name) < 0) continue;
        rs_->setValue(name, v);
    }
    rs_->update();
    misEnForme(false);
    txtIdModele_Change();
    hide();
}

void frmMgrModeles::selectTemplate() {
    if (!fromRS) throw VbError(err::NoCurrentRecord, QStringLiteral("Kesto"), QStringLiteral("Aucun ordre à remplir"));
    const QString code = rs_->value(QStringLiteral("Code")).toText();  // no current template: refused here
    Q_UNUSED(code);
    for (int i = 0; i < rs_->fieldCount(); ++i) {
        const QString name = rs_->fieldInfo(i).name;
        // The order keeps the date it was started.
        if (sameName(name, "dateCreation")) continue;
        if (fromRS->fieldIndex(name) < 0) continue;
        fromRS->setValue(name, rs_->value(i));
    }
    hide();
}

void frmMgrModeles::cmdSuppr_Click() {
    try {
        forms::FlexGrid* g = MSHFlexGrid1;
        if (g->row() < 1) return;
        const QString code = g->textMatrix(g->row(), 0);
        if (rs_->value(QStringLiteral("Code")).toText() != code) return;
        if (msgBox(QStringLiteral("Voulez-vous supprimer le modèle `") + code + QStringLiteral("' ?"), MsgButtons::YesNo,
                   MsgIcon::Question, QStringLiteral("Suppression d'un modèle")) != MsgAnswer::Yes)
            return;
        rs_->deleteCurrent();
        misEnForme(false);
        txtIdModele_Change();
    } catch (const VbError& e) {
        msgBox(e.description, MsgButtons::OK, MsgIcon::Critical, QStringLiteral("Suppression d'un modèle"));
    }
}

}  // namespace vorna
