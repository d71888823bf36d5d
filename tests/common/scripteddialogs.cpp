#include "common/scripteddialogs.h"

#include <QFontInfo>
#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

namespace vorna::test {

ScriptedDialogs::ScriptedDialogs() : previous_(&Dialogs::current()) { Dialogs::install(this); }

ScriptedDialogs::~ScriptedDialogs() {
    // The Qt dialogs are the default; a nested double gives the place back to the outer one.
    Dialogs::install(dynamic_cast<QtDialogs*>(previous_) ? nullptr : previous_);
}

MsgAnswer ScriptedDialogs::message(const QString& text, const QString& title, MsgButtons buttons, MsgIcon icon) {
    const Message m{text, title, buttons, icon};
    messages << m;
    if (!hooks.empty()) {
        auto hook = std::move(hooks.front());
        hooks.pop_front();
        hook(m);
    }
    if (!answers.empty()) {
        const MsgAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    switch (buttons) {
    case MsgButtons::OK:
    case MsgButtons::OKCancel: return MsgAnswer::OK;
    case MsgButtons::YesNo: return MsgAnswer::Yes;
    case MsgButtons::RetryCancel: return MsgAnswer::Retry;
    }
    return MsgAnswer::OK;
}

std::optional<QString> ScriptedDialogs::chooseFolder(const QString&, const QString& start) {
    folderRequests << start;
    std::optional<QString> f;
    if (!folders.empty()) {
        f.swap(folders.front());
        folders.pop_front();
    }
    return f;
}

std::optional<PrintTarget> ScriptedDialogs::choosePrintTarget(const QString&, const QString&) { return printTarget; }

std::optional<QString> ScriptedDialogs::chooseSaveFile(const SaveFileRequest& request) {
    saveFileRequests << request;
    return saveFile;
}

void ScriptedDialogs::print(QTextDocument& document, const PrintTarget& target, const QString& jobName) {
    const QFont font = document.defaultFont();
    document.documentLayout()->documentSize();  // lays the whole document out
    QStringList wrapped;
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next())
        if (b.layout() && b.layout()->lineCount() > 1) wrapped << b.text();
    prints << Printed{document.toPlainText().split(u'\n'), font.family(), QFontInfo(font).fixedPitch(), target, jobName,
                      wrapped};
}

QStringList ScriptedDialogs::texts() const {
    QStringList l;
    for (const auto& m : messages) l << m.text;
    return l;
}

QStringList ScriptedDialogs::titles() const {
    QStringList l;
    for (const auto& m : messages) l << m.title;
    return l;
}

}  // namespace vorna::test
