#pragma once

#include <QString>
#include <QStringView>

namespace vorna {

// The old Trim: leading and trailing blanks (code 32 only) removed; tabs and other spaces stay.
QString trimBlanks(QStringView s);
QString trimTrailingBlanks(QStringView s);
// Nothing but blanks (or nothing at all).
bool isBlank(QStringView s);

}  // namespace vorna
