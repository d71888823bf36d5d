#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QString>
#include <QTest>
#include <QWidget>
#include <ostream>

// Readable texts in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace vorna::test {

// Shows a window and makes it the active one. The offscreen platform activates windows on
// request, but a window activated by an earlier test may come back late: set it directly too.
inline bool showActive(QWidget* w) {
    w->show();
    w->activateWindow();
    QApplication::setActiveWindow(w);
    return QTest::qWaitForWindowActive(w);
}

// Types characters QTest cannot name (accented letters, symbols), one key event each.
inline void typeCharacters(QWidget* w, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &release);
    }
}

// Runs the deletions that unloaded windows left for the event loop.
inline void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

}  // namespace vorna::test
