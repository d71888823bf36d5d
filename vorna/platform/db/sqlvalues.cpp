#include "platform/db/sqlvalues.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/vberror.h"

namespace vorna::detail {

namespace {

const QString kSource = QStringLiteral("Vorna.db");

// The shortest decimal that reads back as the stored double: an amount stored as 1234.5 comes
// back as 1234.5, exactly. Numbers beyond that (huge, or with many decimals) take the common
// conversion.
Value decimalFromReal(double d) {
    static constexpr double kPow10[] = {1, 10, 100, 1000, 10000, 100000, 1000000};
    if (std::fabs(d) < 1e15) {
        for (int scale = 0; scale <= 6; ++scale) {
            const double scaled = d * kPow10[scale];
            if (std::fabs(scaled) >= 9e15) break;
            const qint64 units = std::llround(scaled);
            if (double(units) / kPow10[scale] == d) return Value(Decimal(units, scale));
        }
    }
    return Value(Decimal::fromDouble(d));
}

bool twoDigits(const char* p, int& v) {
    if (p[0] < '0' || p[0] > '9' || p[1] < '0' || p[1] > '9') return false;
    v = (p[0] - '0') * 10 + (p[1] - '0');
    return true;
}

Value dateFromText(const char* p, int n) {
    // Rows read one after the other often carry the same stamp (the orders of one generation):
    // the local time of the last text is kept for the next.
    thread_local char lastText[19];
    thread_local int lastSize = -1;
    thread_local Value last;
    if (n == lastSize && std::memcmp(p, lastText, size_t(n)) == 0) return last;
    int c1, c2, m, d, h = 0, mi = 0, s = 0;
    if ((n == 19 || n == 16 || n == 10) && p[4] == '-' && p[7] == '-' && twoDigits(p, c1) && twoDigits(p + 2, c2) &&
        twoDigits(p + 5, m) && twoDigits(p + 8, d) &&
        (n == 10 || ((p[10] == ' ' || p[10] == 'T') && p[13] == ':' && twoDigits(p + 11, h) && twoDigits(p + 14, mi) &&
                     (n == 16 || (p[16] == ':' && twoDigits(p + 17, s)))))) {
        const QDate date(c1 * 100 + c2, m, d);
        const QTime time(h, mi, s);
        if (date.isValid() && time.isValid()) {
            last = Value(QDateTime(date, time));
            std::memcpy(lastText, p, size_t(n));
            lastSize = n;
            return last;
        }
    }
    const QString text = QString::fromUtf8(p, n);
    const QDateTime t = parseDateTime(text);
    return t.isValid() ? Value(t) : Value(text);
}

Value textOf(const char* p, int n) { return Value(QString::fromUtf8(p, n)); }

VbError mismatch(const QString& column, const Value& v) {
    return VbError(err::TypeMismatch, kSource,
                   QStringLiteral("Incompatibilité de type : la valeur '%1' ne convient pas au champ '%2'.").arg(v.toText(), column));
}

std::optional<bool> boolFromText(const QString& text) {
    const QString s = text.trimmed();
    for (const char* t : {"true", "vrai", "oui", "yes"})
        if (s.compare(QLatin1String(t), Qt::CaseInsensitive) == 0) return true;
    for (const char* f : {"false", "faux", "non", "no"})
        if (s.compare(QLatin1String(f), Qt::CaseInsensitive) == 0) return false;
    if (auto d = Decimal::parse(s)) return !d->isZero();
    return std::nullopt;
}

// A number typed by a user may hold blanks between its groups.
std::optional<Decimal> decimalFromText(const QString& text) {
    QString s = text;
    s.remove(u' ');
    s.remove(QChar(0x00A0));
    s.remove(QChar(0x202F));
    return Decimal::parse(s);
}

}  // namespace

ColumnKind kindOfDeclaredType(const QString& declared) {
    const QString t = declared.toUpper();
    if (t.isEmpty()) return ColumnKind::Any;
    if (t.contains(QLatin1String("BOOL")) || t.startsWith(QLatin1String("BIT")) || t.contains(QLatin1String("YESNO")) ||
        t.contains(QLatin1String("LOGICAL")))
        return ColumnKind::Bool;
    if (t.contains(QLatin1String("CHAR")) || t.contains(QLatin1String("TEXT")) || t.contains(QLatin1String("CLOB")) ||
        t.contains(QLatin1String("MEMO")))
        return ColumnKind::Text;
    if (t.contains(QLatin1String("INT")) || t.contains(QLatin1String("COUNTER")) || t.contains(QLatin1String("LONG")) ||
        t.contains(QLatin1String("BYTE")) || t.contains(QLatin1String("SHORT")))
        return ColumnKind::Int;
    if (t.contains(QLatin1String("CURRENCY")) || t.contains(QLatin1String("DECIMAL")) || t.contains(QLatin1String("NUMERIC")) ||
        t.contains(QLatin1String("MONEY")))
        return ColumnKind::Decimal;
    if (t.contains(QLatin1String("REAL")) || t.contains(QLatin1String("FLOA")) || t.contains(QLatin1String("DOUB")) ||
        t.contains(QLatin1String("SINGLE")))
        return ColumnKind::Double;
    if (t.contains(QLatin1String("DATE")) || t.contains(QLatin1String("TIME"))) return ColumnKind::DateTime;
    return ColumnKind::Any;
}

int declaredLength(const QString& declared) {
    const int open = int(declared.indexOf(u'('));
    const int close = int(declared.indexOf(u')', open + 1));
    if (open < 0 || close < 0 || kindOfDeclaredType(declared) != ColumnKind::Text) return 0;
    bool ok = false;
    const int n = declared.mid(open + 1, close - open - 1).trimmed().toInt(&ok);
    return ok && n > 0 ? n : 0;
}

int bindValue(sqlite3_stmt* st, int index, const Value& v) {
    switch (v.type()) {
    case Value::Type::Empty:
    case Value::Type::Null: return sqlite3_bind_null(st, index);
    case Value::Type::Bool: return sqlite3_bind_int(st, index, v.toBool() ? 1 : 0);
    case Value::Type::Int: return sqlite3_bind_int64(st, index, v.toInt());
    case Value::Type::Decimal: {
        const Decimal d = v.toDecimal();
        if (d.scale() == 0) return sqlite3_bind_int64(st, index, d.units());
        const QByteArray text = d.toString().toLatin1();
        return sqlite3_bind_text(st, index, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    }
    case Value::Type::Double: return sqlite3_bind_double(st, index, v.toDouble());
    case Value::Type::Text:
    case Value::Type::DateTime: {
        const QByteArray text = v.toText().toUtf8();
        return sqlite3_bind_text(st, index, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    }
    }
    return SQLITE_MISUSE;
}

Value readColumn(sqlite3_stmt* st, int col, ColumnKind kind) { return readValue(sqlite3_column_value(st, col), kind); }

// The statement is stepped on one thread only, so its column values are read in place.
Value readValue(sqlite3_value* v, ColumnKind kind) { return RawValue::of(v, kind).decode(kind); }

RawValue RawValue::of(sqlite3_value* v, ColumnKind kind) {
    RawValue r;
    const int type = sqlite3_value_type(v);
    if (type == SQLITE_NULL) return r;
    const bool asText = kind == ColumnKind::Text || type == SQLITE_TEXT || (type == SQLITE_BLOB && kind != ColumnKind::DateTime);
    if (asText) {
        r.type = Type::Text;
        r.text = reinterpret_cast<const char*>(sqlite3_value_text(v));
        r.bytes = sqlite3_value_bytes(v);
        if (!r.text) r.text = "";
    } else if (type == SQLITE_INTEGER) {
        r.type = Type::Int;
        r.i = sqlite3_value_int64(v);
    } else {  // a real, or a blob in a date column
        r.type = Type::Real;
        r.d = sqlite3_value_double(v);
    }
    return r;
}

Value RawValue::decode(ColumnKind kind) const {
    if (type == Type::Null) return Value::null();
    if (type == Type::Text) {
        switch (kind) {
        case ColumnKind::Bool: {
            const Value t = textOf(text, bytes);
            const auto b = boolFromText(t.toText());
            return b ? Value(*b) : t;
        }
        case ColumnKind::Decimal: {
            const Value t = textOf(text, bytes);
            const auto d = Decimal::parse(t.toText().trimmed());
            return d ? Value(*d) : t;
        }
        case ColumnKind::DateTime: return dateFromText(text, bytes);
        default: return textOf(text, bytes);
        }
    }
    const bool isInt = type == Type::Int;
    switch (kind) {
    case ColumnKind::Int: return Value(isInt ? i : qint64(std::llround(d)));
    case ColumnKind::Bool: return Value(isInt ? i != 0 : d != 0.0);
    case ColumnKind::Decimal: return isInt ? Value(Decimal::fromInt(i)) : decimalFromReal(d);
    case ColumnKind::Double: return Value(isInt ? double(i) : d);
    case ColumnKind::DateTime:
    case ColumnKind::Any:
    case ColumnKind::Text: break;
    }
    return isInt ? Value(i) : Value(d);
}

Value convertForColumn(ColumnKind kind, int maxLength, const Value& v, const QString& column) {
    if (v.isEmpty() || v.isNull()) return Value::null();
    const bool isText = v.type() == Value::Type::Text;
    const bool blankText = isText && v.toText().trimmed().isEmpty();
    switch (kind) {
    case ColumnKind::Any: return v;
    case ColumnKind::Text: {
        const QString s = v.toText();
        if (maxLength > 0 && s.size() > maxLength)
            throw VbError(err::FieldTooSmall, kSource,
                          QStringLiteral("Le champ '%1' est trop petit pour accepter la quantité de données que vous avez "
                                         "tenté d'ajouter (%2 caractères au plus).").arg(column).arg(maxLength));
        return Value(s);
    }
    case ColumnKind::Int:
    case ColumnKind::Decimal:
    case ColumnKind::Double: {
        Decimal d;
        if (blankText) return Value::null();
        if (isText) {
            const auto parsed = decimalFromText(v.toText().trimmed());
            if (!parsed) throw mismatch(column, v);
            d = *parsed;
        } else if (v.isNumeric()) {
            if (kind == ColumnKind::Double) return Value(v.toDouble());
            d = v.toDecimal();
        } else {
            throw mismatch(column, v);
        }
        if (kind == ColumnKind::Int) return Value(d.rescaled(0).units());
        if (kind == ColumnKind::Double) return Value(d.toDouble());
        return Value(d);
    }
    case ColumnKind::Bool: {
        if (blankText) return Value::null();
        if (isText) {
            const auto b = boolFromText(v.toText());
            if (!b) throw mismatch(column, v);
            return Value(*b);
        }
        if (!v.isNumeric()) throw mismatch(column, v);
        return Value(v.toBool());
    }
    case ColumnKind::DateTime: {
        if (blankText) return Value::null();
        QDateTime t = v.type() == Value::Type::DateTime ? v.toDateTime() : isText ? parseDateTime(v.toText()) : QDateTime();
        if (!t.isValid()) throw mismatch(column, v);
        // Whole seconds, as the stored form keeps them (a stamp already whole is left as it is:
        // setting its time again costs a look-up of the local offset).
        const QTime time = t.time();
        if (time.msec() != 0) t.setTime(QTime(time.hour(), time.minute(), time.second()));
        return Value(t);
    }
    }
    return v;
}

}  // namespace vorna::detail
