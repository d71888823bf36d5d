#pragma once

#include <QDateTime>

namespace vorna {

// The one source of "now" for the whole program: dates of creation and generation, the stamps
// of the order file, the purge and the clean-up. Tests pin it.
class Clock {
public:
    // Local time, whole seconds.
    static QDateTime now();
    // Pins the clock to a fixed instant (tests); an invalid value returns to the system clock.
    static void pin(const QDateTime& t);
    // Moves a pinned clock forward.
    static void advance(qint64 seconds);
};

}  // namespace vorna
