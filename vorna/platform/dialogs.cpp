#include "platform/dialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTextDocument>

#include "platform/environment.h"
#include "platform/vberror.h"

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

MsgAnswer QtDialogs::message(const QString& text, const QString& title, MsgButtons buttons, MsgIcon icon) {
    QMessageBox box(QApplication::activeWindow());
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
    const QString dir = QFileDialog::getExistingDirectory(QApplication::activeWindow(), title, start);
    if (dir.isEmpty()) return std::nullopt;
    return dir.endsWith(u'/') ? dir : dir + u'/';
}

std::optional<PrintTarget> QtDialogs::choosePrintTarget(const QString& title) {
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        const QString path = QFileDialog::getSaveFileName(QApplication::activeWindow(), title, QString(),
                                                          QStringLiteral("PDF (*.pdf)"));
        if (path.isEmpty()) return std::nullopt;
        return PrintTarget{QString(), path};
    }
    QPrinter printer;
    QPrintDialog dialog(&printer, QApplication::activeWindow());
    dialog.setWindowTitle(title);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    if (printer.outputFormat() == QPrinter::PdfFormat) return PrintTarget{QString(), printer.outputFileName()};
    return PrintTarget{printer.printerName(), QString()};
}

std::optional<QString> QtDialogs::chooseSaveFile(const QString& title, const QString& filter) {
    const QString path = QFileDialog::getSaveFileName(QApplication::activeWindow(), title, QString(), filter);
    if (path.isEmpty()) return std::nullopt;
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
