#pragma once

// Values between SQLite and the program (used inside the database layer only).

#include <QString>

#include <memory>
#include <string>
#include <vector>

#include "platform/value.h"

struct sqlite3_stmt;
struct sqlite3_value;

namespace vorna::detail {

// What a column holds, from its declared type.
enum class ColumnKind : quint8 {
    Any,       // no declared type (a computed column): by what each value is
    Text,      // TEXT, CHAR, MEMO
    Int,       // INTEGER, COUNTER, LONG, BYTE
    Bool,      // BOOLEAN, BIT, YESNO: stored 0/1
    Decimal,   // CURRENCY, DECIMAL, NUMERIC, MONEY: exact
    Double,    // REAL, FLOAT, DOUBLE, SINGLE
    DateTime,  // DATETIME, DATE, TIME: stored as local "YYYY-MM-DD HH:MM:SS"
};

ColumnKind kindOfDeclaredType(const QString& declared);
// The n of "TEXT(n)" / "VARCHAR(n)"; 0 when the type sets no length.
int declaredLength(const QString& declared);

// Binds `v` to parameter `index` (1-based) in its stored form. Answers the SQLite code.
int bindValue(sqlite3_stmt* st, int index, const Value& v);

// Reads column `col` of the current row as a value of `kind`.
Value readColumn(sqlite3_stmt* st, int col, ColumnKind kind);
Value readValue(sqlite3_value* v, ColumnKind kind);

// Holds the texts of a recordset's rows in large blocks: a text read from the database is a
// QString over the block (no allocation of its own). Such texts never leave the recordset: what
// it hands out is copied first (see ownedValue()). clear() frees every block.
class TextArena {
public:
    QString add(const char* utf8, qsizetype bytes);
    void clear();

private:
    std::vector<std::unique_ptr<char16_t[]>> blocks_;
    char16_t* next_ = nullptr;
    qsizetype left_ = 0;
};

// A value that owns its text (a text over a TextArena is copied).
Value ownedValue(const Value& v);

// Reads the rows of one statement, column by column, its texts into `arena`.
class RowReader {
public:
    RowReader(sqlite3_stmt* st, const std::vector<ColumnKind>& kinds, TextArena& arena);
    Value read(int col);

private:
    sqlite3_stmt* st_;
    const ColumnKind* kinds_;
    TextArena& arena_;
};

// Turns a value written by the program into what a column of that kind holds: Empty → Null,
// empty text into a number or date → Null, "dd/mm/yyyy HH:MM" into a date, Bool → 0/1 …
// Throws VbError: err::TypeMismatch for a value the kind cannot take, err::FieldTooSmall for a
// text longer than `maxLength` (0: no limit). `column` names the column in the message.
Value convertForColumn(ColumnKind kind, int maxLength, const Value& v, const QString& column);

}  // namespace vorna::detail
