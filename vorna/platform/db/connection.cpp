#include "platform/db/connection.h"

#include <QFileInfo>
#include <sqlite3.h>

#include "platform/db/jetsql.h"
#include "platform/db/sqlfunctions.h"
#include "platform/db/sqlvalues.h"

namespace vorna {

namespace {
const QString kSource = QStringLiteral("Vorna.db");

struct Statement {
    sqlite3_stmt* st = nullptr;
    ~Statement() { sqlite3_finalize(st); }
};
}  // namespace

QString jetConnectionString(const QString& fullPath) {
    // A path that would end the value early is quoted; any other is written as it is.
    QString source = fullPath;
    if (source.contains(u';') || source.startsWith(u'\'') || source.startsWith(u'"') || source != source.trimmed())
        source = u'"' + QString(source).replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Password='';User ID=Admin;Data Source=") + source +
           QStringLiteral(
               ";Mode=Share Deny None;Extended Properties='';Jet OLEDB:System database='';Jet OLEDB:Registry Path='';"
               "Jet OLEDB:Database Password='TOMBELIN';Jet OLEDB:Engine Type=4;Jet OLEDB:Database Locking Mode=0;"
               "Jet OLEDB:Global Partial Bulk Ops=2;Jet OLEDB:Global Bulk Transactions=1;Jet OLEDB:New Database "
               "Password='';Jet OLEDB:Create System Database=False;Jet OLEDB:Encrypt Database=False;Jet OLEDB:Don't "
               "Copy Locale on Compact=False;Jet OLEDB:Compact Without Replica Repair=False;Jet OLEDB:SFP=False");
}

QString dataSourceOf(const QString& connectionString) {
    // key=value pairs separated by ';'; a value may be quoted ('…' or "…", quotes doubled inside).
    const QString& s = connectionString;
    const int n = int(s.size());
    int i = 0;
    while (i < n) {
        const int eq = int(s.indexOf(u'=', i));
        const int semi = int(s.indexOf(u';', i));
        if (eq < 0) break;
        if (semi >= 0 && semi < eq) {  // a part without '='
            i = semi + 1;
            continue;
        }
        const QString key = s.mid(i, eq - i).trimmed();
        int j = eq + 1;
        while (j < n && s[j] == u' ') ++j;
        QString value;
        if (j < n && (s[j] == u'\'' || s[j] == u'"')) {
            const QChar q = s[j++];
            while (j < n) {
                if (s[j] == q) {
                    if (j + 1 < n && s[j + 1] == q) { value += q; j += 2; continue; }
                    ++j;
                    break;
                }
                value += s[j++];
            }
            const int next = int(s.indexOf(u';', j));
            i = next < 0 ? n : next + 1;
        } else {
            const int next = int(s.indexOf(u';', j));
            value = s.mid(j, (next < 0 ? n : next) - j).trimmed();
            i = next < 0 ? n : next + 1;
        }
        if (key.compare(QLatin1String("Data Source"), Qt::CaseInsensitive) == 0) return value;
    }
    return QString();
}

// ---- write faults ------------------------------------------------------------------------

namespace {
struct GlobalFault {
    int skip = 0;
    int count = 0;
    VbError error{0, QString(), QString()};
};
GlobalFault& globalFault() {
    static GlobalFault f;
    return f;
}
}  // namespace

bool Connection::WriteFault::due() {
    if (count <= 0) return false;
    if (skip > 0) {
        --skip;
        return false;
    }
    --count;
    return true;
}

void Connection::failWrites(const VbError& e, int count, int skip) { fault_ = WriteFault{skip, count, e}; }

void Connection::failWritesEverywhere(const VbError& e, int count, int skip) { globalFault() = GlobalFault{skip, count, e}; }

void Connection::clearWriteFaults() { fault_ = WriteFault{}; }

void Connection::clearAllWriteFaults() { globalFault() = GlobalFault{}; }

void Connection::beforeWrite() {
    if (fault_.due()) throw fault_.error;
    GlobalFault& g = globalFault();
    if (g.count > 0) {
        if (g.skip > 0) {
            --g.skip;
        } else {
            --g.count;
            throw g.error;
        }
    }
}

// ---- connection ----------------------------------------------------------------------------

Connection::Connection() = default;

Connection::~Connection() { close(); }

VbError Connection::error(int code, const QString& context) const {
    const QString file = path_;
    const QString detail = db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QString();
    auto with = [&](const QString& text) { return context.isEmpty() ? text : text + QStringLiteral(" (") + context + u')'; };
    switch (code & 0xff) {
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return VbError(err::AccessDenied, kSource,
                       with(QStringLiteral("Impossible d'ouvrir le fichier '%1' : vous n'avez pas l'autorisation d'accéder "
                                           "à ses données, ou il est ouvert en mode exclusif.").arg(file)));
    case SQLITE_READONLY:
        return VbError(err::AccessDenied, kSource,
                       with(QStringLiteral("Impossible de mettre à jour : le fichier '%1' est en lecture seule.").arg(file)));
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return VbError(err::AccessDenied, kSource,
                       with(QStringLiteral("Impossible de mettre à jour le fichier '%1' : il est verrouillé par un autre "
                                           "utilisateur.").arg(file)));
    case SQLITE_IOERR:
        return VbError(err::AccessDenied, kSource,
                       with(QStringLiteral("Erreur de lecture ou d'écriture sur le fichier '%1'.").arg(file)));
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return VbError(err::UnrecognizedDatabase, kSource,
                       with(QStringLiteral("Le fichier '%1' n'est pas une base de données, ou il est endommagé.").arg(file)));
    case SQLITE_FULL:
        return VbError(err::DatabaseError, kSource,
                       with(QStringLiteral("Le disque est plein : impossible d'écrire dans le fichier '%1'.").arg(file)));
    case SQLITE_CONSTRAINT:
        if (code == SQLITE_CONSTRAINT_UNIQUE || code == SQLITE_CONSTRAINT_PRIMARYKEY)
            return VbError(err::DatabaseError, kSource,
                           with(QStringLiteral("Les modifications n'ont pas été faites dans le fichier '%1' : elles créeraient "
                                               "des doublons dans la clé de la table (%2).").arg(file, detail)));
        if (code == SQLITE_CONSTRAINT_NOTNULL)
            return VbError(err::DatabaseError, kSource,
                           with(QStringLiteral("Un champ obligatoire est vide dans le fichier '%1' (%2).").arg(file, detail)));
        return VbError(err::DatabaseError, kSource,
                       with(QStringLiteral("Une règle de la table refuse la modification dans le fichier '%1' (%2).").arg(file, detail)));
    default:
        // A table or a column that the file does not have (a database that is not one of this
        // program's): said in French, with its name.
        if (detail.startsWith(QLatin1String("no such table: ")))
            return VbError(err::DatabaseError, kSource,
                           with(QStringLiteral("La table « %1 » est introuvable dans le fichier '%2'.").arg(detail.mid(15), file)));
        if (detail.startsWith(QLatin1String("no such column: ")))
            return VbError(err::DatabaseError, kSource,
                           with(QStringLiteral("Le champ « %1 » est introuvable dans le fichier '%2'.").arg(detail.mid(16), file)));
        return VbError(err::DatabaseError, kSource,
                       with(QStringLiteral("Erreur de la base de données '%1' : %2").arg(file, detail)));
    }
}

void Connection::raise(int code, const QString& context) const { throw error(code, context); }

void Connection::open(const QString& connectionString, const QString&, const QString&) {
    close();
    connectionString_ = connectionString;
    path_ = dataSourceOf(connectionString);
    const QFileInfo info(path_);
    if (path_.isEmpty() || !info.exists())
        throw VbError(err::AccessDenied, kSource, QStringLiteral("Fichier '%1' introuvable.").arg(path_));
    path_ = info.absoluteFilePath();
    if (info.isDir()) raise(SQLITE_CANTOPEN);
    // An empty file would become a database at the first write: it is none.
    if (info.size() == 0) raise(SQLITE_NOTADB);
    readOnly_ = !(info.permissions() & QFileDevice::WriteOwner) || !info.isWritable();
    const int flags = (readOnly_ ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path_.toUtf8().constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close_v2(db);
        raise(rc);
    }
    db_ = db;
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, busyTimeout_);
    int r = registerSqlFunctions(db_);
    // Read the schema now, so that a file that is not a database fails here and not later.
    if (r == SQLITE_OK) r = sqlite3_exec(db_, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    // No write-ahead log beside the file: the program copies and renames its database files.
    if (r == SQLITE_OK && !readOnly_) r = sqlite3_exec(db_, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr);
    if (r != SQLITE_OK) {
        const VbError e = error(r);
        close();
        throw e;
    }
}

void Connection::close() {
    if (db_) {
        sqlite3_close_v2(db_);  // an open transaction is rolled back
        db_ = nullptr;
    }
    level_ = 0;
}

bool Connection::isOpen() const { return db_ != nullptr; }

QString Connection::connectionString() const { return connectionString_; }

QString Connection::path() const { return path_; }

sqlite3* Connection::handle() const { return db_; }

void Connection::setBusyTimeout(int milliseconds) {
    busyTimeout_ = milliseconds;
    if (db_) sqlite3_busy_timeout(db_, milliseconds);
}

int Connection::execute(const QString& sql, const QList<Value>& params) {
    if (!db_) throw VbError(err::OperationNotAllowed, kSource, QStringLiteral("La connexion est fermée."));
    const QByteArray text = jetsql::translate(sql).toUtf8();
    const char* tail = text.constData();
    const char* end = tail + text.size();
    int changes = 0;
    int nextParam = 0;
    while (tail < end) {
        Statement s;
        const char* rest = nullptr;
        int rc = sqlite3_prepare_v2(db_, tail, int(end - tail), &s.st, &rest);
        if (rc != SQLITE_OK) raise(rc, sql);
        tail = rest;
        if (!s.st) continue;  // blanks or a lone ';'
        const int count = sqlite3_bind_parameter_count(s.st);
        for (int i = 1; i <= count; ++i) {
            rc = detail::bindValue(s.st, i, nextParam < params.size() ? params[nextParam] : Value::null());
            ++nextParam;
            if (rc != SQLITE_OK) raise(rc, sql);
        }
        if (!sqlite3_stmt_readonly(s.st)) beforeWrite();
        while ((rc = sqlite3_step(s.st)) == SQLITE_ROW) {
        }
        if (rc != SQLITE_DONE) raise(sqlite3_extended_errcode(db_), sql);
        changes = sqlite3_stmt_readonly(s.st) ? 0 : sqlite3_changes(db_);
    }
    return changes;
}

int Connection::beginTrans() {
    if (!db_) throw VbError(err::OperationNotAllowed, kSource, QStringLiteral("La connexion est fermée."));
    if (level_ > 0 && sqlite3_get_autocommit(db_)) level_ = 0;  // the engine ended it (a failed commit)
    // Deferred: an open transaction takes no lock until it reads or writes, so other
    // connections on the same file keep working.
    const QByteArray sql = level_ == 0 ? QByteArray("BEGIN DEFERRED") : "SAVEPOINT vorna_" + QByteArray::number(level_ + 1);
    const int rc = sqlite3_exec(db_, sql.constData(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) raise(sqlite3_extended_errcode(db_));
    return ++level_;
}

void Connection::commitTrans() {
    if (!db_ || level_ == 0)
        throw VbError(err::OperationNotAllowed, kSource, QStringLiteral("Aucune transaction n'est en cours."));
    if (sqlite3_get_autocommit(db_)) {  // rolled back by the engine already
        level_ = 0;
        throw VbError(err::DatabaseError, kSource,
                      QStringLiteral("La transaction sur le fichier '%1' a été annulée par le moteur de base de données.").arg(path_));
    }
    const QByteArray sql = level_ == 1 ? QByteArray("COMMIT") : "RELEASE vorna_" + QByteArray::number(level_);
    const int rc = sqlite3_exec(db_, sql.constData(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) raise(sqlite3_extended_errcode(db_));
    --level_;
}

void Connection::rollbackTrans() {
    if (!db_ || level_ == 0)
        throw VbError(err::OperationNotAllowed, kSource, QStringLiteral("Aucune transaction n'est en cours."));
    if (sqlite3_get_autocommit(db_)) {  // nothing left to undo
        level_ = 0;
        return;
    }
    const QByteArray name = "vorna_" + QByteArray::number(level_);
    const QByteArray sql = level_ == 1 ? QByteArray("ROLLBACK") : "ROLLBACK TO " + name + "; RELEASE " + name;
    const int rc = sqlite3_exec(db_, sql.constData(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) raise(sqlite3_extended_errcode(db_));
    --level_;
}

int Connection::transactionLevel() const { return level_; }

ConnectionPtr openConnection(const QString& connectionString) {
    auto c = std::make_shared<Connection>();
    c->open(connectionString);
    return c;
}

}  // namespace vorna
