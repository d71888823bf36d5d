#pragma once

#include <QPointer>
#include <QString>

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

    static Session& current();
};

}  // namespace vorna
