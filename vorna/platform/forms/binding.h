#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <optional>

#include "platform/value.h"
#include "platform/vberror.h"

namespace vorna {
class Recordset;
}

namespace vorna::forms {

class TextBox;

// How a bound text box shows its field and what its text writes back (the old DataFormat).
// Without one, a value shows as Value::toText() and the text is written as it stands (an
// empty or blank text becomes Null in a number or date column).
struct DataFormat {
    std::function<QString(const Value&)> display;  // field → text of the box
    std::function<Value(const QString&)> parse;    // text of the box → field
};

// Gives a text box its data format (an empty DataFormat removes it). When the box is bound,
// it shows its field again at once in the new form.
void setDataFormat(TextBox* box, DataFormat format);

// The binding of a window's text boxes and check boxes to the current row of one recordset,
// as bindDataSource makes it. Each bound control names its column by its dataField.
// - Into the controls: at bind time, whenever the current row changes (a move, addNew,
//   cancelUpdate, requery) and whenever code writes a field. A text box gets the whole text,
//   never cut to its maximum length, and its Change runs when the text changes. A check box is
//   ticked for true and unticked for false or Null.
// - Out of the controls: every change of a box's text (typing, paste, code) and every tick is
//   written to its field at once, so the row enters edit as the user types. A text that shows
//   the field's present value writes nothing, so showing a row never marks it changed.
// - Before the recordset stores a row (its aboutToUpdate) every control writes back what it
//   holds.
// With no current row (EOF, BOF, a closed recordset) the controls show nothing and write
// nothing. A write the field refuses (a text too long for its column, a word into a number)
// leaves the field as it was and the text as typed; flush() reports it.
class DataBinding : public QObject {
    Q_OBJECT

public:
    // Binds the controls of `window` (and of its child widgets) that have a dataField.
    // Throws VbError err::ItemNotFound when a dataField names no field of the recordset.
    DataBinding(QWidget* window, Recordset* recordset);
    ~DataBinding() override;

    Recordset* recordset() const { return rs_; }
    // The bound controls, in the window's order.
    QList<QWidget*> controls() const;
    bool isBound(const QWidget* control) const;

    // Shows the current row again in every control, or in one.
    void refresh();
    void refresh(QWidget* control);

    // Writes back every control whose content differs from its field. Throws the VbError of
    // the first write the row refuses (the other controls are written all the same).
    void flush();
    // The last write that the row refused, std::nullopt when every write since the last
    // flush() went through.
    std::optional<VbError> lastWriteError() const { return lastError_; }

private:
    struct Entry {
        QPointer<QWidget> control;
        QString field;
    };

    void push(const Entry& e);
    // Writes the control's content to its field; false when the row refused it (`error` set).
    bool pull(const Entry& e, std::optional<VbError>& error);
    void onEdited(const Entry& e);
    void onFieldChanged(int index);
    bool hasCurrentRow() const;

    QPointer<Recordset> rs_;
    QList<Entry> entries_;
    // The control whose write-back is on its way to the row: the row's echo skips it.
    const QWidget* writing_ = nullptr;
    std::optional<VbError> lastError_;
};

// Binds every text box and check box of `window` that names a column (its dataField) to the
// current row of `recordset`. A new binding of the same window replaces the previous one.
// The binding belongs to the window.
DataBinding* bindDataSource(QWidget* window, Recordset* recordset);
// The window's binding, or nullptr.
DataBinding* dataBindingOf(const QWidget* window);

}  // namespace vorna::forms
