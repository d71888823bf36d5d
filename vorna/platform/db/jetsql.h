#pragma once

#include <QString>

namespace vorna::jetsql {

// Turns an SQL text written in the old engine's dialect into SQLite's. What changes:
// - "delete * from" becomes "delete from";
// - `now` (or now()) is the present of vorna::Clock, local time; "now - 30" / "now + 1.5" (days)
//   fold into it: jet_now(-30), jet_now(1.5);
// - #mm/dd/yyyy hh:mm[:ss]# date literals (month first, as the old engine reads them) become
//   the stored date form '2026-12-08 09:05:00';
// - `name` and [name] are identifiers (written back between back quotes); "text" is a text literal;
// - a select-list item that is a bare column name is named as written (Montant stays
//   "Montant", not the declared "montant").
// Everything else (Boolean expressions, true/false, format(), "?" parameters) passes as it is;
// format() and jet_now() are the connection's own functions (see sqlfunctions.h).
// Translating a translated text changes nothing more.
QString translate(const QString& jet);

// True when `source` names a table rather than holding a statement.
bool isTableName(const QString& source);

// A name as an identifier: `name`, inner back quotes doubled.
QString quoteIdentifier(const QString& name);

}  // namespace vorna::jetsql
