#include "platform/value.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vorna {

namespace {
constexpr int kMaxScale = 9;

__int128 pow10i(int n) {
    __int128 r = 1;
    for (int i = 0; i < n; ++i) r *= 10;
    return r;
}

qint64 narrow(__int128 v) {
    if (v > std::numeric_limits<qint64>::max() || v < std::numeric_limits<qint64>::min())
        return v > 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
    return static_cast<qint64>(v);
}
}  // namespace

Decimal::Decimal(qint64 units, int scale) : units_(units), scale_(scale < 0 ? 0 : scale) {
    // More decimals than a 64-bit count of units can ever hold are rounded away, so that
    // rescaling and arithmetic stay within 128-bit intermediates.
    if (scale_ <= kMaxDecimals) return;
    const int drop = scale_ - kMaxDecimals;
    scale_ = kMaxDecimals;
    if (drop > 19) {  // |units| < 10^19: less than half a unit of the last kept decimal
        units_ = 0;
        return;
    }
    const __int128 div = pow10i(drop);
    __int128 q = units_ / div;
    const __int128 rem = units_ % div;
    if (rem * 2 >= div) ++q;
    else if (rem * 2 <= -div) --q;
    units_ = narrow(q);
}

std::optional<Decimal> Decimal::parse(QStringView text) {
    int i = 0;
    const int n = int(text.size());
    bool neg = false;
    if (i < n && (text[i] == u'-' || text[i] == u'+')) {
        neg = text[i] == u'-';
        ++i;
    }
    __int128 units = 0;
    int scale = 0;
    bool digits = false, sep = false;
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (c.isDigit() && c.unicode() < 128) {
            digits = true;
            if (sep) {
                if (scale >= kMaxScale) continue;  // beyond what any amount carries
                ++scale;
            }
            units = units * 10 + (c.unicode() - u'0');
            if (units > pow10i(30)) return std::nullopt;
        } else if ((c == u'.' || c == u',') && !sep) {
            sep = true;
        } else {
            return std::nullopt;
        }
    }
    if (!digits) return std::nullopt;
    if (units > std::numeric_limits<qint64>::max()) return std::nullopt;
    return Decimal(neg ? -qint64(units) : qint64(units), scale);
}

Decimal Decimal::fromDouble(double d) {
    if (!std::isfinite(d)) return Decimal();
    const int intDigits = d == 0.0 ? 1 : int(std::floor(std::log10(std::fabs(d)))) + 1;
    const int precision = std::clamp(15 - intDigits, 0, kMaxScale);
    auto parsed = parse(QString::number(d, 'f', precision));
    if (!parsed) return Decimal();
    // Trim trailing zeros of the fraction.
    Decimal r = *parsed;
    while (r.scale_ > 0 && r.units_ % 10 == 0) {
        r.units_ /= 10;
        --r.scale_;
    }
    return r;
}

Decimal Decimal::rescaled(int scale) const {
    scale = std::clamp(scale, 0, kMaxDecimals);
    if (scale == scale_) return *this;
    if (scale > scale_) return Decimal(narrow(__int128(units_) * pow10i(scale - scale_)), scale);
    const __int128 div = pow10i(scale_ - scale);
    __int128 q = units_ / div;
    const __int128 rem = units_ % div;
    // Half away from zero.
    if (rem * 2 >= div) ++q;
    else if (rem * 2 <= -div) --q;
    return Decimal(narrow(q), scale);
}

Decimal Decimal::operator+(const Decimal& o) const {
    const int s = std::max(scale_, o.scale_);
    return Decimal(narrow(__int128(units_) * pow10i(s - scale_) + __int128(o.units_) * pow10i(s - o.scale_)), s);
}

Decimal Decimal::operator-(const Decimal& o) const { return *this + (-o); }

std::strong_ordering Decimal::operator<=>(const Decimal& o) const {
    const int s = std::max(scale_, o.scale_);
    const __int128 a = __int128(units_) * pow10i(s - scale_);
    const __int128 b = __int128(o.units_) * pow10i(s - o.scale_);
    return a < b ? std::strong_ordering::less : a > b ? std::strong_ordering::greater : std::strong_ordering::equal;
}

double Decimal::toDouble() const { return toString().toDouble(); }

