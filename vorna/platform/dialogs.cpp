#include "platform/dialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPointer>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextDocument>

#include "platform/environment.h"
#include "platform/vberror.h"

#include "platform/forms/form.h"

namespace vorna {

namespace {
Dialogs* installed = nullptr;
}

Dialogs& Dialogs::current() {
    static QtDialogs qt;
    return installed ? *installed : qt;
}

void Dialogs::install(Dialogs* d) { installed = d; }

MsgAnswer msgBox(const QString& text, MsgButtons buttons, MsgIcon icon, const QString& title) {
    return Dialogs::current().message(text, title, buttons, icon);
}

void beep() { Dialogs::current().beep(); }

QString displayText(const QString& text) {
    QString s = text;
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(u'\r', u'\n');
    return s;
}

namespace {
// A message belongs to the window the user works in, and the focus goes back to the control
// that had it once the message is answered.
class FocusReturn {
public:
    FocusReturn() : control_(QApplication::focusWidget()), owner_(forms::ownerWindow()) {}
    ~FocusReturn() { forms::returnFocusTo(control_ ? control_.data() : owner_.data()); }
    QWidget* owner() const { return owner_; }

private:
    QPointer<QWidget> control_;
    QPointer<QWidget> owner_;
};
}  // namespace

MsgAnswer QtDialogs::message(const QString& text, const QString& title, MsgButtons buttons, MsgIcon icon) {
    FocusReturn focus;
    QMessageBox box(focus.owner());
    box.setWindowTitle(title.isEmpty() ? programTitle() : title);
    box.setText(displayText(text));
    switch (icon) {
    case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MsgIcon::Critical: box.setIcon(QMessageBox::Critical); break;
    case MsgIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    }
    struct Choice {
        QString caption;
        MsgAnswer answer;
        QMessageBox::ButtonRole role;
    };
    QList<Choice> choices;
    switch (buttons) {
    case MsgButtons::OK: choices = {{QStringLiteral("OK"), MsgAnswer::OK, QMessageBox::AcceptRole}}; break;
    case MsgButtons::OKCancel:
        choices = {{QStringLiteral("OK"), MsgAnswer::OK, QMessageBox::AcceptRole},
                   {QStringLiteral("Annuler"), MsgAnswer::Cancel, QMessageBox::RejectRole}};
        break;
    case MsgButtons::YesNo:
        choices = {{QStringLiteral("&Oui"), MsgAnswer::Yes, QMessageBox::YesRole},
                   {QStringLiteral("&Non"), MsgAnswer::No, QMessageBox::NoRole}};
        break;
    case MsgButtons::RetryCancel:
        choices = {{QStringLiteral("&Réessayer"), MsgAnswer::Retry, QMessageBox::AcceptRole},
                   {QStringLiteral("Annuler"), MsgAnswer::Cancel, QMessageBox::RejectRole}};
        break;
    }
    QList<QPushButton*> pushButtons;
    for (const Choice& c : choices) pushButtons << box.addButton(c.caption, c.role);
    box.setDefaultButton(pushButtons.first());
    // Escape answers the last choice (Cancel or No), or OK when it is the only one.
    box.setEscapeButton(pushButtons.last());
    box.exec();
    for (int i = 0; i < choices.size(); ++i)
        if (box.clickedButton() == pushButtons[i]) return choices[i].answer;
    return choices.last().answer;
}

void QtDialogs::beep() { QApplication::beep(); }

QString QtDialogs::clipboardText() { return QGuiApplication::clipboard()->text(); }

void QtDialogs::setClipboardText(const QString& text) { QGuiApplication::clipboard()->setText(text); }

std::optional<QString> QtDialogs::chooseFolder(const QString& title, const QString& start) {
    FocusReturn focus;
    const QString dir = QFileDialog::getExistingDirectory(focus.owner(), title, start);
    if (dir.isEmpty()) return std::nullopt;
    return dir.endsWith(u'/') ? dir : dir + u'/';
}

SaveFileRequest noPrinterPdfRequest(const QString& name) {
    return {QStringLiteral("Aucune imprimante : enregistrer en PDF"), QStringLiteral("PDF (*.pdf)"), QStringLiteral("pdf"),
            name};
}

std::optional<PrintTarget> QtDialogs::choosePrintTarget(const QString& title, const QString& name) {
    if (defaultPrinterName().isEmpty()) {
        const std::optional<QString> path = chooseSaveFile(noPrinterPdfRequest(name));
        if (!path) return std::nullopt;
        return PrintTarget{QString(), *path};
    }
    FocusReturn focus;
    QPrinter printer;
    printer.setDocName(name);
    QPrintDialog dialog(&printer, focus.owner());
    dialog.setWindowTitle(title);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    if (printer.outputFormat() == QPrinter::PdfFormat) return PrintTarget{QString(), printer.outputFileName()};
    return PrintTarget{printer.printerName(), QString()};
}

std::optional<QString> QtDialogs::chooseSaveFile(const SaveFileRequest& request) {
    FocusReturn focus;
    // Owned here and by the window: whichever goes first, the other knows.
    QPointer<QFileDialog> dialog = new QFileDialog(focus.owner(), request.title, QString(), request.filter);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setDefaultSuffix(request.defaultSuffix);
    if (!request.suggestedName.isEmpty()) {
        // Characters that no file name takes become "_".
        QString name = request.suggestedName.trimmed();
        static const QRegularExpression forbidden(QStringLiteral("[/\\\\:*?\"<>|\\x00-\\x1f]"));
        name.replace(forbidden, QStringLiteral("_"));
        dialog->selectFile(request.defaultSuffix.isEmpty() ? name : name + u'.' + request.defaultSuffix);
    }
    const bool accepted = dialog->exec() == QDialog::Accepted;
    if (!dialog) return std::nullopt;
    const QStringList chosen = dialog->selectedFiles();
    delete dialog.data();
    if (!accepted || chosen.isEmpty() || chosen.first().isEmpty()) return std::nullopt;
    QString path = chosen.first();
    // A desktop's own dialog may leave the suffix out.
    if (!request.defaultSuffix.isEmpty() && QFileInfo(path).suffix().isEmpty()) path += u'.' + request.defaultSuffix;
    return path;
}

QString QtDialogs::defaultPrinterName() {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (!info.isNull()) return info.printerName();
    // A machine with printers but none marked as the default prints on the first.
    const QStringList names = QPrinterInfo::availablePrinterNames();
    return names.isEmpty() ? QString() : names.first();
}

void QtDialogs::print(QTextDocument& document, const PrintTarget& target, const QString& jobName) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(jobName);
    if (!target.pdfPath.isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(target.pdfPath);
    } else if (!target.printerName.isEmpty()) {
        printer.setPrinterName(target.printerName);
    }
    if (!printer.isValid())
        throw VbError(482, programTitle(), QStringLiteral("L'imprimante « %1 » n'est pas disponible.").arg(printer.printerName()));
    document.print(&printer);
    if (printer.printerState() == QPrinter::Error) {
        const QString where = target.pdfPath.isEmpty() ? printer.printerName() : target.pdfPath;
        throw VbError(482, programTitle(), QStringLiteral("L'impression vers « %1 » a échoué.").arg(where));
    }
}

}  // namespace vorna
