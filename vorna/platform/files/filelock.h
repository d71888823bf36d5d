#pragma once

#include <QString>

namespace vorna::files {

// An exclusive advisory lock (flock) on one file, held until release() or the object goes. The
// system drops it when the process ends, however it ends, so a lock never outlives its run.
// Two locks on the same file conflict even within one process (each holds its own open file).
class FileLock {
public:
    FileLock() = default;
    ~FileLock() { release(); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Locks the file `path` names now, without waiting; false when another holder has it or
    // the file cannot be opened.
    bool tryLock(const QString& path);
    // Locks the file open on `fd` (the descriptor is duplicated: the lock stays when `fd` is
    // closed), waiting at most `waitMs` for a holder to let go; false when it did not. On a file
    // system that offers no locks (a share whose lock service does not run), the file is held
    // without one and the answer is true: no other run can lock it either, and tryLock() leaves
    // such a file alone.
    bool lockOpenFile(int fd, int waitMs);
    void release();
    bool isLocked() const { return fd_ >= 0; }

    // True when `path` still names the locked file (the same file, not one put in its place).
    bool isStillAt(const QString& path) const;
    // The locked file's size; -1 when nothing is locked.
    qint64 size() const;

    // The system call that takes a lock, flock's; tests put one in its place to play a file
    // system without locks. nullptr: flock again.
    using LockCall = int (*)(int fd, int operation);
    static void setLockCall(LockCall call);

private:
    int fd_ = -1;
};

}  // namespace vorna::files
