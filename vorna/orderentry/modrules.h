#pragma once

#include <QString>

class QLineEdit;

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

// Keeps in the clipboard's text only what a key filter lets through, character by character
// (one beep for each refused one): kind 0 keyFilterText, 1 keyFilterAlnum, 2 keyFilterAmount;
// any other kind filters as text. A carriage return stays, a line feed goes.
void filterClipboard(int kind);

// Selects the whole text of the box.
void selectAllText(QLineEdit* box);

// The required test: true when the box holds nothing but blanks. Then, unless the message is
// empty, shows it (critical icon, OK, "Erreur de saisie") and puts the focus on the box when the
// box can take it.
bool isFieldMissing(QLineEdit* box, const QString& message);
// The amount test: as isFieldMissing, when the number at the start of the box's text reads 0
// (see readLeadingNumber).
bool isAmountZero(QLineEdit* box, const QString& message);

// The key code of a typed character (its Windows-1252 code), or -1 when the code page has none.
int keyCodeOf(QChar c);

}  // namespace vorna
