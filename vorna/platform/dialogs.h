#pragma once

#include <QString>
#include <optional>

class QTextDocument;
class QWidget;

namespace vorna {

enum class MsgButtons { OK, OKCancel, YesNo, RetryCancel };
enum class MsgIcon { None, Critical, Exclamation, Information, Question };
enum class MsgAnswer { OK, Cancel, Yes, No, Retry };

// Where a print goes: a printer by name, or a PDF file when there is no printer.
struct PrintTarget {
    QString printerName;  // empty: the default printer
    QString pdfPath;      // set: write a PDF there instead
};

// A file to write, as the save dialog asks for it.
struct SaveFileRequest {
    QString title;
    QString filter;         // one file type: "PDF (*.pdf)"
    QString defaultSuffix;  // added to a name given without extension: "pdf"
    QString suggestedName;  // the name first proposed, without folder and extension
};

// The PDF file that takes a printer's place when none is installed, proposed as `name`.
SaveFileRequest noPrinterPdfRequest(const QString& name);

// Every message box, question, beep, clipboard access, folder choice and print of the program
// goes through the one installed Dialogs. Production shows Qt dialogs; tests install a double
// that answers from a script and records every call.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A carriage return alone or followed by a line feed breaks the line. An empty title shows
    // the program's title.
    virtual MsgAnswer message(const QString& text, const QString& title, MsgButtons buttons, MsgIcon icon) = 0;
    virtual void beep() = 0;
    // Plain text of the clipboard; "" when it holds none.
    virtual QString clipboardText() = 0;
    virtual void setClipboardText(const QString& text) = 0;
    // Lets the user choose a folder, starting at `start`. The answer ends with "/";
    // std::nullopt when the user cancels.
    virtual std::optional<QString> chooseFolder(const QString& title, const QString& start) = 0;
    // Where a print should go; std::nullopt when the user cancels. Without a printer, a PDF
    // file (noPrinterPdfRequest, proposed as `name`).
    virtual std::optional<PrintTarget> choosePrintTarget(const QString& title, const QString& name) = 0;
    // Lets the user choose a file to write (exports, PDF files); std::nullopt on cancel. A
    // name given without extension gets the default suffix.
    virtual std::optional<QString> chooseSaveFile(const SaveFileRequest& request) = 0;
    // The name of the default printer; "" when no printer is installed.
    virtual QString defaultPrinterName() = 0;
    // Sends a document to the target: a printer (empty name: the default one) or a PDF file.
    // Throws VbError when the printer or the file cannot take it.
    virtual void print(QTextDocument& document, const PrintTarget& target, const QString& jobName) = 0;

    // The installed instance (the Qt one unless a test installed another).
    static Dialogs& current();
    // Installs `d` (not owned); nullptr returns to the Qt dialogs.
    static void install(Dialogs* d);
};

// Shorthands on the installed Dialogs.
MsgAnswer msgBox(const QString& text, MsgButtons buttons = MsgButtons::OK, MsgIcon icon = MsgIcon::None,
                 const QString& title = QString());
void beep();

// The Qt implementation.
class QtDialogs : public Dialogs {
public:
    MsgAnswer message(const QString& text, const QString& title, MsgButtons buttons, MsgIcon icon) override;
    void beep() override;
    QString clipboardText() override;
    void setClipboardText(const QString& text) override;
    std::optional<QString> chooseFolder(const QString& title, const QString& start) override;
    std::optional<PrintTarget> choosePrintTarget(const QString& title, const QString& name) override;
    std::optional<QString> chooseSaveFile(const SaveFileRequest& request) override;
    QString defaultPrinterName() override;
    void print(QTextDocument& document, const PrintTarget& target, const QString& jobName) override;
};

// Turns the old line breaks (CR LF, lone CR) into "\n" for display.
QString displayText(const QString& text);

}  // namespace vorna
