#include "platform/db/recordset.h"

#include <QHash>
#include <QScopeGuard>
#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "platform/db/jetsql.h"
#include "platform/db/sqlfunctions.h"
#include "platform/db/sqlvalues.h"

namespace vorna {

using detail::ColumnKind;

void RecordsetEvents::willChangeRecord(EventReason, EventStatus&, Recordset&) {}
void RecordsetEvents::recordChangeComplete(EventReason, const VbError*, EventStatus, Recordset&) {}
void RecordsetEvents::moveComplete(Recordset&) {}

namespace {

const QString kSource = QStringLiteral("Vorna.db");

struct Statement {
    sqlite3_stmt* st = nullptr;
    Statement() = default;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement() { sqlite3_finalize(st); }
};

VbError notAllowed(const QString& why) { return VbError(err::OperationNotAllowed, kSource, why); }

VbError noCurrentRecord() {
    return VbError(err::NoCurrentRecord, kSource, QStringLiteral("Aucun enregistrement en cours."));
}

VbError cancelledError() {
    return VbError(err::UpdateCancelled, kSource, QStringLiteral("L'opération a été annulée."));
}

bool isNumber(Value::Type t) {
    return t == Value::Type::Bool || t == Value::Type::Int || t == Value::Type::Decimal || t == Value::Type::Double;
}

// Order of two values for Sort: Null first, texts in the collation's order, numbers by value.
int compareValues(const Value& a, const Value& b) {
    const bool an = a.isNull() || a.isEmpty(), bn = b.isNull() || b.isEmpty();
    if (an || bn) return an == bn ? 0 : an ? -1 : 1;
    const Value::Type ta = a.type(), tb = b.type();
    if (ta == Value::Type::Int && tb == Value::Type::Int) {
        const qint64 x = a.toInt(), y = b.toInt();
        return x < y ? -1 : x > y ? 1 : 0;
    }
    if (ta == Value::Type::Text && tb == Value::Type::Text) return compareText(a.toText(), b.toText());
    if (isNumber(ta) && isNumber(tb)) {
        if (ta == Value::Type::Double || tb == Value::Type::Double) {
            const double x = a.toDouble(), y = b.toDouble();
            return x < y ? -1 : x > y ? 1 : 0;
        }
        const auto c = a.toDecimal() <=> b.toDecimal();
        return c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    if (ta == Value::Type::DateTime && tb == Value::Type::DateTime) {
        const QDateTime x = a.toDateTime(), y = b.toDateTime();
        return x < y ? -1 : y < x ? 1 : 0;
    }
    return compareText(a.toText(), b.toText());
}

// Find's equality: texts without regard to case, numbers by value, dates as dates; Null
// equals nothing. `textAsNumber` is `v` read as a number when it is a text, read once for all
// the rows a find looks at.
bool matches(const Value& field, const Value& v, const std::optional<Decimal>& textAsNumber) {
    if (field.isNull() || field.isEmpty() || v.isNull() || v.isEmpty()) return false;
    const Value::Type tf = field.type(), tv = v.type();
    if (isNumber(tf)) {
        if (isNumber(tv)) return (field.toDecimal() <=> v.toDecimal()) == 0;
        if (tv == Value::Type::Text) return textAsNumber && (field.toDecimal() <=> *textAsNumber) == 0;
        return false;
    }
    if (tf == Value::Type::DateTime) {
        const QDateTime t = v.toDateTime();
        return t.isValid() && t == field.toDateTime();
    }
    return compareText(field.toText(), v.toText()) == 0;
}

// The rows, kept compact: one 8-byte cell per value, in blocks that never move, and the
// texts and reals in a byte arena. A value becomes a Value only when it is looked at, so a
// list of a hundred thousand rows costs little more than its bytes, and closing it frees a
// few large blocks. A value written by the program is kept as it is, in `boxes`.
// A cell holds a kind in its top byte and, below, a whole number or a pointer into the arena
// (user-space addresses fit in 56 bits).
class RowStore {
public:
    RowStore() = default;
    RowStore(const RowStore&) = delete;
    RowStore& operator=(const RowStore&) = delete;

    size_t size() const { return size_; }

    // Reads column `col` of the statement's current row as the next cell.
    void append(sqlite3_stmt* st, int col, ColumnKind kind) {
        const detail::RawValue raw = detail::RawValue::of(sqlite3_column_value(st, col), kind);
        quint64 cell = 0;
        switch (raw.type) {
        case detail::RawValue::Type::Null: cell = pack(Tag::Null, 0); break;
        case detail::RawValue::Type::Int:
            if (raw.i >= -kInlineLimit && raw.i < kInlineLimit) cell = pack(Tag::Int, quint64(raw.i) & kPayload);
            else cell = pack(Tag::BigInt, address(put(&raw.i, sizeof raw.i)));
            break;
        case detail::RawValue::Type::Real: cell = pack(Tag::Real, address(put(&raw.d, sizeof raw.d))); break;
        case detail::RawValue::Type::Text: {
            // Its length first: one byte below 255, else 255 and four bytes.
            const quint32 n = quint32(raw.bytes);
            char head[5];
            size_t headSize = 1;
            if (n < 255) {
                head[0] = char(n);
            } else {
                head[0] = char(255);
                std::memcpy(head + 1, &n, sizeof n);
                headSize = 5;
            }
            char* p = put(head, headSize, n);
            if (n) std::memcpy(p + headSize, raw.text, n);
            cell = pack(Tag::Text, address(p));
            break;
        }
        }
        pushCell(cell);
    }
    void appendNull() { pushCell(pack(Tag::Null, 0)); }

    // A cell stands for its value: cells can be saved and put back (the originals of an edit).
    using Cell = quint64;
    static Cell nullCell() { return pack(Tag::Null, 0); }
    Cell cell(size_t i) const { return cellAt(i); }
    void setCell(size_t i, Cell c) { cellAt(i) = c; }

    Value get(size_t i, ColumnKind kind) const { return decode(cellAt(i), kind); }
    void prefetch(size_t i) const { __builtin_prefetch(&cells_[i >> kCellShift][i & kCellMask]); }
    void prefetchText(size_t i) const {
        const Cell c = cellAt(i);
        if (Tag(c >> kShift) == Tag::Text) __builtin_prefetch(pointer(c));
    }
    // The `count` cells from `i` on, when they lie in one block (the cells of a row nearly
    // always do); null otherwise.
    const Cell* run(size_t i, size_t count) const {
        if ((i >> kCellShift) != ((i + count - 1) >> kCellShift)) return nullptr;
        return &cells_[i >> kCellShift][i & kCellMask];
    }
    // What storedAt tells of a cell; a whole number is told as such (in `whole`) only when
    // `Wholes` is true.
    template <bool Wholes>
    Recordset::Stored stored(Cell c, QByteArrayView& out, qint64* whole) const {
        out = QByteArrayView();
        switch (Tag(c >> kShift)) {
        case Tag::Text: out = textOf(c); return Recordset::Stored::Text;
        case Tag::Null: return Recordset::Stored::Null;
        case Tag::Boxed: return boxes_[size_t(c & kPayload)].isNull() ? Recordset::Stored::Null : Recordset::Stored::Other;
        case Tag::Int:
        case Tag::BigInt:
            if (!Wholes) return Recordset::Stored::Other;
            *whole = wholeOf(c);
            return Recordset::Stored::Whole;
        case Tag::Real: break;
        }
        return Recordset::Stored::Other;
    }
    Value decode(Cell cell, ColumnKind kind) const {
        const char* p = pointer(cell);
        detail::RawValue raw;
        switch (Tag(cell >> kShift)) {
        case Tag::Null: return Value::null();
        case Tag::Boxed: return boxes_[size_t(cell & kPayload)];
        case Tag::Int:
            raw.type = detail::RawValue::Type::Int;
            raw.i = qint64(cell << 8) >> 8;  // sign-extends the 56 bits
            break;
        case Tag::BigInt:
            raw.type = detail::RawValue::Type::Int;
            std::memcpy(&raw.i, p, sizeof raw.i);
            break;
        case Tag::Real:
            raw.type = detail::RawValue::Type::Real;
            std::memcpy(&raw.d, p, sizeof raw.d);
            break;
        case Tag::Text: {
            const QByteArrayView text = textOf(cell);
            raw.type = detail::RawValue::Type::Text;
            raw.text = text.data();
            raw.bytes = int(text.size());
            break;
        }
        }
        return raw.decode(kind);
    }
    // A text written by the program, kept as the database gives texts (its bytes in the
    // arena), when it is plain ASCII and not empty: it then reads back as the very same text,
    // and walks over the rows find it among the stored texts. False for any other text.
    bool setText(size_t i, const QString& text) {
        const qsizetype n = text.size();
        if (n == 0 || n >= 255) return false;
        char head = char(n);
        char* p = put(&head, 1, size_t(n));
        const char16_t* from = reinterpret_cast<const char16_t*>(text.constData());
        for (qsizetype k = 0; k < n; ++k) {
            if (from[k] >= 128) {
                arenaUsed_ -= 1 + size_t(n);  // the room just taken goes back
                return false;
            }
            p[1 + k] = char(from[k]);
        }
        cellAt(i) = pack(Tag::Text, address(p));
        return true;
    }
    // A new box each time: a saved cell keeps standing for the value it had.
    void set(size_t i, const Value& v) {
        cellAt(i) = pack(Tag::Boxed, boxes_.size());
        boxes_.push_back(v);
    }

    // Drops the last `n` cells.
    void pop(size_t n) { size_ -= std::min(n, size_); }
    // Drops every row and keeps the blocks for the next ones.
    void clear() {
        size_ = 0;
        boxes_.clear();
        arenaBlock_ = 0;
        arenaUsed_ = 0;
    }
    void release() {
        clear();
        cells_.clear();
        arena_.clear();
    }

private:
    enum class Tag : quint8 { Null, Int, BigInt, Real, Text, Boxed };
    static constexpr int kShift = 56;
    static constexpr quint64 kPayload = (quint64(1) << kShift) - 1;
    static constexpr qint64 kInlineLimit = qint64(1) << (kShift - 1);
    static constexpr size_t kCellShift = 16;  // cells per block: 65,536 (512 KiB)
    static constexpr size_t kCellMask = (size_t(1) << kCellShift) - 1;
    static constexpr size_t kArenaBlock = size_t(1) << 20;
    static_assert(sizeof(void*) == 8, "cells hold pointers in 56 bits");

    struct Block {
        std::unique_ptr<char[]> bytes;
        size_t size = 0;
    };

    static quint64 pack(Tag t, quint64 payload) { return (quint64(t) << kShift) | payload; }
    static quint64 address(const char* p) {
        const auto a = quint64(reinterpret_cast<quintptr>(p));
        if (a > kPayload) throw std::bad_alloc();
        return a;
    }
    static const char* pointer(quint64 cell) { return reinterpret_cast<const char*>(quintptr(cell & kPayload)); }
    // The number of an Int or BigInt cell.
    static qint64 wholeOf(Cell c) {
        if (Tag(c >> kShift) == Tag::Int) return qint64(c << 8) >> 8;  // sign-extends the 56 bits
        qint64 n;
        std::memcpy(&n, pointer(c), sizeof n);
        return n;
    }
    // The bytes of a text cell, after their length.
    static QByteArrayView textOf(Cell c) {
        const char* p = pointer(c);
        quint32 n = static_cast<unsigned char>(p[0]);
        size_t headSize = 1;
        if (n == 255) {
            std::memcpy(&n, p + 1, sizeof n);
            headSize = 5;
        }
        return QByteArrayView(p + headSize, qsizetype(n));
    }

    quint64& cellAt(size_t i) { return cells_[i >> kCellShift][i & kCellMask]; }
    quint64 cellAt(size_t i) const { return cells_[i >> kCellShift][i & kCellMask]; }
    void pushCell(quint64 cell) {
        if ((size_ >> kCellShift) == cells_.size()) cells_.emplace_back(new quint64[kCellMask + 1]);
        cellAt(size_) = cell;
        ++size_;
    }

    // Room for `head` bytes (copied from `from`) and `more` after them, in a block that never
    // moves; the blocks of an earlier read are used again.
    char* put(const void* from, size_t head, size_t more = 0) {
        const size_t n = head + more;
        while (arenaBlock_ < arena_.size() && arena_[arenaBlock_].size - arenaUsed_ < n) {
            ++arenaBlock_;
            arenaUsed_ = 0;
        }
        if (arenaBlock_ == arena_.size()) {
            Block b;
            b.size = std::max(kArenaBlock, n);
            b.bytes.reset(new char[b.size]);
            arena_.push_back(std::move(b));
            arenaUsed_ = 0;
        }
        char* p = arena_[arenaBlock_].bytes.get() + arenaUsed_;
        arenaUsed_ += n;
        std::memcpy(p, from, head);
        return p;
    }

    std::vector<std::unique_ptr<quint64[]>> cells_;
    size_t size_ = 0;
    std::vector<Block> arena_;
    size_t arenaBlock_ = 0;
    size_t arenaUsed_ = 0;
    std::deque<Value> boxes_;
};

}  // namespace

namespace {

// Out of line: the checks that raise it stay small enough to inline at every read.
[[noreturn]] Q_NEVER_INLINE Q_DECL_COLD_FUNCTION void noSuchField(int index) {
    throw VbError(err::ItemNotFound, kSource, QStringLiteral("L'élément %1 est introuvable dans la collection.").arg(index));
}

}  // namespace

struct Recordset::Impl {
    Recordset* q = nullptr;
    QString source;
    QString sql;
    ConnectionPtr conn;
    QList<Value> params;
    CursorType cursor = CursorType::Keyset;
    LockType lock = LockType::Optimistic;
    RecordsetEvents* events = nullptr;
    bool isOpen = false;

