#include "platform/forms/controls.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <algorithm>

#include "platform/forms/focusguard.h"
#include "platform/forms/geometry.h"

namespace vorna::forms {

CommandButton::CommandButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
    attachFocusEvents(this, this);
    setAutoDefault(true);  // Enter on the button that has the focus clicks it
}

CommandButton::~CommandButton() { attachFocusEvents(this, nullptr); }

void CommandButton::setBackColor(const QColor& c) { forms::setBackColor(this, c); }

CheckBox::CheckBox(const QString& caption, QWidget* parent) : QCheckBox(caption, parent) {
    attachFocusEvents(this, this);
}

CheckBox::~CheckBox() { attachFocusEvents(this, nullptr); }

namespace {
// The index of an option button, on the button itself, for the arrow keys.
constexpr const char* kOptionIndex = "vornaOptionIndex";
}  // namespace

OptionGroup::OptionGroup(QObject* parent) : QObject(parent) {}

QRadioButton* OptionGroup::add(int index, const QString& caption, QWidget* container) {
    auto* b = new QRadioButton(caption, container);
    add(index, b);
    return b;
}

void OptionGroup::add(int index, QRadioButton* button) {
    button->setAutoExclusive(true);
    buttons_[index] = button;
    // Tab enters a set of options at the selected one, however it was selected: Qt by itself
    // only follows the option last focused, so a set selected by the program would be entered
    // at its first option.
    connect(button, &QAbstractButton::toggled, this, [button](bool on) {
        if (!on || !button->parentWidget()) return;
        for (auto* b : button->parentWidget()->findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly)) {
            if (!b->autoExclusive() || !b->isCheckable()) continue;
            b->setFocusPolicy(b == button ? Qt::FocusPolicy(b->focusPolicy() | Qt::TabFocus)
                                          : Qt::FocusPolicy(b->focusPolicy() & ~Qt::TabFocus));
        }
    });
    // One path for every way a button becomes selected: Qt has set the others of the container
    // off before it reports this one on.
    connect(button, &QAbstractButton::toggled, this, [this, index](bool on) {
        if (on && click) click(index);
    });
    button->setProperty(kOptionIndex, index);
    button->installEventFilter(this);
}

bool OptionGroup::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    auto* from = qobject_cast<QRadioButton*>(watched);
    const int key = static_cast<QKeyEvent*>(event)->key();
    const bool next = key == Qt::Key_Down || key == Qt::Key_Right;
    const bool previous = key == Qt::Key_Up || key == Qt::Key_Left;
    if (!from || !from->parentWidget() || (!next && !previous) ||
        static_cast<QKeyEvent*>(event)->modifiers() & ~Qt::KeypadModifier)
        return QObject::eventFilter(watched, event);
    // The options of the container that the user can reach, by index (an option of another
    // array in the same container takes its place by its own index).
    QList<QRadioButton*> options;
    for (auto* b : from->parentWidget()->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly))
        if (b->autoExclusive() && b->property(kOptionIndex).isValid() && (b == from || (b->isVisible() && b->isEnabled())))
            options << b;
    std::stable_sort(options.begin(), options.end(), [](QRadioButton* a, QRadioButton* b) {
        return a->property(kOptionIndex).toInt() < b->property(kOptionIndex).toInt();
    });
    const qsizetype at = options.indexOf(from);
    if (options.size() < 2 || at < 0) return true;
    QRadioButton* to = options[(at + (next ? 1 : options.size() - 1)) % options.size()];
    if (!giveFocus(to)) return true;
    // As Qt does: the arrows carry the selection along when the option left was selected.
    if (from->isChecked()) to->click();
    return true;
}

QRadioButton* OptionGroup::button(int index) const {
    const auto it = buttons_.find(index);
    return it == buttons_.end() ? nullptr : it->second.data();
}

QList<int> OptionGroup::indexes() const {
    QList<int> out;
    for (const auto& [i, b] : buttons_)
        if (b) out << i;
    return out;
}

bool OptionGroup::value(int index) const {
    const QRadioButton* b = button(index);
    return b && b->isChecked();
}

void OptionGroup::setValue(int index, bool on) {
    QRadioButton* b = button(index);
    if (!b || b->isChecked() == on) return;
    if (on) {
        b->setChecked(true);  // runs click(index)
    } else {
        // An auto-exclusive button refuses to be cleared while it is the selected one.
        b->setAutoExclusive(false);
        b->setChecked(false);
        b->setAutoExclusive(true);
    }
}

int OptionGroup::selected() const {
    for (const auto& [i, b] : buttons_)
        if (b && b->isChecked()) return i;
    return -1;
}

void setViewOnly(QWidget* root) {
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (auto* box = qobject_cast<QLineEdit*>(w))
            box->setReadOnly(true);
        else if (auto* b = qobject_cast<QAbstractButton*>(w); b && b->isCheckable())
            b->setEnabled(false);
    }
}

}  // namespace vorna::forms

// The window classes are compiled with their own file.
#include "moc_controls.cpp"
