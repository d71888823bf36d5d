#include "platform/forms/flexgrid.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <algorithm>
#include <iterator>
#include <map>
#include <vector>

#include "platform/environment.h"
#include "platform/forms/textbox.h"
#include "platform/vberror.h"

namespace vorna::forms {

namespace {

constexpr long kInvalidRow = 30009;
constexpr long kInvalidCol = 30010;
constexpr quint32 kSet = 0xFF000000u;  // marks a cell colour as set

// A text the old grid's general alignment took for a number: digits with blanks, signs and
// separators only.
bool looksNumeric(const QString& s) {
    bool digit = false;
    for (QChar c : s) {
        if (c.isDigit())
            digit = true;
        else if (c != u' ' && c != u',' && c != u'.' && c != u'-' && c != u'+' && c != QChar(0xA0))
            return false;
    }
    return digit;
}

// Values given to runs of rows: one entry per run, however many rows it spans. A run set later
// covers what it overlaps of earlier ones.
class RowRuns {
public:
    // Gives rows first to last the value; 0 takes their value away.
    void assign(int first, int last, quint32 value) {
        if (last < first) return;
        auto it = runs_.upper_bound(first);
        if (it != runs_.begin()) {
            auto before = std::prev(it);
            if (before->second.last >= first) it = before;
        }
        // Every run that overlaps goes; what it holds outside [first, last] comes back.
        std::vector<std::pair<int, Run>> kept;
        while (it != runs_.end() && it->first <= last) {
            const int start = it->first;
            const Run r = it->second;
            if (start < first) kept.push_back({start, {first - 1, r.value}});
            if (r.last > last) kept.push_back({last + 1, {r.last, r.value}});
            it = runs_.erase(it);
        }
        for (const auto& k : kept) runs_.insert(k);
        if (value) runs_.insert({first, {last, value}});
    }
    quint32 at(int row) const {
        auto it = runs_.upper_bound(row);
        if (it == runs_.begin()) return 0;
        --it;
        return it->second.last >= row ? it->second.value : 0;
    }
    // Forgets the rows from `rows` on.
    void truncate(int rows) {
        if (rows <= 0) {
            runs_.clear();
            return;
        }
        runs_.erase(runs_.lower_bound(rows), runs_.end());
        if (!runs_.empty()) {
            Run& r = std::prev(runs_.end())->second;
            r.last = std::min(r.last, rows - 1);
        }
    }
    void clear() { runs_.clear(); }

private:
    struct Run {
        int last;
        quint32 value;
    };
    std::map<int, Run> runs_;  // by first row
};

// The texts a provider gave, for the rows shown lately only: once `kLimit` rows are held, the
// older half goes, so that scrolling through a long list holds no more than a few screens.
class TextCache {
public:
    static constexpr qsizetype kLimit = 4096;

    const QString* find(int row) {
        auto it = recent_.constFind(row);
        if (it != recent_.constEnd()) return &*it;
        it = older_.constFind(row);
        if (it == older_.constEnd()) return nullptr;
        const QString text = *it;  // put() may let the older half go
        return &put(row, text);
    }
    const QString& put(int row, const QString& text) {
        if (recent_.size() >= kLimit / 2) {
            older_ = std::move(recent_);
            recent_ = QHash<int, QString>();
        }
        return *recent_.insert(row, text);
    }
    // Every row held, the older first (a row in both: the recent text last).
    template <class F>
    void forEach(F&& f) const {
        for (auto it = older_.cbegin(); it != older_.cend(); ++it) f(it.key(), it.value());
        for (auto it = recent_.cbegin(); it != recent_.cend(); ++it) f(it.key(), it.value());
    }
    void dropFrom(int rows) {
        recent_.removeIf([rows](const auto& e) { return e.key() >= rows; });
        older_.removeIf([rows](const auto& e) { return e.key() >= rows; });
    }
    void clear() {
        recent_.clear();
        older_.clear();
    }

private:
    QHash<int, QString> recent_;
    QHash<int, QString> older_;
};

}  // namespace

// The grid's cells. Model row i is grid row i + 1; the header row lives in the header data.
class FlexGridModel : public QAbstractTableModel {
public:
    struct Column {
        QString header;
        quint32 headerBack = 0;
        std::vector<QString> text;  // sized on first write
        // Over a provider: the texts written over its own (kept), and those it gave for the rows
        // shown lately, so that a long list costs what is on the screen.
        QHash<int, QString> written;
        TextCache provided;
        std::function<QString(int)> provider;
        RowRuns back;                  // by data row: kSet | rgb, 0 when none
        std::vector<quint16> picture;  // 1 + index into pictures, 0 when none
        std::function<QIcon(int)> pictureProvider;
        FlexGrid::Align align = FlexGrid::Align::General;
    };

