#include "platform/forms/geometry.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QPalette>
#include <QWidget>
#include <algorithm>

#include "platform/environment.h"

namespace vorna::forms {

QRect geometryTwips(const QWidget* w) {
    const QRect r = w->isWindow() ? w->frameGeometry() : w->geometry();
    return QRect(toTwips(r.x()), toTwips(r.y()), toTwips(r.width()), toTwips(r.height()));
}

void moveTwips(QWidget* w, int left, int top, int width, int height) {
    // A window is placed by its frame: what the frame adds around the client area is taken
    // off the size asked for (nothing before the window has been shown once).
    int dw = 0, dh = 0;
    if (w->isWindow()) {
        dw = w->frameGeometry().width() - w->width();
        dh = w->frameGeometry().height() - w->height();
    }
    w->move(toPixels(left), toPixels(top));
    w->resize(std::max(0, toPixels(width) - dw), std::max(0, toPixels(height) - dh));
}

QColor vbColor(quint32 bbggrr) {
    if (bbggrr == kSystemWindowColor) return systemWindowColor();
    return QColor(int(bbggrr & 0xFF), int((bbggrr >> 8) & 0xFF), int((bbggrr >> 16) & 0xFF));
}

quint32 vbColorValue(const QColor& c) {
    return quint32(c.red()) | (quint32(c.green()) << 8) | (quint32(c.blue()) << 16);
}

QColor systemWindowColor() { return QApplication::palette().color(QPalette::Active, QPalette::Base); }

namespace {
QPalette::ColorRole backRole(const QWidget* w) {
    if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractItemView*>(w)) return QPalette::Base;
    if (qobject_cast<const QAbstractButton*>(w)) return QPalette::Button;
    return QPalette::Window;
}
}  // namespace

void setBackColor(QWidget* w, const QColor& c) {
    const QPalette::ColorRole role = backRole(w);
    QPalette p = w->palette();
    p.setColor(role, c);  // every colour group: a disabled box shows it too
    w->setPalette(p);
    if (role == QPalette::Window) w->setAutoFillBackground(true);
}

QColor backColor(const QWidget* w) { return w->palette().color(QPalette::Active, backRole(w)); }

}  // namespace vorna::forms
