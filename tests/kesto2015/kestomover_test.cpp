#include "kestofixture.h"
#include "kestomover.h"

#include <sys/stat.h>

#include <functional>

using namespace kesto;
using namespace kesto::test;

namespace {
const QString NothingRecoverable = QStringLiteral("Les fichiers de l'application KESTO ne sont pas récupérables!");
const QString AlreadyDone = QStringLiteral("L'installation de KESTO 2015-01 a déjà été faite!");
}  // namespace

using KestoMoverTest = KestoTest;

TEST_F(KestoMoverTest, NeitherOldFolderSaysNothingIsRecoverableAndEnds) {
    KestoMover mover(KestoMover::installedFolders(), messages);
    EXPECT_TRUE(mover.run());
    EXPECT_EQ(messages.plain, QStringList{NothingRecoverable});
    EXPECT_TRUE(messages.errors.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(newFolder()));
}

TEST_F(KestoMoverTest, OldFolderWithoutTheFileSaysAlreadyDoneAndEnds) {
    ASSERT_TRUE(QDir().mkpath(oldFolder2()));
    KestoMover mover(KestoMover::installedFolders(), messages);
    EXPECT_TRUE(mover.run());
    EXPECT_EQ(messages.plain, QStringList{AlreadyDone});
    EXPECT_FALSE(QFileInfo::exists(newFolder()));
}

TEST_F(KestoMoverTest, MovesTheFileIntoANewFolderFoundWithoutRegardToCase) {
    const QByteArray data = pattern(20000);
    writeFile(oldFolder1() + QStringLiteral("/VornaW.mdb"), data);
    KestoMover mover(KestoMover::installedFolders(), messages);
    EXPECT_TRUE(mover.run());
    EXPECT_EQ(messages.count(), 0);
    EXPECT_EQ(readFile(newFolder() + QStringLiteral("/VornaW.mdb")), data);
    EXPECT_FALSE(QFileInfo::exists(oldFolder1() + QStringLiteral("/VornaW.mdb")));
    EXPECT_TRUE(QFileInfo(oldFolder1()).isDir());
}

// What the new folder held is kept beside it under the name of its last change; the last copy
// is "VornaW.mdb".
TEST_F(KestoMoverTest, BothFoldersAreMovedAndNoInstallationIsLost) {
    const QDateTime earlier(QDate(2014, 3, 7), QTime(9, 5, 2));
    writeFile(newFolder() + QStringLiteral("/VornaW.mdb"), pattern(30000));
    vorna::files::setLastModified(newFolder() + QStringLiteral("/VornaW.mdb"), earlier);
    writeFile(oldFolder1() + QStringLiteral("/VornaW.mdb"), "first installation");
    writeFile(oldFolder2() + QStringLiteral("/vornaw.MDB"), "second");
    KestoMover mover(KestoMover::installedFolders(), messages);
    EXPECT_TRUE(mover.run());
    EXPECT_EQ(messages.count(), 0);
    EXPECT_EQ(readFile(newFolder() + QStringLiteral("/VornaW.mdb")), "second");
    EXPECT_EQ(readFile(newFolder() + QStringLiteral("/VornaW07032014090502.mdb")), pattern(30000));
    EXPECT_FALSE(QFileInfo::exists(oldFolder1() + QStringLiteral("/VornaW.mdb")));
    EXPECT_FALSE(QFileInfo::exists(oldFolder2() + QStringLiteral("/vornaw.MDB")));
    // The first folder's copy, under the name of its own last change.
    QStringList kept = QDir(newFolder()).entryList({QStringLiteral("VornaW?*.mdb")}, QDir::Files);
    kept.removeAll(QStringLiteral("VornaW07032014090502.mdb"));
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(readFile(newFolder() + u'/' + kept[0]), "first installation");
    EXPECT_EQ(kept[0].size(), QStringLiteral("VornaW07032014090502.mdb").size());
}

TEST_F(KestoMoverTest, AKeptNameAlreadyTakenIsNeverReplaced) {
    const QDateTime changed(QDate(2015, 1, 31), QTime(0, 0, 0));
    const QString dest = newFolder() + QStringLiteral("/VornaW.mdb");
    writeFile(newFolder() + QStringLiteral("/VornaW31012015000000.mdb"), "kept before");
    writeFile(newFolder() + QStringLiteral("/VornaW31012015000000-2.mdb"), "kept before too");
    writeFile(dest, "in place");
    vorna::files::setLastModified(dest, changed);
    writeFile(oldFolder2() + QStringLiteral("/VornaW.mdb"), "new");
    KestoMover mover(KestoMover::installedFolders(), messages);
    EXPECT_TRUE(mover.run());
    EXPECT_EQ(readFile(dest), "new");
    EXPECT_EQ(readFile(newFolder() + QStringLiteral("/VornaW31012015000000.mdb")), "kept before");
    EXPECT_EQ(readFile(newFolder() + QStringLiteral("/VornaW31012015000000-2.mdb")), "kept before too");
    EXPECT_EQ(readFile(newFolder() + QStringLiteral("/VornaW31012015000000-3.mdb")), "in place");
    EXPECT_EQ(KestoMover::keptName(QDateTime(QDate(2009, 12, 31), QTime(23, 59, 59))), "VornaW31122009235959.mdb");
}

