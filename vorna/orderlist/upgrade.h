#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>

namespace vorna {

class VbError;

// Brings the working database of the previous version (2006-01, a ParamRef of 23 columns) to
// the current layout, inside the start-up, with no question:
//   1. removes the old version's desktop shortcuts and uninstall key (failures ignored);
//   2. keeps the old file as "VornaAnc.mdb" (a copy, the source of the row copy) and under the
//      dated archive name (a second name of the file itself);
//   3. builds the new database aside, in the work file "VornaW.mdb.maj": a checked copy of the
//      template, into which every row of Ordres, Modeles and ParamRef is copied, numbers
//      included, in one transaction;
//   4. only then puts the work file in the place of "VornaW.mdb", in one rename.
// Until that rename "VornaW.mdb" is the old file, untouched: an upgrade that fails or is
// interrupted leaves it as it was, and the next start upgrades it again. A work file left by an
// interrupted upgrade is thrown away first.
// The layout test's connection must be closed before. run() answers false when the program
// must end (its message has been shown); a failure to open the work file or the archive is
// thrown as VbError for the start-up's general handler.
class Upgrade {
public:
    // Rows copied so far, of all the rows to copy: once before the first row, then after each
    // block of rows. The start-up shows it in a window when the work lasts.
    using Progress = std::function<void(qint64 done, qint64 total)>;

    explicit Upgrade(QString startFolder, Progress progress = {});

    bool run();

    // "VornaAnc" + day, month, year, hour, minute, second of the old file's last change + ".mdb".
    static QString datedArchiveName(const QDateTime& lastChange);

    static const QString Archive;  // "VornaAnc.mdb"
    static const QString WorkFile;  // "VornaW.mdb.maj"
    static const QString ParamRefVersion;  // "2015-01"
    // Rows copied by each statement of the copy (one progress step).
    static constexpr int RowsPerStep = 2000;
    // The old version's traces, in the Windows form.
    static const QStringList OldShortcuts;
    static const QString OldUninstallKey;
    // The columns copied from each old table, in the order they are copied.
    static const QStringList OrdresColumns;
    static const QStringList ModelesColumns;
    static const QStringList ParamRefColumns;

private:
    void removeOldVersionTraces();
    void discardWorkFile();
    bool archiveOldFile();
    bool buildWorkFile();
    bool copyRows();
    bool putInPlace();

    Progress progress_;
    QString startFolder_;
    QString workingPath_;
    QString archivePath_;
    QString templatePath_;
    QString workPath_;
};

// Whether a fresh copy of the template may become a working database: a database whose tables
// Ordres, Modeles and ParamRef are there, ParamRef in the current layout, and whose pages pass
// the engine's quick check. Never throws.
bool isSoundTemplateCopy(const QString& path);
// The lines that name a damaged template, under the message of the step that copied it.
QString damagedTemplateText(const QString& templatePath);
// The lines that give a file error's reason (a full disk, a read-only folder, a folder in the
// place of a file) under the message of the step that failed.
QString reasonOf(const VbError& e);

// The start-up's upgrade: Upgrade(startFolder).run(), with a progress window when it lasts more
// than a second (upgradeprogress.cpp).
bool upgradeWorkingDatabase(const QString& startFolder);

}  // namespace vorna
