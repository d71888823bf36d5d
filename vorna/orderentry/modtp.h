#pragma once

#include <QString>

namespace vorna {

// Check-digit tests of the identifiers the user types. Each only answers: any malformed text,
// whatever its length or characters, is false.

// French RIB (bank 5, branch 5, account 11, key 2), with or without blanks: the 23 characters,
// letters of the account and key transcribed to digits, form a multiple of 97.
bool isValidRib(const QString& rib);
// IBAN, with or without blanks: the ISO 13616 / ISO 7064 MOD 97-10 check, nothing more.
bool isValidIban(const QString& iban);
// SIREN: nine digits passing the Luhn check.
bool isValidSiren(const QString& siren);

}  // namespace vorna
