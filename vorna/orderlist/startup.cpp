#include "orderlist/startup.h"

#include <QDir>
#include <QFile>
#include <sqlite3.h>

#include "generation/workfiles.h"
#include "orderentry/modrules.h"
#include "orderlist/jetworkingdatabase.h"
#include "orderlist/upgrade.h"
#include "platform/clock.h"
#include "platform/db/recordset.h"
#include "platform/dialogs.h"
#include "platform/environment.h"
#include "platform/files/files.h"
#include "platform/text/blanks.h"
#include "platform/vberror.h"

namespace vorna {

const QString Startup::PurgeStatement = QStringLiteral("delete * from Ordres where dateGener < now -30");

// The dates come as stored: the list writes them "dd/mm/YYYY HH:MM" for the rows it draws only.
const QString Startup::ListQuery = QStringLiteral(
    "select idOrdre as Numéro, dateCreation as `Date de Création`,Montant, "
    "devOrdre as `Devise de l'ordre`, devPaiement as `Devise de Paiement`, refInterne as `Référence Interne`,"
    "identBE1 as `Bénéficiaire`, dateGener as `Génération`, nbDeci, urgent "
    "from Ordres Order by idOrdre DESC");

namespace {
// A ParamRef with fewer fields is the previous version's layout.
constexpr int kCurrentLayoutFields = 24;
// Generated files older than this are removed from the generation folder.
constexpr int kCleanUpDays = 90;

QString inFolder(const QString& folder, const QString& name) { return QDir(folder).filePath(name); }

// The purge finds the orders generated long ago through this index, shipped in the template; a
// working database made before it was gains it at its next start. A file that may only be read
// keeps reading every order: the purge then says what is wrong with it.
void addGenerationDateIndex(const ConnectionPtr& conn) {
    sqlite3_exec(conn->handle(), "CREATE INDEX IF NOT EXISTS OrdresDateGener ON Ordres (dateGener)", nullptr, nullptr,
                 nullptr);
}

// A template of the old engine (Jet, Access) is no damaged template: the start-up converts the
// working database made from it.
bool isOldEngineFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    const QByteArray head = f.read(19);
    return head.startsWith(QByteArray("\x00\x01\x00\x00", 4)) &&
           (head.mid(4) == "Standard Jet DB" || head.mid(4) == "Standard ACE DB");
}
}  // namespace

Startup::Startup(QString startFolder, Hooks hooks) : hooks_(std::move(hooks)) {
    state_.startFolder = std::move(startFolder);
}

void Startup::reportFatal(long number, const QString& source, const QString& description) {
    if (number == err::AccessDenied) {
        // The database's own reason (a file locked by another user, a file missing) follows.
        msgBox(QStringLiteral("Vous n'avez pas accès au fichier des données.\r\n\r\n"
                              "Un adminstrateur doit vous donner accès à ce fichier") +
                   (description.isEmpty() ? QString() : QStringLiteral("\r\n\r\n") + description),
               MsgButtons::OK, MsgIcon::Critical, QStringLiteral("Erreur sécurité"));
    } else {
        msgBox(source + QStringLiteral(" : ") + description, MsgButtons::OK, MsgIcon::Critical,
               QStringLiteral("Erreur : ") + QString::number(number));
    }
}

bool Startup::run() {
    try {
        if (!prepareWorkingDatabase()) return false;
        // A working database brought from an installation on Windows is in the old engine's format.
        if (!convertJetWorkingDatabase(state_.workingPath)) return false;
        if (!checkLayout()) return false;

        // Connection strings: every window opens its files with these.
        state_.connParamVorna = jetConnectionString(inFolder(state_.startFolder, dbfiles::Reference));
        state_.connVorna = jetConnectionString(state_.workingPath);
        state_.workingConnString = state_.connVorna;

        openAndPurge();
        cleanGenerationFolder();

        DecimalSeparatorIsPoint = Locale::decimalSeparatorIsPoint();

        state_.workingConnString = state_.connVorna;
        state_.listQuery = ListQuery;
        return true;
    } catch (const VbError& e) {
        reportFatal(e.number, e.source, e.description);
        return false;
    }
}

