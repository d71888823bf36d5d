#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QLabel>
#include <QMutex>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include "platform/fileproperties.h"
#include "reference/reference_support.h"

using namespace vorna;
using namespace vorna::test;

namespace {

// A file manager of the test's own: it records what it was asked to show.
class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    QStringList shown() {
        QMutexLocker lock(&mutex_);
        return shown_;
    }

public slots:
    void ShowItemProperties(const QStringList& uris, const QString& startupId) {
        Q_UNUSED(startupId);
        QMutexLocker lock(&mutex_);
        shown_ += uris;
    }

private:
    QMutex mutex_;
    QStringList shown_;
};

// A session bus of the test's own, so that the desktop's bus is never asked.
class PrivateBus {
public:
    bool start() {
        if (QStandardPaths::findExecutable("dbus-daemon").isEmpty()) return false;
        daemon_.start("dbus-daemon", {"--session", "--nofork", "--nopidfile", "--print-address=1"});
        if (!daemon_.waitForStarted(5000)) return false;
        while (!daemon_.canReadLine() && daemon_.waitForReadyRead(5000)) {
        }
        address = QString::fromUtf8(daemon_.readLine()).trimmed();
        return !address.isEmpty();
    }
    ~PrivateBus() {
        daemon_.terminate();
        daemon_.waitForFinished(3000);
    }
    QString address;

private:
    QProcess daemon_;
};

class FileProperties : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        savedCheck_ = frmListOrdre::SettingsCheck;
        frmListOrdre::SettingsCheck = [] {};
        savedBus_ = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        savedRuntime_ = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", runtime_.path().toLocal8Bit());  // holds no bus
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
    void TearDown() override {
        for (QWidget* w : ownWindows()) delete w;
        qputenv("DBUS_SESSION_BUS_ADDRESS", savedBus_);
        qputenv("XDG_RUNTIME_DIR", savedRuntime_);
        frmListOrdre::SettingsCheck = savedCheck_;
        ProgramTest::TearDown();
    }
    static QList<FilePropertiesWindow*> ownWindows() {
        QList<FilePropertiesWindow*> l;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<FilePropertiesWindow*>(w); p && p->isVisible()) l << p;
        return l;
    }
    void expectOwnWindowOf(const QString& path) {
        const auto windows = ownWindows();
        ASSERT_EQ(windows.size(), 1);
        FilePropertiesWindow* w = windows[0];
        EXPECT_EQ(w->windowTitle(), "Propriétés de VornaW.mdb");
        EXPECT_EQ(w->name->text(), "VornaW.mdb");
        EXPECT_EQ(w->folder->text(), QFileInfo(path).absolutePath());
        EXPECT_TRUE(w->size->text().startsWith(QLocale(QLocale::French).toString(QFileInfo(path).size()) + " octets"))
            << w->size->text().toStdString();
        EXPECT_EQ(w->lastChange->text(), QFileInfo(path).lastModified().toString("dd/MM/yyyy HH:mm:ss"));
        EXPECT_TRUE(w->permissions->text().contains("lecture, écriture")) << w->permissions->text().toStdString();
    }

    QTemporaryDir runtime_;
    QByteArray savedBus_, savedRuntime_;
    std::function<void()> savedCheck_;
};

}  // namespace

TEST_F(FileProperties, WithoutASessionBusTheProgramShowsItsOwnWindow) {
    frmListOrdre& main = start();
    main.mnFichierD->trigger();
    expectOwnWindowOf(folder.filePath("VornaW.mdb"));
}

TEST_F(FileProperties, TheFileManagerOfTheBusShowsItWhenItAnswers) {
    PrivateBus bus;
    if (!bus.start()) GTEST_SKIP() << "dbus-daemon is not installed (package dbus)";
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address.toLocal8Bit());
    frmListOrdre& main = start();
    const QString path = folder.filePath("VornaW.mdb");

    // No file manager on the bus: the program's own window.
    main.mnFichierD->trigger();
    expectOwnWindowOf(path);
    for (QWidget* w : ownWindows()) delete w;

    // A file manager answers: it shows the file, the program shows nothing of its own.
    QThread thread;
    thread.start();
    auto* fm = new FakeFileManager;
    fm->moveToThread(&thread);
    {
        QDBusConnection service = QDBusConnection::connectToBus(bus.address, "fake-file-manager");
        ASSERT_TRUE(service.isConnected());
        ASSERT_TRUE(service.registerObject("/org/freedesktop/FileManager1", fm, QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(service.registerService("org.freedesktop.FileManager1"));
    }
    main.mnFichierD->trigger();
    EXPECT_EQ(fm->shown(), QStringList{QUrl::fromLocalFile(path).toString()});
    EXPECT_TRUE(ownWindows().isEmpty());
    EXPECT_TRUE(dialogs.messages.isEmpty());

    QDBusConnection::disconnectFromBus("fake-file-manager");
    QMetaObject::invokeMethod(fm, [fm] { delete fm; }, Qt::BlockingQueuedConnection);
    thread.quit();
    thread.wait();
}

TEST_F(FileProperties, TheOwnWindowOfAMissingFileSaysSo) {
    showFileProperties(folder.filePath("VornaW.mdb"));
    const auto windows = ownWindows();
    ASSERT_EQ(windows.size(), 1);
    EXPECT_EQ(windows[0]->name->text(), "VornaW.mdb");
    EXPECT_EQ(windows[0]->size->text(), "Le fichier n'existe pas.");
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

#include "fileproperties_test.moc"
