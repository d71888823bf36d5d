#pragma once

#include <QDateTime>
#include <QString>
#include <compare>
#include <optional>
#include <variant>

namespace vorna {

// An exact decimal number: units × 10^-scale. Amounts live in this form from the database to
// the screen and the order file, so no binary rounding ever shows.
class Decimal {
public:
    // The most decimals kept: a longer fraction is rounded (half away from zero) to this many.
    static constexpr int kMaxDecimals = 18;

    constexpr Decimal() = default;
    Decimal(qint64 units, int scale);
    static Decimal fromInt(qint64 v) { return Decimal(v, 0); }
    // Plain text: optional sign, digits, optional '.' or ',' and digits. No blanks.
    static std::optional<Decimal> parse(QStringView text);
    // The shortest decimal that prints back as the same double with 15 significant digits.
    static Decimal fromDouble(double d);

    qint64 units() const { return units_; }
    int scale() const { return scale_; }
    bool isZero() const { return units_ == 0; }
    bool isNegative() const { return units_ < 0; }

    // Rounded (half away from zero) or extended to exactly `scale` decimals (at most
    // kMaxDecimals); beyond the range of the units, the result stops at the largest one.
    Decimal rescaled(int scale) const;
    // The integer part and the fraction digits, without sign.
    Decimal operator+(const Decimal& o) const;
    Decimal operator-(const Decimal& o) const;
    Decimal operator-() const { return Decimal(-units_, scale_); }
    std::strong_ordering operator<=>(const Decimal& o) const;
    bool operator==(const Decimal& o) const { return (*this <=> o) == 0; }

    double toDouble() const;
    // "-1234.50": '.' as separator, every digit of the scale, no grouping.
    QString toString() const;

private:
    qint64 units_ = 0;
    int scale_ = 0;
};

struct NullValue {
    bool operator==(const NullValue&) const = default;
};

// The value of a field or expression: tells Empty, Null, Boolean, whole number, exact decimal,
// floating number, text and date-time apart, as the old runtime's Variant did.
class Value {
public:
    enum class Type { Empty, Null, Bool, Int, Decimal, Double, Text, DateTime };

    Value() = default;
    static Value null() { Value v; v.v_ = NullValue{}; return v; }
    Value(bool b) : v_(b) {}
    Value(int i) : v_(qint64(i)) {}
    Value(qint64 i) : v_(i) {}
    Value(const Decimal& d) : v_(d) {}
    Value(double d) : v_(d) {}
    Value(const QString& s) : v_(s) {}
    Value(QString&& s) : v_(std::move(s)) {}
    Value(const char* s) : v_(QString::fromUtf8(s)) {}
    Value(const QDateTime& t);

    Type type() const { return static_cast<Type>(v_.index()); }
    bool isEmpty() const { return type() == Type::Empty; }
    bool isNull() const { return type() == Type::Null; }
    // Empty, Null or a text of nothing but blanks: "nothing there" for text columns.
    bool isBlank() const;
    bool isNumeric() const;

    // Null and Empty give false; numbers give value != 0; texts "True"/"-1"/"1" give true.
    bool toBool() const;
    // Numbers rounded half away from zero; texts read as plain numbers; otherwise 0.
    qint64 toInt() const;
    Decimal toDecimal() const;
    double toDouble() const;
    // Null and Empty give ""; numbers in plain form with '.'; dates as "YYYY-MM-DD HH:MM:SS";
    // Booleans as "True"/"False".
    QString toText() const;
    // Dates as they are; texts in "YYYY-MM-DD HH:MM[:SS]" or "dd/MM/yyyy HH:mm[:ss]" form.
    QDateTime toDateTime() const;

    // Same type and same value (Decimal compared by value). Null equals Null.
    bool operator==(const Value& o) const;

private:
    std::variant<std::monostate, NullValue, bool, qint64, Decimal, double, QString, QDateTime> v_;
};

// Parses the date forms the database and the program write; invalid when none fits.
QDateTime parseDateTime(const QString& text);
// The stored form of a date: "YYYY-MM-DD HH:MM:SS", local time, whole seconds.
QString storedDateTime(const QDateTime& t);

}  // namespace vorna
