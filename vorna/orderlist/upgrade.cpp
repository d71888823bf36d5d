#include "orderlist/upgrade.h"

#include <QDir>
#include <exception>
#include <limits>
#include <optional>
#include <sqlite3.h>

#include "orderlist/startup.h"
#include "platform/db/connection.h"
#include "platform/db/jetsql.h"
#include "platform/dialogs.h"
#include "platform/files/files.h"
#include "platform/vberror.h"

namespace vorna {

const QString Upgrade::Archive = QStringLiteral("VornaAnc.mdb");
const QString Upgrade::ParamRefVersion = QStringLiteral("2015-01");

const QStringList Upgrade::OldShortcuts = {
    QStringLiteral("c:\\documents and settings\\all users\\bureau\\KESTO 2006-01.lnk"),
    QStringLiteral("C:\\Documents and Settings\\Administrateur\\Bureau\\KESTO 2006-01.lnk"),
};

// The final "\" makes it a key, not a value.
const QString Upgrade::OldUninstallKey = QStringLiteral(
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
    "KESTO 2006-01 : Ostravelia des virements internationnaux\\");

const QStringList Upgrade::OrdresColumns = {
    "idOrdre", "typeOper", "devPaiement", "devOrdre", "montant", "urgent", "refInterne", "DateCreation",
    "ribOY", "identOY1", "identOY2", "identOY3", "codePostalOY", "villeOY", "paysOY", "ribPL", "identPL1",
    "identPL2", "identPL3", "codePostalPL", "villePL", "paysPL", "bicBqeI1", "identBqeI11", "identBqeI12",
    "identBqeI13", "villeBqeI1", "paysBqeI1", "bicBqeBE", "codeBqeBE", "identBqeBE1", "identBqeBE2",
    "identBqeBE3", "villeBqeBE", "paysBqeBE", "identBE1", "identBE2", "identBE3", "villeBE", "paysBE",
    "ibanBE", "motif1", "motif2", "motif3", "motif4", "frais", "avisBenefType", "avisTel", "avisBenef",
    "avisFax", "codeEcono", "paysResBE", "sirenDecla", "residentOY", "sirenPL", "sirenOY", "nbDeci",
    "dateGener", "genere", "cMontant", "cDevises",
};

// The template's own key, the order's columns from typeOper to residentOY, its description.
const QStringList Upgrade::ModelesColumns = [] {
    QStringList columns{QStringLiteral("idModele")};
    const qsizetype first = OrdresColumns.indexOf(QStringLiteral("typeOper"));
    const qsizetype last = OrdresColumns.indexOf(QStringLiteral("residentOY"));
    for (qsizetype i = first; i <= last; ++i)
        columns << (OrdresColumns[i] == QLatin1String("paysPL") ? QStringLiteral("PaysPL") : OrdresColumns[i]);
    columns << QStringLiteral("description");
    return columns;
}();

const QStringList Upgrade::ParamRefColumns = {
    "idUniq", "radicalRef", "reperGener", "ribOY", "identOY1", "identOY2", "identOY3", "codePostalOY",
    "villeOY", "paysOY", "sirenOY", "residentOY", "modifiableOY", "ribPL", "identPL1", "identPL2", "identPL3",
    "codePostalPL", "villePL", "paysPL", "sirenPL", "residentPL", "modifiablePL",
};

const QString Upgrade::WorkFile = QStringLiteral("VornaW.mdb.maj");

namespace {

void stop(const QString& text) {
    msgBox(text, MsgButtons::OK, MsgIcon::Critical, QStringLiteral("Exécution impossible"));
}

const QString kNoWorkingDatabase = QStringLiteral("Impossible de préparer la base de données de travail");
// The old file, attached to the work file's connection.
const char* const kOld = "ancienne";

QString columnList(const QStringList& columns) {
    QStringList quoted;
    for (const QString& c : columns) quoted << jetsql::quoteIdentifier(c);
    return quoted.join(QStringLiteral(", "));
}

// A text as an SQL literal, for the one statement that takes no parameter.
QByteArray sqlQuote(const QString& text) {
    return "'" + QString(text).replace(u'\'', QStringLiteral("''")).toUtf8() + "'";
}

// Runs one statement of the engine itself (attach, pragma): no row is written, so no write fault
// is due.
void exec(const ConnectionPtr& c, const QByteArray& sql) {
    const int rc = sqlite3_exec(c->handle(), sql.constData(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) c->raise(sqlite3_extended_errcode(c->handle()), QString::fromUtf8(sql));
}

// One integer answered by a statement with one bound integer (or none).
struct Query {
    Query(const ConnectionPtr& c, const QString& sql) : conn(c) {
        const QByteArray text = sql.toUtf8();
        const int rc = sqlite3_prepare_v2(c->handle(), text.constData(), int(text.size()), &st, nullptr);
        if (rc != SQLITE_OK) c->raise(rc, sql);
    }
    ~Query() { sqlite3_finalize(st); }
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;
    // The first column of the first row; nullopt when there is none.
    std::optional<qint64> value(std::initializer_list<qint64> params = {}) {
        sqlite3_reset(st);
        int i = 0;
        for (qint64 p : params) sqlite3_bind_int64(st, ++i, p);
        const int rc = sqlite3_step(st);
        if (rc == SQLITE_ROW) return sqlite3_column_int64(st, 0);
        if (rc != SQLITE_DONE) conn->raise(sqlite3_extended_errcode(conn->handle()));
        return std::nullopt;
    }
    ConnectionPtr conn;
    sqlite3_stmt* st = nullptr;
};

struct Table {
    QString name;
    const QStringList& columns;
};

}  // namespace

bool isSoundTemplateCopy(const QString& path) {
    try {
        ConnectionPtr c = openConnection(jetConnectionString(path));
        Query check(c, QStringLiteral("PRAGMA quick_check(1)"));
        sqlite3_reset(check.st);
        if (sqlite3_step(check.st) != SQLITE_ROW ||
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(check.st, 0))) != QLatin1String("ok"))
            return false;
        for (const char* table : {"Ordres", "Modeles"}) {
            Query columns(c, QStringLiteral("SELECT count(*) FROM pragma_table_info('%1')").arg(QLatin1String(table)));
            if (columns.value().value_or(0) == 0) return false;
        }
        Query settings(c, QStringLiteral("SELECT count(*) FROM pragma_table_info('ParamRef')"));
        return settings.value().value_or(0) >= 24;
    } catch (const VbError&) {
        return false;
    }
}

