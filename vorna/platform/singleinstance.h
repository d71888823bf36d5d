#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QLockFile;
class QFileSystemWatcher;

namespace vorna {

// Keeps the program to one running instance per user. The first instance holds a lock file
// and watches a companion "activate" file; a later start fails to take the lock, touches that
// file so the running instance brings its window forward, and ends without opening anything.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // `key` names the lock; `folder` holds the lock and activation files (default: the temp folder).
    explicit SingleInstance(const QString& key, const QString& folder = QString());
    ~SingleInstance() override;

    // True when this process is now the only instance; false when another one runs (it has
    // then been asked to activate its window).
    bool acquire();
    // Called in the running instance when a later start asks for its window.
    void setActivationHandler(std::function<void()> handler);

private:
    void onActivationRequested();

    QString lockPath_;
    QString activatePath_;
    std::unique_ptr<QLockFile> lock_;
    QFileSystemWatcher* watcher_ = nullptr;
    std::function<void()> handler_;
};

}  // namespace vorna
