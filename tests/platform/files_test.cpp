#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/files.h"
#include "platform/vberror.h"

using namespace vorna;
namespace fs = vorna::files;

namespace {

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tmp.isValid()); }
    void TearDown() override { fs::setWindowsPrefix(QString()); }

    QString path(const QString& name) const { return tmp.path() + u'/' + name; }
    static void write(const QString& p, const QByteArray& bytes) {
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    static QByteArray read(const QString& p) {
        QFile f(p);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    // The error a call throws: its number, and whether its description names `file`.
    static long errorOf(const std::function<void()>& call, const QString& file) {
        try {
            call();
        } catch (const VbError& e) {
            EXPECT_TRUE(e.description.contains(file)) << e.description.toStdString();
            return e.number;
        }
        return 0;
    }
    QStringList names() const { return QDir(tmp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden); }

    QTemporaryDir tmp;
};

}  // namespace

TEST_F(FilesTest, CopyReplacesTheTargetWhole) {
    write(path("a"), "new");
    write(path("b"), QByteArray(100000, 'x'));
    fs::copyFile(path("a"), path("b"));
    EXPECT_EQ(read(path("b")), "new");
    EXPECT_EQ(read(path("a")), "new");
    // Larger than one buffer: nothing lost at the seams.
    QByteArray big(200001, Qt::Uninitialized);
    for (int i = 0; i < big.size(); ++i) big[i] = char(i % 253);
    write(path("big"), big);
    fs::copyFile(path("big"), path("big2"));
    EXPECT_EQ(read(path("big2")), big);
}

TEST_F(FilesTest, FailedCopiesSayWhyAndLeaveNoTarget) {
    write(path("src"), "data");
    ASSERT_TRUE(QDir().mkdir(path("dir")));
    const QStringList before = names();
    EXPECT_EQ(errorOf([&] { fs::copyFile(path("absent"), path("t")); }, path("absent")), fs::errnum::FileNotFound);
    EXPECT_EQ(errorOf([&] { fs::copyFile(path("no/src"), path("t")); }, path("no/src")), fs::errnum::PathNotFound);
    EXPECT_EQ(errorOf([&] { fs::copyFile(path("dir"), path("t")); }, path("dir")), fs::errnum::PathFileAccess);
    EXPECT_EQ(errorOf([&] { fs::copyFile(path("src"), path("no/t")); }, path("no/t")), fs::errnum::PathNotFound);
    // Under a regular file: not a folder, so no path.
    EXPECT_EQ(errorOf([&] { fs::copyFile(path("src"), path("src/t")); }, path("src/t")), fs::errnum::PathNotFound);
    EXPECT_EQ(errorOf([&] { fs::copyFile(path("src"), path("dir")); }, path("dir")), fs::errnum::PathFileAccess);
    EXPECT_EQ(names(), before);
    EXPECT_TRUE(QDir(path("dir")).isEmpty());
}

// Nothing is written through a link to a fifo, a folder or nowhere, nor into a fifo; nothing is
// read from a fifo (the read would never end). A link to a plain file is written through.
TEST_F(FilesTest, CopiesGoThroughNothingButPlainFiles) {
    write(path("src"), "data");
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("fifo")).constData(), 0600), 0);
    ASSERT_TRUE(QDir().mkdir(path("dir")));
    for (const char* target : {"fifo", "dir", "absent"}) {
        SCOPED_TRACE(target);
        const QString link = path(QStringLiteral("to-") + target);
        ASSERT_TRUE(QFile::link(path(target), link));
        EXPECT_EQ(errorOf([&] { fs::copyFile(path("src"), link); }, path(target)), fs::errnum::PathFileAccess);
        EXPECT_EQ(errorOf([&] { fs::replaceFile(path("src"), link); }, path(target)), fs::errnum::PathFileAccess);
        EXPECT_EQ(QFileInfo(link).symLinkTarget(), path(target));
        EXPECT_FALSE(fs::unsafeWriteTarget(link).isEmpty());
    }
    EXPECT_EQ(errorOf([&] { fs::copyFile(path("src"), path("fifo")); }, path("fifo")), fs::errnum::PathFileAccess);
    EXPECT_EQ(errorOf([&] { fs::copyFile(path("to-fifo"), path("t")); }, path("fifo")), fs::errnum::PathFileAccess);
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(path("fifo")).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_FALSE(QFileInfo::exists(path("absent")));
    EXPECT_FALSE(QFileInfo::exists(path("t")));
    EXPECT_TRUE(QDir(path("dir")).isEmpty());

    write(path("real"), "old");
    ASSERT_TRUE(QFile::link(path("real"), path("to-real")));
    EXPECT_TRUE(fs::unsafeWriteTarget(path("to-real")).isEmpty());
    fs::copyFile(path("src"), path("to-real"));
    EXPECT_EQ(QFileInfo(path("to-real")).symLinkTarget(), path("real"));
    EXPECT_EQ(read(path("real")), "data");
}

