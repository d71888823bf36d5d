#pragma once

#include <functional>

class QWidget;

namespace vorna::forms {

class Form;

// The focus events of one control, as the old runtime raised them. When the focus moves from
// control A to control B of the same window:
//   1. A's validate(cancel) runs; a cancel keeps the focus on A, and the mouse click or key
//      that asked for the move does nothing else (a refused move never clicks a button);
//   2. A's lostFocus;
//   3. B's gotFocus.
// This holds for a Tab, a mouse click on B, Alt + a shortcut letter, and a move by code
// (giveFocus, or QWidget::setFocus). The window losing and regaining activation (a message
// box, another window, a pop-up menu) is no focus move: nothing runs then. When a window is
// first shown, its first control gets gotFocus.
// Each window keeps its own active control: moving the focus by code into another window
// validates that window's active control, whether or not the window is active yet (on X11
// a window is activated some time after it is shown).
// The handlers run inside Qt's event delivery: they may show message boxes and move the
// focus, but must not let an exception out.
struct FocusEvents {
    std::function<void()> gotFocus;
    std::function<void()> lostFocus;
    std::function<void(bool& cancel)> validate;
};

// The focus events of a control; created empty on first use. TextBox, CommandButton and
// CheckBox carry their own (they derive from FocusEvents).
FocusEvents& focusEvents(QWidget* control);
// The same, or nullptr when the control has none.
FocusEvents* findFocusEvents(const QWidget* control);

// Moves the focus to a control of a window by code (the old SetFocus): the window's active
// control is validated first. False when its Validate refused, or when the control is hidden
// or disabled (the focus then stays where it is).
bool giveFocus(QWidget* control);

// The window that holds a control, or nullptr when it is not in a Form.
Form* formOf(const QWidget* w);

}  // namespace vorna::forms
