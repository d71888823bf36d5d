#pragma once

#include <QChar>
#include <QDateTime>
#include <QString>
#include <QStringView>
#include <optional>

#include "platform/value.h"

namespace vorna {

// Number with a pattern such as "### ### ### ### ##0.00  ", "# ##0", "#0.000", "#.00", "0".
// The separator is the regional one (Locale) unless given.
//
// A pattern is: literals, then the digit placeholders "#" and "0" (a blank among the places
// before the point asks for a blank between groups of three digits), an optional "." (the decimal
// separator) followed by the decimal placeholders, then literals, which are kept as they are
// (trailing blanks line amounts up). The value is rounded half away from zero to the number of
// decimal placeholders; "0" places force a digit, unused "#" places give nothing (no leading
// blanks). A negative value that does not round to zero gets a leading "-". An empty pattern
// gives the plain number.
QString formatNumber(const Decimal& value, const QString& pattern);
QString formatNumber(const Decimal& value, const QString& pattern, QChar decimalSeparator);
// As above, with `groupSeparator` between the digit groups instead of the blank.
QString formatNumber(const Decimal& value, const QString& pattern, QChar decimalSeparator, QChar groupSeparator);

// The no-break space: between the digit groups of an amount that a window or a message shows,
// so that the amount never breaks across two lines. Files and stored texts keep the blank.
inline constexpr QChar kNoBreakSpace = QChar(0x00A0);
// An amount as a window or a message shows it: formatNumber with the regional separator and a
// no-break space between digit groups (the pattern's own literals stay as they are).
QString displayNumber(const Decimal& value, const QString& pattern);
QString displayNumber(const Decimal& value, const QString& pattern, QChar decimalSeparator);

// Date with "dd/mm/YYYY HH:MM", "DD/MM/YYYY HH:MM", "mm/dd/YYYY HH:MM", "YYMMDD", "HHMM", ...
// (the tokens of DatePattern); "/" and ":" are written as they are. An invalid date gives "".
QString formatDate(const QDateTime& t, const QString& pattern);

// Reads a number in the regional display form: blanks and no-break spaces anywhere are skipped
// (the blanks between digit groups), an optional leading "-", digits, at most one decimal
// separator (the regional one unless given; the other sign makes the text unreadable) and
// digits. std::nullopt when the text holds anything else, no digit, or a number too large to
// hold exactly.
std::optional<Decimal> readRegionalNumber(QStringView text);
std::optional<Decimal> readRegionalNumber(QStringView text, QChar decimalSeparator);

// Reads the number at the start of a text as the amount test does: blanks (no-break spaces
// too) are skipped, "," and "." both stand for the decimal separator, and reading stops at the
// first other character (a second separator included). A text that does not begin with a
// number reads as 0. A whole number beyond 18 digits is capped at the largest value held;
// decimals beyond the 18th are dropped.
Decimal readLeadingNumber(QStringView text);

}  // namespace vorna
