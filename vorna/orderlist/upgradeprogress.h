#pragma once

#include <QElapsedTimer>
#include <memory>

class QProgressDialog;

namespace vorna {

// The upgrade's progress for the user: a modal window that appears only once the work has
// lasted `delayMs` (counted from this object's creation), so that a short upgrade shows nothing.
// It has no cancel button: an upgrade stopped half-way would only have to start again.
class UpgradeProgressWindow {
public:
    explicit UpgradeProgressWindow(int delayMs = 1000);
    ~UpgradeProgressWindow();
    UpgradeProgressWindow(const UpgradeProgressWindow&) = delete;
    UpgradeProgressWindow& operator=(const UpgradeProgressWindow&) = delete;

    // Rows copied so far, of `total` (an Upgrade::Progress).
    void update(qint64 done, qint64 total);

    // The window, once shown; nullptr before.
    QProgressDialog* dialog() const { return dialog_.get(); }

    static const QString Title;
    static const QString Label;

private:
    QElapsedTimer elapsed_;
    int delayMs_;
    std::unique_ptr<QProgressDialog> dialog_;
};

}  // namespace vorna
