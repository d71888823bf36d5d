#include "platform/files/files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/vberror.h"

namespace vorna::files {

namespace {

QString description(long number) {
    switch (number) {
    case errnum::FileNotFound: return QStringLiteral("Fichier introuvable");
    case errnum::FileAlreadyExists: return QStringLiteral("Le fichier existe déjà");
    case errnum::PermissionDenied: return QStringLiteral("Permission refusée");
    case errnum::PathNotFound: return QStringLiteral("Chemin d'accès introuvable");
    default: return QStringLiteral("Erreur d'accès au chemin/fichier");
    }
}

// With the system's reason when one is known.
[[noreturn]] void raise(long number, const QString& path, int error = 0) {
    const QString reason = systemErrorText(error);
    throw VbError(number, QCoreApplication::applicationName(),
                  description(number) + QStringLiteral(" : ") + path +
                      (reason.isEmpty() ? QString() : QStringLiteral(" (") + reason + u')'));
}

int& copyFault() {
    static int error = 0;
    return error;
}

bool parentIsFolder(const QString& path) { return QFileInfo(QFileInfo(path).absolutePath()).isDir(); }

// Why a file could not be opened or removed, told from what is on the disk now: the platform
// answers only "failed".
long failureOf(const QString& path, bool forWriting) {
    if (path.isEmpty()) return errnum::FileNotFound;
    const QFileInfo fi(path);
    if (!parentIsFolder(path)) return errnum::PathNotFound;
    if (fi.isDir()) return errnum::PathFileAccess;
    if (!forWriting && !fi.exists()) return errnum::FileNotFound;
    return errnum::PermissionDenied;
}

long fromErrno(int e) {
    switch (e) {
    case ENOENT:
    case ENOTDIR: return errnum::PathNotFound;
    case EACCES:
    case EPERM: return errnum::PermissionDenied;
    default: return errnum::PathFileAccess;
    }
}

QString& prefixOverride() {
    static QString p;
    return p;
}

QString windowsPrefix() {
    QString p = prefixOverride();
    if (p.isEmpty()) p = qEnvironmentVariable("WINEPREFIX");
    if (p.isEmpty()) p = QDir::homePath() + QStringLiteral("/.wine");
    while (p.size() > 1 && p.endsWith(u'/')) p.chop(1);
    return p;
}

// The entry of `folder` that `name` means: itself when it exists, else the first whose name
// differs only by case, else `name` unchanged.
QString matchEntry(const QString& folder, const QString& name) {
    const QString exact = folder + u'/' + name;
    if (QFileInfo::exists(exact) || QFileInfo(exact).isSymLink()) return name;
    const QStringList entries = QDir(folder).entryList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& e : entries)
        if (e.compare(name, Qt::CaseInsensitive) == 0) return e;
    return name;
}

// A link that leads to a plain file is used through: its target. Anything else: as it is.
QString writeTargetOf(const QString& path) {
    const QFileInfo fi(path);
    return fi.isSymLink() && fi.isFile() ? fi.canonicalFilePath() : path;
}

void refuseUnsafe(const QString& path) {
    const QString why = unsafeWriteTarget(path);
    if (!why.isEmpty()) throw VbError(errnum::PathFileAccess, QCoreApplication::applicationName(), why);
}

}  // namespace

QString systemErrorText(int error) {
    switch (error) {
    case 0: return QString();
    case ENOSPC: return QStringLiteral("Plus de place sur le disque");
    case EDQUOT: return QStringLiteral("Quota d'espace disque dépassé");
    case EROFS: return QStringLiteral("Le disque est en lecture seule");
    case EACCES:
    case EPERM: return QStringLiteral("Permission refusée");
    case EISDIR: return QStringLiteral("C'est un dossier");
    case ENOTDIR: return QStringLiteral("Un élément du chemin n'est pas un dossier");
    case ENOENT: return QStringLiteral("Fichier ou dossier introuvable");
    case EEXIST: return QStringLiteral("Le fichier existe déjà");
    case EIO: return QStringLiteral("Erreur d'entrée/sortie sur le disque");
    case EFBIG: return QStringLiteral("Fichier trop volumineux");
    case ENAMETOOLONG: return QStringLiteral("Nom de fichier trop long");
    case EBUSY:
    case ETXTBSY: return QStringLiteral("Fichier en cours d'utilisation");
    case EMFILE:
    case ENFILE: return QStringLiteral("Trop de fichiers ouverts");
    case ELOOP: return QStringLiteral("Trop de liens symboliques");
    case ENOLCK: return QStringLiteral("Le système ne peut pas poser de verrou");
    default: return QString::fromLocal8Bit(::strerror(error));
    }
}

