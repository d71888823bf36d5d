#pragma once

#include <QString>
#include <functional>

class QLineEdit;

namespace vorna {

class Recordset;
namespace forms {
class TextBox;
}

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

// The characters a box can hold once keyFilterText has let them through (upper case), and
// those keyFilterAmount lets through: what boxes are sized on.
extern const QString kTextCharacters;
extern const QString kAmountCharacters;

// Keeps in the clipboard's text only what a key filter lets through, character by character
// (one beep for each refused one): kind 0 keyFilterText, 1 keyFilterAlnum, 2 keyFilterAmount;
// any other kind filters as text. A carriage return stays, a line feed goes.
void filterClipboard(int kind);

// The same, with any filter of key codes: a character passes when the filter answers a key
// for it (the answer is what the clipboard keeps), and goes when it answers 0. A character
// the code page lacks reaches the filter as -1 and stays as it is when the filter answers -1.
void filterClipboardWith(const std::function<int(int)>& filter);

// Selects the whole text of the box.
void selectAllText(QLineEdit* box);

// The required test: true when the box holds nothing but blanks. Then, unless the message is
// empty, shows it (critical icon, OK, "Erreur de saisie") and puts the focus on the box when the
// box can take it.
bool isFieldMissing(QLineEdit* box, const QString& message);
// The amount test: as isFieldMissing, when the number at the start of the box's text reads 0
// (see readLeadingNumber).
bool isAmountZero(QLineEdit* box, const QString& message);

// True when the code is a `Code` of table PaysEEE of the reference database. Every call opens a
// connection of its own with the main window's connParamVorna; nothing is kept.
bool isPaysEEE(const QString& code);
bool isPaysEEE(const QString& code, const QString& connParamVorna);

// True when the order changed a default that the settings row supplies: the settings' value of
// the column is neither Null nor blank, and the order's value differs from it (exact comparison;
// a Null order value differs).
bool isDefaultChanged(const QString& column, const Recordset& settings, const Recordset& order);

// A key filter, as a text box names it.
using KeyFilter = int (*)(int key);
// Gives the box its own key filter: every key that reaches the box (after the window's preview)
// is replaced by the filter's answer.
void setKeyFilter(forms::TextBox* box, KeyFilter filter);
// The right mouse button on the box cleans the clipboard with filterClipboard(kind) before the
// box's context menu can paste from it.
void setClipboardKind(forms::TextBox* box, int kind);
// The same with a filter of its own (see filterClipboardWith).
void setClipboardFilter(forms::TextBox* box, std::function<int(int)> filter);

// The key code of a typed character (its Windows-1252 code), or -1 when the code page has none.
int keyCodeOf(QChar c);

}  // namespace vorna
