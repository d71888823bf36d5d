#pragma once

#include <QDateTime>
#include <QString>
#include <QStringView>

struct sqlite3;

namespace vorna {

// The collation of every text column of the shipped databases: French order (accented letters
// among their base letters), letter case ignored, accents counted. Text keys compared with it
// are case-insensitive, as the program has always expected.
inline constexpr char kTextCollation[] = "VORNA";

// Registers on `db` what the program's SQL texts need beyond SQLite itself:
// - the collation VORNA;
// - format(x, pattern): x a date (stored form or "dd/mm/yyyy HH:MM[:SS]") formatted with the old
//   runtime's date tokens; Null gives Null, a value that is not a date comes back unchanged.
//   It replaces SQLite's own two-argument format(), which is printf-like;
// - jet_now() and jet_now(days): the Clock's present, plus a number of days (may be negative or
//   fractional), in the stored date form.
// Answers the SQLite result code.
int registerSqlFunctions(sqlite3* db);

// The comparison of the VORNA collation (negative, zero, positive).
int compareText(QStringView a, QStringView b);

// A date formatted with the old runtime's tokens, in any letter case: d, dd (day), m, mm (month,
// or minutes right after an hour or right before seconds), n, nn (minutes), yy, yyyy (year), h, hh
// (hour 0-23), s, ss (seconds). Every other character is copied as it is.
// formatDateTime(t, "dd/mm/YYYY HH:MM") gives "08/12/2026 09:05".
QString formatDateTime(const QDateTime& t, QStringView pattern);

}  // namespace vorna
