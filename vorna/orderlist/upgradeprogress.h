#pragma once

#include <QElapsedTimer>
#include <QString>
#include <memory>

class QProgressDialog;

namespace vorna {

// The upgrade's progress for the user: a modal window that appears only once the work has
// lasted `delayMs` (counted from this object's creation), so that a short upgrade shows nothing.
// The upgrade's has no cancel button: an upgrade stopped half-way would only have to start
// again. The conversion of an old engine's file, whose length nothing tells, has a moving bar
// and a button that stops it.
class UpgradeProgressWindow {
public:
    explicit UpgradeProgressWindow(int delayMs = 1000);
    // A window for work of unknown length, with `label` and a stop button.
    UpgradeProgressWindow(QString label, int delayMs);
    ~UpgradeProgressWindow();
    UpgradeProgressWindow(const UpgradeProgressWindow&) = delete;
    UpgradeProgressWindow& operator=(const UpgradeProgressWindow&) = delete;

    // Rows copied so far, of `total` (an Upgrade::Progress).
    void update(qint64 done, qint64 total);
    // Work of unknown length goes on: shows the window once the delay has passed and lets the
    // events through. False once the user has asked to stop.
    bool waiting();

    // The window, once shown; nullptr before.
    QProgressDialog* dialog() const { return dialog_.get(); }

    static const QString Title;
    static const QString Label;
    // The conversion's label, before the file's name, and its stop button.
    static const QString ConversionLabel;
    static const QString StopButton;

private:
    bool show();

    QElapsedTimer elapsed_;
    int delayMs_;
    QString label_;
    bool stoppable_ = false;
    std::unique_ptr<QProgressDialog> dialog_;
};

}  // namespace vorna
