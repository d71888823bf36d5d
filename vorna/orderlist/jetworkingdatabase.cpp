#include "orderlist/jetworkingdatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/db/jetfile.h"
#include "platform/dialogs.h"
#include "platform/files/files.h"
#include "platform/vberror.h"

namespace vorna {

namespace {

std::function<void(JetWorkingDatabase::Step)>& stepHook() {
    static std::function<void(JetWorkingDatabase::Step)> hook;
    return hook;
}

void reached(JetWorkingDatabase::Step step) {
    if (stepHook()) stepHook()(step);
}

void stop(const QString& text) {
    msgBox(text, MsgButtons::OK, MsgIcon::Critical, QStringLiteral("Exécution impossible"));
}

QByteArray local(const QString& path) { return QFile::encodeName(path); }

// Two names of one file (a hard link made by an earlier start that stopped half way).
bool sameFile(const QString& a, const QString& b) {
    struct stat sa {}, sb {};
    return ::stat(local(a).constData(), &sa) == 0 && ::stat(local(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// A new name or a rename lasts only once its folder is on the disk.
void syncFolder(const QString& folder) {
    const int fd = ::open(local(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

JetWorkingDatabase::JetWorkingDatabase(QString workingPath, JetFile::Waiting waiting, std::function<void()> ended)
    : workingPath_(std::move(workingPath)), waiting_(std::move(waiting)), ended_(std::move(ended)) {
    folder_ = QFileInfo(workingPath_).absolutePath();
    workPath_ = QDir(folder_).filePath(workName());
}

void JetWorkingDatabase::setStepHook(std::function<void(Step)> hook) { stepHook() = std::move(hook); }

QString JetWorkingDatabase::workName() { return QStringLiteral("VornaW.mdb.conversion"); }

QString JetWorkingDatabase::keptName(const QString& folder, const QDateTime& lastChange) {
    const QDir dir(folder);
    const QString plain = QStringLiteral("VornaW.jet.mdb");
    if (!QFileInfo::exists(dir.filePath(plain))) return plain;
    const QString dated = QStringLiteral("VornaW.jet") + lastChange.toString(QStringLiteral("ddMMyyyyHHmmss"));
    QString name = dated + QStringLiteral(".mdb");
    for (int n = 2; QFileInfo::exists(dir.filePath(name)); ++n) name = dated + u'-' + QString::number(n) + QStringLiteral(".mdb");
    return name;
}

bool JetWorkingDatabase::run() {
    const JetFile::Format format = JetFile::detect(workingPath_);
    if (format == JetFile::Format::NotJet) return true;
    const QString repair = QStringLiteral(
        "\r\n\r\nLe fichier n'a pas été modifié. Remettez à sa place une copie en bon état (votre dernière "
        "sauvegarde, par exemple) ou réparez-le avec Microsoft Access (« Compacter et réparer une base de "
        "données »), puis relancez le programme.");
    const QString writeAdvice =
        QStringLiteral("\r\n\r\nLe fichier « %1 » n'a pas été modifié. Libérez de la place sur le disque ou faites-vous "
                       "donner le droit d'écrire dans le dossier « %2 », puis relancez le programme.")
            .arg(workingPath_, folder_);
    try {
        // Left by a start that stopped before the end: it is ours and incomplete.
        if (QFileInfo::exists(workPath_) && !QFile::remove(workPath_))
            throw VbError(err::AccessDenied, QStringLiteral("Vorna"),
                          QStringLiteral("Impossible de supprimer le fichier '%1'.").arg(workPath_));
        // Far beyond what a sound file takes: only a read that never ends is stopped.
        JetFile::convertIsolated(workingPath_, workPath_, JetFile::timeLimitMs(QFileInfo(workingPath_).size()),
                                 waiting_);
    } catch (const VbError& e) {
        if (ended_) ended_();
        stop(e.description + (e.number == err::UnrecognizedDatabase ? repair : writeAdvice));
        return false;
    }
    if (ended_) ended_();
    reached(Step::Written);
    if (!keepOriginal()) {
        QFile::remove(workPath_);
        stop(QStringLiteral("Impossible de garder une copie du fichier de données « %1 » avant sa conversion.")
                 .arg(workingPath_) +
             writeAdvice);
        return false;
    }
    reached(Step::Kept);
    // One rename replaces the Jet file by the complete converted one.
    if (std::rename(local(workPath_).constData(), local(workingPath_).constData()) != 0) {
        QFile::remove(workPath_);
        stop(QStringLiteral("Impossible de mettre en place la base de données convertie du fichier « %1 ».")
                 .arg(workingPath_) +
             writeAdvice);
        return false;
    }
    syncFolder(folder_);
    return true;
}

bool JetWorkingDatabase::keepOriginal() {
    const QDir dir(folder_);
    // Kept already by a start that stopped before the rename.
    for (const QString& name : dir.entryList({QStringLiteral("VornaW.jet*.mdb")}, QDir::Files))
        if (sameFile(workingPath_, dir.filePath(name))) return true;
    const QDateTime changed = files::lastModified(workingPath_);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString kept = dir.filePath(keptName(folder_, changed));
        // A second name for the very same file: nothing is copied, nothing of it changes.
        if (::link(local(workingPath_).constData(), local(kept).constData()) == 0) {
            syncFolder(folder_);
            return true;
        }
        if (errno == EEXIST) continue;  // taken meanwhile: the next free name
        // A file system without hard links: a full copy with the same date.
        try {
            files::copyFile(workingPath_, kept);
            if (changed.isValid()) files::setLastModified(kept, changed);
            syncFolder(folder_);
            return true;
        } catch (const VbError&) {
            QFile::remove(kept);
            return false;
        }
    }
    return false;
}

}  // namespace vorna
