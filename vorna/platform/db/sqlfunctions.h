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
//   runtime's date tokens (DatePattern); Null gives Null, a value that is not a date comes back unchanged.
//   It replaces SQLite's own two-argument format(), which is printf-like;
// - jet_now() and jet_now(days): the Clock's present, plus a number of days (may be negative or
//   fractional) counted on the local calendar (a whole day keeps the clock time, summer time or
//   not), in the stored date form; Null beyond the calendar's reach.
// Answers the SQLite result code.
int registerSqlFunctions(sqlite3* db);

// The comparison of the VORNA collation (negative, zero, positive).
int compareText(QStringView a, QStringView b);

}  // namespace vorna
