#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace vorna {

// Brings the working database of the previous version (2006-01, a ParamRef of 23 columns) to
// the current layout, inside the start-up, with no window and no question:
//   1. removes the old version's desktop shortcuts and uninstall key (failures ignored);
//   2. keeps the old file as "VornaAnc.mdb" (a copy, the source of the row copy) and under the
//      dated archive name (the file itself, renamed);
//   3. makes "VornaW.mdb" a fresh copy of the template;
//   4. copies every row of Ordres, Modeles and ParamRef, field by field, numbers included.
// The layout test's connection must be closed before. run() answers false when the program
// must end (its message has been shown); a failure to open or close the two connections is
// thrown as VbError for the start-up's general handler.
class Upgrade {
public:
    explicit Upgrade(QString startFolder);

    bool run();

    // "VornaAnc" + day, month, year, hour, minute, second of the old file's last change + ".mdb".
    static QString datedArchiveName(const QDateTime& lastChange);

    static const QString Archive;  // "VornaAnc.mdb"
    static const QString ParamRefVersion;  // "2015-01"
    // The old version's traces, in the Windows form.
    static const QStringList OldShortcuts;
    static const QString OldUninstallKey;
    // The columns copied from each old table, in the order they are copied.
    static const QStringList OrdresColumns;
    static const QStringList ModelesColumns;
    static const QStringList ParamRefColumns;

private:
    void removeOldVersionTraces();
    bool archiveOldFile();
    bool copyTemplate();
    bool copyRows();

    QString startFolder_;
    QString workingPath_;
    QString archivePath_;
    QString templatePath_;
};

// The start-up's upgrade (Upgrade(startFolder).run()).
bool upgradeWorkingDatabase(const QString& startFolder);

}  // namespace vorna
