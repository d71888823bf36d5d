#include "platform/forms/form.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QScopeGuard>
#include <QTimer>
#include <QWindow>
#include <QWindowStateChangeEvent>
#include <algorithm>

#include "platform/forms/focus.h"
#include "platform/forms/focusguard.h"
#include "platform/forms/geometry.h"
#include "platform/environment.h"
#include "platform/session.h"
#include "platform/vberror.h"

namespace vorna::forms {

namespace {
// The window of the program that was activated last; activation moving to a message box or
// to another program leaves it in place.
QPointer<Form>& lastActivated() {
    static QPointer<Form> f;
    return f;
}

bool countsAsOpen(const QWidget* w) {
    if (!w->isVisible()) return false;
    const Qt::WindowType type = w->windowType();
    return type != Qt::Popup && type != Qt::ToolTip && type != Qt::SplashScreen && type != Qt::Desktop;
}

// Qt ends the program when its last window is closed; the program's windows also go by being
// hidden or unloaded by code, which Qt does not count as a close. The same rule then applies,
// once the handler that hid the window has returned.
void quitWhenNoWindowLeft() {
    if (!QGuiApplication::quitOnLastWindowClosed()) return;
    QTimer::singleShot(0, qApp, [] {
        if (!QGuiApplication::quitOnLastWindowClosed()) return;
        const QWidgetList windows = QApplication::topLevelWidgets();
        if (std::none_of(windows.cbegin(), windows.cend(), countsAsOpen)) QCoreApplication::quit();
    });
}

// A modal window (a message, a file dialog) that `w` owns, however deep, is showing: it runs a
// loop of its own, and goes with `w`.
bool hasOwnModalDialog(const QWidget* w) {
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (const QWidget* top : windows) {
        if (top == w || !top->isVisible() || !top->isModal()) continue;
        for (const QWidget* p = top->parentWidget(); p; p = p->parentWidget())
            if (p == w) return true;
    }
    return false;
}
}  // namespace

QWidget* ownerWindow(const QWidget* except) {
    auto usable = [except](QWidget* w) {
        w = w ? w->window() : nullptr;
        return w && w != except && w->isVisible() ? w : nullptr;
    };
    if (QWidget* w = usable(QApplication::activeModalWidget())) return w;
    if (QWidget* w = usable(QApplication::activeWindow())) return w;
    if (QWidget* w = usable(QApplication::focusWidget())) return w;
    if (QWidget* w = usable(lastActivated())) return w;
    // Nothing active (no window manager, or another program has the focus): the main window.
    return usable(Session::current().mainWindow);
}

void returnFocusTo(QWidget* control) {
    if (!control || !control->isVisible()) return;
    QWidget* window = control->window();
    window->raise();
    window->activateWindow();
    if (control != window && control->isEnabled()) control->setFocus(Qt::ActiveWindowFocusReason);
}

Form::Form() : QWidget(nullptr, Qt::Window) { FocusGuard::install(); }

Form::~Form() = default;

void Form::load() {
    if (state_ != LoadState::NotLoaded) return;
    state_ = LoadState::Loading;
    try {
        formLoad();
    } catch (...) {
        // A load that fails reaches the code that used the window, which is then not
        // loaded: the next use builds and loads a new one.
        if (state_ == LoadState::Loading) discardAfterFailedLoad();
        throw;
    }
    if (state_ == LoadState::Loading) state_ = LoadState::Loaded;
}

bool Form::unload(UnloadMode mode) {
    if (state_ == LoadState::Unloaded) return true;
    if (state_ == LoadState::NotLoaded) {
        discardAfterFailedLoad();
        return true;
    }
    if (unloading_) return false;  // asked again from inside its own unload events
    // While a dialog of its own shows, the window stays: it would take the dialog with it while
    // the dialog's loop still runs. The user closes the dialog first.
    if (hasOwnModalDialog(this)) return false;
    unloading_ = true;
    auto reset = qScopeGuard([this] { unloading_ = false; });
    bool cancel = false;
    formQueryUnload(cancel, mode);
    if (cancel) return false;
    formUnload();
    state_ = LoadState::Unloaded;
    releaseInstance();
    if (lastActivated() == this) lastActivated() = nullptr;
    QWidget::setVisible(false);
    emit hiddenByCode();
    emit unloaded();
    deleteLater();
    quitWhenNoWindowLeft();
    return true;
}

void Form::discardAfterFailedLoad() {
    state_ = LoadState::Unloaded;
    releaseInstance();
    QWidget::setVisible(false);
    emit unloaded();
    deleteLater();
}

void Form::formQueryUnload(bool& cancel, UnloadMode mode) {
    Q_UNUSED(cancel);
    Q_UNUSED(mode);
}

void Form::formKeyPress(int& keyAscii) { Q_UNUSED(keyAscii); }

void Form::setVisible(bool visible) {
    if (visible) {
        if (state_ == LoadState::Unloaded) return;  // an unloaded window never shows again
        load();                                     // Show loads the window first
        if (state_ == LoadState::Unloaded) return;
    }
    const bool wasVisible = isVisible();
    QWidget::setVisible(visible);
    if (!visible) {
        emit hiddenByCode();
        if (wasVisible) quitWhenNoWindowLeft();
    }
}

void Form::showModal() {
    load();
    if (state_ == LoadState::Unloaded) return;
    if (inModalLoop_) {
        raise();
        activateWindow();
        return;
    }
    // The window the user works in owns the modal one: it stays above it, shares its taskbar
    // entry, and gets the focus back, on the control that had it, when the modal one goes.
    QPointer<QWidget> owner = ownerWindow(this);
    QPointer<QWidget> focusBefore = owner ? owner->focusWidget() : nullptr;
    // Modality cannot change on a visible window: one shown non-modally is shown again.
    if (isVisible()) QWidget::setVisible(false);
    const Qt::WindowFlags ownFlags = windowFlags();
    if (owner) {
        // Desktops keep only dialogs over the window that owns them: a dialog while modal.
        if ((ownFlags & Qt::WindowType_Mask) == Qt::Window) setWindowFlags((ownFlags & ~Qt::WindowType_Mask) | Qt::Dialog);
        winId();  // the native window, so that it can be told its owner before it shows
        windowHandle()->setTransientParent(owner->windowHandle());
    }
    setWindowModality(Qt::ApplicationModal);

    QPointer<Form> self(this);
    QEventLoop loop;
    connect(this, &Form::hiddenByCode, &loop, &QEventLoop::quit);
    connect(this, &Form::unloaded, &loop, &QEventLoop::quit);
    inModalLoop_ = true;
    show();
    if (self && isVisible()) {
        raise();
        activateWindow();
        if (ModalHook) {
            QTimer::singleShot(0, this, [this] {
                if (inModalLoop_ && ModalHook) ModalHook(*this);
            });
        }
        loop.exec(QEventLoop::DialogExec);
    }
    if (!self) {
        returnFocusTo(focusBefore ? focusBefore.data() : owner.data());
        return;
    }
    inModalLoop_ = false;
    if (!isVisible()) {
        setWindowModality(Qt::NonModal);
        // Shown again later without being modal, it is a window of its own.
        if (windowHandle()) windowHandle()->setTransientParent(nullptr);
        if (windowFlags() != ownFlags) setWindowFlags(ownFlags);
        returnFocusTo(focusBefore ? focusBefore.data() : owner.data());
    }
}

int Form::leftTwips() const { return geometryTwips(this).x(); }
int Form::topTwips() const { return geometryTwips(this).y(); }
int Form::widthTwips() const { return geometryTwips(this).width(); }
int Form::heightTwips() const { return geometryTwips(this).height(); }
int Form::scaleWidth() const { return toTwips(width()); }
int Form::scaleHeight() const { return toTwips(height()); }

void Form::moveTwips(int left, int top, int width, int height) { forms::moveTwips(this, left, top, width, height); }

WindowState Form::windowStateVb() const {
    if (windowState() & Qt::WindowMinimized) return WindowState::Minimized;
    if (windowState() & Qt::WindowMaximized) return WindowState::Maximized;
    return WindowState::Normal;
}

void Form::setWindowStateVb(WindowState s) {
    switch (s) {
    case WindowState::Normal: setWindowState(Qt::WindowNoState); break;
    case WindowState::Minimized: setWindowState(Qt::WindowMinimized); break;
    case WindowState::Maximized: setWindowState(Qt::WindowMaximized); break;
    }
}

void Form::validateControls() {
    if (QWidget* c = activeControl_; c && !runValidate(c))
        throw VbError(err::InvalidPropertyValue, objectName(), QStringLiteral("Valeur de propriété non valide"));
}

void Form::previewKey(int& keyAscii) {
    if (keyPreview_) formKeyPress(keyAscii);
}

bool Form::pressDefaultOrCancel(int keyAscii) {
    QAbstractButton* b = keyAscii == 13 ? defaultButton_.data() : keyAscii == 27 ? cancelButton_.data() : nullptr;
    if (!b || !b->isEnabled() || !b->isVisibleTo(this)) return false;
    b->click();
    return true;
}

void Form::closeEvent(QCloseEvent* e) {
    if (state_ == LoadState::Unloaded) {
        e->accept();
        return;
    }
    e->setAccepted(unload(UnloadMode::ControlMenu));
}

void Form::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    runResize();
}