QString damagedTemplateText(const QString& templatePath) {
    return QStringLiteral("\r\n\r\nLe fichier des tables initiales « %1 » est endommagé ou n'est pas une base de "
                          "données de ce programme : il doit être réinstallé.")
        .arg(QDir::toNativeSeparators(templatePath));
}

QString reasonOf(const VbError& e) {
    return e.description.isEmpty() ? QString() : QStringLiteral("\r\n\r\n") + e.description;
}

Upgrade::Upgrade(QString startFolder, Progress progress)
    : progress_(std::move(progress)), startFolder_(std::move(startFolder)) {
    const QDir dir(startFolder_);
    workingPath_ = dir.filePath(dbfiles::Working);
    archivePath_ = dir.filePath(Archive);
    templatePath_ = dir.filePath(dbfiles::Template);
    workPath_ = dir.filePath(WorkFile);
}

QString Upgrade::datedArchiveName(const QDateTime& lastChange) {
    return QStringLiteral("VornaAnc") + lastChange.toString(QStringLiteral("ddMMyyyyHHmmss")) + QStringLiteral(".mdb");
}

bool Upgrade::run() {
    removeOldVersionTraces();
    // What an interrupted upgrade left is no use: the old file is still in place.
    discardWorkFile();
    if (!archiveOldFile()) return false;
    if (!buildWorkFile()) return false;
    bool done = false;
    try {
        done = copyRows() && putInPlace();
    } catch (...) {
        discardWorkFile();
        throw;
    }
    if (!done) discardWorkFile();
    return done;
}

void Upgrade::removeOldVersionTraces() {
    // Whatever is already gone or may not be removed stays as it is.
    for (const QString& shortcut : OldShortcuts) {
        try {
            const QString path = files::mapWindowsPath(shortcut);
            if (files::fileExists(path)) files::deleteFile(path);
        } catch (const std::exception&) {
        }
    }
    try {
        Registry::current().deleteKey(OldUninstallKey);
    } catch (const std::exception&) {
    }
}

void Upgrade::discardWorkFile() {
    // The journal too: beside a new work file it would be played back into it.
    for (const QString& path : {workPath_, workPath_ + QStringLiteral("-journal")}) {
        try {
            if (files::fileExists(path)) files::deleteFile(path);
        } catch (const VbError&) {
        }
    }
}

