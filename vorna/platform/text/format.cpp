#include "platform/text/format.h"

#include "platform/text/datepattern.h"

#include <limits>

#include "platform/environment.h"

namespace vorna {

namespace {

bool isPlaceholder(QChar c) { return c == u'#' || c == u'0'; }
bool isAsciiDigit(QChar c) { return c.unicode() >= u'0' && c.unicode() <= u'9'; }
// A blank between digit groups, as written for a file or for the screen.
bool isGroupBlank(QChar c) { return c == u' ' || c == kNoBreakSpace; }

// The digits of |units| (no sign).
QString magnitudeDigits(qint64 units) {
    const quint64 m = units < 0 ? quint64(0) - quint64(units) : quint64(units);
    return QString::number(m);
}

// Adds one to a string of decimal digits ("0999" gives "1000", "99" gives "100").
void incrementDigits(QString& digits) {
    for (qsizetype i = digits.size() - 1; i >= 0; --i) {
        if (digits[i] == u'9') {
            digits[i] = u'0';
        } else {
            digits[i] = QChar(digits[i].unicode() + 1);
            return;
        }
    }
    digits.prepend(u'1');
}

// Splits |value| rounded half away from zero to `decimals` places into its integer digits
// (leading zeros removed, "" for zero) and exactly `decimals` fraction digits.
void roundedDigits(const Decimal& value, int decimals, QString& intDigits, QString& fracDigits) {
    const QString digits = magnitudeDigits(value.units());
    const qsizetype scale = value.scale();
    QString all;  // every digit, the last `decimals` of them after the separator
    if (scale <= decimals) {
        all = digits + QString(decimals - scale, u'0');
    } else if (scale - decimals > digits.size() + 1) {
        all = QString();  // far below the last place kept: rounds to zero
    } else {
        // Pad so that at least one digit stands before the rounding place.
        QString padded = digits;
        if (padded.size() < scale + 1) padded.prepend(QString(scale + 1 - padded.size(), u'0'));
        const qsizetype keep = padded.size() - (scale - decimals);
        const bool up = padded[keep].unicode() >= u'5';
        all = padded.left(keep);
        if (up) incrementDigits(all);
    }
    if (all.size() < decimals) all.prepend(QString(decimals - all.size(), u'0'));
    fracDigits = all.right(decimals);
    intDigits = all.left(all.size() - decimals);
    qsizetype lead = 0;
    while (lead < intDigits.size() && intDigits[lead] == u'0') ++lead;
    intDigits.remove(0, lead);
}

}  // namespace

QString formatNumber(const Decimal& value, const QString& pattern) {
    return formatNumber(value, pattern, Locale::decimalSeparator());
}

QString formatNumber(const Decimal& value, const QString& pattern, QChar decimalSeparator) {
    return formatNumber(value, pattern, decimalSeparator, u' ');
}

QString displayNumber(const Decimal& value, const QString& pattern) {
    return displayNumber(value, pattern, Locale::decimalSeparator());
}

QString displayNumber(const Decimal& value, const QString& pattern, QChar decimalSeparator) {
    return formatNumber(value, pattern, decimalSeparator, kNoBreakSpace);
}

QString formatNumber(const Decimal& value, const QString& pattern, QChar decimalSeparator, QChar groupSeparator) {
    if (pattern.isEmpty()) {
        QString plain = value.toString();
        return plain.replace(u'.', decimalSeparator);
    }

    // The number's body runs from the first to the last placeholder or point; what lies
    // around it is literal text.
    qsizetype first = -1, last = -1;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        if (isPlaceholder(pattern[i]) || pattern[i] == u'.') {
            if (first < 0) first = i;
            last = i;
        }
    }
    if (first < 0) return pattern;
    const QStringView prefix = QStringView(pattern).left(first);
    const QStringView suffix = QStringView(pattern).mid(last + 1);
    const QStringView body = QStringView(pattern).mid(first, last - first + 1);

    const qsizetype point = body.indexOf(u'.');
    const QStringView intPattern = point < 0 ? body : body.left(point);
    const QStringView fracPattern = point < 0 ? QStringView() : body.mid(point + 1);

