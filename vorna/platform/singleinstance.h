#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QFileSystemWatcher;

namespace vorna {

// Keeps the program to one running instance per user. The first instance holds an advisory
// lock on a file of the user's own runtime folder; the system lets go of it when the process
// ends, however it ends, so a lock file left behind (empty, damaged, written on another host,
// naming a dead process) is simply taken over. The instance also watches a companion
// "activate" file: a later start finds the lock held, touches that file so the running
// instance brings its window forward, and ends without opening anything. The running instance
// empties that file when it has seen the request: a later start that does not see it emptied
// within a few seconds says that the program is busy rather than end in silence (the request
// stays, and the window comes forward once the running instance is free).
class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Outcome {
        Acquired,        // this process is now the only instance
        AlreadyRunning,  // another instance holds the lock (it was asked for its window)
        Busy,            // another instance holds the lock and has not answered: errorString() says so
        Failed,          // the lock could not be set up: errorString() says why
    };

    // `key` names the lock; `folder` holds the lock and activation files (default:
    // userRuntimeFolder()).
    explicit SingleInstance(const QString& key, const QString& folder = QString());
    ~SingleInstance() override;

    Outcome acquire();
    // Why acquire() failed, in French, for the user.
    QString errorString() const { return error_; }
    // Called in the running instance when a later start asks for its window.
    void setActivationHandler(std::function<void()> handler);
    // How long a later start waits for the running instance to answer (default 5 s).
    void setAnswerTimeout(int ms) { answerTimeoutMs_ = ms; }

    // What a start that finds the running instance busy tells the user.
    static const QString BusyText;

    // The user's own folder for the lock, chosen by user id (never by a user name the
    // environment may lack): $XDG_RUNTIME_DIR when it is a folder owned by the user, else
    // "vorna-<uid>" in the temporary folder.
    static QString userRuntimeFolder();

private:
    bool prepareFolder();
    bool openLock();
    void onActivationRequested();
    bool answered() const;

    QString folder_;
    bool ownFolder_ = false;  // folder_ is the temp-folder fallback, created by us if missing
    QString lockPath_;
    QString activatePath_;
    int fd_ = -1;
    QString error_;
    QFileSystemWatcher* watcher_ = nullptr;
    std::function<void()> handler_;
    int answerTimeoutMs_ = 5000;
};

}  // namespace vorna
