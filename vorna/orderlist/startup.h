#pragma once

#include <QRect>
#include <QString>
#include <functional>

#include "platform/db/connection.h"

namespace vorna {

// The file names the program keeps in its start folder.
namespace dbfiles {
inline const QString Template = QStringLiteral("Vorna.mdb");
inline const QString Working = QStringLiteral("VornaW.mdb");
inline const QString Reference = QStringLiteral("ParVorna.mdb");
}  // namespace dbfiles

// What the start-up hands to the main window and every other window.
struct StartupState {
    QString startFolder;
    QString workingPath;       // start folder + "/VornaW.mdb"
    QString connVorna;         // connection string of the working database
    QString connParamVorna;    // connection string of the reference database
    QString workingConnString; // the one misEnForme opens dfwConn with
    QString listQuery;         // the order list's SELECT
    ConnectionPtr dfwConn;     // the first working connection (purge, settings window)
};

// Preparation of the databases and the generation folder at start-up, from the template test
// to the list query. The main window drives it from its load step; what belongs to windows
// (loading the settings window, reading its folder box) comes in through the hooks.
class Startup {
public:
    struct Hooks {
        // Loads the settings window on the working connection (it keeps its row on it).
        std::function<void(const ConnectionPtr&)> loadSettings;
        // The generation folder as the settings window shows it.
        std::function<QString()> generationFolder;
        // Brings an old-layout working database to the current layout; false ends the program
        // (the upgrade has then shown its own message). Unset: upgradeWorkingDatabase.
        std::function<bool(const QString& startFolder)> upgrade;
    };

    Startup(QString startFolder, Hooks hooks);

    // Runs the start-up from the template test to the list query. False when the program must
    // end; the reason has been shown in a message box (unexpected failures by the general
    // handler).
    bool run();

    const StartupState& state() const { return state_; }

    // The general failure handler's message for an error.
    static void reportFatal(long number, const QString& source, const QString& description);

    static const QString PurgeStatement;
    static const QString ListQuery;

private:
    bool prepareWorkingDatabase();
    bool checkLayout();
    void openAndPurge();
    void cleanGenerationFolder();

    Hooks hooks_;
    StartupState state_;
};

}  // namespace vorna
