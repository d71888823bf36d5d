#include "orderentry/modrules.h"

#include "platform/dialogs.h"
#include "platform/text/ansi.h"

namespace vorna {

bool DecimalSeparatorIsPoint = false;

namespace {

bool isControlKey(int key) { return key == ansi::Backspace || key == ansi::Enter || key == ansi::Escape; }

// Letter and digit filters: upper-case, accept A-Z and 0-9, then the filter's own characters,
// then the three control keys.
int letterDigitFilter(int key, const char* others) {
    const int up = ansi::upper(key);
    if ((up >= 'A' && up <= 'Z') || (up >= '0' && up <= '9')) return up;
    for (const char* p = others; *p; ++p)
        if (up == *p) return up;
    if (isControlKey(key)) return key;
    beep();
    return 0;
}

}  // namespace

int keyFilterText(int key) { return letterDigitFilter(key, " .,-()/'+:"); }

int keyFilterNoSlash(int key) {
    if (key == '/') {
        beep();
        return 0;
    }
    return keyFilterText(key);
}

int keyFilterAlnum(int key) { return letterDigitFilter(key, ""); }

int keyFilterAmount(int key) {
    if (key >= '0' && key <= '9') return key;
    if (key == ',' || key == '.') return DecimalSeparatorIsPoint ? '.' : ',';
    if (isControlKey(key)) return key;
    beep();
    return 0;
}

int keyFilterReference(int key) { return letterDigitFilter(key, " .-+,"); }

int keyCodeOf(QChar c) { return ansi::code(c); }

}  // namespace vorna
