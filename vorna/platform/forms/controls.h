#pragma once

#include <QCheckBox>
#include <QObject>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <functional>
#include <map>

#include "platform/forms/focus.h"

namespace vorna::forms {

// A command button. It clicks on a mouse click, on Space, and on Enter while it has the focus;
// the window's Default and Cancel buttons are set on the Form (setDefaultButton,
// setCancelButton), which presses them only while they are enabled.
class CommandButton : public QPushButton, public FocusEvents {
    Q_OBJECT

public:
    explicit CommandButton(const QString& caption = QString(), QWidget* parent = nullptr);
    ~CommandButton() override;

    void setBackColor(const QColor& c);
};

// A check box with the old Value (0 unticked, 1 ticked) and the column it shows.
class CheckBox : public QCheckBox, public FocusEvents {
    Q_OBJECT
    Q_PROPERTY(QString dataField READ dataField WRITE setDataField)

public:
    explicit CheckBox(const QString& caption = QString(), QWidget* parent = nullptr);
    ~CheckBox() override;

    int value() const { return isChecked() ? 1 : 0; }
    void setValue(int v) { setChecked(v != 0); }

    QString dataField() const { return dataField_; }
    void setDataField(const QString& name) { dataField_ = name; }

private:
    QString dataField_;
};

// A control array of option buttons, each with its index; one click handler receives the
// index. As in the old program the buttons exclude each other by container: every option
// button of one container (one parent widget) belongs to one choice, whichever array holds it.
// - click(index) runs once each time a button becomes the selected one, however it comes: a
//   mouse click, the keyboard, setValue, QAbstractButton::setChecked or a screen reader's
//   press or toggle action. Selecting the button already selected runs nothing.
// - setValue(index, false) clears it without a click, so a choice can have no button selected.
// - The arrow keys move through the options of a container in the order of their indexes
//   (Down and Right to the next, Up and Left to the previous, round from the last to the
//   first), not by their place on the screen, and select the option they reach.
class OptionGroup : public QObject {
    Q_OBJECT

public:
    explicit OptionGroup(QObject* parent = nullptr);

    // Creates element `index` in `container`.
    QRadioButton* add(int index, const QString& caption, QWidget* container);
    // Adds an existing button as element `index`.
    void add(int index, QRadioButton* button);

    QRadioButton* operator[](int index) const { return button(index); }
    QRadioButton* button(int index) const;
    QList<int> indexes() const;

    bool value(int index) const;
    void setValue(int index, bool on);
    // The index of the selected element, or -1.
    int selected() const;

    std::function<void(int index)> click;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::map<int, QPointer<QRadioButton>> buttons_;
};

// Leaves what the controls of `root` show for looking at only: every text box turns read-only
// (its text can still be selected and copied), every option button and check box is disabled so
// that neither the user nor a screen reader's action changes it. Command buttons are the
// caller's.
void setViewOnly(QWidget* root);

}  // namespace vorna::forms
