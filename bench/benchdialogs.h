#pragma once

#include <cstdio>

#include "platform/dialogs.h"

namespace vorna::bench {

// Message boxes go to the terminal and questions get a fixed answer: a bench never waits for a
// user. Everything else is Qt's own.
class PrintedDialogs : public QtDialogs {
public:
    explicit PrintedDialogs(MsgAnswer questionAnswer = MsgAnswer::No, bool printQuestions = true)
        : questionAnswer_(questionAnswer), printQuestions_(printQuestions) {}
    MsgAnswer message(const QString& text, const QString& title, MsgButtons buttons, MsgIcon) override {
        const bool question = buttons == MsgButtons::YesNo;
        if (!question || printQuestions_) std::fprintf(stderr, "[%s] %s\n", qPrintable(title), qPrintable(text));
        return question ? questionAnswer_ : MsgAnswer::OK;
    }
    void beep() override {}

private:
    MsgAnswer questionAnswer_;
    bool printQuestions_;
};

}  // namespace vorna::bench
