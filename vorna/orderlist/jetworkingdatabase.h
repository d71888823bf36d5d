#pragma once

#include <QDateTime>
#include <QString>
#include <functional>

#include "platform/db/jetfile.h"

namespace vorna {

// A working database brought from an installation on Windows is a file of the old engine (Jet).
// Before the layout test, the start-up turns it into a database of ours, in place:
//   1. the converted database is written whole beside it, under a working name;
//   2. the Jet file is kept, untouched, as "VornaW.jet.mdb" (never overwritten: when that name
//      is taken, "VornaW.jet" + the file's date and time of last change + ".mdb");
//   3. the converted file takes the name "VornaW.mdb" (one rename, which replaces the Jet file).
// A crash at any point leaves "VornaW.mdb" either the Jet file or the complete converted one.
// Any other file is left alone.
class JetWorkingDatabase {
public:
    // `waiting` is called while the conversion runs (the start-up shows its window there and
    // lets the user stop it), `ended` once it has ended, before any message.
    explicit JetWorkingDatabase(QString workingPath, JetFile::Waiting waiting = {}, std::function<void()> ended = {});

    // False when the program must end: the Jet file could not be read or converted in its time
    // (JetFile::timeLimitMs), or the user stopped its conversion; a message naming it has been
    // shown, and nothing has been changed.
    bool run();

    // Where the steps stand, for the test hook.
    enum class Step { Written, Kept };
    // Test hook: called after each step; a crash is simulated by throwing from it.
    static void setStepHook(std::function<void(Step)> hook);

    // The name the Jet file is kept under: "VornaW.jet.mdb", or when taken "VornaW.jet" + day,
    // month, year, hour, minute, second + ".mdb", then with "-2", "-3"… until a free one.
    static QString keptName(const QString& folder, const QDateTime& lastChange);
    // The working name of the converted file until it is put in place.
    static QString workName();

private:
    bool keepOriginal();

    QString workingPath_;
    QString folder_;
    QString workPath_;
    JetFile::Waiting waiting_;
    std::function<void()> ended_;
};

// The start-up's step: JetWorkingDatabase(workingPath).run(), with a window that shows within a
// second of a conversion that goes on and a button to stop it (upgradeprogress.cpp).
bool convertJetWorkingDatabase(const QString& workingPath);

}  // namespace vorna
