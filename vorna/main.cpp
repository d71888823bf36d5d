#include <QApplication>
#include <QPointer>

#include "orderlist/frmlistordre.h"
#include "platform/dialogs.h"
#include "platform/catalogues.h"
#include "platform/environment.h"
#include "platform/forms/form.h"
#include "platform/singleinstance.h"

int main(int argc, char** argv) {
    // Dates are converted to and from local time by the thousand (the list, the generation):
    // the time zone is read once, not at each conversion.
    vorna::settleTimeZone();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vorna"));
    vorna::installFrenchCatalogues();

    // One running instance per user: a second start brings the running window forward and ends
    // before touching any file of the start folder.
    vorna::SingleInstance single(QStringLiteral("vorna"));
    switch (single.acquire()) {
    case vorna::SingleInstance::Outcome::Acquired: break;
    case vorna::SingleInstance::Outcome::AlreadyRunning: return 0;
    case vorna::SingleInstance::Outcome::Busy:
        // The running instance has not answered: blocked in a long step, with no window to show.
        vorna::msgBox(single.errorString(), vorna::MsgButtons::OK, vorna::MsgIcon::Information,
                      QStringLiteral("Ostravelia des virements"));
        return 0;
    case vorna::SingleInstance::Outcome::Failed:
        vorna::msgBox(single.errorString() + QStringLiteral("\r\n\r\nLe programme ne peut pas démarrer."),
                      vorna::MsgButtons::OK, vorna::MsgIcon::Critical, QStringLiteral("Exécution impossible"));
        return 1;
    }

    QPointer<vorna::frmListOrdre> window = &vorna::frmListOrdre::instance();
    single.setActivationHandler([window] {
        // The window the user works in: a modal one, else the list, else whichever is left
        // (the settings, once the list has been closed).
        QWidget* w = QApplication::activeModalWidget();
        if (!w && window && window->isVisible()) w = window;
        if (!w) w = vorna::forms::ownerWindow();
        for (QWidget* top : QApplication::topLevelWidgets())
            if (!w && top->isVisible() && qobject_cast<vorna::forms::Form*>(top)) w = top;
        if (!w) return;
        if (w->isMinimized()) w->showNormal();
        w->raise();
        w->activateWindow();
    });
    window->show();
    return QApplication::exec();
}
