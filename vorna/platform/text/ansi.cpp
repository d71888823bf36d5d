#include "platform/text/ansi.h"

namespace vorna::ansi {

namespace {
// 0x80-0x9F of Windows-1252; 0 marks the five unused codes.
constexpr char16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
}  // namespace

int code(QChar c) {
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return u;
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] != 0 && kHigh[i] == u) return 0x80 + i;
    return -1;
}

QChar character(int code) {
    if (code < 0 || code > 0xFF) return QChar();
    if (code >= 0x80 && code < 0xA0) return kHigh[code - 0x80] ? QChar(kHigh[code - 0x80]) : QChar();
    return QChar(char16_t(code));
}

int upper(int c) {
    const QChar ch = character(c);
    if (ch.isNull()) return c;
    const QChar up = ch.toUpper();
    const int u = code(up);
    return u < 0 ? c : u;
}

QByteArray encode(const QString& text, bool* ok) {
    QByteArray out;
    out.reserve(text.size());
    bool all = true;
    for (QChar c : text) {
        const int k = code(c);
        if (k < 0) {
            all = false;
            out.append('?');
        } else {
            out.append(char(k));
        }
    }
    if (ok) *ok = all;
    return out;
}

QString decode(const QByteArray& bytes) {
    QString out;
    out.reserve(bytes.size());
    for (char b : bytes) {
        const QChar c = character(static_cast<unsigned char>(b));
        out.append(c.isNull() ? QChar(0xFFFD) : c);
    }
    return out;
}

}  // namespace vorna::ansi