// An old "VornaW.mdb" that is no file is no installation already moved: the error names it and
// says why, before anything is done in either folder.
TEST_F(KestoMoverTest, AnOldNameThatIsNoFileIsNamedAndNothingChanges) {
    const auto link = [](const char* target) { return [target](const QString& p) { ASSERT_TRUE(QFile::link(target, p)); }; };
    const struct {
        std::function<void(const QString&)> make;
        QString reason;
    } cases[] = {
        {[](const QString& p) { ASSERT_EQ(::mkfifo(QFile::encodeName(p).constData(), 0600), 0); }, QStringLiteral("n'est pas un fichier ordinaire")},
        {[](const QString& p) { ASSERT_TRUE(QDir().mkpath(p)); }, QStringLiteral("est un dossier")},
        {link("/nonexistent/VornaW.mdb"), QStringLiteral("qui n'existe pas")},
        {link("/dev/zero"), QStringLiteral("qui n'est pas un fichier ordinaire")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason.toStdString());
        RecordingMessages shown;
        for (const QString& f : {oldFolder1(), oldFolder2(), newFolder()}) QDir(f).removeRecursively();
        // A sound file in the first folder, the odd one in the second: neither moves.
        writeFile(oldFolder1() + QStringLiteral("/VornaW.mdb"), "first installation");
        const QString odd = oldFolder2() + QStringLiteral("/VornaW.mdb");
        ASSERT_TRUE(QDir().mkpath(oldFolder2()));
        c.make(odd);
        EXPECT_FALSE(KestoMover(KestoMover::installedFolders(), shown).run());
        ASSERT_EQ(shown.errors.size(), 1);
        EXPECT_TRUE(shown.errors[0].contains(odd) && shown.errors[0].contains(c.reason)) << shown.errors[0].toStdString();
        EXPECT_EQ(readFile(oldFolder1() + QStringLiteral("/VornaW.mdb")), "first installation");
        EXPECT_FALSE(QFileInfo::exists(newFolder()));
    }
}

TEST_F(KestoMoverTest, LockedSourceShowsTheOpenErrorKeepsTheFileAndStops) {
    const QString old1 = oldFolder1() + QStringLiteral("/VornaW.mdb");
    writeFile(old1, "locked");
    writeFile(oldFolder2() + QStringLiteral("/VornaW.mdb"), "never reached");
    TestFiles files;
    files.refuseOpen = [](const QString&) { return true; };
    KestoMover mover(KestoMover::installedFolders(), messages, &files);
    EXPECT_FALSE(mover.run());
    EXPECT_EQ(messages.errors, QStringList{QStringLiteral("Impossible d'ouvrir le fichier ") + old1});
    EXPECT_TRUE(messages.plain.isEmpty());
    EXPECT_EQ(readFile(old1), "locked");
    EXPECT_EQ(readFile(oldFolder2() + QStringLiteral("/VornaW.mdb")), "never reached");
    EXPECT_FALSE(QFileInfo::exists(newFolder() + QStringLiteral("/VornaW.mdb")));
}

TEST_F(KestoMoverTest, DestinationThatCannotBeCreatedKeepsTheOldFile) {
    // A folder where the copy should go: no file can be created under that name.
    ASSERT_TRUE(QDir().mkpath(newFolder() + QStringLiteral("/VornaW.mdb")));
    const QString old2 = oldFolder2() + QStringLiteral("/VornaW.mdb");
    writeFile(old2, "data");
    KestoMover mover(KestoMover::installedFolders(), messages);
    EXPECT_FALSE(mover.run());
    EXPECT_EQ(messages.errors,
              QStringList{QStringLiteral("Impossible de créer le fichier ") + newFolder() + QStringLiteral("/VornaW.mdb")});
    EXPECT_EQ(readFile(old2), "data");
}

TEST_F(KestoMoverTest, IncompleteCopyKeepsBothTheOldFileAndTheEarlierDestination) {
    const QString old1 = oldFolder1() + QStringLiteral("/VornaW.mdb");
    const QString dest = newFolder() + QStringLiteral("/VornaW.mdb");
    const QByteArray data = pattern(3 * CopyChunkSize + 5);
    struct Case {
        const char* name;
        int failRead;
        int shortWrite;
    };
    for (const Case& c : {Case{"failed read", 1, -1}, Case{"short write", -1, 2}}) {
        SCOPED_TRACE(c.name);
        writeFile(old1, data);
        writeFile(dest, "earlier copy");
        RecordingMessages seen;
        TestFiles files;
        files.failRead = c.failRead;
        files.shortWrite = c.shortWrite;
        KestoMover mover(KestoMover::installedFolders(), seen, &files);
        EXPECT_FALSE(mover.run());
        EXPECT_EQ(seen.errors, QStringList{QStringLiteral("Impossible de copier entièrement le fichier ") + old1});
        EXPECT_EQ(readFile(old1), data);
        EXPECT_EQ(readFile(dest), "earlier copy");
        // Nothing half-written is left beside it either, and the earlier copy has its name back.
        EXPECT_EQ(QDir(newFolder()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("VornaW.mdb")});
    }
}