    int dataRows = 1;
    std::vector<Column> columns = std::vector<Column>(2);
    std::vector<QIcon> pictures;
    // What each picture says, by the picture's cache key.
    QHash<qint64, QString> pictureTexts;
    bool batching = false;
    bool dirty = false;
    bool headerBold = false;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override { return parent.isValid() ? 0 : dataRows; }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : int(columns.size());
    }

    QString text(int row, int col) const {
        if (row == 0) return columns[col].header;
        Column& c = const_cast<Column&>(columns[col]);
        const size_t i = size_t(row - 1);
        if (c.provider) {
            if (!c.written.isEmpty()) {
                const auto it = c.written.constFind(row);
                if (it != c.written.constEnd()) return *it;
            }
            if (const QString* t = c.provided.find(row)) return *t;
            return c.provided.put(row, c.provider(row));
        }
        return c.text.empty() ? QString() : c.text[i];
    }

    void setText(int row, int col, const QString& t) {
        Column& c = columns[col];
        if (row == 0) {
            c.header = t;
            changedHeader(col, col);
            return;
        }
        if (c.provider) {
            c.written.insert(row, t);
        } else {
            sized(c.text);
            c.text[size_t(row - 1)] = t;
        }
        changed(row, row, col, col);
    }

    template <class V>
    void sized(V& v) const {
        if (v.size() != size_t(dataRows)) v.resize(size_t(dataRows));
    }

    void fillBack(int r1, int r2, int c1, int c2, quint32 value) {
        for (int c = c1; c <= c2; ++c) {
            Column& col = columns[c];
            if (r1 == 0) col.headerBack = value;
            if (r2 < 1) continue;
            col.back.assign(std::max(r1, 1), r2, value);
        }
        if (r1 == 0) changedHeader(c1, c2);
        if (r2 >= 1) changed(std::max(r1, 1), r2, c1, c2);
    }

    void fillPicture(int r1, int r2, int c1, int c2, const QIcon& icon) {
        quint16 id = 0;
        if (!icon.isNull()) {
            const auto it = std::find_if(pictures.begin(), pictures.end(),
                                         [&](const QIcon& p) { return p.cacheKey() == icon.cacheKey(); });
            if (it != pictures.end()) {
                id = quint16(it - pictures.begin() + 1);
            } else {
                pictures.push_back(icon);
                id = quint16(pictures.size());
            }
        }
        r1 = std::max(r1, 1);  // the header row shows no picture
        if (r2 < r1) return;
        for (int c = c1; c <= c2; ++c) {
            Column& col = columns[c];
            sized(col.picture);
            std::fill(col.picture.begin() + r1 - 1, col.picture.begin() + r2, id);
        }
        changed(r1, r2, c1, c2);
    }

    QColor backAt(int row, int col) const {
        const Column& c = columns[col];
        const quint32 v = row == 0 ? c.headerBack : c.back.at(row);
        return v ? QColor::fromRgb(v & 0xFFFFFF) : QColor();
    }

    QIcon pictureAt(int row, int col) const {
        const Column& c = columns[col];
        if (row == 0) return QIcon();
        const quint16 id = c.picture.empty() ? 0 : c.picture[size_t(row - 1)];
        if (id) return pictures[id - 1];
        return c.pictureProvider ? c.pictureProvider(row) : QIcon();
    }

    QString pictureText(int row, int col) const {
        if (pictureTexts.isEmpty()) return QString();
        const QIcon i = pictureAt(row, col);
        return i.isNull() ? QString() : pictureTexts.value(i.cacheKey());
    }