void Form::runResize() {
    if (state_ == LoadState::Loading || state_ == LoadState::Loaded) formResize();
}

void Form::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    if (state_ != LoadState::Loading && state_ != LoadState::Loaded) return;
    if (e->type() == QEvent::ActivationChange) {
        // Qt reports every activation, message boxes included; the old program only saw the
        // activation moving from one of its windows to another.
        if (isActiveWindow() && lastActivated() != this) {
            QPointer<Form> previous = lastActivated();
            lastActivated() = this;
            if (previous) previous->formDeactivate();
            formActivate();
        }
    } else if (e->type() == QEvent::WindowStateChange) {
        // Minimising and restoring from the taskbar change no size, so no resize event comes:
        // the old program still saw a Resize. Maximising does resize and comes through
        // resizeEvent.
        const auto old = static_cast<QWindowStateChangeEvent*>(e)->oldState();
        if ((old ^ windowState()) & Qt::WindowMinimized) runResize();
    }
}

void Form::keyPressEvent(QKeyEvent* e) {
    // Keys the focused control did not want: Enter and Escape for the default and cancel
    // buttons.
    const int code = (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) ? 13
                     : e->key() == Qt::Key_Escape                              ? 27
                                                                               : 0;
    if (code && pressDefaultOrCancel(code)) {
        e->accept();
        return;
    }
    QWidget::keyPressEvent(e);
}

bool Form::runValidate(QWidget* control) {
    FocusEvents* ev = findFocusEvents(control);
    if (!ev || !ev->validate) return true;
    bool cancel = false;
    ++validating_;
    auto done = qScopeGuard([this] { --validating_; });
    ev->validate(cancel);
    return !cancel;
}

bool Form::changeActiveControl(QWidget* to, bool validate) {
    QPointer<QWidget> from = activeControl_;
    if (from == to) return true;
    if (validate && from && !runValidate(from)) return false;
    activeControl_ = to;
    if (from)
        if (FocusEvents* ev = findFocusEvents(from); ev && ev->lostFocus) ev->lostFocus();
    // A LostFocus handler may have sent the focus elsewhere already.
    if (to && activeControl_ == to)
        if (FocusEvents* ev = findFocusEvents(to); ev && ev->gotFocus) ev->gotFocus();
    return true;
}

void Form::syncActiveControl() {
    QWidget* fw = focusWidget();
    if (fw && fw != activeControl_ && !fw->isWindow()) changeActiveControl(fw, false);
}

}  // namespace vorna::forms

// The window classes are compiled with their own file.
#include "moc_form.cpp"
