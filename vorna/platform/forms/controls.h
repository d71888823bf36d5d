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
// - A user click runs click(index).
// - setValue(index, true) by code selects the button and, when it was not selected, runs
//   click(index) as the old runtime did (Qt's setChecked runs no handler).
// - setValue(index, false) clears it without a click, so a choice can have no button selected.
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

private:
    std::map<int, QPointer<QRadioButton>> buttons_;
};

}  // namespace vorna::forms
