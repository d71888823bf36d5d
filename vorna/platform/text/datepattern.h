#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringView>
#include <vector>

namespace vorna {

// A date pattern of the old runtime, read once and applied to many dates (the SQL format()
// runs it on every row of a list).
//
// Tokens, in either letter case: d, dd (day), m, mm (month; minutes right after an hour or right
// before seconds, literals between allowed), n, nn (minutes), y (day of the year), yy, yyyy
// (year), h, hh (hour 0-23), s, ss (seconds). Every other character is written as it is.
class DatePattern {
public:
    explicit DatePattern(QStringView pattern);

    // An invalid date gives an empty text.
    QString format(const QDateTime& t) const;

    struct Fields {
        int year, month, day, hour, minute, second;
    };
    // Writes the date as UTF-8 at `out`, which holds at least maxLength() bytes; answers the length.
    int write(const Fields& f, char* out) const;
    int maxLength() const { return maxLength_; }

private:
    struct Part {
        enum Kind : quint8 { Literal, Day, Month, Minute, DayOfYear, Year, Hour, Second } kind;
        quint8 width;     // digits at least (2 or 4 for the year, else 1 or 2)
        QByteArray text;  // the literal's bytes
    };
    std::vector<Part> parts_;
    int maxLength_ = 0;
};

}  // namespace vorna
