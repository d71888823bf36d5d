#pragma once

#include <QString>

#include "orderlist/startup.h"
#include "platform/db/connection.h"
#include "platform/forms/form.h"

namespace vorna {

// The main window: the list of orders and the menus. Its load step is the program's start-up.
class frmListOrdre : public forms::FormOf<frmListOrdre> {
    Q_OBJECT
public:
    frmListOrdre();

    // The working connection every window uses (replaced once by misEnForme(true)).
    ConnectionPtr dfwConn;
    // Connection strings of the working and the reference databases.
    QString connVorna;
    QString connParamVorna;

    // Full path of the working database (start folder + "/VornaW.mdb").
    QString workingDatabasePath() const { return workingPath_; }
    // True once the start-up has ended.
    bool startupDone() const { return loaded_; }

    // Fills the list; with initConn true, first opens a new working connection as dfwConn.
    void misEnForme(bool initConn = false);

    // The program's title bar text; a second start activates the window that bears it.
    static const QString Caption;

protected:
    void formLoad() override;

private:
    QString startFolder_;
    QString workingPath_;
    QString workingConnString_;
    QString listQuery_;
    bool loaded_ = false;
};

}  // namespace vorna
