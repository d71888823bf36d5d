#pragma once

#include <QAbstractButton>
#include <QPointer>
#include <QWidget>
#include <functional>

namespace vorna::forms {

// Why a window is being unloaded: its close box, or the program's own Unload.
enum class UnloadMode { ControlMenu = 0, Code = 1 };

// The window's state as the old program read and set it.
enum class WindowState { Normal = 0, Minimized = 1, Maximized = 2 };

// A window of the program, with the life the old runtime gave it:
// - load() runs formLoad() once (it is idempotent); showing a window loads it first. An
//   exception out of formLoad() reaches the caller and leaves the window unloaded.
// - unload() is refused while a modal dialog of the window's own (its child: a message, a file
//   dialog) shows; otherwise it asks formQueryUnload(cancel, mode) (a cancel keeps the
//   window), runs formUnload(), hides the window and destroys it (deleteLater: the object stays valid until control
//   returns to the event loop, so a handler may go on after unloading its own window).
// - The close box goes through unload(UnloadMode::ControlMenu).
// - showModal() shows it application-modal and returns when it is hidden or unloaded. The
//   window the user worked in owns it meanwhile, and then gets the focus back on the control
//   that had it.
// - The program ends when its last window goes, whether it is closed, hidden or unloaded
//   (QGuiApplication::quitOnLastWindowClosed).
// - formResize() runs on every resize (the first show included) and when the window is
//   minimised or restored, which Qt reports as a state change without any resize event.
// - formActivate()/formDeactivate(): Qt reports every change of the active window, message
//   boxes, pop-ups and other programs included, and on X11 only once the window manager has
//   done it (after show() has returned). The old program saw the activation move from one of
//   its windows to another only: formDeactivate() of the window left, then formActivate() of
//   the new one. A message box or another program taking the activation, and the same window
//   getting it back, run nothing.
// - With key preview on, formKeyPress(keyAscii) sees every typing key before the control
//   that has the focus, as a Windows-1252 code (textbox.h): it may swallow the key (0), and
//   for a TextBox also replace it. Enter (13) and Escape (27) go on to the default and cancel
//   buttons.
// - The focus events of its controls (Validate, LostFocus, GotFocus) follow focus.h.
// Most windows are one program-wide instance: derive from FormOf<T> (below).
class Form : public QWidget {
    Q_OBJECT

public:
    enum class LoadState { NotLoaded, Loading, Loaded, Unloaded };

    Form();
    ~Form() override;

    void load();
    // True when the window is gone (or was never loaded); false when its QueryUnload refused.
    bool unload(UnloadMode mode = UnloadMode::Code);
    LoadState loadState() const { return state_; }

    // Shows the window application-modal; returns when it is hidden or unloaded. A window
    // already shown non-modally becomes modal.
    void showModal();
    bool inModalLoop() const { return inModalLoop_; }

    // Called whenever a window goes modal, from inside its nested loop (a test acts there:
    // presses a button, hides or unloads the window). Empty in the program.
    static inline std::function<void(Form&)> ModalHook;

    // Geometry in twips: Left/Top/Width/Height of the frame, ScaleWidth/ScaleHeight of the
    // client area.
    int leftTwips() const;
    int topTwips() const;
    int widthTwips() const;
    int heightTwips() const;
    int scaleWidth() const;
    int scaleHeight() const;
    void moveTwips(int left, int top, int width, int height);
    WindowState windowStateVb() const;
    void setWindowStateVb(WindowState s);

    // The control that last received the focus in this window (the old ActiveControl).
    QWidget* activeControl() const { return activeControl_; }
    // Runs the Validate of the active control; its refusal raises error 380.
    void validateControls();

    void setKeyPreview(bool on) { keyPreview_ = on; }
    bool keyPreview() const { return keyPreview_; }
    // Runs the window's key preview on a key code (the controls call it; 0 means swallowed).
    void previewKey(int& keyAscii);