    Qt::Alignment alignmentOf(const QString& t, FlexGrid::Align a) const {
        switch (a) {
        case FlexGrid::Align::Left: return Qt::AlignLeft | Qt::AlignVCenter;
        case FlexGrid::Align::Center: return Qt::AlignCenter;
        case FlexGrid::Align::Right: return Qt::AlignRight | Qt::AlignVCenter;
        case FlexGrid::Align::General: break;
        }
        return (looksNumeric(t) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid()) return {};
        const int row = index.row() + 1, col = index.column();
        switch (role) {
        case Qt::DisplayRole: return text(row, col);
        case Qt::AccessibleTextRole: {
            // A marker picture is read with the cell's text.
            const QString t = text(row, col);
            const QString said = pictureText(row, col);
            return said.isEmpty() ? t : t.isEmpty() ? said : t + QStringLiteral(", ") + said;
        }
        case Qt::ToolTipRole:
        case Qt::AccessibleDescriptionRole: {
            const QString said = pictureText(row, col);
            return said.isEmpty() ? QVariant() : QVariant(said);
        }
        case Qt::BackgroundRole: {
            const QColor c = backAt(row, col);
            return c.isValid() ? QVariant(QBrush(c)) : QVariant();
        }
        case Qt::DecorationRole: {
            const QIcon i = pictureAt(row, col);
            return i.isNull() ? QVariant() : QVariant(i);
        }
        case Qt::TextAlignmentRole: return QVariant::fromValue(alignmentOf(text(row, col), columns[col].align));
        default: return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation o, int role) const override {
        if (o != Qt::Horizontal || section < 0 || section >= int(columns.size())) return {};
        switch (role) {
        case Qt::DisplayRole: return columns[section].header;
        case Qt::BackgroundRole: {
            const QColor c = backAt(0, section);
            return c.isValid() ? QVariant(QBrush(c)) : QVariant();
        }
        case Qt::FontRole:
            if (headerBold) {
                QFont f;
                f.setBold(true);
                return f;
            }
            return {};
        default: return {};
        }
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
    }

    void changed(int r1, int r2, int c1, int c2) {
        if (dataRows == 0 || columns.empty()) return;
        if (batching) {
            dirty = true;
            return;
        }
        emit dataChanged(index(r1 - 1, c1), index(r2 - 1, c2));
    }
    void changedHeader(int c1, int c2) {
        if (batching) {
            dirty = true;
            return;
        }
        emit headerDataChanged(Qt::Horizontal, c1, c2);
    }

    void flush() {
        if (!dirty) return;
        dirty = false;
        if (dataRows > 0 && !columns.empty())
            emit dataChanged(index(0, 0), index(dataRows - 1, int(columns.size()) - 1));
        if (!columns.empty()) emit headerDataChanged(Qt::Horizontal, 0, int(columns.size()) - 1);
    }

    void resize(int rows, int cols) {
        beginResetModel();
        dataRows = rows;
        columns.resize(size_t(cols));
        for (Column& c : columns) {
            if (!c.text.empty()) sized(c.text);
            c.written.removeIf([rows](const auto& e) { return e.key() > rows; });
            c.provided.dropFrom(rows + 1);
            c.back.truncate(rows + 1);
            if (!c.picture.empty()) sized(c.picture);
        }
        endResetModel();
    }

    void clearAll() {
        beginResetModel();
        for (Column& c : columns) {
            const FlexGrid::Align a = c.align;
            c = Column();
            c.align = a;
        }
        pictures.clear();
        endResetModel();
    }
};

// ---------------------------------------------------------------------------------------------

FlexGrid::FlexGrid(QWidget* parent) : QTableView(parent), model_(std::make_unique<FlexGridModel>()) {
    setModel(model_.get());
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The program sets the selection itself; a click or an arrow key only moves the cell.
    setSelectionMode(QAbstractItemView::NoSelection);
    setTabKeyNavigation(false);  // Tab goes to the next control of the window
    setWordWrap(false);
    setTextElideMode(Qt::ElideNone);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    // Moving the current cell by code does not scroll: the program sets topRow itself.
    setAutoScroll(false);
    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setMinimumSectionSize(0);
    horizontalHeader()->setDefaultAlignment(Qt::Alignment(Qt::AlignCenter | Qt::TextWordWrap));
    horizontalHeader()->viewport()->installEventFilter(this);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { onViewCurrentChanged(current); });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        if (!applyingTop_ && !inGeometry_) pendingTop_ = -1;  // the user scrolled
    });
    showSelection();
}

