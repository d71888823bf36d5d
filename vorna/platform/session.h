#pragma once

#include <QPointer>
#include <QString>
#include <functional>

#include "platform/db/connection.h"

namespace vorna {

namespace forms {
class Form;
}

// What the start-up learns and every window reads: the connections and the main window that
// places the others. The start-up fills it; misEnForme(true) replaces dfwConn, and every later
// reader gets the new one.
struct Session {
    // The working connection every window opens its recordsets on.
    ConnectionPtr dfwConn;
    // Connection strings of the working and the reference databases.
    QString connVorna;
    QString connParamVorna;
    // Full path of the working database (start folder + "/VornaW.mdb").
    QString workingPath;
    // The main window, once it exists: pick lists and other windows open beside it.
    QPointer<forms::Form> mainWindow;
    // The order window's last height (twips), kept by the main window for the next opening.
    int ordreHeight = 0;
    // Re-reads the main window's list (its misEnForme(false)); empty before the main window exists.
    std::function<void()> refreshOrderList;

    static Session& current();
};

}  // namespace vorna
