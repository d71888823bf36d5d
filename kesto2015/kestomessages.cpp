#include "kestomessages.h"

#include <QApplication>
#include <QMessageBox>

namespace kesto {

namespace {
void show(const QString& text, QMessageBox::Icon icon) {
    QMessageBox box(icon, QStringLiteral("Kesto2015"), text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}
}  // namespace

void QtMessages::showMessage(const QString& text) { show(text, QMessageBox::NoIcon); }

void QtMessages::showError(const QString& text) { show(text, QMessageBox::Critical); }

}  // namespace kesto
