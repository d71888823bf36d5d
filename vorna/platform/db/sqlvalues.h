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

// A stored value as SQLite gives it, before it becomes a Value: a whole number, a real or a
// text (UTF-8, not owned). RawValue::of() keeps of a column only what decode() needs for its
// kind (a number in a text column is kept as its text), so a row can be kept in this form and
// turned into values when they are looked at, with the same result as readValue().
struct RawValue {
    enum class Type : quint8 { Null, Int, Real, Text };
    Type type = Type::Null;
    qint64 i = 0;
    double d = 0;
    const char* text = nullptr;
    int bytes = 0;

    static RawValue of(sqlite3_value* v, ColumnKind kind);
    Value decode(ColumnKind kind) const;
};

// Turns a value written by the program into what a column of that kind holds: Empty → Null,
// empty text into a number or date → Null, "dd/mm/yyyy HH:MM" into a date, Bool → 0/1 …
// Throws VbError: err::TypeMismatch for a value the kind cannot take, err::FieldTooSmall for a
// text longer than `maxLength` (0: no limit). `column` names the column in the message.
Value convertForColumn(ColumnKind kind, int maxLength, const Value& v, const QString& column);

}  // namespace vorna::detail