QString writeFailureText(const QIODevice& device, int error) {
    if (error != 0) return systemErrorText(error);
    return device.errorString();
}

void failCopiesWith(int error) { copyFault() = error; }

QString unsafeWriteTarget(const QString& path) {
    if (path.isEmpty()) return QString();
    struct stat own;
    if (::lstat(QFile::encodeName(path).constData(), &own) != 0) return QString();
    if (S_ISLNK(own.st_mode)) {
        const QString target = QFileInfo(path).symLinkTarget();
        struct stat led;
        if (::stat(QFile::encodeName(path).constData(), &led) != 0)
            return QStringLiteral("« %1 » est un lien vers « %2 », qui n'existe pas.").arg(path, target);
        if (S_ISREG(led.st_mode)) return QString();
        return QStringLiteral("« %1 » est un lien vers « %2 », qui n'est pas un fichier ordinaire.").arg(path, target);
    }
    if (S_ISREG(own.st_mode) || S_ISDIR(own.st_mode)) return QString();
    return QStringLiteral("« %1 » n'est pas un fichier ordinaire.").arg(path);
}

bool fileExists(const QString& path) { return !path.isEmpty() && QFileInfo(path).isFile(); }

bool folderExists(const QString& path) { return !path.isEmpty() && QFileInfo(path).isDir(); }

void copyFile(const QString& from, const QString& to) {
    QFile in(from);
    // A fifo would never end the read, a device never end it or give a file.
    if (!from.isEmpty() && QFileInfo::exists(from) && !QFileInfo(from).isDir()) refuseUnsafe(from);
    if (QFileInfo(from).isDir()) raise(errnum::PathFileAccess, from, EISDIR);
    if (from.isEmpty() || !in.open(QIODevice::ReadOnly)) raise(failureOf(from, false), from);
    if (to.isEmpty()) raise(errnum::PathNotFound, to);
    refuseUnsafe(to);
    QSaveFile out(writeTargetOf(to));
    if (QFileInfo(to).isDir()) raise(errnum::PathFileAccess, to, EISDIR);
    errno = 0;
    if (copyFault() != 0 || !out.open(QIODevice::WriteOnly)) {
        const int error = copyFault() ? copyFault() : errno;
        raise(failureOf(to, true), to, error);
    }
    QByteArray buffer(64 * 1024, Qt::Uninitialized);
    for (;;) {
        const qint64 n = in.read(buffer.data(), buffer.size());
        if (n < 0) raise(errnum::PathFileAccess, from);
        if (n == 0) break;
        errno = 0;
        if (out.write(buffer.constData(), n) != n) raise(errnum::PathFileAccess, to, errno);
    }
    // The temporary copy goes with `out` when the commit fails.
    errno = 0;
    if (!out.commit()) {
        const int error = errno;
        raise(failureOf(to, true), to, error);
    }
}

void renameFile(const QString& from, const QString& to) {
    if (!fileExists(from) && !folderExists(from)) raise(failureOf(from, false), from);
    if (to.isEmpty() || !parentIsFolder(to)) raise(errnum::PathNotFound, to);
    if (folderExists(to)) raise(errnum::PathFileAccess, to, EISDIR);
    if (QFileInfo::exists(to) || QFileInfo(to).isSymLink()) raise(errnum::FileAlreadyExists, to);
    errno = 0;
    if (!QFile::rename(from, to)) raise(errnum::PermissionDenied, from, errno);
}

void replaceFile(const QString& from, const QString& to) {
    if (!fileExists(from)) raise(failureOf(from, false), from);
    if (to.isEmpty() || !parentIsFolder(to)) raise(errnum::PathNotFound, to);
    refuseUnsafe(to);
    if (folderExists(to)) raise(errnum::PathFileAccess, to, EISDIR);
    const QString target = writeTargetOf(to);
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(target).constData()) == 0) return;
    if (const int error = errno; error != EXDEV) raise(fromErrno(error), to, error);
    copyFile(from, target);
    deleteFile(from);
}

void keepUnder(const QString& from, const QString& to) {
    if (!fileExists(from)) raise(failureOf(from, false), from);
    if (to.isEmpty() || !parentIsFolder(to)) raise(errnum::PathNotFound, to);
    if (QFileInfo::exists(to) || QFileInfo(to).isSymLink()) raise(errnum::FileAlreadyExists, to);
    // A link is followed: the second name is the file's, not the link's.
    if (::linkat(AT_FDCWD, QFile::encodeName(from).constData(), AT_FDCWD, QFile::encodeName(to).constData(),
                 AT_SYMLINK_FOLLOW) == 0)
        return;
    if (errno == EEXIST) raise(errnum::FileAlreadyExists, to);
    const QDateTime changed = lastModified(from);
    copyFile(from, to);
    setLastModified(to, changed);
}

