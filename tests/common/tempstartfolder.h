#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QTemporaryDir>

#include "platform/db/connection.h"
#include "platform/value.h"

namespace vorna::test {

// A temporary start folder for a test: it holds copies of the shipped template Vorna.mdb and
// reference database ParVorna.mdb (as built from data/), and is removed with the object.
//
//   TempStartFolder folder;
//   folder.createWorkingDatabase();               // VornaW.mdb copied from the template
//   ConnectionPtr c = folder.openWorking();
//   const qint64 id = folder.insertOrder(c, {{"refInterne", "ABC"}});
class TempStartFolder {
public:
    using Fields = QList<QPair<QString, Value>>;

    TempStartFolder();
    // Leaves the process's current folder as it found it (see enter()).
    ~TempStartFolder();
    TempStartFolder(const TempStartFolder&) = delete;
    TempStartFolder& operator=(const TempStartFolder&) = delete;

    QString path() const;
    // path() + "/" + name.
    QString filePath(const QString& name) const;
    // The connection string of a file of the folder (jetConnectionString of its full path).
    QString connectionString(const QString& name) const;

    // Makes the folder the process's current folder (the program's start folder) until the
    // object goes.
    void enter();

    // VornaW.mdb as a fresh copy of the template (replacing one already there). Answers its path.
    QString createWorkingDatabase();
    // VornaW.mdb as a working database of the previous layout (ParamRef of 23 columns), empty.
    QString createOldWorkingDatabase();
    // Copies any database built beside the shipped ones (Vorna.mdb, ParVorna.mdb, VornaOld.mdb)
    // into the folder under `name`.
    QString copyBuiltDatabase(const QString& builtName, const QString& name);

    ConnectionPtr openWorking() const;     // VornaW.mdb
    ConnectionPtr openReference() const;   // ParVorna.mdb

    // Inserts one order with plain SQL and answers its idOrdre. Sensible values are filled in
    // (EUR 100.00, 2 decimals, reference "REF", created now, pending); `fields` set or
    // override columns by name (Null allowed).
    static qint64 insertOrder(const ConnectionPtr& c, const Fields& fields = {});
    // Inserts `count` such orders in one transaction (numbered references "REF<n>"),
    // every tenth one generated. Fast enough for a hundred thousand.
    static void insertOrders(const ConnectionPtr& c, int count);

private:
    QTemporaryDir dir_;
    QString previousCurrent_;
};

}  // namespace vorna::test