// The upgrade's two steps: a second name that outlives the first one's replacement.
TEST_F(FilesTest, KeptNamesOutliveTheReplacementOfTheFile) {
    write(path("w"), "old");
    const QDateTime changed(QDate(2014, 3, 7), QTime(9, 5, 2));
    fs::setLastModified(path("w"), changed);
    fs::keepUnder(path("w"), path("kept"));
    EXPECT_EQ(errorOf([&] { fs::keepUnder(path("w"), path("kept")); }, path("kept")), fs::errnum::FileAlreadyExists);
    write(path("new"), "new");
    fs::replaceFile(path("new"), path("w"));
    EXPECT_EQ(read(path("w")), "new");
    EXPECT_FALSE(QFileInfo::exists(path("new")));
    EXPECT_EQ(read(path("kept")), "old");
    EXPECT_EQ(fs::lastModified(path("kept")), changed);

    // Through a link to a plain file: the file is replaced, the link stays.
    ASSERT_TRUE(QFile::link(path("w"), path("link")));
    fs::keepUnder(path("link"), path("kept2"));
    write(path("newer"), "newer");
    fs::replaceFile(path("newer"), path("link"));
    EXPECT_EQ(QFileInfo(path("link")).symLinkTarget(), path("w"));
    EXPECT_EQ(read(path("w")), "newer");
    EXPECT_EQ(read(path("kept2")), "new");
    EXPECT_FALSE(QFileInfo(path("kept2")).isSymLink());
}

TEST_F(FilesTest, RenameRefusesAnExistingTarget) {
    write(path("a"), "a");
    write(path("b"), "b");
    EXPECT_EQ(errorOf([&] { fs::renameFile(path("a"), path("b")); }, path("b")), fs::errnum::FileAlreadyExists);
    EXPECT_EQ(read(path("a")), "a");
    EXPECT_EQ(read(path("b")), "b");
    fs::renameFile(path("a"), path("c"));
    EXPECT_FALSE(fs::fileExists(path("a")));
    EXPECT_EQ(read(path("c")), "a");
    EXPECT_EQ(errorOf([&] { fs::renameFile(path("a"), path("d")); }, path("a")), fs::errnum::FileNotFound);
    EXPECT_EQ(errorOf([&] { fs::renameFile(path("c"), path("no/d")); }, path("no/d")), fs::errnum::PathNotFound);
}

TEST_F(FilesTest, DeleteTellsMissingFilesFoldersAndPathsApart) {
    write(path("a"), "a");
    ASSERT_TRUE(QDir().mkdir(path("dir")));
    fs::deleteFile(path("a"));
    EXPECT_FALSE(QFileInfo::exists(path("a")));
    EXPECT_EQ(errorOf([&] { fs::deleteFile(path("a")); }, path("a")), fs::errnum::FileNotFound);
    EXPECT_EQ(errorOf([&] { fs::deleteFile(path("no/a")); }, path("no/a")), fs::errnum::PathNotFound);
    EXPECT_EQ(errorOf([&] { fs::deleteFile(path("dir")); }, path("dir")), fs::errnum::PathFileAccess);
    EXPECT_TRUE(fs::folderExists(path("dir")));
}

