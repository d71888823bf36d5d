#include "platform/forms/textbox.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QRegularExpression>

#include "platform/dialogs.h"
#include "platform/environment.h"
#include "platform/forms/focusguard.h"
#include "platform/forms/form.h"
#include "platform/forms/geometry.h"
#include "platform/text/ansi.h"

namespace vorna::forms {

namespace {

constexpr Qt::KeyboardModifiers kCommandModifiers = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;

bool isTypedText(const QString& t) {
    if (t.isEmpty()) return false;
    for (QChar c : t)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) return false;
    return true;
}

int codeOf(const QString& typed) { return typed.size() == 1 ? ansi::code(typed[0]) : -1; }

// The typed characters one by one (a surrogate pair stays together).
QStringList characters(const QString& t) {
    QStringList out;
    for (qsizetype i = 0; i < t.size(); ++i) {
        if (t[i].isHighSurrogate() && i + 1 < t.size()) {
            out << t.mid(i, 2);
            ++i;
        } else {
            out << QString(t[i]);
        }
    }
    return out;
}

}  // namespace

int keyAsciiOf(const QKeyEvent* e) {
    if (e->matches(QKeySequence::Paste)) return 22;
    const bool command = e->modifiers() & kCommandModifiers;
    switch (e->key()) {
    case Qt::Key_Backspace: return command ? kNoKeyAscii : 8;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Escape: return 27;
    default: break;
    }
    const QString t = e->text();
    if (command || !isTypedText(t)) return kNoKeyAscii;
    return codeOf(characters(t).front());
}

int vbButton(Qt::MouseButton b) {
    switch (b) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
    }
}

int vbShift(Qt::KeyboardModifiers m) {
    return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) | (m & Qt::AltModifier ? 4 : 0);
}

TextBox::TextBox(QWidget* parent) : QLineEdit(parent) {
    attachFocusEvents(this, this);
    setAcceptDrops(false);  // a drop would bypass the key filters
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (change) change();
    });
}

TextBox::~TextBox() { attachFocusEvents(this, nullptr); }

void TextBox::setBackColor(const QColor& c) { forms::setBackColor(this, c); }

QColor TextBox::backColor() const { return forms::backColor(this); }

bool TextBox::typeText(const QString& text) {
    QString s = text;
    if (maxLength_ > 0) {
        const qsizetype room = maxLength_ - (this->text().size() - selectedText().size());
        if (room <= 0) return false;
        s = s.left(room);
    }
    if (s.isEmpty()) return false;
    insert(s);
    return true;
}

void TextBox::keyPressEvent(QKeyEvent* e) {
    if (e->matches(QKeySequence::Copy)) {
        copyToClipboard();
        e->accept();
        return;
    }
    if (e->matches(QKeySequence::Cut)) {
        cutToClipboard();
        e->accept();
        return;
    }
    const int code = keyAsciiOf(e);
    if (code == kNoKeyAscii) {
        // A character typed with Ctrl or Alt is a shortcut, never text.
        if (isTypedText(e->text())) {
            e->ignore();
            return;
        }
        QLineEdit::keyPressEvent(e);  // moving, deleting, undo, select all
        return;
    }
    e->accept();
    if (code == 8 || code == 13 || code == 27 || code == 22) {
        routeKey(code, QString(), e);
        return;
    }
    QPointer<TextBox> self(this);
    for (const QString& ch : characters(e->text())) {
        routeKey(codeOf(ch), ch, e);
        if (!self) return;
    }
}

void TextBox::inputMethodEvent(QInputMethodEvent* e) {
    const QString commit = e->commitString();
    if (commit.isEmpty()) {
        QLineEdit::inputMethodEvent(e);
        return;
    }
    // What an input method composes is typed like keys: through the same handlers.
    QInputMethodEvent rest(e->preeditString(), e->attributes());
    QLineEdit::inputMethodEvent(&rest);
    QPointer<TextBox> self(this);
    for (const QString& ch : characters(commit)) {
        routeKey(codeOf(ch), ch, nullptr);
        if (!self) return;
    }
}

