#include <QApplication>

#include "kesto_recuperation_base.h"
#include "kestomessages.h"
#include "kestomover.h"
#include "platform/catalogues.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kesto2015"));
    vorna::installFrenchCatalogues();
    kesto::QtMessages messages;
    kesto::KestoMover mover(kesto::KestoMover::installedFolders(), messages);
    kesto::TForm_KESTO_Rename_Repertoire Form_KESTO_Rename_Repertoire(mover);
    Form_KESTO_Rename_Repertoire.show();
    // The work starts on activation: ask for it rather than wait for the user's click.
    Form_KESTO_Rename_Repertoire.activateWindow();
    return app.exec();
}
