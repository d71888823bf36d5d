#pragma once

#include <QString>

namespace kesto {

// The tool's two kinds of message box, behind one seam so that tests can record them.
class Messages {
public:
    virtual ~Messages() = default;
    // The plain message dialog with its OK button.
    virtual void showMessage(const QString& text) = 0;
    // The default error dialog, for an error that stops the work.
    virtual void showError(const QString& text) = 0;
};

// Modal Qt message boxes over the active window.
class QtMessages : public Messages {
public:
    void showMessage(const QString& text) override;
    void showError(const QString& text) override;
};

}  // namespace kesto