    // Columns.
    int ncols = 0;
    QVector<FieldInfo> fields;
    std::vector<ColumnKind> kinds;
    std::vector<int> maxLength;
    std::vector<int> base;            // per field: its base column (index in baseColumns), -1 computed
    QString table;                    // the table that writes go to; empty: none
    QStringList baseColumns;          // distinct base columns of `table`, as declared
    std::vector<ColumnKind> baseKinds;
    std::vector<std::vector<int>> fieldsOfBase;
    std::vector<int> keyBase;         // base columns that make the table's key
    bool keyShown = false;            // every key column is among the fields
    QHash<QString, int> byName;       // case-folded name → first field of that name

    // Rows: ncols cells per row, in the order they were read (then added).
    RowStore values;
    int nrows = 0;
    std::vector<int> order;           // rows in the present order; deleted rows left out
    int cur = 0;                      // position in `order`; -1 BOF, order.size() EOF
    int deletedRow = -1;              // a row deleted while current: the cursor sits on it
    QString sortSpec;

    // The last UPDATE, kept for the next row (reset: it holds no lock), with the base columns
    // it sets. Dropped on close and requery.
    Statement updateStatement;
    std::vector<int> updateColumns;
    void dropUpdateStatement() {
        sqlite3_finalize(updateStatement.st);
        updateStatement.st = nullptr;
        updateColumns.clear();
    }