FlexGrid::~FlexGrid() {
    setModel(nullptr);  // the model dies after the view has let go of it
}

int FlexGrid::rows() const { return model_->dataRows + 1; }
int FlexGrid::cols() const { return int(model_->columns.size()); }

void FlexGrid::setRows(int n) {
    if (n < 1) throw VbError(kInvalidRow, QStringLiteral("FlexGrid"), QStringLiteral("Valeur de ligne non valide"));
    syncing_ = true;
    model_->resize(n - 1, cols());
    syncing_ = false;
    row_ = std::min(row_, n - 1);
    rowSel_ = std::min(rowSel_, n - 1);
    if (pendingTop_ >= n) pendingTop_ = -1;
    showSelection();
}

void FlexGrid::setCols(int n) {
    if (n < 1) throw VbError(kInvalidCol, QStringLiteral("FlexGrid"), QStringLiteral("Valeur de colonne non valide"));
    syncing_ = true;
    model_->resize(model_->dataRows, n);
    syncing_ = false;
    col_ = std::min(col_, n - 1);
    colSel_ = std::min(colSel_, n - 1);
    showSelection();
}

void FlexGrid::checkRow(int r) const {
    if (r < 0 || r >= rows())
        throw VbError(kInvalidRow, QStringLiteral("FlexGrid"), QStringLiteral("Valeur de ligne non valide"));
}

void FlexGrid::checkCol(int c) const {
    if (c < 0 || c >= cols())
        throw VbError(kInvalidCol, QStringLiteral("FlexGrid"), QStringLiteral("Valeur de colonne non valide"));
}

QString FlexGrid::textMatrix(int row, int col) const {
    checkRow(row);
    checkCol(col);
    return model_->text(row, col);
}

void FlexGrid::setTextMatrix(int row, int col, const QString& text) {
    checkRow(row);
    checkCol(col);
    model_->setText(row, col, text);
}

void FlexGrid::setColumnProvider(int col, std::function<QString(int)> provider) {
    checkCol(col);
    auto& c = model_->columns[size_t(col)];
    if (!provider && c.provider) {  // what was shown lately, and what was written, stays
        const auto keep = [&](int row, const QString& text) {
            model_->sized(c.text);
            c.text[size_t(row - 1)] = text;
        };
        c.provided.forEach(keep);
        for (auto it = c.written.cbegin(); it != c.written.cend(); ++it) keep(it.key(), it.value());
    }
    c.provider = std::move(provider);
    c.provided.clear();
    c.written.clear();
    model_->changed(1, std::max(1, model_->dataRows), col, col);
}

void FlexGrid::setPictureProvider(int col, std::function<QIcon(int)> provider) {
    checkCol(col);
    model_->columns[size_t(col)].pictureProvider = std::move(provider);
    model_->changed(1, std::max(1, model_->dataRows), col, col);
}

void FlexGrid::setPictureText(const QIcon& picture, const QString& text) {
    if (picture.isNull()) return;
    model_->pictureTexts.insert(picture.cacheKey(), text);
}

int FlexGrid::colWidth(int col) const {
    checkCol(col);
    return isColumnHidden(col) ? 0 : toTwips(columnWidth(col));
}

void FlexGrid::setColWidth(int col, int twips) {
    if (col == -1) {
        for (int c = 0; c < cols(); ++c) setColWidth(c, twips);
        return;
    }
    checkCol(col);
    if (twips <= 0) {
        setColumnHidden(col, true);
    } else {
        setColumnHidden(col, false);
        setColumnWidth(col, toPixels(twips));
    }
}

int FlexGrid::rowHeightTwips(int row) const {
    checkRow(row);
    return row == 0 ? toTwips(horizontalHeader()->height()) : toTwips(rowHeight(row - 1));
}

