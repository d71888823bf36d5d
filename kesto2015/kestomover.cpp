#include "kestomover.h"

#include <QDir>
#include <QFileInfo>

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

QString KestoMover::keptName(const QDateTime& lastChange, int rank) {
    return QStringLiteral("VornaW") + lastChange.toString(QStringLiteral("ddMMyyyyHHmmss")) +
           (rank > 1 ? QStringLiteral("-%1").arg(rank) : QString()) + QStringLiteral(".mdb");
}

// Gives `file` the first free name keptName() of its last change, in its folder; answers it.
QString KestoMover::keepAside(const QString& file) {
    const QDir folder = QFileInfo(file).dir();
    const QDateTime changed = files::lastModified(file);
    for (int rank = 1;; ++rank) {
        const QString name = folder.filePath(keptName(changed, rank));
        if (QFileInfo::exists(name) || QFileInfo(name).isSymLink()) continue;
        files::renameFile(file, name);
        return name;
    }
}

KestoMover::Folders KestoMover::installedFolders() {
    return {{QStringLiteral("c:\\program files\\ostravelia des virements"),
             QStringLiteral("c:\\programmes\\ostravelia des virements")},
            QStringLiteral("c:\\KESTO")};
}

KestoMover::KestoMover(Folders folders, Messages& messages, const CopyFiles* files)
    : folders_(std::move(folders)), messages_(messages), files_(files ? *files : realFiles()) {}

// Something other than a file stands under the working database's name in an old folder (a
// folder, a fifo, a device, a link to one or to nothing): it is no database, and nothing may
// be read through it. The text names it; empty when there is nothing or a file (or a link to
// one).
QString KestoMover::notADatabase(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) return QString();
    QString why = files::unsafeWriteTarget(path);
    if (why.isEmpty() && info.isDir()) why = QStringLiteral("« %1 » est un dossier.").arg(path);
    if (why.isEmpty()) return QString();
    return QStringLiteral("Le fichier de données %1 n'est pas une base de données : ").arg(path) + why +
           QStringLiteral("\n\nRien n'a été modifié.");
}

bool KestoMover::run() {
    // Nothing moves before each old file is known to be one.
    for (const QString& folder : folders_.oldInstall) {
        const QString why = notADatabase(files::mapWindowsPath(folder + WorkingDatabase));
        if (why.isEmpty()) continue;
        messages_.showError(why);
        return false;
    }
    bool found = false;
    bool moved = false;
    for (const QString& folder : folders_.oldInstall) {
        if (!files::folderExists(files::mapWindowsPath(folder))) continue;
        found = true;
        const QString oldFile = files::mapWindowsPath(folder + WorkingDatabase);
        if (!files::fileExists(oldFile)) continue;
        const QString newFolder = files::mapWindowsPath(folders_.newData);
        if (!files::folderExists(newFolder)) files::createFolder(newFolder);
        const QString newFile = files::mapWindowsPath(folders_.newData + WorkingDatabase);
        QString kept;
        if (files::fileExists(newFile)) {
            try {
                kept = keepAside(newFile);
            } catch (const vorna::VbError&) {
                messages_.showError(QStringLiteral("Impossible de conserver le fichier %1").arg(newFile));
                return false;
            }
        }
        try {
            CopyFileChunked(oldFile, newFile, files_);
        } catch (const CopyError& e) {
            // The file that was there takes its name back.
            if (!kept.isEmpty()) {
                try {
                    files::renameFile(kept, newFile);
                } catch (const vorna::VbError&) {
                }
            }
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
