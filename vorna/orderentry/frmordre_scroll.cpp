// The order window's scrolling sheet: the blocks seen through picScroll and shifted by vscH,
// the jump buttons as a scaled map of the sheet, and timerScroll, which glides the sheet to a
// target and, between glides, watches for a focused field out of view.
#include <QGroupBox>
#include <QScrollBar>
#include <QTimer>
#include <cmath>

#include "orderentry/frmordre.h"
#include "platform/environment.h"
#include "platform/forms/geometry.h"

namespace vorna {

namespace {

constexpr int kMapTop = 250;
constexpr int kFrameGap = 120;

}  // namespace

QList<QGroupBox*> frmOrdre::blocks() const {
    return {frm50, frm52, frm56, frm57, frm58_59, frm70, frm71A, frm72, frmDeclar};
}

QList<forms::CommandButton*> frmOrdre::jumpButtons() const {
    return {bt50, bt52, bt56, bt57, bt58_59, bt70, bt71A, bt72, btDeclar};
}

void frmOrdre::stackFrames() {
    const QList<QGroupBox*> frames = blocks();
    frameTops_.clear();
    int top = forms::geometryTwips(frm50).top();
    frameTops_ << top;
    for (int i = 1; i < frames.size(); ++i) {
        top += kDesignHeights[i - 1] + kFrameGap;
        frameTops_ << top;
    }
    frameTops_ << forms::geometryTwips(frmDeco).top();
    sheetHeight_ = frameTops_[8] + kDesignHeights[8] + 480;
    lastScrollValue_ = 0;
    vscH_Change();
}

int frmOrdre::frameTop(QGroupBox* frame) const {
    const QList<QGroupBox*> frames = blocks();
    const qsizetype i = frame == frmDeco ? frames.size() : frames.indexOf(frame);
    if (i < 0 || i >= frameTops_.size()) return forms::geometryTwips(frame).top();
    return frameTops_[i] - lastScrollValue_;
}

void frmOrdre::restartTimer(int interval) {
    timerScroll->stop();
    timerScroll->setInterval(interval);
    timerScroll->start();
}

void frmOrdre::picScroll_Resize() {
    if (sheetHeight_ == 0) return;
    const int h = forms::geometryTwips(picScroll).height();
    const QRect bar = forms::geometryTwips(vscH);
    forms::moveTwips(vscH, bar.left(), bar.top(), bar.width(), h - 150);
    {
        // The shift follows the new bounds below, once.
        const QSignalBlocker quiet(vscH);
        vscH->setPageStep(h);
        vscH->setSingleStep(int(std::lround(h / 2.0)));
        vscH->setMaximum(std::max(0, sheetHeight_ - h));
    }
    vscH_Change();
    scrollFactor_ = double(sheetHeight_) / double(h - 500);

    // The map: each button as tall as its block and the gap below it, scaled.
    buttonTops_.clear();
    buttonHeights_.clear();
    double top = kMapTop;
    const QList<forms::CommandButton*> buttons = jumpButtons();
    for (int i = 0; i < buttons.size(); ++i) {
        const double height = (kDesignHeights[i] + kFrameGap) / scrollFactor_;
        buttonTops_ << top;
        buttonHeights_ << height;
        const QRect g = forms::geometryTwips(buttons[i]);
        const int y = int(std::lround(top / kTwipsPerPixel));
        const int bottom = int(std::lround((top + height) / kTwipsPerPixel));
        buttons[i]->setGeometry(g.left() / kTwipsPerPixel, y, g.width() / kTwipsPerPixel, std::max(1, bottom - y));
        top += height;
    }
    lastScrollValue_ = vscH->value();
    // The window opens, and comes back after a resize, on the intermediary bank.
    scrollTarget_ = (buttonTops_[2] - kMapTop) * scrollFactor_;
    if (timerScroll->isActive()) restartTimer(10);
}

void frmOrdre::vscH_Change() {
    const int value = vscH->value();
    QList<QGroupBox*> frames = blocks();
    frames << frmDeco;
    for (int i = 0; i < frames.size() && i < frameTops_.size(); ++i) {
        const QRect g = forms::geometryTwips(frames[i]);
        forms::moveTwips(frames[i], g.left(), frameTops_[i] - value, g.width(), g.height());
    }
    lastScrollValue_ = value;
}

void frmOrdre::jumpTo(QWidget* button) {
    const qsizetype i = jumpButtons().indexOf(static_cast<forms::CommandButton*>(button));
    if (i < 0 || i >= buttonTops_.size()) return;
    glideTo((buttonTops_[i] - kMapTop) * scrollFactor_);
}

void frmOrdre::glideTo(double target) {
    scrollTarget_ = target;
    restartTimer(10);
}

void frmOrdre::timerScroll_Timer() {
    if (scrollTarget_ >= 0) {
        // Gliding: one step towards the target.
        timerScroll->setInterval(10);
        const double v = vscH->value();
        double next = scrollTarget_;
        bool done = true;
        if (v > scrollTarget_) {
            next = v - scrollStep_;
            done = next <= scrollTarget_;
        } else if (v < scrollTarget_) {
            next = v + scrollStep_;
            done = next >= scrollTarget_;
        }
        if (done) next = scrollTarget_;
        if (next < 0) {
            vscH->setValue(0);
            scrollTarget_ = -1;
        } else if (next > vscH->maximum()) {
            vscH->setValue(vscH->maximum());
            scrollTarget_ = -1;
        } else {
            // Halves go to the even integer.
            vscH->setValue(int(std::nearbyint(next)));
            if (done) scrollTarget_ = -1;
        }
        return;
    }

    // Watching: glide to the block of a newly focused field that is out of view.
    restartTimer(500);
    QWidget* active = activeControl();
    if (active != lastActiveControl.data() && active) {
        QGroupBox* block = nullptr;
        for (QWidget* w = active->parentWidget(); w && w != this; w = w->parentWidget()) {
            if (w->parentWidget() == picScroll) {
                block = qobject_cast<QGroupBox*>(w);
                break;
            }
        }
        if (block) {
            lastActiveControl = active;
            const int t = frameTop(block);
            const int b = t + forms::geometryTwips(block).height();
            const int viewport = forms::geometryTwips(picScroll).height();
            const int first = frameTop(frm50);
            if (t < 0) {
                scrollTarget_ = t - first;
                restartTimer(10);
            } else if (b > viewport) {
                scrollTarget_ = std::min(b - first - viewport + 240, vscH->maximum());
                restartTimer(10);
            }
        }
    }
    lastActiveControl = active;
}

}  // namespace vorna