TEST_F(FilesTest, ExistenceAndOneLevelFolders) {
    write(path("f"), "");
    EXPECT_TRUE(fs::fileExists(path("f")));
    EXPECT_FALSE(fs::folderExists(path("f")));
    EXPECT_TRUE(fs::folderExists(tmp.path()));
    EXPECT_TRUE(fs::folderExists(tmp.path() + u'/'));
    EXPECT_FALSE(fs::fileExists(tmp.path()));
    EXPECT_FALSE(fs::fileExists(QString()));
    EXPECT_FALSE(fs::folderExists(QString()));

    EXPECT_TRUE(fs::createFolder(path("one")));
    EXPECT_FALSE(fs::createFolder(path("one")));
    EXPECT_FALSE(fs::createFolder(path("two/three")));
    EXPECT_FALSE(fs::folderExists(path("two")));
}

TEST_F(FilesTest, AttributesComeFromTheOwnerWriteBitAndTheName) {
    write(path("plain"), "");
    write(path(".hidden"), "");
    write(path("locked"), "");
    ASSERT_TRUE(QFile::setPermissions(path("locked"), QFileDevice::ReadOwner | QFileDevice::WriteGroup));
    const fs::Attributes plain = fs::attributes(path("plain"));
    EXPECT_FALSE(plain.readOnly || plain.hidden || plain.system);
    EXPECT_TRUE(fs::attributes(path(".hidden")).hidden);
    EXPECT_FALSE(fs::attributes(path(".hidden")).readOnly);
    // Group rights do not count: only the owner's.
    EXPECT_TRUE(fs::attributes(path("locked")).readOnly);
    EXPECT_FALSE(fs::attributes(path("locked")).hidden);
    EXPECT_EQ(errorOf([&] { fs::attributes(path("absent")); }, path("absent")), fs::errnum::FileNotFound);
}

TEST_F(FilesTest, ListingGivesEveryEntryAndFailsOnNoFolder) {
    write(path("b.e93"), "");
    write(path(".a.htm"), "");
    ASSERT_TRUE(QDir().mkdir(path("c.e9_")));
    const QList<fs::Entry> entries = fs::listFolder(tmp.path() + u'/');
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries[0].name, ".a.htm");
    EXPECT_FALSE(entries[0].isFolder);
    EXPECT_EQ(entries[1].name, "b.e93");
    EXPECT_EQ(entries[2].name, "c.e9_");
    EXPECT_TRUE(entries[2].isFolder);
    EXPECT_TRUE(fs::listFolder(path("c.e9_")).isEmpty());

    EXPECT_EQ(errorOf([&] { fs::listFolder(path("absent")); }, path("absent")), fs::errnum::PathNotFound);
    EXPECT_EQ(errorOf([&] { fs::listFolder(path("b.e93")); }, path("b.e93")), fs::errnum::PathNotFound);
    // An empty setting names no folder, not the current one.
    EXPECT_EQ(errorOf([&] { fs::listFolder(QString()); }, QString()), fs::errnum::PathNotFound);
}

