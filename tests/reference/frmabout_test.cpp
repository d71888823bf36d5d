#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "platform/files/files.h"
#include "reference/frmabout.h"
#include "reference/reference_support.h"

using namespace vorna;
using namespace vorna::test;

namespace {

const QString kNoInfo = "Les informations système ne sont pas disponibles actuellement";
const QString kPathKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const QString kFolderKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools Location";

// A registry holding the values of the test.
struct FakeRegistry : Registry {
    std::optional<QString> readValue(const QString& key, const QString& name) override {
        asked << key + "|" + name;
        const auto it = values.find(key + "|" + name);
        if (it == values.end()) return std::nullopt;
        return *it;
    }
    QMap<QString, QString> values;
    QStringList asked;
};

class AboutBox : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        saved_ = frmAbout::StartProgram;
        frmAbout::StartProgram = [this](const QString& p) {
            started << p;
            return startWorks;
        };
    }
    void TearDown() override {
        frmAbout::unloadIfLoaded();
        Registry::install(nullptr);
        frmAbout::StartProgram = saved_;
        ProgramTest::TearDown();
    }
    QStringList started;
    bool startWorks = true;
    std::function<bool(const QString&)> saved_;
};

}  // namespace

TEST_F(AboutBox, ShowsItsCaptionsAndClosesOnOk) {
    frmListOrdre& main = start();
    bool seen = false;
    forms::Form::ModalHook = [&](forms::Form& f) {
        auto& a = static_cast<frmAbout&>(f);
        EXPECT_EQ(a.windowTitle(), "À propos de Vorna");
        EXPECT_EQ(a.lblTitle->text(), "Ostravelia des virements internationaux");
        EXPECT_EQ(a.lblVersion[0]->text(), "Version 2015.01");
        EXPECT_EQ(a.lblVersion[1]->text(), "du 2 février 2015");
        EXPECT_EQ(a.cmdSysInfo->text(), "&Infos système...");
        seen = true;
        QTest::mouseClick(a.cmdOK, Qt::LeftButton);
    };
    main.mnApropos->trigger();
    EXPECT_TRUE(seen);
    EXPECT_FALSE(frmAbout::isLoaded());
}

TEST_F(AboutBox, StartsTheProgramTheRegistryNamesOrSaysThereIsNone) {
    QTemporaryDir dir;
    QFile exe(dir.filePath("MSINFO32.EXE"));
    ASSERT_TRUE(exe.open(QIODevice::WriteOnly));
    exe.close();
    QTemporaryDir empty;
    struct Case {
        const char* name;
        QMap<QString, QString> values;
        bool startWorks;
        QStringList started;
        bool message;
    } cases[] = {
        // The first value is started as it stands, without looking for the file.
        {"path", {{kPathKey + "|PATH", "/nowhere/sysinfo"}}, true, {"/nowhere/sysinfo"}, false},
        {"path that fails to start", {{kPathKey + "|PATH", "/nowhere/sysinfo"}}, false, {"/nowhere/sysinfo"}, true},
        {"folder with the program", {{kFolderKey + "|MSINFO", dir.path()}}, true, {dir.filePath("MSINFO32.EXE")}, false},
        {"folder without it", {{kFolderKey + "|MSINFO", empty.path()}}, true, {}, true},
        {"neither", {}, true, {}, true},
    };
    for (const Case& c : cases) {
        FakeRegistry registry;
        registry.values = c.values;
        Registry::install(&registry);
        started.clear();
        dialogs.messages.clear();
        startWorks = c.startWorks;
        frmAbout& a = frmAbout::instance();
        QTest::mouseClick(a.cmdSysInfo, Qt::LeftButton);
        EXPECT_EQ(started, c.started) << c.name;
        if (c.message) {
            ASSERT_EQ(dialogs.messages.size(), 1) << c.name;
            EXPECT_EQ(dialogs.messages[0].text, kNoInfo);
            EXPECT_EQ(dialogs.messages[0].title, "");
            EXPECT_EQ(dialogs.messages[0].buttons, MsgButtons::OK);
        } else {
            EXPECT_TRUE(dialogs.messages.isEmpty()) << c.name;
        }
        EXPECT_TRUE(frmAbout::isLoaded()) << "the About box stays open";
        Registry::install(nullptr);
    }
}

TEST_F(AboutBox, GetKeyValueReadsUnderTheRootAndDropsATerminatingZero) {
    FakeRegistry registry;
    registry.values[kPathKey + "|PATH"] = QString("C:\\msinfo32.exe") + QChar(0);
    registry.values["HKEY_CURRENT_USER\\Software\\Vorna|Nombre"] = "258";
    Registry::install(&registry);
    QString v = "avant";
    EXPECT_TRUE(frmAbout::GetKeyValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", v));
    EXPECT_EQ(v, "C:\\msinfo32.exe");
    EXPECT_TRUE(frmAbout::GetKeyValue(HKEY_CURRENT_USER, "Software\\Vorna", "Nombre", v));
    EXPECT_EQ(v, "258");
    EXPECT_FALSE(frmAbout::GetKeyValue(HKEY_LOCAL_MACHINE, "Software\\Vorna", "Nombre", v));
    EXPECT_EQ(v, "");
    v = "avant";
    EXPECT_FALSE(frmAbout::GetKeyValue(0x12345678u, "Software\\Vorna", "Nombre", v));
    EXPECT_EQ(v, "");
}

// The registry of this system answers the first value with the first system-information program
// of the search path, and nothing else.
TEST_F(AboutBox, OnThisSystemTheRegistryNamesAnInformationProgramOfThePath) {
    const QByteArray savedPath = qgetenv("PATH");
    QTemporaryDir bin;
    qputenv("PATH", bin.path().toLocal8Bit());
    QString v;
    EXPECT_FALSE(frmAbout::GetKeyValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", v));

    // Two of them: the first of the list wins.
    const QStringList programs = Registry::systemInformationPrograms();
    ASSERT_GE(programs.size(), 3);
    for (const QString& name : {programs[2], programs[1]}) {
        QFile f(bin.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n");
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    EXPECT_TRUE(frmAbout::GetKeyValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", v));
    EXPECT_EQ(v, bin.filePath(programs[1]));
    EXPECT_FALSE(frmAbout::GetKeyValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO", v));

    frmAbout& a = frmAbout::instance();
    QTest::mouseClick(a.cmdSysInfo, Qt::LeftButton);
    EXPECT_EQ(started, QStringList{bin.filePath(programs[1])});
    EXPECT_TRUE(dialogs.messages.isEmpty());
    qputenv("PATH", savedPath);
}