    // The pending edit.
    EditMode mode = EditMode::None;
    int editRow = -1;
    std::vector<RowStore::Cell> originals;  // the row's cells when the edit began
    std::vector<quint32> written;     // per field: when it was last written, 0 = not written
    quint32 writeSeq = 0;
    int rowBeforeAdd = -1;

    // ---- helpers ----

    void requireOpen() const {
        if (!isOpen) throw notAllowed(QStringLiteral("L'opération n'est pas autorisée si l'objet est fermé."));
    }
    int size() const { return int(order.size()); }
    int currentRow() const {
        if (deletedRow >= 0) return deletedRow;
        return cur >= 0 && cur < size() ? order[size_t(cur)] : -1;
    }
    size_t cellIndex(int row, int field) const { return size_t(row) * size_t(ncols) + size_t(field); }
    RowStore::Cell cellOf(int row, int field) const { return values.cell(cellIndex(row, field)); }
    Value at(int row, int field) const { return values.get(cellIndex(row, field), kinds[size_t(field)]); }
    void put(int row, int field, const Value& v) {
        const size_t i = cellIndex(row, field);
        if (kinds[size_t(field)] == ColumnKind::Text && v.type() == Value::Type::Text && values.setText(i, v.toText())) return;
        values.set(i, v);
    }
    // What storedAt tells of one field of a row.
    Q_ALWAYS_INLINE Stored storedOne(int row, int field, QByteArrayView& text) const {
        requireOpen();
        checkField(field);
        if (row < 0 || row >= size()) throw noCurrentRecord();
        return values.stored<false>(cellOf(order[size_t(row)], field), text, nullptr);
    }
    Value original(int field) const { return values.decode(originals[size_t(field)], kinds[size_t(field)]); }
    void checkField(int index) const {
        if (index < 0 || index >= ncols) [[unlikely]]
            noSuchField(index);
    }
    int fieldByName(const QString& name) const {
        const int i = byName.value(name.toCaseFolded(), -1);
        if (i < 0)
            throw VbError(err::ItemNotFound, kSource,
                          QStringLiteral("L'élément '%1' est introuvable dans la collection.").arg(name));
        return i;
    }
    void requireWritable() const {
        requireOpen();
        if (lock == LockType::ReadOnly) throw notAllowed(QStringLiteral("Le jeu d'enregistrements est en lecture seule."));
        if (table.isEmpty())
            throw notAllowed(QStringLiteral("Le jeu d'enregistrements ne peut pas être mis à jour : ses champs ne viennent pas "
                                            "d'une seule table."));
    }
    sqlite3* db() const {
        if (!conn || !conn->isOpen()) throw notAllowed(QStringLiteral("La connexion est fermée."));
        return conn->handle();
    }

    void notifyMove() {
        emit q->currentChanged();
        if (events) events->moveComplete(*q);
    }

    // Leaving a row stores its pending edit.
    void leaveRow() {
        if (mode != EditMode::None) q->update();
    }

    // ---- reading ----

