#include "reference/picklist.h"

#include "platform/session.h"
#include "platform/db/recordset.h"
#include "platform/environment.h"
#include "platform/forms/accessibility.h"
#include "platform/forms/geometry.h"
#include "reference/frmlstcodesecono.h"
#include "reference/frmlstdev.h"
#include "reference/frmlstpays.h"

namespace vorna {

namespace {
// Design sizes, twips.
constexpr int kMargin = 60;
constexpr int kButtonWidth = 1335;
constexpr int kButtonHeight = 375;
// Every second column from the first is shaded light grey (&HC0C0C0).
constexpr quint32 kShade = 0xC0C0C0;
}  // namespace

PickList::PickList(forms::Form& window, const PickListDesign& design, QString& txtCtrl)
    : window_(window), design_(design), txtCtrl_(txtCtrl) {
    window.setObjectName(design.objectName);
    window.setWindowTitle(design.caption);
    window.resize(toPixels(design.width), toPixels(design.height));

    grid = new forms::FlexGrid(&window);
    grid->setObjectName(QStringLiteral("MSHFlexGrid1"));
    forms::setAccessibleFrench(grid, design.caption);
    cmdSelect = new forms::CommandButton(QStringLiteral("&Sélectionner"), &window);
    cmdSelect->setObjectName(QStringLiteral("cmdSelect"));
    cmdClose = new forms::CommandButton(QStringLiteral("&Annuler"), &window);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    for (forms::CommandButton* b : {cmdSelect, cmdClose})
        forms::moveTwips(b, 0, 0, kButtonWidth, kButtonHeight);
    // The design place of the grid; the lists that stretch it move it at each resize.
    forms::moveTwips(grid, kMargin, kMargin, design.width - 2 * kMargin,
                     design.height - kButtonHeight - 3 * kMargin);

    window.setDefaultButton(cmdSelect);
    window.setCancelButton(cmdClose);
    QObject::connect(cmdSelect, &QPushButton::clicked, &window, [this] { choose(); });
    QObject::connect(cmdClose, &QPushButton::clicked, &window, [this] { cancel(); });
    QObject::connect(grid, &forms::FlexGrid::dblClick, &window, [this] { choose(); });
}

PickList::~PickList() = default;

void PickList::load() {
    // A failure here is not caught: it reaches the code that used the list.
    const Session& session = Session::current();
    conn_ = openConnection(session.connParamVorna);
    rs_ = std::make_unique<Recordset>();
    rs_->open(design_.query, conn_, CursorType::ForwardOnly, LockType::ReadOnly);
    fillGrid();
    if (const forms::Form* main = session.mainWindow)
        window_.moveTwips(main->leftTwips() + 1500, main->topTwips() + 2000, window_.widthTwips(), window_.heightTwips());
}

void PickList::fillGrid() {
    const int cols = rs_->fieldCount();
    const int rows = rs_->recordCount();
    grid->setRedraw(false);
    // One line of text per row, as the old grid drew them.
    grid->setRowHeightTwips(-1, toTwips(grid->fontMetrics().height() + 6));
    grid->setCols(cols);
    grid->setRows(rows + 1);
    for (int c = 0; c < cols; ++c) {
        grid->setHeaderText(c, rs_->fieldInfo(c).name);
        for (int r = 0; r < rows; ++r) grid->setTextMatrix(r + 1, c, rs_->valueAt(r, c).toText());
        if (c < design_.colWidths.size()) grid->setColWidth(c, design_.colWidths[c]);
    }
    if (rows > 0) {
        // The header row keeps its colours.
        grid->setFillStyle(forms::FlexGrid::FillStyle::Repeat);
        for (int c = 0; c < cols; c += 2) {
            grid->setRow(1);
            grid->setCol(c);
            grid->setRowSel(rows);
            grid->setColSel(c);
            grid->setCellBackColor(forms::vbColor(kShade));
        }
        grid->setFillStyle(forms::FlexGrid::FillStyle::Single);
        grid->setRow(1);
        grid->setCol(0);
    }
    grid->setRedraw(true);
}

void PickList::reread() {
    if (!rs_ || !rs_->isOpen()) return;
    const QString code = grid->rows() > 1 && grid->row() >= 1 ? grid->textMatrix(grid->row(), 0) : QString();
    rs_->requery();
    grid->clear();
    fillGrid();
    // The list stays on the code it showed, when that code is still there.
    if (!code.isEmpty()) find(code);
}

void rereadPickLists() {
    // A list that cannot read its table again keeps the rows it had; its next use reports.
    auto reread = [](auto& list) {
        try {
            list.reread();
        } catch (const VbError&) {
        }
    };
    if (frmLstPays::isLoaded()) reread(frmLstPays::instance());
    if (frmLstDev::isLoaded()) reread(frmLstDev::instance());
    if (frmLstCodesEcono::isLoaded()) reread(frmLstCodesEcono::instance());
}

void PickList::resize() {
    const int w = window_.scaleWidth();
    const int h = window_.scaleHeight();
    // Each step on its own: a window made too small skips the step that cannot be done.
    const QRect close = forms::geometryTwips(cmdClose);
    const int top = h - (close.height() + kMargin);
    forms::moveTwips(cmdClose, w - (close.width() + kMargin), top, close.width(), close.height());
    const QRect select = forms::geometryTwips(cmdSelect);
    forms::moveTwips(cmdSelect, kMargin, top, select.width(), select.height());
    if (design_.stretchGrid) {
        const int gw = w - 2 * kMargin;
        const int gh = top - 2 * kMargin;
        if (gw >= 0 && gh >= 0) forms::moveTwips(grid, kMargin, kMargin, gw, gh);
    }
}

bool PickList::find(const QString& code) {
    grid->setCol(0);
    const int rows = grid->rows();
    // Left to us: an empty table has no row to select.
    if (rows < 2) return false;
    for (int r = 1; r < rows; ++r) {
        if (grid->textMatrix(r, 0) == code) {
            grid->setRow(r);
            grid->setColSel(1);
            // The found row shows as the fourth visible one when it can.
            grid->setTopRow(r >= 4 ? r - 3 : 1);
            return true;
        }
    }
    grid->setRow(1);
    grid->setColSel(1);
    grid->setTopRow(1);
    return false;
}

void PickList::choose() {
    // The code of the current row, whichever of its cells the user clicked: a description
    // must never come back as a code.
    if (grid->rows() > 1 && grid->row() >= 1) txtCtrl_ = grid->textMatrix(grid->row(), 0);
    cancel();
}

void PickList::cancel() { window_.hide(); }

void PickList::queryUnload(bool& cancel, forms::UnloadMode mode) {
    if (mode != forms::UnloadMode::ControlMenu) return;
    cancel = true;
    window_.hide();
}

}  // namespace vorna