QString Decimal::toString() const {
    const bool neg = units_ < 0;
    const __int128 magnitude = neg ? -__int128(units_) : __int128(units_);
    QString digits = QString::number(quint64(magnitude));
    if (scale_ > 0) {
        if (digits.size() <= scale_) digits = QString(scale_ - digits.size() + 1, u'0') + digits;
        digits.insert(digits.size() - scale_, u'.');
    }
    return neg ? QStringLiteral("-") + digits : digits;
}

Value::Value(const QDateTime& t) : v_(t) {}

bool Value::isBlank() const {
    switch (type()) {
    case Type::Empty:
    case Type::Null: return true;
    case Type::Text: return std::get<QString>(v_).trimmed().isEmpty();
    default: return false;
    }
}

bool Value::isNumeric() const {
    switch (type()) {
    case Type::Bool:
    case Type::Int:
    case Type::Decimal:
    case Type::Double: return true;
    case Type::Text: return Decimal::parse(std::get<QString>(v_).trimmed()).has_value();
    default: return false;
    }
}

bool Value::toBool() const {
    switch (type()) {
    case Type::Bool: return std::get<bool>(v_);
    case Type::Int: return std::get<qint64>(v_) != 0;
    case Type::Decimal: return !std::get<Decimal>(v_).isZero();
    case Type::Double: return std::get<double>(v_) != 0.0;
    case Type::Text: {
        const QString s = std::get<QString>(v_).trimmed();
        if (s.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || s.compare(QLatin1String("vrai"), Qt::CaseInsensitive) == 0) return true;
        auto d = Decimal::parse(s);
        return d && !d->isZero();
    }
    default: return false;
    }
}

qint64 Value::toInt() const { return toDecimal().rescaled(0).units(); }

Decimal Value::toDecimal() const {
    switch (type()) {
    case Type::Bool: return Decimal::fromInt(std::get<bool>(v_) ? -1 : 0);
    case Type::Int: return Decimal::fromInt(std::get<qint64>(v_));
    case Type::Decimal: return std::get<Decimal>(v_);
    case Type::Double: return Decimal::fromDouble(std::get<double>(v_));
    case Type::Text: return Decimal::parse(std::get<QString>(v_).trimmed()).value_or(Decimal());
    default: return Decimal();
    }
}

double Value::toDouble() const {
    if (type() == Type::Double) return std::get<double>(v_);
    return toDecimal().toDouble();
}

QString Value::toText() const {
    switch (type()) {
    case Type::Empty:
    case Type::Null: return QString();
    case Type::Bool: return std::get<bool>(v_) ? QStringLiteral("True") : QStringLiteral("False");
    case Type::Int: return QString::number(std::get<qint64>(v_));
    case Type::Decimal: return std::get<Decimal>(v_).toString();
    case Type::Double: return Decimal::fromDouble(std::get<double>(v_)).toString();
    case Type::Text: return std::get<QString>(v_);
    case Type::DateTime: return storedDateTime(std::get<QDateTime>(v_));
    }
    return QString();
}

QDateTime Value::toDateTime() const {
    if (type() == Type::DateTime) return std::get<QDateTime>(v_);
    if (type() == Type::Text) return parseDateTime(std::get<QString>(v_));
    return QDateTime();
}

bool Value::operator==(const Value& o) const {
    if (type() != o.type()) return false;
    return v_ == o.v_;
}

QDateTime parseDateTime(const QString& text) {
    const QString s = text.trimmed();
    static const char* const forms[] = {"yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd HH:mm", "yyyy-MM-ddTHH:mm:ss",
                                        "dd/MM/yyyy HH:mm:ss", "dd/MM/yyyy HH:mm", "yyyy-MM-dd", "dd/MM/yyyy"};
    for (const char* f : forms) {
        QDateTime t = QDateTime::fromString(s, QLatin1String(f));
        if (t.isValid()) return t;
    }
    return QDateTime();
}

QString storedDateTime(const QDateTime& t) {
    if (!t.isValid()) return QString();
    // Rows written one after the other mostly carry the same stamp (a generation stamps every
    // order within a few seconds): the last text is kept for the next.
    thread_local QDate lastDate;
    thread_local QTime lastTime;
    thread_local QString lastText;
    const QDate date = t.date();
    const QTime time = t.time();
    if (date != lastDate || time != lastTime) {
        lastText = t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        lastDate = date;
        lastTime = time;
    }
    return lastText;
}

}  // namespace vorna