    void describeColumns(sqlite3_stmt* st) {
        ncols = sqlite3_column_count(st);
        fields.clear();
        kinds.assign(size_t(ncols), ColumnKind::Any);
        maxLength.assign(size_t(ncols), 0);
        base.assign(size_t(ncols), -1);
        byName.clear();
        baseColumns.clear();
        baseKinds.clear();
        fieldsOfBase.clear();
        keyBase.clear();
        table.clear();
        keyShown = false;
        QStringList tables;
        for (int c = 0; c < ncols; ++c) {
            FieldInfo f;
            f.name = QString::fromUtf8(sqlite3_column_name(st, c));
            const char* tbl = sqlite3_column_table_name(st, c);
            const char* origin = sqlite3_column_origin_name(st, c);
            const char* decl = sqlite3_column_decltype(st, c);
            if (tbl && origin) {
                f.baseTable = QString::fromUtf8(tbl);
                f.baseColumn = QString::fromUtf8(origin);
                f.declaredType = decl ? QString::fromUtf8(decl).toUpper() : QString();
                int pk = 0;
                sqlite3_table_column_metadata(conn->handle(), sqlite3_column_database_name(st, c), tbl, origin, nullptr,
                                              nullptr, nullptr, &pk, nullptr);
                f.isKey = pk != 0;
                kinds[size_t(c)] = detail::kindOfDeclaredType(f.declaredType);
                maxLength[size_t(c)] = detail::declaredLength(f.declaredType);
                if (!tables.contains(f.baseTable, Qt::CaseInsensitive)) tables << f.baseTable;
            } else {
                f.readOnly = true;
            }
            if (!byName.contains(f.name.toCaseFolded())) byName.insert(f.name.toCaseFolded(), c);
            fields.append(f);
        }
        if (tables.size() != 1) {
            for (FieldInfo& f : fields) f.readOnly = true;
            return;
        }
        table = tables.first();
        for (int c = 0; c < ncols; ++c) {
            FieldInfo& f = fields[c];
            if (f.baseTable.isEmpty()) continue;
            f.readOnly = lock == LockType::ReadOnly;
            int b = -1;
            for (int k = 0; k < baseColumns.size(); ++k)
                if (baseColumns[k].compare(f.baseColumn, Qt::CaseInsensitive) == 0) b = k;
            if (b < 0) {
                b = int(baseColumns.size());
                baseColumns << f.baseColumn;
                baseKinds.push_back(kinds[size_t(c)]);
                fieldsOfBase.emplace_back();
            }
            base[size_t(c)] = b;
            fieldsOfBase[size_t(b)].push_back(c);
        }
        // The table's key, shown or not.
        Statement info;
        const QByteArray pragma = "PRAGMA table_info(" + jetsql::quoteIdentifier(table).toUtf8() + ")";
        bool hasKey = false;
        keyShown = true;
        if (sqlite3_prepare_v2(conn->handle(), pragma.constData(), -1, &info.st, nullptr) == SQLITE_OK) {
            while (sqlite3_step(info.st) == SQLITE_ROW) {
                if (sqlite3_column_int(info.st, 5) == 0) continue;
                hasKey = true;
                const QString name = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(info.st, 1)));
                int found = -1;
                for (int k = 0; k < baseColumns.size(); ++k)
                    if (baseColumns[k].compare(name, Qt::CaseInsensitive) == 0) found = k;
                if (found < 0) keyShown = false;
                else keyBase.push_back(found);
            }
        }
        if (!hasKey) keyShown = false;
    }

    void runQuery() {
        dropUpdateStatement();
        sqlite3* h = db();
        Statement s;
        const QByteArray text = sql.toUtf8();
        int rc = sqlite3_prepare_v2(h, text.constData(), int(text.size()), &s.st, nullptr);
        if (rc != SQLITE_OK) conn->raise(sqlite3_extended_errcode(h), source);
        if (!s.st) throw VbError(err::DatabaseError, kSource, QStringLiteral("La requête est vide."));
        describeColumns(s.st);
        const int count = sqlite3_bind_parameter_count(s.st);
        for (int i = 1; i <= count; ++i) {
            rc = detail::bindValue(s.st, i, i - 1 < params.size() ? params[i - 1] : Value::null());
            if (rc != SQLITE_OK) conn->raise(rc, source);
        }
        values.clear();
        originals.clear();
        nrows = 0;
        const int n = ncols;
        const ColumnKind* k = kinds.data();
        while ((rc = sqlite3_step(s.st)) == SQLITE_ROW) {
            for (int c = 0; c < n; ++c) values.append(s.st, c, k[c]);
            ++nrows;
        }
        if (rc != SQLITE_DONE) {  // no half-read rows are left behind
            const VbError e = conn->error(sqlite3_extended_errcode(h), source);
            values.clear();
            nrows = 0;
            order.clear();
            throw e;
        }
        order.resize(size_t(nrows));
        for (int r = 0; r < nrows; ++r) order[size_t(r)] = r;
        cur = 0;
        deletedRow = -1;
        mode = EditMode::None;
        editRow = -1;
        written.assign(size_t(ncols), 0);
    }

    // ---- sorting ----