void TextBox::routeKey(int code, const QString& typed, QKeyEvent* original) {
    // A read-only box types, deletes and pastes nothing (QLineEdit::insert would); Enter and
    // Escape still press the window's buttons.
    if (isReadOnly() && code != 13 && code != 27) return;
    QPointer<TextBox> self(this);
    Form* form = formOf(this);
    int k = code;
    if (form) form->previewKey(k);
    if (!self) return;
    if (k != 0 && keyPress) keyPress(k);
    if (!self || k == 0) return;

    switch (k) {
    case 8:
        if (original && original->key() == Qt::Key_Backspace)
            QLineEdit::keyPressEvent(original);
        else
            backspace();
        return;
    case 13:
    case 27:
        if ((form = formOf(this)))
            form->pressDefaultOrCancel(k);
        else if (original && code == k)
            original->ignore();  // outside a Form the key goes on to the parent
        return;
    case 22: pasteClipboard(); return;
    default: break;
    }
    if (k == -1) {
        // No handler looked at it: a box without a filter takes any character.
        if (code == -1) typeText(typed);
        return;
    }
    if (k < 32) return;  // other control codes type nothing
    const QChar ch = ansi::character(k);
    if (!ch.isNull()) typeText(QString(ch));
}

void TextBox::pasteClipboard() {
    QString clip = Dialogs::current().clipboardText();
    // One line only, as a single-line box takes it.
    const qsizetype br = clip.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
    if (br >= 0) clip.truncate(br);
    typeText(clip);
}

void TextBox::copyToClipboard() {
    if (hasSelectedText() && echoMode() == QLineEdit::Normal) Dialogs::current().setClipboardText(selectedText());
}

void TextBox::cutToClipboard() {
    if (!hasSelectedText() || echoMode() != QLineEdit::Normal || isReadOnly()) return;
    Dialogs::current().setClipboardText(selectedText());
    del();
}

void TextBox::mousePressEvent(QMouseEvent* e) {
    if (mouseDown) {
        QPointer<TextBox> self(this);
        const QPoint p = e->position().toPoint();
        mouseDown(vbButton(e->button()), vbShift(e->modifiers()), toTwips(p.x()), toTwips(p.y()));
        if (!self) return;
    }
    if (e->button() == Qt::MiddleButton) {
        e->accept();
        return;
    }
    QLineEdit::mousePressEvent(e);
}

void TextBox::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::MiddleButton) {  // the X11 selection paste would bypass the filters
        e->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(e);
}

QMenu* TextBox::createContextMenu() {
    // Built here rather than taken from QLineEdit, whose paste and copy would use the system
    // clipboard directly.
    auto* menu = new QMenu(this);
    const bool editable = isEnabled() && !isReadOnly();
    const bool selection = hasSelectedText() && echoMode() == QLineEdit::Normal;
    auto add = [&](const QString& text, const char* name, bool enabled, auto slot) {
        QAction* a = menu->addAction(text, this, slot);
        a->setObjectName(QLatin1String(name));
        a->setEnabled(enabled);
    };
    add(QStringLiteral("&Annuler"), "edit-undo", editable && isUndoAvailable(), &QLineEdit::undo);
    menu->addSeparator();
    add(QStringLiteral("Co&uper"), "edit-cut", editable && selection, &TextBox::cutToClipboard);
    add(QStringLiteral("&Copier"), "edit-copy", selection, &TextBox::copyToClipboard);
    add(QStringLiteral("C&oller"), "edit-paste", editable && !Dialogs::current().clipboardText().isEmpty(),
        &TextBox::pasteClipboard);
    add(QStringLiteral("&Supprimer"), "edit-delete", editable && hasSelectedText(), &QLineEdit::del);
    menu->addSeparator();
    add(QStringLiteral("Sélectionner &tout"), "select-all", !text().isEmpty(), &QLineEdit::selectAll);
    return menu;
}

void TextBox::contextMenuEvent(QContextMenuEvent* e) {
    QMenu* menu = createContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(e->globalPos());
}

}  // namespace vorna::forms

// The window classes are compiled with their own file.
#include "moc_textbox.cpp"
