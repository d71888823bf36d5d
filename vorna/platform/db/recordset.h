#pragma once

#include <QByteArrayView>
#include <QObject>
#include <QList>
#include <QString>
#include <QVector>
#include <optional>

#include "platform/db/connection.h"
#include "platform/vberror.h"
#include "platform/value.h"

namespace vorna {

class Recordset;

enum class CursorType { ForwardOnly, Keyset };
enum class LockType { ReadOnly, Optimistic };
enum class EditMode { None = 0, InProgress = 1, Add = 2 };
// Why a record changes (numbers of the old runtime).
enum class EventReason { AddNew = 1, Delete = 2, Update = 3, UndoUpdate = 4, UndoAddNew = 5, Requery = 7, Move = 10 };
// Status passed to and returned by record events.
enum class EventStatus { OK = 1, ErrorsOccurred = 2, CantDeny = 3, Cancel = 4, Unwanted = 5 };
enum class FindStart { Current, First };

// Receives the record-change events of a recordset. The will-change handler may set
// `status` to Cancel: nothing is written, the row stays in edit, and the update then raises
// err::UpdateCancelled after the change-complete event. The handler may write fields of the
// pending row.
class RecordsetEvents {
public:
    virtual ~RecordsetEvents() = default;
    virtual void willChangeRecord(EventReason reason, EventStatus& status, Recordset& rs);
    // `error` is null when the change succeeded.
    virtual void recordChangeComplete(EventReason reason, const VbError* error, EventStatus status, Recordset& rs);
    virtual void moveComplete(Recordset& rs);
};

struct FieldInfo {
    QString name;         // the name the result gives it (alias included)
    QString baseTable;    // empty for a computed column
    QString baseColumn;   // the column it comes from, empty for a computed column
    QString declaredType; // as the table declares it (upper case), empty for a computed column
    bool isKey = false;   // the base table's primary key
    bool readOnly = false;
};

// A set of rows read from one table or one SELECT, held in memory (client cursor), with a
// current row, edits written back to the base table, and the record-change events.
// Field names are matched without regard to case; the first match wins.
// Writes through an aliased column reach its base column (two fields on one column show the
// same value); computed columns are read-only. A written value is converted to the column's
// type at once (err::TypeMismatch, err::FieldTooSmall when the column refuses it).
// Leaving a row that has a pending edit (a move, find, sort, requery, addNew) stores it first
// through update(), as the old runtime did. Events: addNew → willChangeRecord(AddNew) and
// recordChangeComplete(AddNew); update → (Update); deleteCurrent → (Delete); moves → moveComplete.
class Recordset : public QObject {
    Q_OBJECT
public:
    using Bookmark = qint64;

    explicit Recordset(QObject* parent = nullptr);
    ~Recordset() override;

    // `source` is a table name or a SELECT text (Jet forms allowed, see JetSql). Values typed
    // by a user go in `params`, bound to the "?" of the text in order.
    void open(const QString& source, const ConnectionPtr& connection, CursorType cursor = CursorType::Keyset,
              LockType lock = LockType::Optimistic, const QList<Value>& params = {});
    void close();
    bool isOpen() const;
    QString source() const;
    ConnectionPtr connection() const;

    void setEvents(RecordsetEvents* handler);

    // Navigation. eof(): after the last row (or no row); bof(): before the first.
    int recordCount() const;
    bool eof() const;
    bool bof() const;
    void moveFirst();
    void moveLast();
    void moveNext();
    void movePrevious();
    // 1-based position of the current row in the present order; 0 at BOF/EOF (and on a row
    // just deleted).
    int absolutePosition() const;
    // Moves to the row at that 1-based position (a grid row becoming current).
    void setAbsolutePosition(int position);
    // A stable identifier of the current row; survives Sort and edits (not Requery).
    Bookmark bookmark() const;
    void setBookmark(Bookmark b);

    // Fields.
    int fieldCount() const;
    const FieldInfo& fieldInfo(int index) const;
    // -1 when no field has that name.
    int fieldIndex(const QString& name) const;
    Value value(int index) const;
    Value value(const QString& name) const;
    Value originalValue(int index) const;
    // The value of a field in any row, without moving: `row` is 0-based in the present order
    // (0 to recordCount() - 1). For lists and grids that show every row.
    Value valueAt(int row, int index) const;
    // Cheap reads for walks over every row of a long list, with no Value made: whether the value
    // is Null, and the bytes of a text (or of a date stored as text) as the database gave them,
    // or of a plain ASCII text the program wrote into a text field (false for a Null, a number
    // or any other value written by the program, which valueAt() reads).
    bool isNullAt(int row, int index) const;
    bool storedTextAt(int row, int index, QByteArrayView& text) const;
    // Both reads for several fields of one row at once: per index in `indexes`, whether the value
    // is Null, a text (or date stored as text) whose bytes go in `texts`, or something else
    // that valueAt() reads. When `wholes` is given, a whole number as the database gave it is
    // told apart (Whole) and goes there; the column's type is the caller's to apply (a Boolean
    // column reads it as true when it is not 0).
    enum class Stored : quint8 { Null, Text, Other, Whole };
    void storedAt(int row, const int* indexes, qsizetype count, Stored* kinds, QByteArrayView* texts,
                  qint64* wholes = nullptr) const;
    // A hint for a walk over many rows: the values of these fields of `row` will soon be read,
    // so the memory holding them (with their texts' bytes when `texts`) is asked for now. Reads
    // nothing and changes nothing; a row out of range is ignored.
    void prefetchAt(int row, const int* indexes, qsizetype count, bool texts) const;
    // Writes a field of the current row. An equal value changes nothing; otherwise the row
    // enters edit (unless it is being added). Unknown name: err::ItemNotFound.
    void setValue(int index, const Value& v);
    void setValue(const QString& name, const Value& v);

    // Editing.
    EditMode editMode() const;
    // Puts the current row in edit without changing a value, as the old runtime did on any
    // write, even of an equal value: the next update() stores it and raises its events. A row
    // already in edit or being added stays as it is.
    void edit();
    void addNew();
    // Writes the pending row (insert or update), through the events. No pending edit: nothing.
    void update();
    // Drops the pending edit: restores the row, or removes the row being added.
    void cancelUpdate();
    // Deletes the current row from the base table at once. It stays current (not counted) until
    // the next move, which goes on from where it stood.
    void deleteCurrent();
    // Sends the pending changes (already sent: nothing to do).
    void updateBatch();
    // Runs the source again on the same connection with the same parameters (and the same
    // sort); the first row becomes current.
    void requery();

    // Moves to the first row, from the current or the first, whose column equals `v` (texts
    // compared without regard to case, numbers by value). Not found: EOF. Answers !eof().
    bool find(const QString& column, const Value& v, FindStart start = FindStart::Current);
    // "col [ASC|DESC][, col ...]"; "" restores the source order. Stable, in memory, texts in the
    // French order without regard to case, Null first. The first row becomes current.
    void sort(const QString& sortOrder);
    QString sortSpec() const;

signals:
    // The current row changed (move, add, requery, sort, cancel): every bound control shows it again.
    void currentChanged();
    // A field of the current row was written by code.
    void fieldChanged(int index);
    // update() starts: bound controls write back what they hold before the row is checked.
    void aboutToUpdate();
    // Rows came, went or changed order (open, requery, sort, addNew, a cancelled add, delete,
    // close): lists bound to the recordset reload.
    void rowsChanged();

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace vorna
