#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class QIODevice;

// File services of the program and of the pre-installation tool. Failures are thrown as
// vorna::VbError with the old runtime's numbers and a French description naming the file:
// 53 file not found, 76 path not found, 70 permission denied, 75 path/file access error,
// 58 file already exists. The error's source is the application's name.
namespace vorna::files {

namespace errnum {
constexpr long FileNotFound = 53;
constexpr long FileAlreadyExists = 58;
constexpr long PermissionDenied = 70;
constexpr long PathFileAccess = 75;
constexpr long PathNotFound = 76;
}  // namespace errnum

bool fileExists(const QString& path);
bool folderExists(const QString& path);

// The system's reason for a failure (an errno value), in French for the user: "Plus de place sur
// le disque", "Permission refusée"…; the C library's text for a rare one. Empty for 0.
QString systemErrorText(int error);
// Why a write to `device` failed: the system's reason `error` (errno read just after the failed
// call) when there is one, else the device's own text.
QString writeFailureText(const QIODevice& device, int error);
// Test hook: while set (not 0), every copyFile fails as if writing its target gave this errno
// value (a full disk, a read-only folder).
void failCopiesWith(int error);

// Why nothing may be written through `path`: it is a symbolic link that leads to something
// other than a plain file (a device, a fifo, a folder) or to nothing, or it is itself a device,
// a fifo or a socket. The French text names the path (and the link's target). Empty when `path`
// is a plain file, a link to one, a folder, or nothing at all.
QString unsafeWriteTarget(const QString& path);

// Plain copy; an existing target is replaced. Throws on failure, leaving no partial target (the
// copy is written beside the target and takes its name once complete, so a failed copy leaves an
// existing target as it was). A target that is a link to a plain file keeps its link: the file it
// leads to is replaced. Neither side may be a device or a fifo, nor a link to one (nor a target
// link that leads nowhere): 75, with unsafeWriteTarget's text.
void copyFile(const QString& from, const QString& to);
// Rename (move) within one file system; fails when the target exists.
void renameFile(const QString& from, const QString& to);
// Puts `from` in the place of `to` in one step (a rename over it), so that `to` is at every moment
// either the old file or the whole new one. `to` follows copyFile's rule on links; between two
// file systems, the move is a copy then a delete.
void replaceFile(const QString& from, const QString& to);
// Gives the file `from` a second name `to` (which must not exist: 58): a hard link, or where the
// file system has none, a copy that keeps the file's last change.
void keepUnder(const QString& from, const QString& to);
void deleteFile(const QString& path);
// Creates one folder level; false when it could not (its parent missing, no right, already there).
bool createFolder(const QString& path);

// Local time of last change; invalid when the file does not exist.
QDateTime lastModified(const QString& path);
// Tests age files with this. Throws when the file does not exist or its date cannot be set.
void setLastModified(const QString& path, const QDateTime& t);

// Read-only: the owner may not write it; hidden: its name begins with "."; system: never.
struct Attributes {
    bool readOnly = false;
    bool hidden = false;
    bool system = false;
};
// Throws when the file does not exist.
Attributes attributes(const QString& path);

struct Entry {
    QString name;   // name only, no folder
    bool isFolder = false;
};
// The entries of a folder ("." and ".." left out), folders included. Throws when the folder
// does not exist or cannot be listed (an empty text names no folder). Hidden entries are listed;
// the order is by name.
QList<Entry> listFolder(const QString& folder);

// Windows paths on Linux. The drive "c:" is the folder drive_c of the Windows-compatible
// prefix ($WINEPREFIX, default ~/.wine); each component after it is matched against the
// existing entries without regard to case ("program files" finds "Program Files"). A component
// that does not exist keeps the letters it was given. A path with no drive is returned with
// "\" turned into "/". Other drive letters go through the prefix's dosdevices links. Empty
// components and "." are dropped, ".." goes up (never above the drive), a final separator is kept.
// Two entries that differ only by case: the exact spelling wins, else the first by name.
QString mapWindowsPath(const QString& windowsPath);
// Tests point the prefix elsewhere; an empty text returns to $WINEPREFIX / ~/.wine.
void setWindowsPrefix(const QString& prefix);

}  // namespace vorna::files

namespace vorna {

// The few registry operations the program needs, behind a replaceable service. On Linux there is
// no registry: the default answers that no key exists, except the path of the system-information
// program ("HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Shared Tools\MSINFO", value "PATH"), which
// is the first of systemInformationPrograms() found on the search path.
class Registry {
public:
    virtual ~Registry() = default;
    // Deletes a key (a path ending with "\"); false when it did not exist or could not go.
    virtual bool deleteKey(const QString& key);
    // A string or number value of a key (the root's name first, "HKEY_LOCAL_MACHINE\..."); a
    // number comes as its decimal text. std::nullopt when absent.
    virtual std::optional<QString> readValue(const QString& key, const QString& name);

    // The system-information programs looked for, in order.
    static const QStringList& systemInformationPrograms();

    static Registry& current();
    static void install(Registry* r);  // not owned; nullptr returns to the default
};

}  // namespace vorna
