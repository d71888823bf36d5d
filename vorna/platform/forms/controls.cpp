#include "platform/forms/controls.h"

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
    connect(button, &QAbstractButton::clicked, this, [this, index] {
        if (click) click(index);
    });
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
        b->setChecked(true);
        if (click) click(index);
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

}  // namespace vorna::forms

// The window classes are compiled with their own file.
#include "moc_controls.cpp"
