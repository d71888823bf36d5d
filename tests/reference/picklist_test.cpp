#include <gtest/gtest.h>

#include <QScrollBar>

#include "platform/forms/geometry.h"
#include "reference/reference_support.h"

using namespace vorna;
using namespace vorna::test;

namespace {

class PickLists : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        storeSettings(soundSettings(folder.path() + "/"));
        start();
    }

    // The grid row that holds a code, 0 when none does.
    static int rowOf(const forms::FlexGrid* g, const QString& code) {
        for (int r = 1; r < g->rows(); ++r)
            if (g->textMatrix(r, 0) == code) return r;
        return 0;
    }

    // Shows the list modally; `act` runs inside its loop, once it is shown.
    template <class L>
    void showModalDoing(L& list, std::function<void(L&)> act) {
        forms::Form::ModalHook = [&list, act](forms::Form& f) {
            if (&f == &list) act(list);
        };
        list.showModal();
        forms::Form::ModalHook = nullptr;
    }
};

}  // namespace

TEST_F(PickLists, TheCountryListShowsItsTableOnceWithHeaderWidthsAndShading) {
    frmLstPays& l = frmLstPays::instance();
    const forms::FlexGrid* g = l.MSHFlexGrid1;
    EXPECT_EQ(l.windowTitle(), "Pays");
    EXPECT_EQ(g->cols(), 2);
    EXPECT_EQ(g->rows(), 251);  // the header and the 250 countries
    EXPECT_EQ(g->textMatrix(0, 0), "Code");
    EXPECT_EQ(g->textMatrix(0, 1), "Description");
    EXPECT_EQ(g->textMatrix(1, 1), "Afghanistan");  // sorted by description
    EXPECT_EQ(g->colWidth(0), toTwips(toPixels(600)));
    EXPECT_EQ(g->colWidth(1), toTwips(toPixels(5500)));
    const QColor grey(192, 192, 192);
    for (int r : {1, 100, 250}) {
        EXPECT_EQ(g->cellBackColor(r, 0), grey);
        EXPECT_FALSE(g->cellBackColor(r, 1).isValid());
    }
    EXPECT_FALSE(g->cellBackColor(0, 0).isValid());  // the header keeps its colours

    // Read once per run: a country added meanwhile shows at the next start only.
    folder.openReference()->execute("INSERT INTO Pays (Code, Description) VALUES ('QQ', 'Pays ajouté')");
    EXPECT_FALSE(l.findPays("QQ"));
    l.cmdClose_Click();
    EXPECT_TRUE(frmLstPays::isLoaded());  // hidden, not unloaded
    EXPECT_FALSE(frmLstPays::instance().findPays("QQ"));
    frmLstPays::unloadIfLoaded();
    EXPECT_TRUE(frmLstPays::instance().findPays("QQ"));
}

TEST_F(PickLists, TheCurrencyListHidesItsDecimalsAndTheCodeListHasItsWideColumn) {
    frmLstDev& d = frmLstDev::instance();
    EXPECT_EQ(d.windowTitle(), "Devises");
    EXPECT_EQ(d.MSHFlexGrid1->textMatrix(0, 2), "nbDecimale");
    EXPECT_EQ(d.MSHFlexGrid1->colWidth(2), 0);
    EXPECT_EQ(d.MSHFlexGrid1->cellBackColor(1, 2), QColor(192, 192, 192));
    EXPECT_EQ(d.findDevNbDeci("KWD"), 3);
    EXPECT_EQ(d.findDevNbDeci("JPY"), 0);
    EXPECT_EQ(d.findDevNbDeci("EUR"), 2);
    EXPECT_EQ(d.findDevNbDeci("XXX"), -1);
    EXPECT_EQ(d.findDevNbDeci("eur"), -1);

    frmLstCodesEcono& c = frmLstCodesEcono::instance();
    EXPECT_EQ(c.windowTitle(), "Codes économiques");
    EXPECT_EQ(c.MSHFlexGrid1->textMatrix(1, 0), "E01");  // sorted by code
    EXPECT_EQ(c.MSHFlexGrid1->colWidth(1), toTwips(toPixels(155500)));
    EXPECT_TRUE(c.findCodeEcono("E03"));
    EXPECT_FALSE(c.findCodeEcono("E3"));
}

TEST_F(PickLists, FindSelectsTheRowAndShowsItFourthOrTheFirstRowWhenUnknown) {
    frmLstPays& l = frmLstPays::instance();
    forms::FlexGrid* g = l.MSHFlexGrid1;
    const int fr = rowOf(g, "FR");
    ASSERT_GE(fr, 4);
    EXPECT_TRUE(l.findPays("FR"));
    EXPECT_EQ(g->row(), fr);
    EXPECT_EQ(g->rowSel(), fr);
    EXPECT_EQ(g->col(), 0);
    EXPECT_EQ(g->colSel(), 1);
    EXPECT_EQ(g->topRow(), fr - 3);

    const int second = 2;
    EXPECT_TRUE(l.findPays(g->textMatrix(second, 0)));
    EXPECT_EQ(g->topRow(), 1);

    for (const QString& code : {QString("fr"), QString("FR "), QString(), QString("ZZ")}) {
        EXPECT_FALSE(l.findPays(code)) << code.toStdString();
        EXPECT_EQ(g->row(), 1);
        EXPECT_EQ(g->colSel(), 1);
        EXPECT_EQ(g->topRow(), 1);
    }

    // Shown, the list really scrolls there.
    l.findPays("FR");
    showModalDoing<frmLstPays>(l, [&](frmLstPays& list) {
        EXPECT_EQ(list.MSHFlexGrid1->verticalScrollBar()->value(), fr - 4);
        list.cmdClose_Click();
    });
}

