#pragma once

#include <QIcon>
#include <QTableView>
#include <functional>
#include <memory>

namespace vorna::forms {

class FlexGridModel;

// The old hierarchical flex grid, as the program used it: one fixed header row (row 0, shown
// as the column headers), no fixed column, read-only cells. Rows and columns are counted as
// the old grid counted them: rows() includes the header row, data rows are 1 to rows() - 1.
//
// Large lists stay cheap: texts are kept per column, and a column may be filled lazily by a
// provider called for a row only when that row's text is needed (painting the visible rows, or
// textMatrix); the texts of the rows shown lately are kept, a few thousand at most. Colours are
// kept per run of rows, not per cell. While redraw is off, changes are gathered and shown at
// once when it is switched back on.
//
// The current cell is (row, col); the selection runs from it to (rowSel, colSel). Setting
// row or col by code moves the current cell, collapses the selection onto it and raises
// rowColChange when the cell changed, as a user click or an arrow key does. A right-button
// press leaves the current cell alone: it raises mouseDown, and mouseRow() tells the row under
// the pointer (0 on the header, -1 below the last row).
class FlexGrid : public QTableView {
    Q_OBJECT

public:
    enum class Align { General, Left, Center, Right };
    enum class FillStyle { Single, Repeat };

    explicit FlexGrid(QWidget* parent = nullptr);
    ~FlexGrid() override;

    int rows() const;
    void setRows(int n);
    int cols() const;
    void setCols(int n);

    QString textMatrix(int row, int col) const;
    void setTextMatrix(int row, int col, const QString& text);
    // Header text of a column (the text of row 0).
    void setHeaderText(int col, const QString& text) { setTextMatrix(0, col, text); }
    // Fills a column lazily: provider(row) gives the text of data row `row` (1 and up) when it
    // is needed; it may be asked again for a row not shown for a while, and must then give the
    // same text. A text set by setTextMatrix wins. nullptr removes the provider; the texts shown
    // lately and those written stay.
    void setColumnProvider(int col, std::function<QString(int row)> provider);
    // Pictures of a column, lazily: provider(row) gives the picture of data row `row` whenever
    // it is needed (a null icon for none), for the cells without a picture of their own.
    // clear() and nullptr remove it.
    void setPictureProvider(int col, std::function<QIcon(int row)> provider);
    // What a picture means, in words: a screen reader reads it with the text of every cell that
    // shows the picture, and the cell's tooltip shows it. Kept through clear().
    void setPictureText(const QIcon& picture, const QString& text);

    // Sizes in twips; a width of 0 hides the column. Row 0 is the header row; -1 means every
    // column (every row, header included).
    int colWidth(int col) const;
    void setColWidth(int col, int twips);
    int rowHeightTwips(int row) const;
    void setRowHeightTwips(int row, int twips);

    // General: numbers to the right, other text to the left.
    Align colAlignment(int col) const;
    void setColAlignment(int col, Align a);

    int row() const { return row_; }
    void setRow(int r);
    int col() const { return col_; }
    void setCol(int c);
    int rowSel() const { return rowSel_; }
    void setRowSel(int r);
    int colSel() const { return colSel_; }
    void setColSel(int c);
    // The first data row shown at the top. Set while the grid is hidden, it applies when the
    // grid shows.
    int topRow() const;
    void setTopRow(int r);

    // Single: setCellBackColor and setCellPicture change the current cell; Repeat: every cell
    // of the selection (the header row included when the selection reaches row 0).
    FillStyle fillStyle() const { return fillStyle_; }
    void setFillStyle(FillStyle s) { fillStyle_ = s; }
    void setCellBackColor(const QColor& c);
    void setCellPicture(const QIcon& picture);
    // Invalid colour / null icon when the cell has none of its own.
    QColor cellBackColor(int row, int col) const;
    QIcon cellPicture(int row, int col) const;

    void setHeaderBold(bool bold);
    bool redraw() const { return redraw_; }
    void setRedraw(bool on);
    // Empties every cell (texts, colours, pictures, providers); rows and columns stay.
    void clear();

    // A flag of the program's own, kept by the grid.
    bool isActive() const { return active_; }
    void setActive(bool on) { active_ = on; }

    int mouseRow() const { return mouseRow_; }
    int mouseCol() const { return mouseCol_; }

signals:
    void rowColChange();
    void dblClick();
    // x and y in twips from the grid's top-left corner (header included).
    void mouseDown(int button, int shift, int x, int y);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void updateGeometries() override;
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void checkRow(int r) const;
    void checkCol(int c) const;
    void setCurrent(int r, int c);
    void showSelection();
    void onViewCurrentChanged(const QModelIndex& current);
    void trackMouse(const QPoint& viewportPos);
    void applyTopRow();
    void selectionBounds(int& r1, int& r2, int& c1, int& c2) const;

    std::unique_ptr<FlexGridModel> model_;
    int row_ = 1;
    int col_ = 0;
    int rowSel_ = 1;
    int colSel_ = 0;
    int pendingTop_ = -1;
    bool applyingTop_ = false;
    bool inGeometry_ = false;
    bool syncing_ = false;
    bool redraw_ = true;
    bool active_ = false;
    bool customRowHeights_ = false;
    int mouseRow_ = -1;
    int mouseCol_ = -1;
    FillStyle fillStyle_ = FillStyle::Single;
};

}  // namespace vorna::forms