void FlexGrid::setRowHeightTwips(int row, int twips) {
    const int px = std::max(1, toPixels(twips));
    if (row == -1) {
        horizontalHeader()->setFixedHeight(px);
        verticalHeader()->setDefaultSectionSize(px);
        if (customRowHeights_) {
            for (int r = 0; r < model_->dataRows; ++r) verticalHeader()->resizeSection(r, px);
            customRowHeights_ = false;
        }
        return;
    }
    checkRow(row);
    if (row == 0) {
        horizontalHeader()->setFixedHeight(px);
        return;
    }
    // Setting every row to the height they all have already costs nothing.
    if (!customRowHeights_ && px == verticalHeader()->defaultSectionSize()) return;
    verticalHeader()->resizeSection(row - 1, px);
    customRowHeights_ = true;
}

FlexGrid::Align FlexGrid::colAlignment(int col) const {
    checkCol(col);
    return model_->columns[size_t(col)].align;
}

void FlexGrid::setColAlignment(int col, Align a) {
    checkCol(col);
    model_->columns[size_t(col)].align = a;
    model_->changed(1, std::max(1, model_->dataRows), col, col);
}

void FlexGrid::setRow(int r) {
    checkRow(r);
    setCurrent(r, col_);
}

void FlexGrid::setCol(int c) {
    checkCol(c);
    setCurrent(row_, c);
}

void FlexGrid::setRowSel(int r) {
    checkRow(r);
    rowSel_ = r;
    showSelection();
}

void FlexGrid::setColSel(int c) {
    checkCol(c);
    colSel_ = c;
    showSelection();
}

void FlexGrid::setCurrent(int r, int c) {
    const bool moved = r != row_ || c != col_;
    row_ = rowSel_ = r;
    col_ = colSel_ = c;
    showSelection();
    if (moved) emit rowColChange();
}

void FlexGrid::selectionBounds(int& r1, int& r2, int& c1, int& c2) const {
    r1 = std::min(row_, rowSel_);
    r2 = std::max(row_, rowSel_);
    c1 = std::min(col_, colSel_);
    c2 = std::max(col_, colSel_);
}

void FlexGrid::showSelection() {
    if (model_->dataRows == 0 || cols() == 0) return;
    syncing_ = true;
    QItemSelectionModel* sm = selectionModel();
    const QModelIndex current = row_ >= 1 ? model_->index(row_ - 1, col_) : QModelIndex();
    sm->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    int r1, r2, c1, c2;
    selectionBounds(r1, r2, c1, c2);
    r1 = std::max(r1, 1);
    QItemSelection sel;
    // A single cell shows as the current cell only, as in the old grid.
    if (r2 >= r1 && (r1 != r2 || c1 != c2)) sel.select(model_->index(r1 - 1, c1), model_->index(r2 - 1, c2));
    sm->select(sel, QItemSelectionModel::ClearAndSelect);
    syncing_ = false;
}

void FlexGrid::onViewCurrentChanged(const QModelIndex& current) {
    if (syncing_ || !current.isValid()) return;
    setCurrent(current.row() + 1, current.column());
}

int FlexGrid::topRow() const {
    if (pendingTop_ >= 0 && !isVisible()) return pendingTop_;
    return verticalScrollBar()->value() + 1;
}

void FlexGrid::setTopRow(int r) {
    checkRow(r);
    pendingTop_ = std::max(r, 1);
    applyTopRow();
}

void FlexGrid::applyTopRow() {
    if (pendingTop_ < 0 || !isVisible()) return;
    applyingTop_ = true;
    verticalScrollBar()->setValue(pendingTop_ - 1);
    applyingTop_ = false;
    if (verticalScrollBar()->value() == pendingTop_ - 1) pendingTop_ = -1;
}

void FlexGrid::updateGeometries() {
    inGeometry_ = true;
    QTableView::updateGeometries();
    inGeometry_ = false;
    applyTopRow();  // the scroll range is known only now
}

void FlexGrid::showEvent(QShowEvent* e) {
    QTableView::showEvent(e);
    applyTopRow();
}