    int minIntDigits = 0;
    bool grouped = false;
    for (QChar c : intPattern) {
        if (c == u'0') ++minIntDigits;
        else if (c == u' ') grouped = true;
    }
    int decimals = 0, forcedDecimals = 0;
    for (QChar c : fracPattern) {
        if (!isPlaceholder(c)) continue;
        ++decimals;
        if (c == u'0') forcedDecimals = decimals;
    }

    QString intDigits, fracDigits;
    roundedDigits(value, decimals, intDigits, fracDigits);
    // Optional "#" decimals drop their trailing zeros.
    qsizetype fracLen = fracDigits.size();
    while (fracLen > forcedDecimals && fracDigits[fracLen - 1] == u'0') --fracLen;
    fracDigits.truncate(fracLen);
    bool zero = intDigits.isEmpty();
    for (QChar c : fracDigits) zero = zero && c == u'0';

    if (intDigits.size() < minIntDigits) intDigits.prepend(QString(minIntDigits - intDigits.size(), u'0'));
    if (grouped) {
        for (qsizetype i = intDigits.size() - 3; i > 0; i -= 3) intDigits.insert(i, groupSeparator);
    }

    QString out;
    out.reserve(pattern.size() + intDigits.size() + 2);
    if (value.isNegative() && !zero) out += u'-';
    out += prefix;
    out += intDigits;
    if (point >= 0) out += decimalSeparator;
    out += fracDigits;
    out += suffix;
    return out;
}

QString formatDate(const QDateTime& t, const QString& pattern) { return DatePattern(pattern).format(t); }

std::optional<Decimal> readRegionalNumber(QStringView text) {
    return readRegionalNumber(text, Locale::decimalSeparator());
}

std::optional<Decimal> readRegionalNumber(QStringView text, QChar decimalSeparator) {
    QString intDigits, fracDigits;
    bool negative = false, inFraction = false, any = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (isGroupBlank(c)) continue;
        if (c == u'-' && !any && !negative && !inFraction) {
            negative = true;
        } else if (c == decimalSeparator && !inFraction) {
            inFraction = true;
        } else if (isAsciiDigit(c)) {
            any = true;
            (inFraction ? fracDigits : intDigits) += c;
        } else {
            return std::nullopt;
        }
    }
    if (!any) return std::nullopt;
    // Leading zeros and trailing decimal zeros do not change the value.
    qsizetype lead = 0;
    while (lead < intDigits.size() && intDigits[lead] == u'0') ++lead;
    intDigits.remove(0, lead);
    qsizetype fracLen = fracDigits.size();
    while (fracLen > 0 && fracDigits[fracLen - 1] == u'0') --fracLen;
    fracDigits.truncate(fracLen);

    constexpr qint64 kMax = std::numeric_limits<qint64>::max();
    qint64 units = 0;
    for (QChar c : intDigits + fracDigits) {
        const int v = c.unicode() - u'0';
        if (units > (kMax - v) / 10) return std::nullopt;
        units = units * 10 + v;
    }
    return Decimal(negative ? -units : units, int(fracDigits.size()));
}

Decimal readLeadingNumber(QStringView text) {
    constexpr qint64 kMax = std::numeric_limits<qint64>::max();
    constexpr int kMaxScale = 18;
    qint64 units = 0;
    int scale = 0;
    bool inFraction = false, capped = false;
    for (QChar c : text) {
        if (isGroupBlank(c)) continue;
        if (c == u',' || c == u'.') {
            if (inFraction) break;
            inFraction = true;
            continue;
        }
        if (!isAsciiDigit(c)) break;
        const int v = c.unicode() - u'0';
        const bool fits = units <= (kMax - v) / 10;
        if (!inFraction) {
            if (capped) continue;
            if (!fits) {
                capped = true;
                units = kMax;
                continue;
            }
            units = units * 10 + v;
        } else if (!capped && fits && scale < kMaxScale) {
            units = units * 10 + v;
            ++scale;
        }
    }
    return Decimal(units, capped ? 0 : scale);
}

}  // namespace vorna
