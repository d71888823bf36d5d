#include "kestomover.h"

#include "platform/files/files.h"
#include "platform/vberror.h"

namespace kesto {

namespace files = vorna::files;

namespace {
const QString WorkingDatabase = QStringLiteral("\\VornaW.mdb");

const CopyFiles& realFiles() {
    static const CopyFiles f;
    return f;
}
}  // namespace

KestoMover::Folders KestoMover::installedFolders() {
    return {{QStringLiteral("c:\\program files\\ostravelia des virements"),
             QStringLiteral("c:\\programmes\\ostravelia des virements")},
            QStringLiteral("c:\\KESTO")};
}

KestoMover::KestoMover(Folders folders, Messages& messages, const CopyFiles* files)
    : folders_(std::move(folders)), messages_(messages), files_(files ? *files : realFiles()) {}

bool KestoMover::run() {
    bool found = false;
    bool moved = false;
    for (const QString& folder : folders_.oldInstall) {
        if (!files::folderExists(files::mapWindowsPath(folder))) continue;
        found = true;
        const QString oldFile = files::mapWindowsPath(folder + WorkingDatabase);
        if (!files::fileExists(oldFile)) continue;
        const QString newFolder = files::mapWindowsPath(folders_.newData);
        if (!files::folderExists(newFolder)) files::createFolder(newFolder);
        try {
            CopyFileChunked(oldFile, files::mapWindowsPath(folders_.newData + WorkingDatabase), files_);
        } catch (const CopyError& e) {
            messages_.showError(e.message);
            return false;
        }
        try {
            files::deleteFile(oldFile);
        } catch (const vorna::VbError&) {
            // Ignored: the copy is already in place.
        }
        moved = true;
    }
    if (!found)
        messages_.showMessage(QStringLiteral("Les fichiers de l'application KESTO ne sont pas récupérables!"));
    else if (!moved)
        messages_.showMessage(QStringLiteral("L'installation de KESTO 2015-01 a déjà été faite!"));
    return true;
}

}  // namespace kesto
