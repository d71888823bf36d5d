#pragma once

#include <QLineEdit>
#include <climits>
#include <functional>

#include "platform/forms/focus.h"

class QMenu;

namespace vorna::forms {

// The key code a key event brings to a KeyPress handler: the Windows-1252 code of the typed
// character (-1 when the code page has no such character), 8 Backspace, 13 Enter,
// 27 Escape, 22 a paste key (Ctrl+V, Shift+Insert). kNoKeyAscii for keys that type nothing
// (arrows, Delete, function keys, other Ctrl shortcuts).
constexpr int kNoKeyAscii = INT_MIN;
int keyAsciiOf(const QKeyEvent* e);

// Mouse buttons and modifier keys as the old MouseDown handlers receive them:
// button 1 left, 2 right, 4 middle; shift bits 1 Shift, 2 Ctrl, 4 Alt.
int vbButton(Qt::MouseButton b);
int vbShift(Qt::KeyboardModifiers m);

// The old text box on a QLineEdit.
// - Every key that types something goes through the window's key preview, then keyPress, as
//   a Windows-1252 code; a handler may replace it (the new character is typed at the
//   selection) or swallow it (0). A character the code page lacks arrives as -1: a filter
//   refuses it, a box without one types it as it is. Backspace (8), Enter (13) and Escape (27)
//   arrive too; Enter and Escape then press the window's default and cancel buttons.
// - Keyboard paste (Ctrl+V, Shift+Insert) arrives as code 22, so a filter refuses it; when it
//   passes, the program's clipboard is typed in as far as the maximum length allows. Drops and
//   the middle-button selection paste are refused; the context menu pastes the program's
//   clipboard (the right-button MouseDown that cleans it runs first).
// - maxLength limits what the user types or pastes (0: no limit); setText never cuts a text.
//   QLineEdit's own maximum length stays untouched: do not call QLineEdit::setMaxLength.
// - A read-only box takes no typing, Backspace or paste; its text can be selected and copied.
// - change runs on every change of the text: typing, paste, setText.
class TextBox : public QLineEdit, public FocusEvents {
    Q_OBJECT
    Q_PROPERTY(QString dataField READ dataField WRITE setDataField)

public:
    explicit TextBox(QWidget* parent = nullptr);
    ~TextBox() override;

    int maxLength() const { return maxLength_; }
    void setMaxLength(int n) { maxLength_ = n; }

    // The column this box shows, for the data binding.
    QString dataField() const { return dataField_; }
    void setDataField(const QString& name) { dataField_ = name; }

    void setBackColor(const QColor& c);
    QColor backColor() const;

    std::function<void(int& keyAscii)> keyPress;
    std::function<void()> change;
    // x and y in twips from the box's top-left corner.
    std::function<void(int button, int shift, int x, int y)> mouseDown;

    // Types text at the selection as the user would, within the maximum length (no key
    // handler runs). False when nothing fitted.
    bool typeText(const QString& text);
    // The context menu, its cut, copy and paste on the program's clipboard.
    QMenu* createContextMenu();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    void routeKey(int code, const QString& typed, QKeyEvent* original);
    void pasteClipboard();
    void copyToClipboard();
    void cutToClipboard();

    int maxLength_ = 0;
    QString dataField_;
};

}  // namespace vorna::forms