void FlexGrid::setCellBackColor(const QColor& c) {
    const quint32 v = c.isValid() ? (kSet | (c.rgb() & 0xFFFFFF)) : 0;
    if (fillStyle_ == FillStyle::Single) {
        model_->fillBack(row_, row_, col_, col_, v);
        return;
    }
    int r1, r2, c1, c2;
    selectionBounds(r1, r2, c1, c2);
    model_->fillBack(r1, r2, c1, c2, v);
}

void FlexGrid::setCellPicture(const QIcon& picture) {
    if (fillStyle_ == FillStyle::Single) {
        model_->fillPicture(row_, row_, col_, col_, picture);
        return;
    }
    int r1, r2, c1, c2;
    selectionBounds(r1, r2, c1, c2);
    model_->fillPicture(r1, r2, c1, c2, picture);
}

QColor FlexGrid::cellBackColor(int row, int col) const {
    checkRow(row);
    checkCol(col);
    return model_->backAt(row, col);
}

QIcon FlexGrid::cellPicture(int row, int col) const {
    checkRow(row);
    checkCol(col);
    return model_->pictureAt(row, col);
}

void FlexGrid::setHeaderBold(bool bold) {
    model_->headerBold = bold;
    model_->changedHeader(0, cols() - 1);
}

void FlexGrid::setRedraw(bool on) {
    if (on == redraw_) return;
    redraw_ = on;
    model_->batching = !on;
    if (on) model_->flush();
    setUpdatesEnabled(on);
}

void FlexGrid::clear() {
    syncing_ = true;
    model_->clearAll();
    syncing_ = false;
    showSelection();
}

void FlexGrid::trackMouse(const QPoint& p) {
    const int r = rowAt(p.y());
    mouseRow_ = r >= 0 ? r + 1 : -1;
    mouseCol_ = columnAt(p.x());
}

void FlexGrid::mousePressEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    trackMouse(p);
    QPointer<FlexGrid> self(this);
    const QPoint g = viewport()->mapTo(this, p);
    emit mouseDown(vbButton(e->button()), vbShift(e->modifiers()), toTwips(g.x()), toTwips(g.y()));
    if (!self) return;
    if (e->button() == Qt::RightButton) {
        e->accept();  // the old grid kept its current cell on a right click
        return;
    }
    QTableView::mousePressEvent(e);
}

void FlexGrid::mouseDoubleClickEvent(QMouseEvent* e) {
    trackMouse(e->position().toPoint());
    QTableView::mouseDoubleClickEvent(e);
    if (e->button() == Qt::LeftButton) emit dblClick();
}

void FlexGrid::mouseMoveEvent(QMouseEvent* e) {
    trackMouse(e->position().toPoint());
    QTableView::mouseMoveEvent(e);
}

void FlexGrid::keyPressEvent(QKeyEvent* e) {
    // Enter and Escape belong to the window's default and cancel buttons.
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Escape) {
        e->ignore();
        return;
    }
    // The old grid copied nothing; Qt's view would put the cell's text on the clipboard
    // behind the program's back.
    if (e->matches(QKeySequence::Copy)) {
        e->ignore();
        return;
    }
    const int row = row_, col = col_;
    QTableView::keyPressEvent(e);
    if ((row != row_ || col != col_) && currentIndex().isValid()) scrollTo(currentIndex());  // the arrow keys do
}

bool FlexGrid::eventFilter(QObject* o, QEvent* e) {
    if (o == horizontalHeader()->viewport() && e->type() == QEvent::MouseButtonPress) {
        auto* me = static_cast<QMouseEvent*>(e);
        const QPoint p = me->position().toPoint();
        mouseRow_ = 0;
        mouseCol_ = horizontalHeader()->logicalIndexAt(p.x());
        const QPoint g = horizontalHeader()->viewport()->mapTo(this, p);
        emit mouseDown(vbButton(me->button()), vbShift(me->modifiers()), toTwips(g.x()), toTwips(g.y()));
        return true;
    }
    return QTableView::eventFilter(o, e);
}

}  // namespace vorna::forms

// The window classes are compiled with their own file.
#include "moc_flexgrid.cpp"
