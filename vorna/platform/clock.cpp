#include "platform/clock.h"

#include <limits>

namespace vorna {

namespace {
QDateTime& pinned() {
    static QDateTime t;
    return t;
}
}  // namespace

QDateTime Clock::now() {
    if (pinned().isValid()) return pinned();
    // Read for every order a generation writes: the local time is worked out once a second.
    thread_local qint64 second = std::numeric_limits<qint64>::min();
    thread_local QDateTime local;
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    if (now != second) {
        local = QDateTime::fromSecsSinceEpoch(now);
        second = now;
    }
    return local;
}

void Clock::pin(const QDateTime& t) { pinned() = t; }

void Clock::advance(qint64 seconds) {
    if (pinned().isValid()) pinned() = pinned().addSecs(seconds);
}

}  // namespace vorna
