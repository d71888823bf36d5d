#include "platform/singleinstance.h"

#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QLockFile>

namespace vorna {

SingleInstance::SingleInstance(const QString& key, const QString& folder) {
    const QString dir = folder.isEmpty() ? QDir::tempPath() : folder;
    lockPath_ = QDir(dir).filePath(key + QStringLiteral(".lock"));
    activatePath_ = QDir(dir).filePath(key + QStringLiteral(".activate"));
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::acquire() {
    lock_ = std::make_unique<QLockFile>(lockPath_);
    lock_->setStaleLockTime(0);  // a lock left by a dead process is taken over (its PID is checked)
    if (!lock_->tryLock(0)) {
        lock_.reset();
        // Ask the running instance for its window; a failure here is ignored.
        QFile f(activatePath_);
        if (f.open(QIODevice::Append)) f.write("1");
        return false;
    }
    QFile f(activatePath_);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.close();
    watcher_ = new QFileSystemWatcher(this);
    watcher_->addPath(activatePath_);
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, [this] { onActivationRequested(); });
    return true;
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