TEST_F(FilesTest, UnreadableFolderCannotBeListed) {
    if (::geteuid() == 0) GTEST_SKIP() << "the administrator reads every folder";
    ASSERT_TRUE(QDir().mkdir(path("closed")));
    ASSERT_TRUE(QFile::setPermissions(path("closed"), QFileDevice::WriteOwner));
    EXPECT_EQ(errorOf([&] { fs::listFolder(path("closed")); }, path("closed")), fs::errnum::PermissionDenied);
    QFile::setPermissions(path("closed"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST_F(FilesTest, AgesAreSetAndReadInLocalTime) {
    write(path("old.htm"), "");
    const QDateTime t(QDate(2014, 3, 7), QTime(9, 5, 2));
    fs::setLastModified(path("old.htm"), t);
    EXPECT_EQ(fs::lastModified(path("old.htm")), t);
    EXPECT_EQ(fs::lastModified(path("old.htm")).toString("ddMMyyyyHHmmss"), "07032014090502");
    const QDateTime withMs(QDate(2020, 12, 31), QTime(23, 59, 59, 500));
    fs::setLastModified(path("old.htm"), withMs);
    EXPECT_EQ(fs::lastModified(path("old.htm")), withMs);

    EXPECT_FALSE(fs::lastModified(path("absent")).isValid());
    EXPECT_FALSE(fs::lastModified(QString()).isValid());
    EXPECT_EQ(errorOf([&] { fs::setLastModified(path("absent"), t); }, path("absent")), fs::errnum::FileNotFound);
}

TEST_F(FilesTest, DriveCIsFoundInThePrefixWithoutRegardToCase) {
    fs::setWindowsPrefix(tmp.path());
    const QString folder = path("drive_c/Program Files/Ostravelia des Virements");
    ASSERT_TRUE(QDir().mkpath(folder));
    write(folder + "/VornaW.MDB", "");

    EXPECT_EQ(fs::mapWindowsPath("c:\\program files\\ostravelia des virements\\vornaw.mdb"), folder + "/VornaW.MDB");
    EXPECT_EQ(fs::mapWindowsPath("C:/PROGRAM FILES/ostravelia des virements/"), folder + "/");
    EXPECT_EQ(fs::mapWindowsPath("c:\\program files\\\\.\\x\\..\\ostravelia des virements"), folder);
    EXPECT_EQ(fs::mapWindowsPath("c:\\..\\.."), path("drive_c"));
    EXPECT_EQ(fs::mapWindowsPath("c:"), path("drive_c"));
    // What does not exist keeps its letters, and so does everything under it.
    EXPECT_EQ(fs::mapWindowsPath("c:\\KESTO\\VornaW.mdb"), path("drive_c/KESTO/VornaW.mdb"));
    EXPECT_EQ(fs::mapWindowsPath("c:\\program files\\Autre\\program files"),
              path("drive_c/Program Files/Autre/program files"));
    // The exact spelling wins over another case.
    ASSERT_TRUE(QDir().mkpath(path("drive_c/kesto")));
    ASSERT_TRUE(QDir().mkpath(path("drive_c/KESTO")));
    EXPECT_EQ(fs::mapWindowsPath("c:\\kesto"), path("drive_c/kesto"));
    EXPECT_EQ(fs::mapWindowsPath("c:\\KESTO"), path("drive_c/KESTO"));

    EXPECT_EQ(fs::mapWindowsPath("d:\\data"), path("dosdevices/d:/data"));
    EXPECT_EQ(fs::mapWindowsPath("rel\\dir\\f.mdb"), "rel/dir/f.mdb");
    EXPECT_EQ(fs::mapWindowsPath("/already/linux"), "/already/linux");
}

TEST_F(FilesTest, PrefixComesFromWineprefixThenHome) {
    const QByteArray savedPrefix = qgetenv("WINEPREFIX");
    const QByteArray savedHome = qgetenv("HOME");
    qputenv("WINEPREFIX", tmp.path().toUtf8() + "/");
    EXPECT_EQ(fs::mapWindowsPath("c:\\x"), path("drive_c/x"));
    qunsetenv("WINEPREFIX");
    qputenv("HOME", tmp.path().toUtf8());
    EXPECT_EQ(fs::mapWindowsPath("c:\\x"), path(".wine/drive_c/x"));
    fs::setWindowsPrefix(path("other"));
    EXPECT_EQ(fs::mapWindowsPath("c:\\x"), path("other/drive_c/x"));
    savedPrefix.isNull() ? qunsetenv("WINEPREFIX") : qputenv("WINEPREFIX", savedPrefix);
    qputenv("HOME", savedHome);
}

TEST(Registry, HasNoKeysUntilAnotherIsInstalled) {
    const QString key =
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KESTO 2006-01 : "
        "Ostravelia des virements internationnaux\\";
    EXPECT_FALSE(Registry::current().deleteKey(key));
    EXPECT_FALSE(Registry::current().readValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO"));

    struct Recording : Registry {
        bool deleteKey(const QString& k) override {
            deleted << k;
            return true;
        }
        QStringList deleted;
    } recording;
    Registry::install(&recording);
    EXPECT_TRUE(Registry::current().deleteKey(key));
    EXPECT_EQ(recording.deleted, QStringList{key});
    Registry::install(nullptr);
    EXPECT_FALSE(Registry::current().deleteKey(key));
}
