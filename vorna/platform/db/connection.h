#pragma once

#include <QList>
#include <QString>
#include <memory>

#include "platform/value.h"
#include "platform/vberror.h"

struct sqlite3;

namespace vorna {

// The connection string of the old provider for one database file. Its text is kept as the
// program has always built it; only its Data Source means something to SQLite (the database
// password it names is not applied). A path holding a ';' is put between double quotes.
QString jetConnectionString(const QString& fullPath);
// The Data Source of a connection string ("" when it has none).
QString dataSourceOf(const QString& connectionString);

// A connection to one database file (SQLite content, whatever its name).
// Errors are thrown as VbError: a file that cannot be opened, read or written gives
// err::AccessDenied (-2147467259); a file that is not a database err::UnrecognizedDatabase; any
// other failure err::DatabaseError (or the number of the recordset operation that failed);
// every description is French and names the file.
// A file without the owner's write permission is opened read-only: reading works, the first
// write gives err::AccessDenied (the owner bit is what counts, as root may write anything).
// Statements never stay open between calls, so no connection holds a read lock for long (a
// recordset keeps its last UPDATE prepared for the next row, reset, which holds no lock).
class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Opens the file named by the connection string's Data Source. Never creates a file.
    // The user name and password are accepted and ignored.
    void open(const QString& connectionString, const QString& user = QString(), const QString& password = QString());
    void close();
    bool isOpen() const;

    QString connectionString() const;
    // Full path of the open file.
    QString path() const;

    // Runs one statement that returns no row. The text may use the Jet forms the program
    // writes (see JetSql); values typed by a user are passed in `params`, bound to the
    // statement's "?" in order. Answers the number of rows changed.
    int execute(const QString& sql, const QList<Value>& params = {});

    // Transactions. beginTrans answers the nesting level it opened (1 for the outermost);
    // deeper levels are savepoints. commitTrans and rollbackTrans end the newest level.
    int beginTrans();
    void commitTrans();
    void rollbackTrans();
    int transactionLevel() const;

    sqlite3* handle() const;
    bool isReadOnly() const { return readOnly_; }
    // How long a write waits for another connection's lock before it fails (2000 ms).
    void setBusyTimeout(int milliseconds);

    // Turns the current SQLite error of this connection into a VbError (source "Vorna.db").
    [[noreturn]] void raise(int sqliteCode, const QString& context = QString()) const;
    VbError error(int sqliteCode, const QString& context = QString()) const;

    // Test hook, to reach the paths that follow a failed write (rollbacks). A write is a
    // statement that changes rows: execute() of such a statement, and a recordset's insert,
    // update or delete. After `skip` more writes that succeed, the next `count` writes fail with
    // `error` before they reach the file.
    void failWrites(const VbError& error, int count = 1, int skip = 0);
    // The same for every connection, those opened later included.
    static void failWritesEverywhere(const VbError& error, int count = 1, int skip = 0);
    // Removes the fault set on this connection / the one set by failWritesEverywhere().
    void clearWriteFaults();
    static void clearAllWriteFaults();
    // Called by the layer before each write: throws the fault that is due, if any.
    void beforeWrite();

private:
    struct WriteFault {
        int skip = 0;
        int count = 0;
        VbError error{0, QString(), QString()};
        bool due();
    };
    sqlite3* db_ = nullptr;
    QString connectionString_;
    QString path_;
    int level_ = 0;
    bool readOnly_ = false;
    int busyTimeout_ = 2000;
    WriteFault fault_;
};

using ConnectionPtr = std::shared_ptr<Connection>;

// Opens a new connection (shorthand used by every window that needs one of its own).
ConnectionPtr openConnection(const QString& connectionString);

}  // namespace vorna
