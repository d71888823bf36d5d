#include "platform/files/filelock.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorna::files {

namespace {
FileLock::LockCall& lockCall() {
    static FileLock::LockCall call = &::flock;
    return call;
}

// The errors of a file system that has no locks to give, as opposed to a lock held elsewhere.
bool locksUnsupported(int error) { return error == ENOLCK || error == EOPNOTSUPP || error == EINVAL; }
}  // namespace

void FileLock::setLockCall(LockCall call) { lockCall() = call ? call : &::flock; }

bool FileLock::tryLock(const QString& path) {
    release();
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    if (lockCall()(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

bool FileLock::lockOpenFile(int fd, int waitMs) {
    release();
    const int own = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (own < 0) return false;
    QElapsedTimer waited;
    waited.start();
    while (lockCall()(own, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EINTR) continue;
        if (locksUnsupported(error)) break;  // held without a lock
        if (error != EWOULDBLOCK || waited.elapsed() >= waitMs) {
            ::close(own);
            return false;
        }
        QThread::msleep(10);
    }
    fd_ = own;
    return true;
}

void FileLock::release() {
    if (fd_ < 0) return;
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
}

bool FileLock::isStillAt(const QString& path) const {
    struct stat held {}, named {};
    if (fd_ < 0 || ::fstat(fd_, &held) != 0 || ::stat(QFile::encodeName(path).constData(), &named) != 0) return false;
    return held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

qint64 FileLock::size() const {
    struct stat held {};
    if (fd_ < 0 || ::fstat(fd_, &held) != 0) return -1;
    return held.st_size;
}

}  // namespace vorna::files
