#include "platform/forms/focus.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>

#include "platform/forms/focusguard.h"
#include "platform/forms/form.h"
#include "platform/forms/textbox.h"

namespace vorna::forms {

namespace {

constexpr const char* kFocusEventsProperty = "vornaFocusEvents";

// The focus events of a widget that has none of its own; dies with the widget.
class FocusEventsHolder : public QObject, public FocusEvents {
public:
    using QObject::QObject;
};

QWidget* deepestProxy(QWidget* w) {
    while (w && w->focusProxy()) w = w->focusProxy();
    return w;
}

}  // namespace

void attachFocusEvents(QWidget* control, FocusEvents* events) {
    control->setProperty(kFocusEventsProperty,
                         events ? QVariant::fromValue(reinterpret_cast<quintptr>(events)) : QVariant());
}

FocusEvents* findFocusEvents(const QWidget* control) {
    if (!control) return nullptr;
    const QVariant v = control->property(kFocusEventsProperty);
    return v.isValid() ? reinterpret_cast<FocusEvents*>(v.value<quintptr>()) : nullptr;
}

FocusEvents& focusEvents(QWidget* control) {
    if (FocusEvents* ev = findFocusEvents(control)) return *ev;
    auto* holder = new FocusEventsHolder(control);
    attachFocusEvents(control, holder);
    return *holder;
}

Form* formOf(const QWidget* w) { return w ? qobject_cast<Form*>(w->window()) : nullptr; }

bool giveFocus(QWidget* control) {
    control = deepestProxy(control);
    if (!control || !control->isEnabled()) return false;
    Form* f = formOf(control);
    if (!f) {
        control->setFocus(Qt::OtherFocusReason);
        return true;
    }
    if (!control->isVisibleTo(f)) return false;
    if (!f->changeActiveControl(control, true)) return false;
    // Qt tells the control at once when the window is active, else when it is activated;
    // the bookkeeping above has already run, so neither causes another event.
    if (f->activeControl_ == control) control->setFocus(Qt::OtherFocusReason);
    return true;
}

// ---------------------------------------------------------------------------------------------

void FocusGuard::install() {
    static FocusGuard* guard = nullptr;
    if (guard) return;
    guard = new FocusGuard(qApp);
    qApp->installEventFilter(guard);
}

bool FocusGuard::eventFilter(QObject* o, QEvent* e) {
    if (!o->isWidgetType()) return false;
    auto* w = static_cast<QWidget*>(o);
    switch (e->type()) {
    case QEvent::FocusIn:
        return focusIn(w, static_cast<QFocusEvent*>(e));
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        // A new press: the release of a swallowed one went elsewhere (to a message box).
        swallowReleaseIn_ = nullptr;
        if (swallowPressIn_ && w->window() == swallowPressIn_) {
            swallowPressIn_ = nullptr;
            swallowReleaseIn_ = w->window();
            return true;
        }
        swallowPressIn_ = nullptr;
        return false;
    case QEvent::MouseButtonRelease:
        if (swallowReleaseIn_ && w->window() == swallowReleaseIn_) {
            swallowReleaseIn_ = nullptr;
            return true;
        }
        return false;
    case QEvent::Wheel:
        swallowPressIn_ = nullptr;
        return false;
    case QEvent::KeyPress:
        swallowPressIn_ = nullptr;
        return keyPress(w, static_cast<QKeyEvent*>(e));
    case QEvent::Shortcut:
        return shortcut(w);
    default:
        return false;
    }
}

bool FocusGuard::focusIn(QWidget* w, QFocusEvent* e) {
    if (w->isWindow()) return false;
    Form* f = formOf(w);
    if (!f || f->validating_ > 0 || f->reverting_ > 0) return false;
    // The focus coming back to the same control (after a message box, another window or a
    // pop-up menu) is no focus move.
    if (f->activeControl_ == w) return false;
    // A control that was hidden or disabled cannot keep the focus: Qt has moved it on.
    QWidget* from = f->activeControl_;
    const bool validate = !f->skipValidation_ && from && from->isEnabled() && from->isVisible();
    if (f->changeActiveControl(w, validate)) return false;

    // Refused: the focus goes back, and the control that was about to get it never hears of
    // it; a mouse press that asked for the move is swallowed with its release.
    if (QWidget* back = f->activeControl_) {
        ++f->reverting_;
        back->setFocus(Qt::OtherFocusReason);
        --f->reverting_;
    }
    if (e->reason() == Qt::MouseFocusReason) swallowPressIn_ = f;
    return true;
}

bool FocusGuard::keyPress(QWidget* w, QKeyEvent* e) {
    if (w != QApplication::focusWidget()) return false;  // seen once, not again while it propagates
    Form* f = formOf(w);
    if (!f) return false;

    const bool tab = (e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab) &&
                     !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (tab) {
        if (auto* view = qobject_cast<QAbstractItemView*>(w); view && view->tabKeyNavigation()) return false;
        if (w->inherits("QTextEdit") || w->inherits("QPlainTextEdit")) return false;
        // The Tab moves the focus only once the control it leaves accepted its value, so a
        // refusal leaves the control and its selection as they were.
        f->syncActiveControl();
        if (QWidget* from = f->activeControl_; from && !f->runValidate(from)) return true;
        f->skipValidation_ = true;
        const bool forward = e->key() == Qt::Key_Tab && !(e->modifiers() & Qt::ShiftModifier);
        f->focusNextPrevChild(forward);
        f->skipValidation_ = false;
        f->syncActiveControl();
        return true;
    }

    // Key preview for the other controls (a text box runs its own, which may also replace
    // the key): here the window can only swallow it.
    if (!f->keyPreview() || qobject_cast<TextBox*>(w)) return false;
    const int code = keyAsciiOf(e);
    if (code == kNoKeyAscii) return false;
    int k = code;
    f->previewKey(k);
    return k == 0;
}

bool FocusGuard::shortcut(QWidget* w) {
    Form* f = formOf(w);
    if (!f) return false;
    QWidget* target = w;
    if (auto* label = qobject_cast<QLabel*>(w); label && label->buddy()) target = label->buddy();
    target = deepestProxy(target);
    if (!target->isEnabled() || target->focusPolicy() == Qt::NoFocus) return false;
    if (target == f->activeControl_) return false;
    // Alt + a shortcut letter moves the focus: a refusal keeps it, and the button is not
    // clicked either.
    return !giveFocus(target);
}

}  // namespace vorna::forms
