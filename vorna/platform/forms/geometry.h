#pragma once

#include <QColor>
#include <QRect>

class QWidget;

namespace vorna::forms {

// Geometry in twips, as the old program measured it. For a window the rectangle is its outer
// frame (title bar and borders included); for a control it is the control's own rectangle in
// its container.
QRect geometryTwips(const QWidget* w);
// Moves and sizes a window's frame, or a control, in twips.
void moveTwips(QWidget* w, int left, int top, int width, int height);

// Colours as the old program wrote them: &HBBGGRR (blue, green, red from the high byte down),
// so &HC0FFC0 is light green and &H8080FF light red. &H80000005 is the system's window
// background, the colour of an enabled text box.
QColor vbColor(quint32 bbggrr);
quint32 vbColorValue(const QColor& c);
constexpr quint32 kSystemWindowColor = 0x80000005u;
// The system's window background (the old system colour 5).
QColor systemWindowColor();

// The back colour of a control: the background of a text box or a grid, the face of a button,
// the surface of anything else.
void setBackColor(QWidget* w, const QColor& c);
QColor backColor(const QWidget* w);

}  // namespace vorna::forms
