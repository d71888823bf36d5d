#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include "kestocopy.h"
#include "kestomessages.h"

namespace kesto {

// Moves the working database of an older installation into the new data folder: all the work
// of the pre-installation window, without the window.
class KestoMover {
public:
    // Folders in the Windows form; each path is found on this system through the drive mapping
    // of the file services (a path without a drive is used as it is).
    struct Folders {
        QStringList oldInstall;  // looked at in this order
        QString newData;
    };
    // "c:\program files\ostravelia des virements", "c:\programmes\ostravelia des virements"
    // and "c:\KESTO".
    static Folders installedFolders();

    // `files` defaults to the real files; `messages` and `files` must outlive the mover.
    KestoMover(Folders folders, Messages& messages, const CopyFiles* files = nullptr);

    // For each old folder that holds "VornaW.mdb": creates the new folder when missing, copies
    // the file there and deletes the old file. A "VornaW.mdb" already in the new folder (another
    // installation's, or the first folder's copy) is first given the name keptName() of its last
    // change, beside it: nothing is lost, and the last copy ends as "VornaW.mdb". Says when no
    // old folder exists, or when none held the file. True when the program should now end; false
    // when a file could not be kept or copied: its error has been shown, the old file is kept,
    // the new folder is as it was, and no further folder is looked at. An old "VornaW.mdb" that
    // is no file (a folder, a fifo, a device, a link to one or to nothing) is named in an error
    // before anything is done, and false is answered with nothing changed.
    bool run();

    // "VornaW" + day, month, year, hour, minute, second of `lastChange` + ".mdb"; from the
    // second on (`rank` 2, 3…) "-2", "-3"… before ".mdb", for names already taken.
    static QString keptName(const QDateTime& lastChange, int rank = 1);

private:
    QString keepAside(const QString& file);
    static QString notADatabase(const QString& path);

    Folders folders_;
    Messages& messages_;
    const CopyFiles& files_;
};

}  // namespace kesto
