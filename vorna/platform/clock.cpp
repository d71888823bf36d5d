#include "platform/clock.h"

namespace vorna {

namespace {
QDateTime& pinned() {
    static QDateTime t;
    return t;
}
}  // namespace

QDateTime Clock::now() {
    if (pinned().isValid()) return pinned();
    QDateTime t = QDateTime::currentDateTime();
    t.setTime(QTime(t.time().hour(), t.time().minute(), t.time().second()));
    return t;
}

void Clock::pin(const QDateTime& t) { pinned() = t; }

void Clock::advance(qint64 seconds) {
    if (pinned().isValid()) pinned() = pinned().addSecs(seconds);
}

}  // namespace vorna
