#include "platform/singleinstance.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/files.h"

namespace vorna {

namespace {

QByteArray native(const QString& path) { return QFile::encodeName(path); }

bool isOwnFolder(const QString& path) {
    struct stat st {};
    return lstat(native(path).constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid();
}

// Something that is not a plain file stands where the lock goes (a folder, a link, a pipe):
// it is moved out of the way. A folder that holds anything is kept under another name.
bool clearPath(const QString& path) {
    const QByteArray p = native(path);
    struct stat st {};
    if (lstat(p.constData(), &st) != 0) return errno == ENOENT;
    if (S_ISREG(st.st_mode)) return true;
    if (!S_ISDIR(st.st_mode)) return unlink(p.constData()) == 0;
    if (rmdir(p.constData()) == 0) return true;
    const QString aside = path + QStringLiteral(".old-") + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmsszzz"));
    return rename(p.constData(), native(aside).constData()) == 0;
}

}  // namespace

const QString SingleInstance::BusyText = QStringLiteral(
    "Vorna est déjà en cours d'exécution, mais il est occupé et ne répond pas pour l'instant.\r\n\r\n"
    "Sa fenêtre s'affichera dès qu'il aura terminé ; attendez un peu avant de le relancer.");

QString SingleInstance::userRuntimeFolder() {
    const QString xdg = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg) && isOwnFolder(xdg)) return QDir::cleanPath(xdg);
    return QDir(QDir::tempPath()).filePath(QStringLiteral("vorna-%1").arg(getuid()));
}

SingleInstance::SingleInstance(const QString& key, const QString& folder) {
    folder_ = folder.isEmpty() ? userRuntimeFolder() : folder;
    ownFolder_ = folder.isEmpty() && folder_ != QDir::cleanPath(qEnvironmentVariable("XDG_RUNTIME_DIR"));
    lockPath_ = QDir(folder_).filePath(key + QStringLiteral(".lock"));
    activatePath_ = QDir(folder_).filePath(key + QStringLiteral(".activate"));
}

SingleInstance::~SingleInstance() {
    if (fd_ >= 0) ::close(fd_);  // lets go of the lock
}

bool SingleInstance::prepareFolder() {
    const QByteArray p = native(folder_);
    if (ownFolder_) {
        // Our own folder in the shared temporary folder: private to the user, and refused when
        // someone else made it first.
        if (mkdir(p.constData(), 0700) != 0 && errno != EEXIST) {
            error_ = QStringLiteral("Impossible de créer le dossier « %1 » : %2.").arg(folder_, files::systemErrorText(errno));
            return false;
        }
        if (!isOwnFolder(folder_)) {
            error_ = QStringLiteral("« %1 » n'est pas un dossier privé de l'utilisateur.").arg(folder_);
            return false;
        }
        chmod(p.constData(), 0700);
        return true;
    }
    if (!QDir().mkpath(folder_)) {
        const int err = errno;
        error_ = QStringLiteral("Impossible de créer le dossier « %1 » : %2.").arg(folder_, files::systemErrorText(err ? err : EACCES));
        return false;
    }
    return true;
}

bool SingleInstance::openLock() {
    const QByteArray p = native(lockPath_);
    for (int attempt = 0; attempt < 3 && fd_ < 0; ++attempt) {
        if (!clearPath(lockPath_)) break;
        fd_ = ::open(p.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
        if (fd_ < 0 && errno != ELOOP && errno != EISDIR && errno != ENXIO) break;
    }
    if (fd_ >= 0) return true;
    error_ = QStringLiteral("Impossible de créer le fichier de verrou « %1 » : %2.").arg(lockPath_, files::systemErrorText(errno));
    return false;
}

SingleInstance::Outcome SingleInstance::acquire() {
    error_.clear();
    if (fd_ >= 0) return Outcome::Acquired;
    if (!prepareFolder() || !openLock()) return Outcome::Failed;
    if (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd_);
        fd_ = -1;
        if (err != EWOULDBLOCK) {
            error_ = QStringLiteral("Impossible de verrouiller le fichier « %1 » : %2.").arg(lockPath_, files::systemErrorText(err));
            return Outcome::Failed;
        }
        // Ask the running instance for its window; a failure here is ignored. It answers by
        // emptying the file, unless it is busy without a window to show (blocked in a long step).
        {
            QFile f(activatePath_);
            if (!f.open(QIODevice::Append) || f.write("1") != 1) return Outcome::AlreadyRunning;
        }
        const QDeadlineTimer deadline(answerTimeoutMs_);
        while (!answered()) {
            if (deadline.hasExpired()) {
                error_ = BusyText;
                return Outcome::Busy;
            }
            QThread::msleep(50);
        }
        return Outcome::AlreadyRunning;
    }
    // Who holds the lock, for a curious reader; what the file says never matters.
    if (ftruncate(fd_, 0) == 0) {
        const QByteArray pid = QByteArray::number(qint64(getpid())) + '\n';
        [[maybe_unused]] const ssize_t written = ::write(fd_, pid.constData(), size_t(pid.size()));
    }
    clearPath(activatePath_);
    QFile f(activatePath_);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.close();
    watcher_ = new QFileSystemWatcher(this);
    watcher_->addPath(activatePath_);
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, [this] { onActivationRequested(); });
    return Outcome::Acquired;
}

bool SingleInstance::answered() const {
    struct stat st {};
    // Gone (a new instance cleared it on its start) counts as an answer too.
    return ::stat(native(activatePath_).constData(), &st) != 0 || st.st_size == 0;
}

void SingleInstance::setActivationHandler(std::function<void()> handler) { handler_ = std::move(handler); }

void SingleInstance::onActivationRequested() {
    // Some editors replace the file; keep watching it.
    if (!watcher_->files().contains(activatePath_) && QFile::exists(activatePath_)) watcher_->addPath(activatePath_);
    QFile f(activatePath_);
    if (f.size() == 0) return;  // our own truncation
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.close();
    if (handler_) handler_();
}

}  // namespace vorna