bool Startup::prepareWorkingDatabase() {
    const QString templatePath = inFolder(state_.startFolder, dbfiles::Template);
    if (!files::fileExists(templatePath)) {
        msgBox(QStringLiteral("Le répertoire des tables initiales n'existe pas"), MsgButtons::OK, MsgIcon::Critical,
               QStringLiteral("Exécution impossible"));
        return false;
    }
    state_.workingPath = inFolder(state_.startFolder, dbfiles::Working);
    const auto cannotPrepare = [](const QString& detail) {
        msgBox(QStringLiteral("Impossible de préparer les tables de travail") + detail, MsgButtons::OK,
               MsgIcon::Critical, QStringLiteral("Exécution impossible"));
        return false;
    };
    // Nothing is ever written through a link to a device or a fifo, or to nowhere.
    const QString unsafe = files::unsafeWriteTarget(state_.workingPath);
    if (!unsafe.isEmpty())
        return cannotPrepare(QStringLiteral("\r\n\r\n") + unsafe +
                             QStringLiteral(" Ce fichier n'est ni lu ni remplacé : supprimez-le, ou faites-en un lien "
                                            "vers la base de données de travail."));
    if (files::fileExists(state_.workingPath)) return true;

    // An upgrade's work file beside VornaAnc.mdb, and no working database: an upgrade was cut
    // short and the old rows are left only in that archive. Put back, they are upgraded again by
    // the layout test rather than hidden behind an empty list.
    const QString archive = inFolder(state_.startFolder, Upgrade::Archive);
    if (files::fileExists(inFolder(state_.startFolder, Upgrade::WorkFile)) && files::fileExists(archive)) {
        try {
            files::copyFile(archive, state_.workingPath);
            return true;
        } catch (const VbError& e) {
            return cannotPrepare(reasonOf(e));
        }
    }

    // The copy is checked before it takes the working name: a damaged template never becomes
    // a working database that every later start would stumble on.
    const QString copy = state_.workingPath + QStringLiteral(".tmp");
    try {
        files::copyFile(templatePath, copy);
    } catch (const VbError& e) {
        return cannotPrepare(reasonOf(e));
    }
    const bool sound = isSoundTemplateCopy(copy) || isOldEngineFile(copy);
    QString reason;
    try {
        if (sound) {
            files::renameFile(copy, state_.workingPath);
            return true;
        }
    } catch (const VbError& e) {
        reason = reasonOf(e);
    }
    try {
        files::deleteFile(copy);
    } catch (const VbError&) {
    }
    return cannotPrepare(sound ? reason : damagedTemplateText(templatePath));
}

bool Startup::checkLayout() {
    int fields = 0;
    {
        auto conn = openConnection(jetConnectionString(state_.workingPath));
        Recordset rs;
        rs.open(QStringLiteral("ParamRef"), conn, CursorType::Keyset, LockType::Optimistic);
        fields = rs.fieldCount();
        rs.close();
        conn->close();
    }
    if (fields >= kCurrentLayoutFields) return true;
    // The layout test's connection is closed: the upgrade may copy and rename the file.
    return hooks_.upgrade ? hooks_.upgrade(state_.startFolder) : upgradeWorkingDatabase(state_.startFolder);
}

void Startup::openAndPurge() {
    state_.listQuery = PurgeStatement;
    state_.dfwConn = openConnection(state_.workingConnString);
    addGenerationDateIndex(state_.dfwConn);
    if (hooks_.loadSettings) hooks_.loadSettings(state_.dfwConn);
    // A payment file whose orders were marked generated but that kept its work name (the program
    // stopped, or the rename was refused) takes its final name before the purge takes those
    // orders away; the next generation could no longer tell it from another installation's.
    // A folder that cannot be read is said by the clean-up below.
    if (hooks_.generationFolder) {
        try {
            settleWorkFiles(state_.dfwConn, trimBlanks(hooks_.generationFolder()));
        } catch (const VbError&) {
        }
    }
    state_.dfwConn->beginTrans();
    try {
        state_.dfwConn->execute(state_.listQuery);
    } catch (...) {
        // Nothing of the purge may stay half done.
        state_.dfwConn->rollbackTrans();
        throw;
    }
    state_.dfwConn->commitTrans();
}

void Startup::cleanGenerationFolder() {
    const QString folder = hooks_.generationFolder ? hooks_.generationFolder() : QString();
    // No folder set yet (first start): nothing to look at.
    if (folder.isEmpty()) return;
    QList<files::Entry> entries;
    try {
        // A folder text without its final separator names the folder itself, not its
        // entries: the settings check asks for the separator; nothing is cleaned meanwhile.
        if (!folder.endsWith(u'/')) {
            if (!files::folderExists(folder))
                throw VbError(files::errnum::PathNotFound, QStringLiteral("Vorna"), folder);
            return;
        }
        entries = files::listFolder(folder);
    } catch (const VbError&) {
        msgBox(QStringLiteral("Le répertoire de génération des fichiers d'ordres est incorrect.\r\n\r\n"
                              "Vous devez mettre un répertoire valide."),
               MsgButtons::OK, MsgIcon::Exclamation, QStringLiteral("Paramétrage incorrect"));
        return;
    }
    const QDateTime limit = Clock::now().addDays(-kCleanUpDays);
    for (const files::Entry& e : entries) {
        // A folder whose name ends like a generated file is not one.
        if (e.isFolder) continue;
        const QString ext = e.name.right(4);
        if (ext != QLatin1String(".e93") && ext != QLatin1String(".e9_") && ext != QLatin1String(".htm")) continue;
        const QString path = folder + e.name;
        const files::Attributes a = files::attributes(path);
        if (a.readOnly || a.hidden || a.system) continue;
        if (files::lastModified(path) < limit) files::deleteFile(path);
    }
}

}  // namespace vorna
