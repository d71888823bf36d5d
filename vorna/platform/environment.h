#pragma once

#include <QRect>
#include <QString>
#include <optional>

namespace vorna {

// Twips: the old runtime's unit for window geometry, 15 per pixel here.
constexpr int kTwipsPerPixel = 15;
constexpr int toTwips(int pixels) { return pixels * kTwipsPerPixel; }
// To the nearest pixel (halves away from zero): 100 twips are 7 pixels, not 6.
constexpr int toPixels(int twips) {
    const long long t = twips;
    return int(t >= 0 ? (t + kTwipsPerPixel / 2) / kTwipsPerPixel : -((-t + kTwipsPerPixel / 2) / kTwipsPerPixel));
}

// The smaller of two whole numbers (used to fit windows into the work area).
constexpr int minInt(int a, int b) { return a > b ? b : a; }

// The program's title, shown on message boxes that have no title of their own.
QString programTitle();

// Call first thing in main(), before any date is converted. With TZ unset, the C library
// looks at /etc/localtime again at every local-time conversion (a system call for each date
// read from the database); naming the file it reads anyway in TZ lets it read it once. A TZ
// already set is left as it is.
void settleTimeZone();

// The regional settings: the decimal separator. Tests choose it.
class Locale {
public:
    // True when the regional settings write decimals with "."; false for ",".
    static bool decimalSeparatorIsPoint();
    static QChar decimalSeparator() { return decimalSeparatorIsPoint() ? u'.' : u','; }
    // Forces the separator (tests); std::nullopt returns to the system's.
    static void force(std::optional<bool> isPoint);
};

// The screen's work area (the desktop less its panels), in twips.
class Screen {
public:
    static QRect workArea();
    // Forces the work area (tests); an invalid rectangle returns to the real one.
    static void force(const QRect& twips);
    // Scroll step hint of the order window: 100 twips, or 400 when forced.
    static int scrollStepHint();
    static void forceScrollStepHint(int twips);
};

// Ends the program at once, without the closing steps of its windows.
[[noreturn]] void endProgram(int code = 0);
// Tests replace the immediate end by an exception of this type.
struct ProgramEnded {
    int code;
};
void setEndProgramThrows(bool throws);

}  // namespace vorna
