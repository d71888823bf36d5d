// The order window's scrolling sheet: its geometry, the glides of the timer, the jump
// buttons and the watch that brings a focused block into view.
#include <gtest/gtest.h>

#include <QTimer>

#include "orderentry/orderwindow_support.h"

using namespace vorna;
using namespace vorna::test;

namespace {

using OrderWindowSheet = OrderWindowTest;

// Runs timer ticks until a glide ends; answers the number of ticks and the values on the way.
QList<int> glide(frmOrdre& f, int limit = 1000) {
    QList<int> values;
    for (int i = 0; i < limit && f.scrollTarget() >= 0; ++i) {
        f.timerScroll_Timer();
        values << f.vscH->value();
    }
    return values;
}

TEST_F(OrderWindowSheet, DesignGeometryOfTheSheet) {
    frmOrdre& f = open();
    // A viewport of 5370 twips: the window at 8650.
    ASSERT_EQ(forms::geometryTwips(f.picScroll).height(), 5370);
    EXPECT_EQ(f.sheetHeight(), 16095);
    EXPECT_EQ(f.vscH->maximum(), 10725);
    EXPECT_EQ(f.vscH->pageStep(), 5370);
    EXPECT_EQ(f.vscH->singleStep(), 2685);
    EXPECT_NEAR(f.scrollFactor(), 3.305, 0.001);
    EXPECT_NEAR(f.buttonHeight(0), 731, 0.5);
    EXPECT_DOUBLE_EQ(f.buttonTop(0), 250);
    EXPECT_NEAR(f.scrollTarget(), 4830, 1e-9);
    // The blocks stand one below the other, 120 twips apart.
    const QList<QGroupBox*> blocks = f.blocks();
    for (int i = 1; i < blocks.size(); ++i)
        EXPECT_EQ(f.frameTop(blocks[i]), f.frameTop(blocks[i - 1]) + frmOrdre::kDesignHeights[i - 1] + 120);
    // The map covers the sheet: the last button ends where the viewport less 250 does.
    EXPECT_NEAR(f.buttonTop(8) + f.buttonHeight(8), 250 + (16095 - 480 - 240 + 120) / f.scrollFactor(), 1e-6);
}

TEST_F(OrderWindowSheet, OpeningGlidesToTheIntermediaryBank) {
    struct Case {
        int step;
        int ticks;
        int second;
    };
    for (const Case& c : {Case{100, 49, 200}, Case{400, 13, 800}}) {
        SCOPED_TRACE(c.step);
        Screen::forceScrollStepHint(c.step);
        frmOrdre& f = open();
        const QList<int> values = glide(f);
        ASSERT_EQ(values.size(), c.ticks);
        EXPECT_EQ(values[1], c.second);
        EXPECT_EQ(values.last(), 4830);
        EXPECT_LT(f.scrollTarget(), 0);
        // Block 56 now stands where block 50 stood.
        EXPECT_EQ(f.frameTop(f.frm56), 240);
        EXPECT_EQ(forms::geometryTwips(f.frm56).top(), 240);
        // The buttons and the bar never move.
        EXPECT_NEAR(forms::geometryTwips(f.bt50).top(), 250, 15);
        EXPECT_EQ(forms::geometryTwips(f.vscH).top(), 0);
        f.unload();
        flushDeletes();
    }
}

TEST_F(OrderWindowSheet, JumpButtonsGlideWithinTheBounds) {
    frmOrdre& f = open();
    glide(f);
    // The declaration cannot reach the top: the glide stops at the maximum.
    f.btDeclar->click();
    EXPECT_TRUE(f.timerScroll->isActive());
    EXPECT_GT(f.scrollTarget(), f.vscH->maximum());
    glide(f);
    EXPECT_EQ(f.vscH->value(), 10725);
    EXPECT_LT(f.scrollTarget(), 0);
    f.bt50->click();
    glide(f);
    EXPECT_EQ(f.vscH->value(), 0);
    EXPECT_EQ(f.frameTop(f.frm50), 240);
    f.bt57->click();
    glide(f);
    EXPECT_EQ(f.vscH->value(), 2415 + 2415 + 1815);
    EXPECT_EQ(f.frameTop(f.frm57), 240);
}

TEST_F(OrderWindowSheet, HalfwayValuesRoundToEven) {
    frmOrdre& f = open();
    glide(f);
    // From 4830 towards 4830.5 and 4831.5: the last step lands on the target, halves to even.
    for (const auto& [target, expected] : {std::pair{4830.5, 4830}, std::pair{4831.5, 4832}}) {
        f.vscH->setValue(4830);
        f.glideTo(target);
        f.timerScroll_Timer();
        EXPECT_EQ(f.vscH->value(), expected);
        EXPECT_LT(f.scrollTarget(), 0);
    }
}

TEST_F(OrderWindowSheet, DraggingTheBarShiftsTheBlocks) {
    frmOrdre& f = open();
    f.vscH->setValue(1000);
    EXPECT_EQ(f.frameTop(f.frm50), 240 - 1000);
    EXPECT_NEAR(forms::geometryTwips(f.frm52).top(), 240 + 2295 + 120 - 1000, 14);
    EXPECT_NEAR(forms::geometryTwips(f.frmDeco).top(), 120 - 1000, 14);
    EXPECT_EQ(forms::geometryTwips(f.frmTop).top(), 0);
}

TEST_F(OrderWindowSheet, AFocusedBlockOutOfViewComesIntoView) {
    frmOrdre& f = open();
    ASSERT_TRUE(showActive(&f));
    glide(f);
    f.vscH->setValue(0);
    f.timerScroll_Timer();  // watching: takes note of the control that has the focus

    // Below the viewport: its bottom meets the viewport's bottom.
    ASSERT_TRUE(forms::giveFocus(f.txtText[19]));
    f.timerScroll_Timer();
    const int viewport = forms::geometryTwips(f.picScroll).height();
    EXPECT_EQ(f.scrollTarget(), 8700 + 2295 - viewport);
    glide(f);
    EXPECT_EQ(f.frameTop(f.frm58_59) + 2295, viewport);

    // A block in full view: nothing moves.
    ASSERT_TRUE(forms::giveFocus(f.txtText[15]));
    f.timerScroll_Timer();
    EXPECT_LT(f.scrollTarget(), 0);

    // Above the viewport: its top comes 240 twips below the viewport's top.
    ASSERT_TRUE(forms::giveFocus(f.txtRibOY));
    f.timerScroll_Timer();
    EXPECT_EQ(f.scrollTarget(), 0);
    glide(f);
    EXPECT_EQ(f.frameTop(f.frm50), 240);

    // A header field never moves the sheet.
    f.vscH->setValue(3000);
    ASSERT_TRUE(forms::giveFocus(f.txtRefInterne));
    f.timerScroll_Timer();
    EXPECT_LT(f.scrollTarget(), 0);
    EXPECT_EQ(f.vscH->value(), 3000);
}

TEST_F(OrderWindowSheet, ResizingGlidesBackToTheIntermediaryBank) {
    frmOrdre& f = open();
    ASSERT_TRUE(showActive(&f));
    f.timerScroll->start();
    f.bt50->click();
    glide(f);
    f.moveTwips(f.leftTwips(), f.topTwips(), f.widthTwips(), 9650);
    QCoreApplication::processEvents();
    const int viewport = forms::geometryTwips(f.picScroll).height();
    ASSERT_NEAR(viewport, 6370, 75);
    EXPECT_EQ(f.vscH->maximum(), 16095 - viewport);
    EXPECT_TRUE(f.timerScroll->isActive());
    glide(f);
    EXPECT_EQ(f.frameTop(f.frm56), 240);
}

}  // namespace
