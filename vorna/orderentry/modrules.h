#pragma once

#include <QString>

namespace vorna {

// True when the regional settings write decimals with "."; set once at start-up.
extern bool DecimalSeparatorIsPoint;

// Key filters. Each takes a key code (the character's Windows-1252 code) and answers the key
// to enter, or 0 after the system beep. Backspace, Enter and Escape always pass.
// Letters, digits and " .,-()/'+:", upper-cased.
int keyFilterText(int key);
// As keyFilterText, without "/".
int keyFilterNoSlash(int key);
// Letters and digits, upper-cased.
int keyFilterAlnum(int key);
// Digits; "," and "." become the regional decimal separator.
int keyFilterAmount(int key);
// Letters, digits and " .-+,", upper-cased.
int keyFilterReference(int key);

// The key code of a typed character (its Windows-1252 code), or -1 when the code page has none.
int keyCodeOf(QChar c);

}  // namespace vorna
