#include "platform/db/sqlvalues.h"

#include <sqlite3.h>

#include <cmath>

#include "platform/vberror.h"

namespace vorna::detail {

namespace {

const QString kSource = QStringLiteral("Vorna.db");

// SQLite writes a REAL with 15 significant digits ("1234.5", "0.07", "1.0e+20"): read that text
// straight into a Decimal; exponent forms go through the double.
Value decimalFromReal(sqlite3_stmt* st, int col) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, col));
    const int n = sqlite3_column_bytes(st, col);
    qint64 units = 0;
    int scale = 0;
    bool sep = false, neg = false, ok = n > 0;
    int i = 0;
    if (ok && p[0] == '-') {
        neg = true;
        i = 1;
    }
    int digits = 0;
    for (; ok && i < n; ++i) {
        const char c = p[i];
        if (c >= '0' && c <= '9') {
            if (++digits > 18) ok = false;
            units = units * 10 + (c - '0');
            if (sep) ++scale;
        } else if (c == '.' && !sep) {
            sep = true;
        } else {
            ok = false;
        }
    }
    if (!ok) return Value(Decimal::fromDouble(sqlite3_column_double(st, col)));
    while (scale > 0 && units % 10 == 0) {
        units /= 10;
        --scale;
    }
    return Value(Decimal(neg ? -units : units, scale));
}

bool twoDigits(const char* p, int& v) {
    if (p[0] < '0' || p[0] > '9' || p[1] < '0' || p[1] > '9') return false;
    v = (p[0] - '0') * 10 + (p[1] - '0');
    return true;
}

Value dateFromText(sqlite3_stmt* st, int col) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, col));
    const int n = sqlite3_column_bytes(st, col);
    int c1, c2, m, d, h = 0, mi = 0, s = 0;
    if ((n == 19 || n == 16 || n == 10) && p[4] == '-' && p[7] == '-' && twoDigits(p, c1) && twoDigits(p + 2, c2) &&
        twoDigits(p + 5, m) && twoDigits(p + 8, d) &&
        (n == 10 || ((p[10] == ' ' || p[10] == 'T') && p[13] == ':' && twoDigits(p + 11, h) && twoDigits(p + 14, mi) &&
                     (n == 16 || (p[16] == ':' && twoDigits(p + 17, s)))))) {
        const QDate date(c1 * 100 + c2, m, d);
        const QTime time(h, mi, s);
        if (date.isValid() && time.isValid()) return Value(QDateTime(date, time));
    }
    const QString text = QString::fromUtf8(p, n);
    const QDateTime t = parseDateTime(text);
    return t.isValid() ? Value(t) : Value(text);
}

Value textOf(sqlite3_stmt* st, int col) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, col));
    return Value(QString::fromUtf8(p, sqlite3_column_bytes(st, col)));
}

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

Value readColumn(sqlite3_stmt* st, int col, ColumnKind kind) {
    const int type = sqlite3_column_type(st, col);
    if (type == SQLITE_NULL) return Value::null();
    switch (kind) {
    case ColumnKind::Text: return textOf(st, col);
    case ColumnKind::Int:
        if (type == SQLITE_INTEGER) return Value(qint64(sqlite3_column_int64(st, col)));
        if (type == SQLITE_FLOAT) return Value(qint64(std::llround(sqlite3_column_double(st, col))));
        return textOf(st, col);
    case ColumnKind::Bool:
        if (type == SQLITE_INTEGER) return Value(sqlite3_column_int64(st, col) != 0);
        if (type == SQLITE_FLOAT) return Value(sqlite3_column_double(st, col) != 0.0);
        {
            const Value t = textOf(st, col);
            const auto b = boolFromText(t.toText());
            return b ? Value(*b) : t;
        }
    case ColumnKind::Decimal:
        if (type == SQLITE_INTEGER) return Value(Decimal::fromInt(sqlite3_column_int64(st, col)));
        if (type == SQLITE_FLOAT) return decimalFromReal(st, col);
        {
            const Value t = textOf(st, col);
            const auto d = Decimal::parse(t.toText().trimmed());
            return d ? Value(*d) : t;
        }
    case ColumnKind::Double:
        if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) return Value(sqlite3_column_double(st, col));
        return textOf(st, col);
    case ColumnKind::DateTime:
        if (type == SQLITE_TEXT) return dateFromText(st, col);
        return type == SQLITE_INTEGER ? Value(qint64(sqlite3_column_int64(st, col))) : Value(sqlite3_column_double(st, col));
    case ColumnKind::Any: break;
    }
    switch (type) {
    case SQLITE_INTEGER: return Value(qint64(sqlite3_column_int64(st, col)));
    case SQLITE_FLOAT: return Value(sqlite3_column_double(st, col));
    default: return textOf(st, col);
    }
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
        // Whole seconds, as the stored form keeps them.
        t.setTime(QTime(t.time().hour(), t.time().minute(), t.time().second()));
        return Value(t);
    }
    }
    return v;
}

}  // namespace vorna::detail
