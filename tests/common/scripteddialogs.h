#pragma once

#include <QList>
#include <QString>
#include <deque>
#include <functional>

#include "platform/dialogs.h"

namespace vorna::test {

// A Dialogs double: answers message boxes from a queue, records every call, counts beeps and
// holds the clipboard. Installed for its lifetime.
class ScriptedDialogs : public Dialogs {
public:
    struct Message {
        QString text;
        QString title;
        MsgButtons buttons;
        MsgIcon icon;
    };

    ScriptedDialogs();
    ~ScriptedDialogs() override;

    // The next message box gets this answer. Unscripted boxes get their first button.
    void answer(MsgAnswer a) { answers.push_back(a); }
    // Runs `f` when the next message box shows (before it answers), e.g. to look at the screen.
    void onNextMessage(std::function<void(const Message&)> f) { hooks.push_back(std::move(f)); }
    // The next folder choice answers this (std::nullopt: cancelled).
    void answerFolder(std::optional<QString> folder) { folders.push_back(std::move(folder)); }

    MsgAnswer message(const QString& text, const QString& title, MsgButtons buttons, MsgIcon icon) override;
    void beep() override { ++beeps; }
    QString clipboardText() override { return clipboard; }
    void setClipboardText(const QString& text) override { clipboard = text; }
    std::optional<QString> chooseFolder(const QString& title, const QString& start) override;
    std::optional<PrintTarget> choosePrintTarget(const QString& title, const QString& name) override;
    std::optional<QString> chooseSaveFile(const SaveFileRequest& request) override;
    QString defaultPrinterName() override { return defaultPrinter; }
    // Records the document (its plain text, one entry per line) instead of printing it.
    void print(QTextDocument& document, const PrintTarget& target, const QString& jobName) override;

    // Texts of the recorded messages, in order.
    QStringList texts() const;
    QStringList titles() const;

    QList<Message> messages;
    std::deque<MsgAnswer> answers;
    std::deque<std::function<void(const Message&)>> hooks;
    std::deque<std::optional<QString>> folders;
    QStringList folderRequests;  // start folder of each folder choice
    int beeps = 0;
    QString clipboard;
    std::optional<PrintTarget> printTarget;  // answer of choosePrintTarget
    std::optional<QString> saveFile;         // answer of chooseSaveFile
    QList<SaveFileRequest> saveFileRequests;  // each file choice
    QString defaultPrinter;                  // "" : no printer installed
    struct Printed {
        QStringList lines;
        QString fontFamily;
        bool fixedPitch = false;
        PrintTarget target;
        QString jobName;
        // The lines the document's own layout breaks onto more than one line.
        QStringList wrapped;
    };
    QList<Printed> prints;

private:
    Dialogs* previous_;
};

}  // namespace vorna::test
