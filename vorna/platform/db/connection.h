#pragma once

#include <QList>
#include <QString>
#include <memory>

#include "platform/value.h"

struct sqlite3;

namespace vorna {

// The connection string of the old provider for one database file. Its text is kept as the
// program has always built it; only its Data Source means something to SQLite (the database
// password it names is not applied).
QString jetConnectionString(const QString& fullPath);
// The Data Source of a connection string ("" when it has none).
QString dataSourceOf(const QString& connectionString);

// A connection to one database file (SQLite content, whatever its name).
// Errors are thrown as VbError: a file that cannot be opened, read or written gives
// err::AccessDenied (-2147467259); a file that is not a database another number, with a
// French description that names the file.
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

    // Turns the current SQLite error of this connection into a VbError (source "Vorna.db").
    [[noreturn]] void raise(int sqliteCode, const QString& context = QString()) const;

private:
    sqlite3* db_ = nullptr;
    QString connectionString_;
    QString path_;
    int level_ = 0;
};

using ConnectionPtr = std::shared_ptr<Connection>;

// Opens a new connection (shorthand used by every window that needs one of its own).
ConnectionPtr openConnection(const QString& connectionString);

}  // namespace vorna
