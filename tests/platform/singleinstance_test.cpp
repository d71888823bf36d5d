#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <future>

#include <unistd.h>

#include "common/qtsupport.h"
#include "platform/singleinstance.h"

using vorna::SingleInstance;
using Outcome = SingleInstance::Outcome;

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// Restores an environment variable when the test ends.
class EnvGuard {
public:
    explicit EnvGuard(const char* name) : name_(name), had_(qEnvironmentVariableIsSet(name)), value_(qgetenv(name)) {}
    ~EnvGuard() {
        if (had_) qputenv(name_, value_);
        else qunsetenv(name_);
    }

private:
    const char* name_;
    bool had_;
    QByteArray value_;
};

}  // namespace

// Whatever an earlier run left where the lock goes, a start takes it over when no instance holds it.
TEST(SingleInstanceLock, WhatALiveInstanceDoesNotHoldIsTakenOver) {
    struct Case {
        const char* what;
        std::function<void(const QString& lockPath)> leave;
    };
    const Case cases[] = {
        {"nothing", [](const QString&) {}},
        {"an empty lock", [](const QString& p) { writeFile(p, ""); }},
        {"a damaged lock", [](const QString& p) { writeFile(p, QByteArray("\xff\x00garbage\n\n\n", 12)); }},
        {"a lock from another host", [](const QString& p) { writeFile(p, "4242\nvorna\nanother-host\n"); }},
        {"a lock naming a dead process", [](const QString& p) { writeFile(p, "999999999\nvorna\nlocalhost\n"); }},
        {"an empty folder", [](const QString& p) { ASSERT_TRUE(QDir().mkdir(p)); }},
        {"a folder with a file in it",
         [](const QString& p) {
             ASSERT_TRUE(QDir().mkdir(p));
             writeFile(p + "/keep.txt", "kept");
         }},
        {"a dangling link", [](const QString& p) { ASSERT_TRUE(QFile::link("/nonexistent/target", p)); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const QString lockPath = dir.filePath("vorna.lock");
        c.leave(lockPath);
        SingleInstance first(QStringLiteral("vorna"), dir.path());
        EXPECT_EQ(first.acquire(), Outcome::Acquired) << first.errorString().toStdString();
        EXPECT_TRUE(QFileInfo(lockPath).isFile());
        // Held now: a second start is turned away (no answer: the first runs no events here).
        SingleInstance second(QStringLiteral("vorna"), dir.path());
        second.setAnswerTimeout(0);
        EXPECT_EQ(second.acquire(), Outcome::Busy);
        // A folder that held something is kept aside, not deleted.
        if (QString(c.what).contains("file in it")) {
            const QStringList aside = QDir(dir.path()).entryList({"vorna.lock.old-*"}, QDir::Dirs);
            ASSERT_EQ(aside.size(), 1);
            EXPECT_TRUE(QFile::exists(dir.filePath(aside[0] + "/keep.txt")));
        }
    }
}

// A later start waits for the running instance to answer; its events run meanwhile here. When they
// do not (a long step), the later start says the program is busy, and the window comes forward
// once the step ends.
TEST(SingleInstanceLock, ASecondStartAsksTheFirstForItsWindowAndTheLockGoesWithTheInstance) {
    QTemporaryDir dir;
    int activations = 0;
    {
        SingleInstance first(QStringLiteral("vorna"), dir.path());
        ASSERT_EQ(first.acquire(), Outcome::Acquired);
        first.setActivationHandler([&] { ++activations; });
        SingleInstance second(QStringLiteral("vorna"), dir.path());
        auto outcome = std::async(std::launch::async, [&] { return second.acquire(); });
        QTRY_COMPARE_WITH_TIMEOUT(activations, 1, 5000);
        EXPECT_EQ(outcome.get(), Outcome::AlreadyRunning);
        EXPECT_TRUE(second.errorString().isEmpty());
        SingleInstance busy(QStringLiteral("vorna"), dir.path());
        busy.setAnswerTimeout(300);
        EXPECT_EQ(busy.acquire(), Outcome::Busy);
        QTRY_COMPARE_WITH_TIMEOUT(activations, 2, 5000);
        // Another key is another program.
        SingleInstance other(QStringLiteral("vorna-other"), dir.path());
        EXPECT_EQ(other.acquire(), Outcome::Acquired);
    }
    // The first instance has ended (its lock file stays): the next start runs.
    SingleInstance next(QStringLiteral("vorna"), dir.path());
    EXPECT_EQ(next.acquire(), Outcome::Acquired);
}

TEST(SingleInstanceLock, TheFolderBelongsToTheUserByIdWhateverTheEnvironmentSays) {
    EnvGuard user("USER"), runtime("XDG_RUNTIME_DIR"), tmp("TMPDIR");
    QTemporaryDir base;
    qunsetenv("USER");
    qputenv("TMPDIR", base.path().toLocal8Bit());
    const QString fallback = QDir(base.path()).filePath(QStringLiteral("vorna-%1").arg(getuid()));

    // The runtime folder when it is the user's own.
    qputenv("XDG_RUNTIME_DIR", base.path().toLocal8Bit());
    EXPECT_EQ(SingleInstance::userRuntimeFolder(), QDir::cleanPath(base.path()));
    // Unset, or not a folder: a private folder named by the user id in the temporary folder.
    for (const QByteArray& value : {QByteArray(), QByteArray("/nonexistent/run"), QByteArray("relative/run")}) {
        if (value.isEmpty()) qunsetenv("XDG_RUNTIME_DIR");
        else qputenv("XDG_RUNTIME_DIR", value);
        EXPECT_EQ(SingleInstance::userRuntimeFolder(), fallback) << value.constData();
    }
    SingleInstance first(QStringLiteral("vorna"));
    ASSERT_EQ(first.acquire(), Outcome::Acquired) << first.errorString().toStdString();
    EXPECT_TRUE(QFile::exists(fallback + "/vorna.lock"));
    EXPECT_EQ(QFileInfo(fallback).permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
              QFile::Permissions());
}

TEST(SingleInstanceLock, AStartThatCannotSetItsLockSaysWhyInFrench) {
    QTemporaryDir dir;
    // A plain file where the folder should be: no user, not even root, can make the lock there.
    writeFile(dir.filePath("file"), "x");
    SingleInstance single(QStringLiteral("vorna"), dir.filePath("file/sub"));
    EXPECT_EQ(single.acquire(), Outcome::Failed);
    EXPECT_TRUE(single.errorString().startsWith("Impossible de créer le dossier")) << single.errorString().toStdString();
    EXPECT_TRUE(single.errorString().contains(dir.filePath("file/sub")));

    // The temporary folder's fallback made first by someone else is refused, not shared.
    EnvGuard runtime("XDG_RUNTIME_DIR"), tmp("TMPDIR");
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", dir.path().toLocal8Bit());
    const QString fallback = dir.filePath(QStringLiteral("vorna-%1").arg(getuid()));
    writeFile(fallback, "not a folder");
    SingleInstance blocked(QStringLiteral("vorna"));
    EXPECT_EQ(blocked.acquire(), Outcome::Failed);
    EXPECT_TRUE(blocked.errorString().contains(fallback)) << blocked.errorString().toStdString();
}