    void applySort(const QString& sortOrder) {
        struct Key {
            int field;
            bool desc;
        };
        std::vector<Key> keys;
        for (const QString& part : sortOrder.split(u',', Qt::SkipEmptyParts)) {
            QStringList words = part.simplified().split(u' ');
            if (words.isEmpty() || words.first().isEmpty()) continue;
            bool desc = false;
            if (words.size() > 1) {
                const QString dir = words.last();
                if (dir.compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0) {
                    desc = true;
                    words.removeLast();
                } else if (dir.compare(QLatin1String("ASC"), Qt::CaseInsensitive) == 0) {
                    words.removeLast();
                }
            }
            QString name = words.join(u' ');
            if (name.size() >= 2 && ((name.front() == u'[' && name.back() == u']') || (name.front() == u'`' && name.back() == u'`')))
                name = name.mid(1, name.size() - 2);
            keys.push_back({fieldByName(name), desc});
        }
        if (keys.empty()) {
            std::sort(order.begin(), order.end());
            return;
        }
        // A single key of whole numbers (a sort on the table's key) compares them as numbers.
        if (keys.size() == 1) {
            std::vector<qint64> numbers;
            numbers.reserve(size_t(nrows));
            const int field = keys[0].field;
            // A whole number read from the database reads as itself in these kinds of column.
            const ColumnKind kind = kinds[size_t(field)];
            const bool asStored = kind == ColumnKind::Int || kind == ColumnKind::Any || kind == ColumnKind::Text ||
                                  kind == ColumnKind::DateTime;
            for (int r = 0; r < nrows; ++r) {
                qint64 n = 0;
                QByteArrayView unused;
                if (asStored && values.stored<true>(cellOf(r, field), unused, &n) == Stored::Whole) {
                    numbers.push_back(n);
                    continue;
                }
                const Value v = at(r, field);
                if (v.type() != Value::Type::Int) break;
                numbers.push_back(v.toInt());
            }
            if (numbers.size() == size_t(nrows)) {
                const bool desc = keys[0].desc;
                // Rows already in the order asked, or in exactly the reverse one (a list turned
                // over on its key), need no sort: with no two keys equal, reversing is stable.
                const auto before = [&](int a, int b) {
                    return desc ? numbers[size_t(a)] > numbers[size_t(b)] : numbers[size_t(a)] < numbers[size_t(b)];
                };
                const auto strictly = [&](auto comes) {
                    for (size_t i = 1; i < order.size(); ++i)
                        if (!comes(order[i - 1], order[i])) return false;
                    return true;
                };
                if (strictly(before)) return;
                if (strictly([&](int a, int b) { return before(b, a); })) {
                    std::reverse(order.begin(), order.end());
                    return;
                }
                std::stable_sort(order.begin(), order.end(), before);
                return;
            }
        }
        // Each key's values are read once, not at every comparison.
        std::vector<std::vector<Value>> keyValues(keys.size());
        for (size_t k = 0; k < keys.size(); ++k) {
            keyValues[k].reserve(size_t(nrows));
            for (int r = 0; r < nrows; ++r) keyValues[k].push_back(at(r, keys[k].field));
        }
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            for (size_t i = 0; i < keys.size(); ++i) {
                const Key& k = keys[i];
                const int c = compareValues(keyValues[i][size_t(a)], keyValues[i][size_t(b)]);
                if (c != 0) return k.desc ? c > 0 : c < 0;
            }
            return false;
        });
    }

    // ---- writing ----

    // The field that last wrote each base column (-1: none).
    std::vector<int> writersOfBase() const {
        std::vector<int> out(size_t(baseColumns.size()), -1);
        for (int b = 0; b < baseColumns.size(); ++b) {
            quint32 best = 0;
            for (int f : fieldsOfBase[size_t(b)])
                if (written[size_t(f)] > best) {
                    best = written[size_t(f)];
                    out[size_t(b)] = f;
                }
        }
        return out;
    }

    std::vector<Value> originalKey() const {
        if (!keyShown)
            throw notAllowed(QStringLiteral("La table '%1' ne peut pas être mise à jour : sa clé ne fait pas partie des champs.").arg(table));
        std::vector<Value> key;
        for (int b : keyBase) {
            const int f = fieldsOfBase[size_t(b)].front();
            key.push_back(mode != EditMode::None ? original(f) : at(currentRow(), f));
        }
        return key;
    }

    QString keyCondition() const {
        QStringList parts;
        for (int b : keyBase) parts << jetsql::quoteIdentifier(baseColumns[b]) + QStringLiteral(" IS ?");
        return parts.join(QStringLiteral(" AND "));
    }

    void step(sqlite3_stmt* st, const QString& what) {
        conn->beforeWrite();
        const int rc = sqlite3_step(st);
        if (rc != SQLITE_DONE) conn->raise(sqlite3_extended_errcode(conn->handle()), what);
    }

    void prepare(Statement& s, const QString& sqlText) {
        const QByteArray text = sqlText.toUtf8();
        const int rc = sqlite3_prepare_v2(db(), text.constData(), int(text.size()), &s.st, nullptr);
        if (rc != SQLITE_OK) conn->raise(sqlite3_extended_errcode(conn->handle()), sqlText);
    }

    void bind(Statement& s, int index, const Value& v) {
        const int rc = detail::bindValue(s.st, index, v);
        if (rc != SQLITE_OK) conn->raise(rc);
    }

    void insertRow() {
        const int row = editRow;
        const std::vector<int> writers = writersOfBase();
        QStringList names, marks;
        std::vector<Value> vals;
        for (int b = 0; b < baseColumns.size(); ++b) {
            if (writers[size_t(b)] < 0) continue;
            names << jetsql::quoteIdentifier(baseColumns[b]);
            marks << QStringLiteral("?");
            vals.push_back(at(row, writers[size_t(b)]));
        }
        const QString target = jetsql::quoteIdentifier(table);
        const QString sqlText = names.isEmpty() ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(target)
                                                : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(target, names.join(u','), marks.join(u','));
        Statement ins;
        prepare(ins, sqlText);
        for (size_t i = 0; i < vals.size(); ++i) bind(ins, int(i) + 1, vals[i]);
        step(ins.st, table);
        const sqlite3_int64 rowid = sqlite3_last_insert_rowid(conn->handle());
        // Read the row back: the key the database gave it and the columns' defaults.
        QStringList all;
        for (const QString& c : baseColumns) all << jetsql::quoteIdentifier(c);
        Statement sel;
        prepare(sel, QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?").arg(all.join(u','), target));
        sqlite3_bind_int64(sel.st, 1, rowid);
        if (sqlite3_step(sel.st) == SQLITE_ROW) {
            for (int b = 0; b < baseColumns.size(); ++b) {
                const Value v = detail::readColumn(sel.st, b, baseKinds[size_t(b)]);
                for (int f : fieldsOfBase[size_t(b)]) put(row, f, v);
            }
        }
    }

    void updateRow() {
        const int row = editRow;
        const std::vector<int> writers = writersOfBase();
        std::vector<int> columns;
        std::vector<Value> vals;
        for (int b = 0; b < baseColumns.size(); ++b) {
            const int f = writers[size_t(b)];
            if (f < 0 || cellOf(row, f) == originals[size_t(f)] || at(row, f) == original(f)) continue;
            columns.push_back(b);
            vals.push_back(at(row, f));
        }
        if (columns.empty()) return;
        const std::vector<Value> key = originalKey();
        // Rows changed one after the other mostly change the same columns: the statement is
        // prepared once for them and bound for each row.
        if (!updateStatement.st || updateColumns != columns || sqlite3_db_handle(updateStatement.st) != db()) {
            QStringList sets;
            for (int b : columns) sets << jetsql::quoteIdentifier(baseColumns[b]) + QStringLiteral(" = ?");
            dropUpdateStatement();
            prepare(updateStatement, QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                                         .arg(jetsql::quoteIdentifier(table), sets.join(QStringLiteral(", ")), keyCondition()));
            updateColumns = std::move(columns);
        }
        Statement& upd = updateStatement;
        sqlite3_reset(upd.st);
        int i = 1;  // every parameter is bound again: no binding is left from the row before
        for (const Value& v : vals) bind(upd, i++, v);
        for (const Value& v : key) bind(upd, i++, v);
        const auto done = qScopeGuard([&] { sqlite3_reset(upd.st); });  // holds no lock between rows
        step(upd.st, table);
        if (sqlite3_changes(conn->handle()) == 0)
            throw VbError(err::RowNotFound, kSource,
                          QStringLiteral("L'enregistrement à mettre à jour est introuvable dans la table '%1' : il a été "
                                         "modifié ou supprimé depuis sa lecture.").arg(table));
    }

    void restoreOriginals() {
        for (int c = 0; c < ncols; ++c) values.setCell(cellIndex(editRow, c), originals[size_t(c)]);
    }

    void beginEdit(int row) {
        if (mode != EditMode::None) return;
        mode = EditMode::InProgress;
        editRow = row;
        originals.clear();
        for (int c = 0; c < ncols; ++c) originals.push_back(cellOf(row, c));
    }

    void endEdit() {
        mode = EditMode::None;
        editRow = -1;
        originals.clear();
        std::fill(written.begin(), written.end(), 0);
        rowBeforeAdd = -1;
    }
};