TEST_F(PickLists, EnterAndDoubleClickChooseEscapeAnnulerAndTheCloseBoxKeepTheCallersCode) {
    frmLstPays& l = frmLstPays::instance();
    const forms::Form& main = frmListOrdre::instance();
    const QRect placed = forms::geometryTwips(&l);
    EXPECT_NEAR(placed.left(), main.leftTwips() + 1500, 15);
    EXPECT_NEAR(placed.top(), main.topTwips() + 2000, 15);

    auto press = [](int key) {
        return [key](frmLstPays& list) { QTest::keyClick(list.MSHFlexGrid1, Qt::Key(key)); };
    };
    // Enter takes the selected code.
    l.txtCtrl = "FR";
    l.findPays("FR");
    showModalDoing<frmLstPays>(l, [](frmLstPays& list) {
        QTest::keyClick(list.MSHFlexGrid1, Qt::Key_Down);
        QTest::keyClick(list.MSHFlexGrid1, Qt::Key_Return);
    });
    EXPECT_FALSE(l.isVisible());
    EXPECT_EQ(l.txtCtrl, l.MSHFlexGrid1->textMatrix(rowOf(l.MSHFlexGrid1, "FR") + 1, 0));

    // Escape, Annuler and the close box leave the caller's code.
    for (int way = 0; way < 3; ++way) {
        l.txtCtrl = "DE";
        l.findPays("DE");
        showModalDoing<frmLstPays>(l, [way, press](frmLstPays& list) {
            QTest::keyClick(list.MSHFlexGrid1, Qt::Key_Down);
            if (way == 0) press(Qt::Key_Escape)(list);
            else if (way == 1) QTest::mouseClick(list.cmdClose, Qt::LeftButton);
            else list.close();
        });
        EXPECT_EQ(l.txtCtrl, "DE") << way;
        EXPECT_FALSE(l.isVisible());
        EXPECT_TRUE(frmLstPays::isLoaded());
    }

    // A double click on a country's name chooses its code, never the name.
    l.findPays("");
    showModalDoing<frmLstPays>(l, [](frmLstPays& list) {
        forms::FlexGrid* g = list.MSHFlexGrid1;
        const QPoint p = g->visualRect(g->model()->index(2, 1)).center();
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, p);
        QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, p);
    });
    EXPECT_EQ(l.txtCtrl, l.MSHFlexGrid1->textMatrix(3, 0));
    EXPECT_EQ(l.txtCtrl.size(), 2);
}

TEST_F(PickLists, TheButtonsFollowTheCornerAndOnlyTheCodeListKeepsItsGrid) {
    frmLstPays& p = frmLstPays::instance();
    frmLstCodesEcono& c = frmLstCodesEcono::instance();
    for (forms::Form* f : {static_cast<forms::Form*>(&p), static_cast<forms::Form*>(&c)}) f->show();
    const QRect codeGrid = forms::geometryTwips(c.MSHFlexGrid1);
    for (forms::Form* f : {static_cast<forms::Form*>(&p), static_cast<forms::Form*>(&c)}) {
        f->resize(700, 500);
        QCoreApplication::processEvents();
    }
    const int w = toTwips(700), h = toTwips(500);
    for (auto [close, select] : {std::pair{p.cmdClose, p.cmdSelect}, std::pair{c.cmdClose, c.cmdSelect}}) {
        const QRect r = forms::geometryTwips(close);
        EXPECT_EQ(r.left() + r.width(), w - 60);
        EXPECT_EQ(r.top() + r.height(), h - 60);
        EXPECT_EQ(forms::geometryTwips(select).left(), 60);
        EXPECT_EQ(forms::geometryTwips(select).top(), r.top());
    }
    const QRect grid = forms::geometryTwips(p.MSHFlexGrid1);
    EXPECT_EQ(grid.topLeft(), QPoint(60, 60));
    EXPECT_EQ(grid.width(), w - 120);
    EXPECT_EQ(grid.height(), forms::geometryTwips(p.cmdClose).top() - 120);
    EXPECT_EQ(forms::geometryTwips(c.MSHFlexGrid1), codeGrid);

    // Too small for the grid: it stays as it was, the buttons still move.
    p.resize(50, 20);
    QCoreApplication::processEvents();
    EXPECT_EQ(forms::geometryTwips(p.MSHFlexGrid1), grid);
    EXPECT_EQ(forms::geometryTwips(p.cmdSelect).left(), 60);
}
