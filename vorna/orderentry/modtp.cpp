#include "orderentry/modtp.h"

#include <cstdint>

namespace vorna {

namespace {

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool isCapital(char16_t c) { return c >= u'A' && c <= u'Z'; }

// The RIB's letter transcription: A-I give 1-9, J-R give 1-9, S-Z give 2-9.
int ribLetterDigit(char16_t c) {
    if (c <= u'I') return c - u'A' + 1;
    if (c <= u'R') return c - u'J' + 1;
    return c - u'S' + 2;
}

// Feeds digits to a remainder modulo 97 six at a time, as r = (r * 1 000 000 + chunk) mod 97,
// after a first chunk of `firstChunk` digits; every value stays below 97 000 000.
class Mod97 {
public:
    explicit Mod97(std::int64_t firstChunk) : pending_(firstChunk) {}
    void add(int digit) {
        chunk_ = chunk_ * 10 + std::uint32_t(digit);
        if (--pending_ == 0) flush();
    }
    std::uint32_t remainder() const { return r_; }

private:
    void flush() {
        r_ = (r_ * 1000000u + chunk_) % 97u;
        chunk_ = 0;
        pending_ = 6;
    }
    std::uint32_t r_ = 0;
    std::uint32_t chunk_ = 0;
    std::int64_t pending_;
};

}  // namespace

bool isValidRib(const QString& rib) {
    char16_t chars[23];
    int count = 0;
    for (QChar c : rib) {
        if (c == u' ') continue;
        if (count == 23) return false;
        chars[count++] = c.unicode();
    }
    if (count != 23) return false;
    for (int i = 0; i < 10; ++i)
        if (!isDigit(chars[i])) return false;

    // Digits 1-5, then three chunks of six: 6-11, 12-17, 18-23.
    std::uint32_t r = 0, chunk = 0;
    for (int i = 0; i < 23; ++i) {
        const char16_t c = chars[i];
        int digit;
        if (isDigit(c)) digit = c - u'0';
        else if (isCapital(c)) digit = ribLetterDigit(c);
        else return false;
        chunk = chunk * 10 + std::uint32_t(digit);
        if (i == 4) {
            r = chunk % 97u;
            chunk = 0;
        } else if (i == 10 || i == 16 || i == 22) {
            r = (r * 1000000u + chunk) % 97u;
            chunk = 0;
        }
    }
    return r == 0;
}

bool isValidIban(const QString& iban) {
    const qsizetype n = iban.size();
    if (n < 6) return false;
    // The first four characters, as typed, go to the end; blanks are removed afterwards.
    auto at = [&](qsizetype k) { return iban[k < n - 4 ? k + 4 : k - (n - 4)].unicode(); };

    // First pass: check the characters and count the digits the letters expand to.
    std::int64_t digits = 0;
    for (qsizetype k = 0; k < n; ++k) {
        const char16_t c = at(k);
        if (c == u' ') continue;
        if (isDigit(c)) digits += 1;
        else if (isCapital(c)) digits += 2;
        else return false;
    }
    // Second pass: the remainder, first chunk of (digit count mod 6) digits.
    Mod97 mod(digits % 6 == 0 ? 6 : digits % 6);  // an empty first chunk counts as 0
    for (qsizetype k = 0; k < n; ++k) {
        const char16_t c = at(k);
        if (c == u' ') continue;
        if (isDigit(c)) {
            mod.add(c - u'0');
        } else {
            const int v = c - u'A' + 10;
            mod.add(v / 10);
            mod.add(v % 10);
        }
    }
    return mod.remainder() == 1;
}

bool isValidSiren(const QString& siren) {
    if (siren.size() != 9) return false;
    int sum = 0;
    for (int i = 0; i < 9; ++i) {
        const char16_t c = siren[i].unicode();
        if (!isDigit(c)) return false;
        int v = c - u'0';
        if (i % 2 == 1) {  // 2nd, 4th, 6th and 8th digits
            v *= 2;
            if (v >= 10) v -= 9;
        }
        sum += v;
    }
    return sum % 10 == 0;
}

}  // namespace vorna