Recordset::Recordset(QObject* parent) : QObject(parent), d_(std::make_unique<Impl>()) { d_->q = this; }

Recordset::~Recordset() = default;

void Recordset::open(const QString& source, const ConnectionPtr& connection, CursorType cursor, LockType lock,
                     const QList<Value>& params) {
    if (d_->isOpen) close();
    if (!connection || !connection->isOpen()) throw notAllowed(QStringLiteral("La connexion est fermée."));
    d_->source = source;
    d_->conn = connection;
    d_->cursor = cursor;
    d_->lock = lock;
    d_->params = params;
    d_->sortSpec.clear();
    d_->sql = jetsql::isTableName(source) ? QStringLiteral("SELECT * FROM ") + jetsql::quoteIdentifier(source) : jetsql::translate(source);
    d_->runQuery();
    d_->isOpen = true;
    emit rowsChanged();
    emit currentChanged();
}

void Recordset::close() {
    if (!d_->isOpen) return;
    d_->isOpen = false;
    d_->dropUpdateStatement();
    d_->values.release();
    d_->originals.clear();
    d_->order.clear();
    d_->nrows = 0;
    d_->endEdit();
    d_->deletedRow = -1;
    d_->conn.reset();
    emit rowsChanged();
    emit currentChanged();
}

bool Recordset::isOpen() const { return d_->isOpen; }
QString Recordset::source() const { return d_->source; }
ConnectionPtr Recordset::connection() const { return d_->conn; }
void Recordset::setEvents(RecordsetEvents* handler) { d_->events = handler; }

int Recordset::recordCount() const {
    d_->requireOpen();
    return d_->size();
}

bool Recordset::eof() const {
    d_->requireOpen();
    if (d_->deletedRow >= 0) return false;
    return d_->order.empty() || d_->cur >= d_->size();
}

bool Recordset::bof() const {
    d_->requireOpen();
    if (d_->deletedRow >= 0) return false;
    return d_->order.empty() || d_->cur < 0;
}

void Recordset::moveFirst() {
    d_->requireOpen();
    d_->leaveRow();
    d_->deletedRow = -1;
    d_->cur = 0;
    d_->notifyMove();
}

void Recordset::moveLast() {
    d_->requireOpen();
    d_->leaveRow();
    d_->deletedRow = -1;
    d_->cur = d_->order.empty() ? 0 : d_->size() - 1;
    d_->notifyMove();
}

void Recordset::moveNext() {
    d_->requireOpen();
    if (eof()) throw noCurrentRecord();
    d_->leaveRow();
    if (d_->deletedRow >= 0) d_->deletedRow = -1;  // the cursor already stands before the next row
    else ++d_->cur;
    d_->notifyMove();
}

void Recordset::movePrevious() {
    d_->requireOpen();
    if (bof()) throw noCurrentRecord();
    d_->leaveRow();
    d_->deletedRow = -1;
    --d_->cur;
    d_->notifyMove();
}

int Recordset::absolutePosition() const {
    d_->requireOpen();
    if (d_->deletedRow >= 0 || d_->cur < 0 || d_->cur >= d_->size()) return 0;
    return d_->cur + 1;
}

void Recordset::setAbsolutePosition(int position) {
    d_->requireOpen();
    if (position < 1 || position > d_->size())
        throw VbError(err::NoCurrentRecord, kSource, QStringLiteral("La position %1 n'existe pas.").arg(position));
    d_->leaveRow();
    d_->deletedRow = -1;
    d_->cur = position - 1;
    d_->notifyMove();
}

Recordset::Bookmark Recordset::bookmark() const {
    d_->requireOpen();
    const int row = d_->currentRow();
    if (row < 0) throw noCurrentRecord();
    return Bookmark(row) + 1;
}

