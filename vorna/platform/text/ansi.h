#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>

namespace vorna {

// The Windows-1252 (ANSI) code page: the key codes the input rules work on, and the bytes of
// the files the program writes.
namespace ansi {

constexpr int Backspace = 8;
constexpr int Enter = 13;
constexpr int Escape = 27;

// The character's code in Windows-1252, or -1 when the code page has no such character.
int code(QChar c);
// The character of a Windows-1252 code (0-255); a null QChar for an unused code.
QChar character(int code);
// Upper-cases a Windows-1252 code as the code page does ("é" gives "É"); codes with no
// capital, and codes outside 0-255, come back unchanged.
int upper(int code);
// Encodes a text in Windows-1252; false in `ok` when a character has no code there
// (it is then written as "?").
QByteArray encode(const QString& text, bool* ok = nullptr);
QString decode(const QByteArray& bytes);

}  // namespace ansi
}  // namespace vorna
