#pragma once

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
    // the file there (replacing the one there) and deletes the old file. Says when no old folder
    // exists, or when none held the file. True when the program should now end; false when a
    // copy failed: its error has been shown, the old file is kept and no further folder is
    // looked at.
    bool run();

private:
    Folders folders_;
    Messages& messages_;
    const CopyFiles& files_;
};

}  // namespace kesto
