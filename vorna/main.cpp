#include <QApplication>
#include <QDir>

#include "orderlist/frmlistordre.h"
#include "platform/singleinstance.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vorna"));

    // One running instance: a second start brings the running window forward and ends before
    // touching any file of the start folder.
    vorna::SingleInstance single(QStringLiteral("vorna-") + qEnvironmentVariable("USER", QStringLiteral("user")));
    if (!single.acquire()) return 0;

    auto& window = vorna::frmListOrdre::instance();
    single.setActivationHandler([&window] {
        if (window.isMinimized()) window.showNormal();
        window.raise();
        window.activateWindow();
    });
    window.show();
    return QApplication::exec();
}
