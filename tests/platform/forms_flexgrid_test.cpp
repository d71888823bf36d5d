#include <gtest/gtest.h>

#include <QClipboard>
#include <QHeaderView>
#include <QPixmap>
#include <QSignalSpy>
#include <QScrollBar>

#include "forms_support.h"
#include "platform/forms/flexgrid.h"
#include "platform/forms/geometry.h"
#include "platform/vberror.h"

using namespace vorna::forms;

namespace {

QIcon picture(Qt::GlobalColor c) {
    QPixmap p(8, 8);
    p.fill(c);
    return QIcon(p);
}

QVariant cellData(const FlexGrid& g, int row, int col, int role) {
    return g.model()->data(g.model()->index(row - 1, col), role);
}

QVariant headerData(const FlexGrid& g, int col, int role) {
    return g.model()->headerData(col, Qt::Horizontal, role);
}

class Grid : public ::testing::Test {
protected:
    void SetUp() override { grid.resize(400, 300); }
    void show() {
        grid.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    }
    QPoint cellCentre(int row, int col) {
        return grid.visualRect(grid.model()->index(row - 1, col)).center();
    }
    FlexGrid grid;
};

TEST_F(Grid, HundredThousandRowsFillLazilyOnlyWhatIsShown) {
    grid.setCols(10);
    grid.setRows(100001);
    int calls = 0;
    for (int c = 0; c < 10; ++c)
        grid.setColumnProvider(c, [&calls, c](int row) {
            ++calls;
            return QStringLiteral("%1/%2").arg(row).arg(c);
        });
    grid.setTextMatrix(2, 3, "mis par le programme");
    show();
    grid.grab();  // paints the visible rows
    EXPECT_GT(calls, 0);
    EXPECT_LT(calls, 400);
    EXPECT_EQ(grid.textMatrix(2, 3), "mis par le programme");  // a set text wins over the provider

    const int before = calls;
    EXPECT_EQ(grid.textMatrix(99999, 7), "99999/7");
    EXPECT_EQ(grid.textMatrix(99999, 7), "99999/7");
    EXPECT_EQ(calls, before + 1);  // asked once, then kept

    // Scrolling through every row, past what the grid keeps: a row seen long ago reads its text
    // again, a text the program wrote stays.
    for (int r = 1; r < grid.rows(); ++r) grid.textMatrix(r, 3);
    EXPECT_EQ(grid.textMatrix(1, 7), "1/7");
    EXPECT_EQ(grid.textMatrix(2, 3), "mis par le programme");

    // Filling every cell and colouring whole columns with redraw off.
    grid.setRedraw(false);
    for (int r = 1; r < grid.rows(); ++r)
        for (int c = 0; c < 10; ++c) grid.setTextMatrix(r, c, QStringLiteral("x"));
    grid.setFillStyle(FlexGrid::FillStyle::Repeat);
    for (int c = 0; c < 10; ++c) {
        grid.setRow(1);
        grid.setCol(c);
        grid.setRowSel(grid.rows() - 1);
        grid.setColSel(c);
        grid.setCellBackColor(vbColor(0xC0C0C0));
    }
    for (int r = 1; r < grid.rows(); ++r) grid.setRowHeightTwips(r, 350);
    grid.setRedraw(true);
    EXPECT_EQ(grid.cellBackColor(77777, 4), QColor(192, 192, 192));
}

TEST_F(Grid, RedrawOffGathersChangesIntoOneUpdate) {
    grid.setCols(3);
    grid.setRows(101);
    QSignalSpy spy(grid.model(), &QAbstractItemModel::dataChanged);
    grid.setRedraw(false);
    for (int r = 1; r <= 100; ++r) grid.setTextMatrix(r, 1, QString::number(r));
    EXPECT_EQ(spy.count(), 0);
    grid.setRedraw(true);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(cellData(grid, 100, 1, Qt::DisplayRole).toString(), "100");
    grid.setTextMatrix(1, 1, "a");
    EXPECT_EQ(spy.count(), 2);
}

TEST_F(Grid, HeaderTextsSizesInTwipsAndAlignment) {
    grid.setCols(4);
    grid.setRows(3);
    grid.setHeaderText(1, QStringLiteral("Date de Création"));
    grid.setTextMatrix(0, 2, QStringLiteral("Montant"));
    EXPECT_EQ(headerData(grid, 1, Qt::DisplayRole).toString(), "Date de Création");
    EXPECT_EQ(grid.textMatrix(0, 2), "Montant");

    grid.setColWidth(0, 0);
    grid.setColWidth(1, 1600);
    EXPECT_TRUE(grid.isColumnHidden(0));
    EXPECT_EQ(grid.colWidth(0), 0);
    EXPECT_EQ(grid.columnWidth(1), 107);
    EXPECT_EQ(grid.colWidth(1), 1605);  // the nearest whole pixel
    grid.setColWidth(0, 600);
    EXPECT_FALSE(grid.isColumnHidden(0));

    grid.setRowHeightTwips(-1, 350);
    grid.setRowHeightTwips(0, 800);
    grid.setRowHeightTwips(2, 600);
    EXPECT_EQ(grid.horizontalHeader()->height(), 53);
    EXPECT_EQ(grid.rowHeightTwips(1), 345);
    EXPECT_EQ(grid.rowHeightTwips(2), 600);

    grid.setColAlignment(3, FlexGrid::Align::Center);
    grid.setTextMatrix(1, 3, "EUR");
    grid.setTextMatrix(1, 2, "1 234,50  ");
    grid.setTextMatrix(2, 2, "ABC");
    EXPECT_EQ(cellData(grid, 1, 3, Qt::TextAlignmentRole).value<Qt::Alignment>(), Qt::AlignCenter);
    EXPECT_TRUE(cellData(grid, 1, 2, Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight);
    EXPECT_TRUE(cellData(grid, 2, 2, Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignLeft);

    try {
        grid.textMatrix(3, 0);
        FAIL() << "row 3 of a 3-row grid was read";
    } catch (const vorna::VbError& e) {
        EXPECT_EQ(e.number, 30009);
    }
    EXPECT_THROW(grid.setCol(4), vorna::VbError);
}

TEST_F(Grid, ColoursAndPicturesFollowTheFillStyle) {
    grid.setCols(4);
    grid.setRows(7);
    // Repeat: the whole selection, here from the header row down to row 3 of column 2.
    grid.setFillStyle(FlexGrid::FillStyle::Repeat);
    grid.setRow(0);
    grid.setCol(2);
    grid.setRowSel(3);
    grid.setColSel(2);
    grid.setCellBackColor(vbColor(0xC0C0C0));
    EXPECT_EQ(grid.cellBackColor(0, 2), QColor(192, 192, 192));
    EXPECT_EQ(grid.cellBackColor(3, 2), QColor(192, 192, 192));
    EXPECT_FALSE(grid.cellBackColor(4, 2).isValid());
    EXPECT_FALSE(grid.cellBackColor(1, 1).isValid());
    EXPECT_EQ(headerData(grid, 2, Qt::BackgroundRole).value<QBrush>().color(), QColor(192, 192, 192));
    EXPECT_EQ(cellData(grid, 2, 2, Qt::BackgroundRole).value<QBrush>().color(), QColor(192, 192, 192));

    // Single: the current cell only.
    grid.setFillStyle(FlexGrid::FillStyle::Single);
    grid.setRow(5);
    grid.setCol(1);
    grid.setRowSel(6);
    grid.setCellBackColor(vbColor(0xFFFFFF));
    grid.setCellPicture(picture(Qt::red));
    EXPECT_EQ(grid.cellBackColor(5, 1), QColor(255, 255, 255));
    EXPECT_FALSE(grid.cellBackColor(6, 1).isValid());
    EXPECT_FALSE(grid.cellPicture(5, 1).isNull());
    EXPECT_TRUE(grid.cellPicture(6, 1).isNull());
    EXPECT_FALSE(cellData(grid, 5, 1, Qt::DecorationRole).isNull());
    EXPECT_TRUE(cellData(grid, 4, 1, Qt::DecorationRole).isNull());

    // Runs of colour: a later one covers what it overlaps of the earlier, on either side; fewer
    // rows forget the colours of the rows gone.
    grid.setFillStyle(FlexGrid::FillStyle::Repeat);
    grid.setCol(3);
    for (const auto& [from, to, colour] : {std::tuple{1, 6, vbColor(0x0000FF)}, std::tuple{3, 4, QColor()}}) {
        grid.setRow(from);
        grid.setRowSel(to);
        grid.setCellBackColor(colour);
    }
    grid.setFillStyle(FlexGrid::FillStyle::Single);
    grid.setRow(4);
    grid.setCellBackColor(vbColor(0x00FF00));
    const QColor red(255, 0, 0), green(0, 255, 0);
    const QColor expected[] = {QColor(), red, red, QColor(), green, red, red};
    for (int r = 0; r <= 6; ++r) EXPECT_EQ(grid.cellBackColor(r, 3), expected[r]) << "row " << r;
    grid.setRows(6);
    grid.setRows(7);
    EXPECT_EQ(grid.cellBackColor(5, 3), red);
    EXPECT_FALSE(grid.cellBackColor(6, 3).isValid());

    grid.setTextMatrix(5, 1, "texte");
    grid.clear();
    EXPECT_EQ(grid.rows(), 7);
    EXPECT_EQ(grid.textMatrix(5, 1), "");
    EXPECT_TRUE(grid.cellPicture(5, 1).isNull());
    EXPECT_FALSE(grid.cellBackColor(0, 2).isValid());
}

TEST_F(Grid, APictureProviderMarksCellsWithoutAPictureOfTheirOwn) {
    grid.setCols(3);
    grid.setRows(6);
    const QIcon mark = picture(Qt::blue);
    QList<int> asked;
    grid.setPictureProvider(2, [&](int row) {
        asked << row;
        return row % 2 ? mark : QIcon();
    });
    EXPECT_EQ(grid.cellPicture(3, 2).cacheKey(), mark.cacheKey());
    EXPECT_TRUE(grid.cellPicture(4, 2).isNull());
    EXPECT_TRUE(grid.cellPicture(0, 2).isNull());  // never on the header row
    EXPECT_FALSE(asked.contains(0));
    EXPECT_FALSE(cellData(grid, 5, 2, Qt::DecorationRole).isNull());
    EXPECT_TRUE(cellData(grid, 5, 1, Qt::DecorationRole).isNull());

    // A picture set on the cell wins; clear() removes the provider.
    grid.setRow(4);
    grid.setCol(2);
    grid.setCellPicture(picture(Qt::red));
    EXPECT_NE(grid.cellPicture(4, 2).cacheKey(), mark.cacheKey());
    EXPECT_FALSE(grid.cellPicture(4, 2).isNull());
    grid.clear();
    EXPECT_TRUE(grid.cellPicture(3, 2).isNull());
}

TEST_F(Grid, CopyingACellLeavesTheClipboardAlone) {
    grid.setCols(2);
    grid.setRows(3);
    grid.setTextMatrix(1, 1, "secret");
    grid.setCol(1);
    show();
    QGuiApplication::clipboard()->setText("avant");
    QTest::keyClick(&grid, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(&grid, Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "avant");
}

TEST_F(Grid, CurrentCellSelectionAndRowColChange) {
    grid.setCols(4);
    grid.setRows(10);
    show();
    QSignalSpy changes(&grid, &FlexGrid::rowColChange);
    grid.setRow(3);
    grid.setRow(3);
    grid.setCol(1);
    EXPECT_EQ(changes.count(), 2);
    EXPECT_EQ(grid.rowSel(), 3);
    EXPECT_EQ(grid.colSel(), 1);

    grid.setRowSel(5);
    grid.setColSel(3);
    EXPECT_EQ(changes.count(), 2);  // the selection is no move of the current cell
    EXPECT_EQ(grid.selectionModel()->selectedIndexes().size(), 9);
    EXPECT_EQ(grid.currentIndex(), grid.model()->index(2, 1));

    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cellCentre(7, 2));
    EXPECT_EQ(grid.row(), 7);
    EXPECT_EQ(grid.col(), 2);
    EXPECT_EQ(grid.rowSel(), 7);
    EXPECT_EQ(changes.count(), 3);
    QTest::keyClick(&grid, Qt::Key_Down);
    EXPECT_EQ(grid.row(), 8);
    EXPECT_EQ(changes.count(), 4);

    grid.setRow(0);  // the header row has no cell to show as current
    EXPECT_FALSE(grid.currentIndex().isValid());
}

TEST_F(Grid, RightPressTellsTheRowUnderThePointerAndKeepsTheCurrentCell) {
    grid.setCols(3);
    grid.setRows(6);
    show();
    QList<int> down;
    QObject::connect(&grid, &FlexGrid::mouseDown, &grid, [&](int button, int shift, int, int) {
        down << button << shift << grid.mouseRow();
    });
    QTest::mousePress(grid.viewport(), Qt::RightButton, Qt::ControlModifier, cellCentre(5, 1));
    QTest::mouseRelease(grid.viewport(), Qt::RightButton, Qt::ControlModifier, cellCentre(5, 1));
    EXPECT_EQ(down, (QList<int>{2, 2, 5}));
    EXPECT_EQ(grid.row(), 1);  // moving the row is the program's business

    QTest::mousePress(grid.horizontalHeader()->viewport(), Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(grid.mouseRow(), 0);
    QTest::mousePress(grid.viewport(), Qt::RightButton, {}, QPoint(5, grid.viewport()->height() - 2));
    EXPECT_EQ(grid.mouseRow(), -1);  // below the last row

    QSignalSpy dbl(&grid, &FlexGrid::dblClick);
    QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, cellCentre(4, 0));
    EXPECT_EQ(dbl.count(), 1);
}

TEST_F(Grid, TopRowSetWhileHiddenAppliesWhenShown) {
    grid.setCols(2);
    grid.setRows(1000);
    grid.setTopRow(500);
    EXPECT_EQ(grid.topRow(), 500);
    show();
    EXPECT_EQ(grid.topRow(), 500);
    EXPECT_EQ(grid.rowAt(0), 499);
    grid.setTopRow(10);
    EXPECT_EQ(grid.rowAt(0), 9);
    EXPECT_EQ(grid.topRow(), 10);
    // Moving the current cell by code leaves the scroll alone; an arrow key brings it into view.
    grid.setRow(900);
    EXPECT_EQ(grid.topRow(), 10);
    QTest::keyClick(&grid, Qt::Key_Down);
    EXPECT_GT(grid.topRow(), 800);
    EXPECT_LE(grid.topRow(), 901);
}

}  // namespace