void deleteFile(const QString& path) {
    if (!fileExists(path) && !QFileInfo(path).isSymLink()) {
        if (folderExists(path)) raise(errnum::PathFileAccess, path);
        raise(failureOf(path, false), path);
    }
    if (!QFile::remove(path)) raise(failureOf(path, true), path);
}

bool createFolder(const QString& path) { return !path.isEmpty() && QDir().mkdir(path); }

QDateTime lastModified(const QString& path) {
    if (path.isEmpty()) return QDateTime();
    const QFileInfo fi(path);
    return fi.exists() ? fi.lastModified() : QDateTime();
}

void setLastModified(const QString& path, const QDateTime& t) {
    if (path.isEmpty() || !QFileInfo::exists(path)) raise(failureOf(path, false), path);
    const qint64 ms = t.toMSecsSinceEpoch();
    timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(ms / 1000);
    times[1].tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
    if (times[1].tv_nsec < 0) {
        times[1].tv_sec -= 1;
        times[1].tv_nsec += 1000000000L;
    }
    if (::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) != 0) raise(fromErrno(errno), path);
}

Attributes attributes(const QString& path) {
    const QFileInfo fi(path);
    if (path.isEmpty() || !fi.exists()) raise(failureOf(path, false), path);
    Attributes a;
    a.readOnly = !(fi.permissions() & QFileDevice::WriteOwner);
    a.hidden = fi.fileName().startsWith(u'.');
    return a;
}

QList<Entry> listFolder(const QString& folder) {
    if (folder.isEmpty()) raise(errnum::PathNotFound, folder);
    // The platform's listing answers an empty list for a folder it cannot read; opening the
    // folder first tells the failure apart from an empty folder.
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir) raise(fromErrno(errno), folder);
    ::closedir(dir);
    QList<Entry> entries;
    const QFileInfoList infos = QDir(folder).entryInfoList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
    for (const QFileInfo& fi : infos) entries << Entry{fi.fileName(), fi.isDir()};
    return entries;
}

QString mapWindowsPath(const QString& windowsPath) {
    const bool hasDrive = windowsPath.size() >= 2 && windowsPath[1] == u':' && windowsPath[0].isLetter() &&
                          windowsPath[0].unicode() < 128;
    if (!hasDrive) return QString(windowsPath).replace(u'\\', u'/');
    const QChar letter = windowsPath[0].toLower();
    const QString drive = letter == u'c' ? windowsPrefix() + QStringLiteral("/drive_c")
                                         : windowsPrefix() + QStringLiteral("/dosdevices/") + letter + u':';
    const QString rest = windowsPath.mid(2);
    QString path = drive;
    QList<qsizetype> ends;  // where each component starts, to go up on ".."
    for (const QString& component : rest.split(QRegularExpression(QStringLiteral("[\\\\/]")), Qt::SkipEmptyParts)) {
        if (component == QLatin1String(".")) continue;
        if (component == QLatin1String("..")) {
            if (!ends.isEmpty()) path.truncate(ends.takeLast());
            continue;
        }
        ends << path.size();
        path += u'/' + matchEntry(path, component);
    }
    if (rest.endsWith(u'\\') || rest.endsWith(u'/')) path += u'/';
    return path;
}

void setWindowsPrefix(const QString& prefix) { prefixOverride() = prefix; }

}  // namespace vorna::files

namespace vorna {

namespace {
Registry* installedRegistry = nullptr;
}

bool Registry::deleteKey(const QString&) { return false; }

const QStringList& Registry::systemInformationPrograms() {
    static const QStringList programs{
        QStringLiteral("hardinfo2"),          QStringLiteral("hardinfo"),           QStringLiteral("kinfocenter"),
        QStringLiteral("gnome-system-monitor"), QStringLiteral("mate-system-monitor"), QStringLiteral("xfce4-taskmanager"),
        QStringLiteral("lxtask")};
    return programs;
}

std::optional<QString> Registry::readValue(const QString& key, const QString& name) {
    // The one value the program reads: the path of the system-information program, here the
    // first of the desktop's own that the search path holds.
    static const QString msinfo = QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
    if (key.compare(msinfo, Qt::CaseInsensitive) != 0 || name.compare(QLatin1String("PATH"), Qt::CaseInsensitive) != 0)
        return std::nullopt;
    for (const QString& program : systemInformationPrograms()) {
        const QString path = QStandardPaths::findExecutable(program);
        if (!path.isEmpty()) return path;
    }
    return std::nullopt;
}

Registry& Registry::current() {
    static Registry none;
    return installedRegistry ? *installedRegistry : none;
}

void Registry::install(Registry* r) { installedRegistry = r; }

}  // namespace vorna
