#include "platform/forms/binding.h"

#include <QPointer>
#include <QScopedValueRollback>
#include <QWidget>

#include "platform/db/recordset.h"
#include "platform/forms/controls.h"
#include "platform/forms/textbox.h"

namespace vorna::forms {

namespace {

constexpr const char* kFormatProperty = "vornaDataFormat";
const QString kBindingName = QStringLiteral("vornaDataBinding");

// The data format of a box lives with the box.
class DataFormatHolder : public QObject {
public:
    using QObject::QObject;
    DataFormat format;
};

const DataFormat* formatOf(const QWidget* box) {
    const QVariant v = box->property(kFormatProperty);
    return v.isValid() ? &reinterpret_cast<DataFormatHolder*>(v.value<quintptr>())->format : nullptr;
}

QString displayOf(const QWidget* box, const Value& v) {
    const DataFormat* f = formatOf(box);
    return f && f->display ? f->display(v) : v.toText();
}

Value parsedOf(const QWidget* box, const QString& text) {
    const DataFormat* f = formatOf(box);
    return f && f->parse ? f->parse(text) : Value(text);
}

bool isTicked(const Value& v) { return !v.isNull() && !v.isEmpty() && v.toBool(); }

QString dataFieldOf(const QWidget* w) {
    if (auto* t = qobject_cast<const TextBox*>(w)) return t->dataField();
    if (auto* c = qobject_cast<const CheckBox*>(w)) return c->dataField();
    return QString();
}

}  // namespace

void setDataFormat(TextBox* box, DataFormat format) {
    if (!box) return;
    auto* old = reinterpret_cast<DataFormatHolder*>(box->property(kFormatProperty).value<quintptr>());
    delete old;
    box->setProperty(kFormatProperty, QVariant());
    if (format.display || format.parse) {
        auto* holder = new DataFormatHolder(box);
        holder->format = std::move(format);
        box->setProperty(kFormatProperty, QVariant::fromValue(reinterpret_cast<quintptr>(holder)));
    }
    if (DataBinding* b = dataBindingOf(box->window()); b && b->isBound(box)) b->refresh(box);
}

DataBinding::DataBinding(QWidget* window, Recordset* recordset) : QObject(window), rs_(recordset) {
    setObjectName(kBindingName);
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const QString field = dataFieldOf(w);
        if (field.isEmpty()) continue;
        if (recordset && recordset->isOpen() && recordset->fieldIndex(field) < 0)
            throw VbError(err::ItemNotFound, QStringLiteral("Vorna"),
                          QStringLiteral("Le champ '%1' lié à '%2' est introuvable.").arg(field, w->objectName()));
        entries_.append({w, field});
    }
    for (const Entry& e : std::as_const(entries_)) {
        if (auto* t = qobject_cast<TextBox*>(e.control.data()))
            connect(t, &QLineEdit::textChanged, this, [this, e] { onEdited(e); });
        else if (auto* c = qobject_cast<CheckBox*>(e.control.data()))
            connect(c, &QAbstractButton::toggled, this, [this, e] { onEdited(e); });
    }
    if (recordset) {
        connect(recordset, &Recordset::currentChanged, this, [this] { refresh(); });
        connect(recordset, &Recordset::fieldChanged, this, [this](int index) { onFieldChanged(index); });
        connect(recordset, &Recordset::aboutToUpdate, this, [this] {
            // Inside the recordset's update: a refusal is kept for flush(), never thrown here.
            for (const Entry& e : std::as_const(entries_)) {
                std::optional<VbError> error;
                if (!pull(e, error)) lastError_ = error;
            }
        });
    }
    refresh();
}

DataBinding::~DataBinding() = default;

QList<QWidget*> DataBinding::controls() const {
    QList<QWidget*> out;
    for (const Entry& e : entries_)
        if (e.control) out << e.control.data();
    return out;
}

bool DataBinding::isBound(const QWidget* control) const {
    for (const Entry& e : entries_)
        if (e.control == control) return true;
    return false;
}

bool DataBinding::hasCurrentRow() const { return rs_ && rs_->isOpen() && !rs_->eof() && !rs_->bof(); }

void DataBinding::refresh() {
    // A control's Change may move or close the recordset: each push looks at the row again.
    const QList<Entry> entries = entries_;
    for (const Entry& e : entries) push(e);
}

void DataBinding::refresh(QWidget* control) {
    for (const Entry& e : std::as_const(entries_))
        if (e.control == control) push(e);
}

void DataBinding::push(const Entry& e) {
    QWidget* w = e.control.data();
    if (!w) return;
    Value v;
    if (hasCurrentRow()) {
        const int index = rs_->fieldIndex(e.field);
        if (index >= 0) v = rs_->value(index);
    }
    if (auto* t = qobject_cast<TextBox*>(w)) {
        // QLineEdit::setText keeps the whole text: the box's own maximum length only limits
        // what the user types.
        const QString text = displayOf(t, v);
        if (t->text() != text) t->setText(text);
    } else if (auto* c = qobject_cast<CheckBox*>(w)) {
        const bool ticked = isTicked(v);
        if (c->isChecked() != ticked) c->setChecked(ticked);
    }
}

bool DataBinding::pull(const Entry& e, std::optional<VbError>& error) {
    QWidget* w = e.control.data();
    if (!w || !hasCurrentRow()) return true;
    try {
        const int index = rs_->fieldIndex(e.field);
        if (index < 0)
            throw VbError(err::ItemNotFound, QStringLiteral("Vorna"),
                          QStringLiteral("Le champ '%1' est introuvable.").arg(e.field));
        const Value current = rs_->value(index);
        Value next;
        if (auto* t = qobject_cast<TextBox*>(w)) {
            const QString text = t->text();
            if (displayOf(t, current) == text) return true;
            next = parsedOf(t, text);
        } else if (auto* c = qobject_cast<CheckBox*>(w)) {
            if (isTicked(current) == c->isChecked()) return true;
            next = Value(c->isChecked());
        } else {
            return true;
        }
        QScopedValueRollback<const QWidget*> guard(writing_, w);
        rs_->setValue(index, next);
    } catch (const VbError& x) {
        error = x;
        return false;
    }
    return true;
}

void DataBinding::onEdited(const Entry& e) {
    std::optional<VbError> error;
    if (!pull(e, error)) lastError_ = error;
}

void DataBinding::onFieldChanged(int index) {
    if (!rs_) return;
    const QList<Entry> entries = entries_;
    for (const Entry& e : entries)
        if (e.control && e.control != writing_ && rs_->fieldIndex(e.field) == index) push(e);
}

void DataBinding::flush() {
    std::optional<VbError> first;
    for (const Entry& e : std::as_const(entries_)) {
        std::optional<VbError> error;
        if (!pull(e, error) && !first) first = error;
    }
    lastError_ = first;
    if (first) throw *first;
}

DataBinding* bindDataSource(QWidget* window, Recordset* recordset) {
    if (!window) return nullptr;
    delete dataBindingOf(window);
    return new DataBinding(window, recordset);
}

DataBinding* dataBindingOf(const QWidget* window) {
    return window ? window->findChild<DataBinding*>(kBindingName, Qt::FindDirectChildrenOnly) : nullptr;
}

}  // namespace vorna::forms

// The window classes are compiled with their own file.
#include "moc_binding.cpp"