    // Enter (13) clicks the default button and Escape (27) the cancel button, only when that
    // button is enabled and visible; true when a button was clicked.
    void setDefaultButton(QAbstractButton* b) { defaultButton_ = b; }
    void setCancelButton(QAbstractButton* b) { cancelButton_ = b; }
    QAbstractButton* defaultButton() const { return defaultButton_; }
    QAbstractButton* cancelButton() const { return cancelButton_; }
    bool pressDefaultOrCancel(int keyAscii);

    void setVisible(bool visible) override;

signals:
    // The window was hidden by code (not minimised), or unloaded.
    void hiddenByCode();
    void unloaded();

protected:
    virtual void formLoad() {}
    virtual void formQueryUnload(bool& cancel, UnloadMode mode);
    virtual void formUnload() {}
    virtual void formResize() {}
    virtual void formActivate() {}
    virtual void formDeactivate() {}
    virtual void formKeyPress(int& keyAscii);

    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    friend class FocusGuard;
    friend bool giveFocus(QWidget* control);

    // FormOf<T> forgets its instance here when the window is unloaded.
    virtual void releaseInstance() {}
    // Drops a window whose load failed, without its unload events.
    void discardAfterFailedLoad();
    void runResize();
    // The focus bookkeeping: validates the active control (when asked), then LostFocus of the
    // old one and GotFocus of the new one. False when the Validate refused.
    bool changeActiveControl(QWidget* to, bool validate);
    bool runValidate(QWidget* control);
    // Catches up with a focus change Qt made without telling (an inactive window).
    void syncActiveControl();

    LoadState state_ = LoadState::NotLoaded;
    bool unloading_ = false;
    bool inModalLoop_ = false;
    bool keyPreview_ = false;
    int validating_ = 0;
    int reverting_ = 0;
    bool skipValidation_ = false;
    QPointer<QWidget> activeControl_;
    QPointer<QAbstractButton> defaultButton_;
    QPointer<QAbstractButton> cancelButton_;
};

// The window the user works in (the active or modal one, else the program's window activated
// last, else the main window), other than `except`; nullptr when none is shown. Modal windows and message boxes
// belong to it.
QWidget* ownerWindow(const QWidget* except = nullptr);
// Gives the focus back to `control` and activates its window, once a modal window or a message
// is gone (a window alone is only activated).
void returnFocusTo(QWidget* control);

// A window with one program-wide instance, created and loaded on first use:
//
//   class frmLstPays : public vorna::forms::FormOf<frmLstPays> {
//   public:
//       frmLstPays();                      // builds the controls; no data yet
//   protected:
//       void formLoad() override;          // Form_Load
//       void formQueryUnload(bool& cancel, vorna::forms::UnloadMode mode) override;
//   };
//   frmLstPays::instance().findPays(code);  // loads it on first use
//
// The constructor must be reachable from FormOf<T> (public, or `friend class FormOf<T>;`).
// After an unload, isLoaded() is false and the next instance() builds and loads a new window.
template <class T>
class FormOf : public Form {
public:
    static T& instance() {
        if (!current_) current_ = new T();
        T* f = current_;
        f->load();  // a failing load drops the window and throws
        return *f;
    }
    // Without creating it.
    static bool isLoaded() {
        return current_ && (current_->loadState() == LoadState::Loading || current_->loadState() == LoadState::Loaded);
    }
    // Unloads the instance when it is loaded; false when its QueryUnload refused.
    static bool unloadIfLoaded(UnloadMode mode = UnloadMode::Code) {
        return !isLoaded() || current_->unload(mode);
    }

protected:
    FormOf() = default;
    ~FormOf() override { forget(); }

private:
    void releaseInstance() override { forget(); }
    void forget() {
        if (current_ && static_cast<FormOf*>(current_) == this) current_ = nullptr;
    }
    static inline T* current_ = nullptr;
};

// Unloads the windows in the given order, each only when it is loaded. Every window is asked
// even after one refused; true when all of them are gone.
template <class... T>
bool unloadAll(UnloadMode mode = UnloadMode::Code) {
    bool all = true;
    ((all = T::unloadIfLoaded(mode) && all), ...);
    return all;
}

}  // namespace vorna::forms