void Recordset::setBookmark(Bookmark b) {
    d_->requireOpen();
    const auto it = std::find(d_->order.begin(), d_->order.end(), int(b - 1));
    if (b < 1 || it == d_->order.end())
        throw VbError(err::NoCurrentRecord, kSource, QStringLiteral("Signet non valide."));
    const int pos = int(it - d_->order.begin());
    d_->leaveRow();
    d_->deletedRow = -1;
    d_->cur = pos;
    d_->notifyMove();
}

int Recordset::fieldCount() const {
    d_->requireOpen();
    return d_->ncols;
}

const FieldInfo& Recordset::fieldInfo(int index) const {
    d_->requireOpen();
    d_->checkField(index);
    return d_->fields[index];
}

int Recordset::fieldIndex(const QString& name) const { return d_->byName.value(name.toCaseFolded(), -1); }

Value Recordset::value(int index) const {
    d_->requireOpen();
    d_->checkField(index);
    const int row = d_->currentRow();
    if (row < 0) throw noCurrentRecord();
    return d_->at(row, index);
}

Value Recordset::value(const QString& name) const {
    d_->requireOpen();
    return value(d_->fieldByName(name));
}

Value Recordset::originalValue(int index) const {
    d_->requireOpen();
    d_->checkField(index);
    const int row = d_->currentRow();
    if (row < 0) throw noCurrentRecord();
    if (d_->mode != EditMode::None && row == d_->editRow) return d_->original(index);
    return d_->at(row, index);
}

Value Recordset::valueAt(int row, int index) const {
    d_->requireOpen();
    d_->checkField(index);
    if (row < 0 || row >= d_->size()) throw noCurrentRecord();
    return d_->at(d_->order[size_t(row)], index);
}

bool Recordset::isNullAt(int row, int index) const {
    QByteArrayView text;
    return d_->storedOne(row, index, text) == Stored::Null;
}

bool Recordset::storedTextAt(int row, int index, QByteArrayView& text) const {
    return d_->storedOne(row, index, text) == Stored::Text;
}

namespace {

// storedAt's walk over the row's cells, `cells` when they lie in one block (each index checked
// as it is read), else each found from `first`.
template <bool Wholes>
void storedCells(const RowStore& values, const RowStore::Cell* cells, size_t first, int ncols, const int* indexes,
                 qsizetype count, Recordset::Stored* kinds, QByteArrayView* texts, qint64* wholes) {
    for (qsizetype k = 0; k < count; ++k) {
        const int i = indexes[k];
        if (unsigned(i) >= unsigned(ncols)) [[unlikely]]
            noSuchField(i);
        const RowStore::Cell c = cells ? cells[i] : values.cell(first + size_t(i));
        kinds[k] = values.stored<Wholes>(c, texts[k], Wholes ? wholes + k : nullptr);
    }
}

}  // namespace

void Recordset::storedAt(int row, const int* indexes, qsizetype count, Stored* kinds, QByteArrayView* texts,
                         qint64* wholes) const {
    const Impl& d = *d_;
    d.requireOpen();
    if (row < 0 || row >= d.size()) throw noCurrentRecord();
    // The row's cells are read where they lie, without finding each one's block.
    const size_t first = d.cellIndex(d.order[size_t(row)], 0);
    const RowStore::Cell* cells = d.values.run(first, size_t(d.ncols));
    if (wholes) storedCells<true>(d.values, cells, first, d.ncols, indexes, count, kinds, texts, wholes);
    else storedCells<false>(d.values, cells, first, d.ncols, indexes, count, kinds, texts, wholes);
}

void Recordset::prefetchAt(int row, const int* indexes, qsizetype count, bool texts) const {
    if (!d_->isOpen || row < 0 || row >= d_->size()) return;
    const int at = d_->order[size_t(row)];
    for (qsizetype k = 0; k < count; ++k) {
        if (indexes[k] < 0 || indexes[k] >= d_->ncols) continue;
        const size_t i = d_->cellIndex(at, indexes[k]);
        if (texts) d_->values.prefetchText(i);
        else d_->values.prefetch(i);
    }
}

void Recordset::setValue(int index, const Value& v) {
    Impl& d = *d_;
    d.requireOpen();
    d.checkField(index);
    const FieldInfo& f = d.fields[index];
    if (f.readOnly) {
        if (f.baseTable.isEmpty())
            throw notAllowed(QStringLiteral("Le champ '%1' est calculé : il ne peut pas être modifié.").arg(f.name));
        d.requireWritable();
    }
    const int row = d.currentRow();
    if (row < 0 || d.deletedRow >= 0) throw noCurrentRecord();
    const Value converted = detail::convertForColumn(d.kinds[size_t(index)], d.maxLength[size_t(index)], v, f.name);
    if (converted == d.at(row, index)) return;
    d.beginEdit(row);
    const quint32 seq = ++d.writeSeq;
    // Every field on the same base column shows the value (Code and its copy idModele).
    const int b = d.base[size_t(index)];
    const std::vector<int> same = b >= 0 ? d.fieldsOfBase[size_t(b)] : std::vector<int>{index};
    for (int other : same) {
        d.put(row, other, converted);
        d.written[size_t(other)] = other == index ? seq : 0;
    }
    d.written[size_t(index)] = seq;
    for (int other : same) emit fieldChanged(other);
}

void Recordset::setValue(const QString& name, const Value& v) {
    d_->requireOpen();
    setValue(d_->fieldByName(name), v);
}

void Recordset::edit() {
    Impl& d = *d_;
    d.requireWritable();
    const int row = d.currentRow();
    if (row < 0 || d.deletedRow >= 0) throw noCurrentRecord();
    d.beginEdit(row);
}

EditMode Recordset::editMode() const {
    d_->requireOpen();
    return d_->mode;
}

