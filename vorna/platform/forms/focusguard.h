#pragma once

#include <QObject>
#include <QPointer>

class QFocusEvent;
class QKeyEvent;
class QWidget;

namespace vorna::forms {

struct FocusEvents;

// Internal to the forms layer: points a widget's focus events at `events` (nullptr detaches).
void attachFocusEvents(QWidget* control, FocusEvents* events);

// One application-wide event filter that gives the windows' controls the old focus events
// (focus.h) and the key preview of the controls other than text boxes. Installed by the
// first Form.
class FocusGuard : public QObject {
public:
    static void install();

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    using QObject::QObject;

    bool focusIn(QWidget* w, QFocusEvent* e);
    bool keyPress(QWidget* w, QKeyEvent* e);
    bool shortcut(QWidget* w);

    // Qt gives the focus before it delivers the mouse press that asked for it; after a
    // refused move that press (and its release) must not reach the control.
    QPointer<QWidget> swallowPressIn_;
    QPointer<QWidget> swallowReleaseIn_;
};

}  // namespace vorna::forms
