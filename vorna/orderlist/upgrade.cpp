#include "orderlist/upgrade.h"

#include <QDir>
#include <exception>

#include "orderlist/startup.h"
#include "platform/db/connection.h"
#include "platform/db/recordset.h"
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

namespace {

void stop(const QString& text) {
    msgBox(text, MsgButtons::OK, MsgIcon::Critical, QStringLiteral("Exécution impossible"));
}

const QString kNoWorkingDatabase = QStringLiteral("Impossible de préparer la base de données de travail");

// Copies every row of one table, field by field, from the old file into the new one. False when
// any step failed: the rows written before the failing one stay.
bool copyTable(const ConnectionPtr& from, const ConnectionPtr& to, const QString& table, const QStringList& columns) {
    const bool settings = table == QLatin1String("ParamRef");
    try {
        Recordset oldRs;
        Recordset newRs;
        oldRs.open(table, from, CursorType::Keyset, LockType::Optimistic);
        newRs.open(table, to, CursorType::Keyset, LockType::Optimistic);
        while (!oldRs.eof()) {
            newRs.addNew();
            for (const QString& column : columns) newRs.setValue(column, oldRs.value(column));
            if (settings) {
                newRs.setValue(QStringLiteral("BICZUL"), QString());
                newRs.setValue(QStringLiteral("version"), Upgrade::ParamRefVersion);
            }
            oldRs.moveNext();
            newRs.update();
        }
        oldRs.close();
        newRs.close();
        return true;
    } catch (const VbError&) {
        return false;
    }
}

}  // namespace

Upgrade::Upgrade(QString startFolder) : startFolder_(std::move(startFolder)) {
    const QDir dir(startFolder_);
    workingPath_ = dir.filePath(dbfiles::Working);
    archivePath_ = dir.filePath(Archive);
    templatePath_ = dir.filePath(dbfiles::Template);
}

QString Upgrade::datedArchiveName(const QDateTime& lastChange) {
    return QStringLiteral("VornaAnc") + lastChange.toString(QStringLiteral("ddMMyyyyHHmmss")) + QStringLiteral(".mdb");
}

bool Upgrade::run() {
    removeOldVersionTraces();
    if (!archiveOldFile()) return false;
    if (!copyTemplate()) return false;
    return copyRows();
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

bool Upgrade::archiveOldFile() {
    try {
        if (files::fileExists(archivePath_)) files::deleteFile(archivePath_);
    } catch (const VbError&) {
    }
    // The rows are read from this copy, and the old file is replaced only once it exists in
    // full: without it the upgrade would copy nothing, or the rows of an earlier upgrade left in
    // a VornaAnc.mdb that could not be deleted, and the user's data would be out of reach.
    try {
        files::copyFile(workingPath_, archivePath_);
    } catch (const VbError&) {
        stop(kNoWorkingDatabase);
        return false;
    }
    const QDateTime changed = files::lastModified(workingPath_);
    try {
        if (changed.isValid()) files::renameFile(workingPath_, QDir(startFolder_).filePath(datedArchiveName(changed)));
    } catch (const VbError&) {
        // The copy above is complete: the old file may still be replaced.
    }
    return true;
}

bool Upgrade::copyTemplate() {
    try {
        files::copyFile(templatePath_, workingPath_);
    } catch (const VbError&) {
        stop(kNoWorkingDatabase);
        return false;
    }
    return true;
}

bool Upgrade::copyRows() {
    ConnectionPtr working = openConnection(jetConnectionString(workingPath_));
    ConnectionPtr archive = openConnection(jetConnectionString(archivePath_));
    const struct {
        QString table;
        const QStringList& columns;
    } tables[] = {
        {QStringLiteral("Ordres"), OrdresColumns},
        {QStringLiteral("Modeles"), ModelesColumns},
        {QStringLiteral("ParamRef"), ParamRefColumns},
    };
    for (const auto& t : tables) {
        if (!copyTable(archive, working, t.table, t.columns)) {
            stop(QStringLiteral("Problème sur la restructuration de la table ") + t.table);
            return false;
        }
    }
    archive->close();
    working->close();
    return true;
}

bool upgradeWorkingDatabase(const QString& startFolder) { return Upgrade(startFolder).run(); }

}  // namespace vorna