void Recordset::addNew() {
    Impl& d = *d_;
    d.requireWritable();
    d.leaveRow();
    EventStatus status = EventStatus::OK;
    if (d.events) d.events->willChangeRecord(EventReason::AddNew, status, *this);
    if (status == EventStatus::Cancel) {
        const VbError e = cancelledError();
        if (d.events) d.events->recordChangeComplete(EventReason::AddNew, &e, EventStatus::ErrorsOccurred, *this);
        throw e;
    }
    d.rowBeforeAdd = d.currentRow();
    const int row = d.nrows++;
    for (int c = 0; c < d.ncols; ++c) d.values.appendNull();
    d.order.push_back(row);
    d.cur = d.size() - 1;
    d.deletedRow = -1;
    d.mode = EditMode::Add;
    d.editRow = row;
    d.originals.assign(size_t(d.ncols), RowStore::nullCell());
    std::fill(d.written.begin(), d.written.end(), 0);
    emit rowsChanged();
    emit currentChanged();
    if (d.events) d.events->recordChangeComplete(EventReason::AddNew, nullptr, EventStatus::OK, *this);
}

void Recordset::update() {
    Impl& d = *d_;
    d.requireOpen();
    emit aboutToUpdate();
    if (d.mode == EditMode::None) return;
    d.requireWritable();
    EventStatus status = EventStatus::OK;
    if (d.events) d.events->willChangeRecord(EventReason::Update, status, *this);
    if (status == EventStatus::Cancel) {
        // Nothing is written; the row stays in edit.
        const VbError e = cancelledError();
        if (d.events) d.events->recordChangeComplete(EventReason::Update, &e, EventStatus::ErrorsOccurred, *this);
        throw e;
    }
    if (d.mode != EditMode::None) {
        const bool adding = d.mode == EditMode::Add;
        try {
            if (adding) d.insertRow();
            else d.updateRow();
        } catch (const VbError& e) {
            if (d.events) d.events->recordChangeComplete(EventReason::Update, &e, EventStatus::ErrorsOccurred, *this);
            throw;
        }
        d.endEdit();
        if (adding) emit currentChanged();  // the key and the defaults the database gave
    }
    if (d.events) d.events->recordChangeComplete(EventReason::Update, nullptr, EventStatus::OK, *this);
}

void Recordset::cancelUpdate() {
    Impl& d = *d_;
    d.requireOpen();
    if (d.mode == EditMode::None) return;
    if (d.mode == EditMode::Add) {
        const int row = d.editRow;
        d.order.erase(std::remove(d.order.begin(), d.order.end(), row), d.order.end());
        if (row == d.nrows - 1) {
            --d.nrows;
            d.values.pop(size_t(d.ncols));
        }
        const int before = d.rowBeforeAdd;
        const auto it = std::find(d.order.begin(), d.order.end(), before);
        d.cur = before >= 0 && it != d.order.end() ? int(it - d.order.begin()) : d.size();
        d.endEdit();
        emit rowsChanged();
    } else {
        d.restoreOriginals();
        d.endEdit();
    }
    emit currentChanged();
}

void Recordset::deleteCurrent() {
    Impl& d = *d_;
    d.requireWritable();
    if (d.mode == EditMode::Add) {  // the row is not in the table yet
        cancelUpdate();
        return;
    }
    const int row = d.currentRow();
    if (row < 0 || d.deletedRow >= 0) throw noCurrentRecord();
    if (d.mode == EditMode::InProgress) {
        d.restoreOriginals();
        d.endEdit();
    }
    EventStatus status = EventStatus::OK;
    if (d.events) d.events->willChangeRecord(EventReason::Delete, status, *this);
    if (status == EventStatus::Cancel) {
        const VbError e = cancelledError();
        if (d.events) d.events->recordChangeComplete(EventReason::Delete, &e, EventStatus::ErrorsOccurred, *this);
        throw e;
    }
    try {
        const std::vector<Value> key = d.originalKey();
        Statement del;
        d.prepare(del, QStringLiteral("DELETE FROM %1 WHERE %2").arg(jetsql::quoteIdentifier(d.table), d.keyCondition()));
        int i = 1;
        for (const Value& v : key) d.bind(del, i++, v);
        d.step(del.st, d.table);
        if (sqlite3_changes(d.conn->handle()) == 0)
            throw VbError(err::RowNotFound, kSource,
                          QStringLiteral("L'enregistrement à supprimer est introuvable dans la table '%1'.").arg(d.table));
    } catch (const VbError& e) {
        if (d.events) d.events->recordChangeComplete(EventReason::Delete, &e, EventStatus::ErrorsOccurred, *this);
        throw;
    }
    // The row stays current until the next move; the cursor then goes on from where it stood.
    d.order.erase(d.order.begin() + d.cur);
    d.deletedRow = row;
    emit rowsChanged();
    if (d.events) d.events->recordChangeComplete(EventReason::Delete, nullptr, EventStatus::OK, *this);
}

void Recordset::updateBatch() {
    d_->requireOpen();
    if (d_->mode != EditMode::None) update();
}

void Recordset::requery() {
    Impl& d = *d_;
    d.requireOpen();
    d.leaveRow();
    d.runQuery();
    if (!d.sortSpec.isEmpty()) d.applySort(d.sortSpec);
    emit rowsChanged();
    d.notifyMove();
}

bool Recordset::find(const QString& column, const Value& v, FindStart start) {
    Impl& d = *d_;
    d.requireOpen();
    const int field = d.fieldByName(column);
    d.leaveRow();
    int from = start == FindStart::First ? 0 : d.cur < 0 ? 0 : d.cur;
    d.deletedRow = -1;
    int found = d.size();
    const std::optional<Decimal> textAsNumber =
        v.type() == Value::Type::Text ? Decimal::parse(v.toText().trimmed()) : std::nullopt;
    for (int pos = from; pos < d.size(); ++pos) {
        if (matches(d.at(d.order[size_t(pos)], field), v, textAsNumber)) {
            found = pos;
            break;
        }
    }
    d.cur = found;
    d.notifyMove();
    return found < d.size();
}

void Recordset::sort(const QString& sortOrder) {
    Impl& d = *d_;
    d.requireOpen();
    d.leaveRow();
    d.applySort(sortOrder);
    d.sortSpec = sortOrder.trimmed();
    d.deletedRow = -1;
    d.cur = 0;
    emit rowsChanged();
    d.notifyMove();
}

QString Recordset::sortSpec() const { return d_->sortSpec; }

}  // namespace vorna