TEST_F(KestoMoverTest, ErrorOnTheSecondFolderKeepsWhatTheFirstMoved) {
    const QString old1 = oldFolder1() + QStringLiteral("/VornaW.mdb");
    const QString old2 = oldFolder2() + QStringLiteral("/VornaW.mdb");
    writeFile(old1, "first");
    writeFile(old2, "second");
    TestFiles files;
    files.refuseOpen = [&](const QString& path) { return path == old2; };
    KestoMover mover(KestoMover::installedFolders(), messages, &files);
    EXPECT_FALSE(mover.run());
    EXPECT_EQ(messages.errors, QStringList{QStringLiteral("Impossible d'ouvrir le fichier ") + old2});
    EXPECT_FALSE(QFileInfo::exists(old1));
    EXPECT_EQ(readFile(old2), "second");
    EXPECT_EQ(readFile(newFolder() + QStringLiteral("/VornaW.mdb")), "first");
}

// --- the copy itself ---------------------------------------------------------------------------

TEST_F(KestoTest, CopyReadsWholeChunksUntilAShortRead) {
    const QString src = root.path() + QStringLiteral("/src.mdb");
    const QString dst = root.path() + QStringLiteral("/dst.mdb");
    struct Case {
        qint64 size;
        QList<qint64> reads;
    };
    for (const Case& c : {Case{8192, {8192, 0}}, Case{8193, {8192, 1}}, Case{0, {0}}, Case{8191, {8191}}}) {
        SCOPED_TRACE(c.size);
        writeFile(src, pattern(c.size));
        TestFiles files;
        CopyFileChunked(src, dst, files);
        EXPECT_EQ(files.reads, c.reads);
        EXPECT_EQ(readFile(dst), pattern(c.size));
    }
}

TEST_F(KestoTest, CopyErrorsNameTheSourceAsGivenAndTheDestinationInFull) {
    const QString missing = root.path() + QStringLiteral("/absent.mdb");
    try {
        CopyFileChunked(missing, root.path() + QStringLiteral("/out.mdb"));
        ADD_FAILURE() << "no error";
    } catch (const CopyError& e) {
        EXPECT_EQ(e.kind, CopyError::Open);
        EXPECT_EQ(e.message, QStringLiteral("Impossible d'ouvrir le fichier ") + missing);
    }
    EXPECT_FALSE(QFileInfo::exists(root.path() + QStringLiteral("/out.mdb")));

    // A source that is a folder cannot be opened either.
    EXPECT_THROW(CopyFileChunked(drive, root.path() + QStringLiteral("/out.mdb")), CopyError);

    writeFile(root.path() + QStringLiteral("/in.mdb"), "x");
    const QString here = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(root.path()));
    try {
        CopyFileChunked(QStringLiteral("in.mdb"), QStringLiteral("no such folder/out.mdb"));
        ADD_FAILURE() << "no error";
    } catch (const CopyError& e) {
        EXPECT_EQ(e.kind, CopyError::Create);
        EXPECT_EQ(e.message, QStringLiteral("Impossible de créer le fichier ") + QDir(root.path()).absoluteFilePath(
                                                                                   QStringLiteral("no such folder/out.mdb")));
    }
    QDir::setCurrent(here);
}

// Neither side of a copy may be a fifo or a device, nor a link to one: nothing is read from it
// or written through it.
TEST_F(KestoTest, CopyRefusesWhatIsNoPlainFile) {
    const QString fifo = root.path() + QStringLiteral("/fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString link = root.path() + QStringLiteral("/VornaW.mdb");
    ASSERT_TRUE(QFile::link(fifo, link));
    writeFile(root.path() + QStringLiteral("/in.mdb"), "data");
    try {
        CopyFileChunked(root.path() + QStringLiteral("/in.mdb"), link);
        ADD_FAILURE() << "no error";
    } catch (const CopyError& e) {
        EXPECT_EQ(e.kind, CopyError::Create);
    }
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), fifo);
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(fifo).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    // Read from, the fifo would never end the copy.
    try {
        CopyFileChunked(link, root.path() + QStringLiteral("/out.mdb"));
        ADD_FAILURE() << "no error";
    } catch (const CopyError& e) {
        EXPECT_EQ(e.kind, CopyError::Open);
    }
    EXPECT_FALSE(QFileInfo::exists(root.path() + QStringLiteral("/out.mdb")));
}