bool Upgrade::archiveOldFile() {
    try {
        if (files::fileExists(archivePath_)) files::deleteFile(archivePath_);
    } catch (const VbError&) {
    }
    // The rows are read from this copy: without a whole one the upgrade would copy nothing, or
    // the rows of an earlier upgrade left in a VornaAnc.mdb that could not be deleted.
    try {
        files::copyFile(workingPath_, archivePath_);
    } catch (const VbError& e) {
        stop(kNoWorkingDatabase + reasonOf(e));
        return false;
    }
    // The old file under its dated name as well; an interrupted upgrade may have given it
    // already (the same date, so the same name), and an existing archive is never replaced.
    const QDateTime changed = files::lastModified(workingPath_);
    try {
        if (changed.isValid()) files::keepUnder(workingPath_, QDir(startFolder_).filePath(datedArchiveName(changed)));
    } catch (const VbError&) {
        // VornaAnc.mdb holds the old rows all the same.
    }
    return true;
}

bool Upgrade::buildWorkFile() {
    try {
        files::copyFile(templatePath_, workPath_);
    } catch (const VbError& e) {
        stop(kNoWorkingDatabase + reasonOf(e));
        return false;
    }
    if (!isSoundTemplateCopy(workPath_)) {
        discardWorkFile();
        stop(kNoWorkingDatabase + damagedTemplateText(templatePath_));
        return false;
    }
    return true;
}

bool Upgrade::copyRows() {
    ConnectionPtr work = openConnection(jetConnectionString(workPath_));
    // The work file is nobody's until it takes its name: its journal may stay in memory.
    exec(work, "PRAGMA journal_mode=MEMORY");
    exec(work, QByteArray("ATTACH DATABASE ") + sqlQuote(archivePath_) + " AS " + kOld);

    const Table tables[] = {
        {QStringLiteral("Ordres"), OrdresColumns},
        {QStringLiteral("Modeles"), ModelesColumns},
        {QStringLiteral("ParamRef"), ParamRefColumns},
    };
    qint64 total = 0;
    for (const Table& t : tables)
        total += Query(work, QStringLiteral("SELECT count(*) FROM %1.%2").arg(QLatin1String(kOld), t.name)).value().value_or(0);
    qint64 done = 0;
    if (progress_) progress_(done, total);

    work->beginTrans();
    for (const Table& t : tables) {
        try {
            const bool settings = t.name == QLatin1String("ParamRef");
            const QString from = QLatin1String(kOld) + u'.' + t.name;
            // Each step copies the rows after the last one copied, up to the step's last row
            // (none: to the end), in the old file's order.
            Query stepEnd(work, QStringLiteral("SELECT rowid FROM %1 WHERE rowid > ?1 ORDER BY rowid LIMIT 1 OFFSET ?2").arg(from));
            const QString insert =
                QStringLiteral("INSERT INTO %1 (%2%3) SELECT %2%4 FROM %5 WHERE rowid > ? AND rowid <= ? ORDER BY rowid")
                    .arg(jetsql::quoteIdentifier(t.name), columnList(t.columns),
                         settings ? QStringLiteral(", `BICZUL`, `version`") : QString(),
                         settings ? QStringLiteral(", ?, ?") : QString(), from);
            qint64 last = std::numeric_limits<qint64>::min();
            for (;;) {
                const std::optional<qint64> end = stepEnd.value({last, RowsPerStep - 1});
                QList<Value> params;
                if (settings) params << QString() << ParamRefVersion;
                params << last << end.value_or(std::numeric_limits<qint64>::max());
                done += work->execute(insert, params);
                if (progress_) progress_(done, total);
                if (!end) break;
                last = *end;
            }
        } catch (const VbError& e) {
            // Nothing of the work file is kept: closing it drops the transaction.
            work->close();
            stop(QStringLiteral("Problème sur la restructuration de la table ") + t.name + reasonOf(e));
            return false;
        }
    }
    work->commitTrans();
    exec(work, QByteArray("DETACH DATABASE ") + kOld);
    work->close();
    return true;
}

bool Upgrade::putInPlace() {
    try {
        files::replaceFile(workPath_, workingPath_);
    } catch (const VbError& e) {
        stop(kNoWorkingDatabase + reasonOf(e));
        return false;
    }
    return true;
}

}  // namespace vorna
