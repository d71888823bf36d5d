#include "generation/generation.h"

#include <QFileInfo>
#include <cerrno>
#include <unistd.h>

#include "generation/orderfile.h"
#include "generation/orderrecord.h"
#include "generation/rptrecapgener.h"
#include "generation/workfiles.h"
#include "platform/db/recordset.h"
#include "platform/dialogs.h"
#include "platform/environment.h"
#include "platform/files/files.h"
#include "platform/session.h"
#include "platform/text/ansi.h"
#include "platform/text/blanks.h"
#include "platform/vberror.h"
#include "reference/frmparamref.h"

namespace vorna {

namespace {

const QString kSource = QStringLiteral("Génération des ordres");
const QString kImpossible = QStringLiteral("Génération impossible");
const QString kCrLf = QStringLiteral("\r\n");
// The payment file goes to the disk in writes of this size, not one per message.
constexpr qsizetype kFileChunkBytes = 256 * 1024;

}  // namespace

const QString OrderFileGeneration::QuestionTitle = QStringLiteral("Génération d'un fichier d'ordres");
const QString OrderFileGeneration::FailureTitle = QStringLiteral("Génération des ordres");

const QString GenerationNames::WorkExtension = QStringLiteral(".e9_");

GenerationNames GenerationNames::of(const QString& folder, const QString& stem) {
    GenerationNames n;
    n.stem = stem;
    n.work = folder + stem + WorkExtension;
    n.final = n.work.left(n.work.size() - 1) + u'3';
    n.transferDescriptor = folder + stem + QStringLiteral(".cft");
    n.summaryDescriptor = folder + QStringLiteral("bord") + stem + QStringLiteral(".cft");
    // Only the work file's own extension changes: a folder named "x.e9_" stays as it is.
    n.summaryPage = n.work.left(n.work.size() - WorkExtension.size()) + QStringLiteral(".htm");
    return n;
}

void CurrencyTotals::add(const QString& key, const Decimal& amount, int nbDeci) {
    // The total added to goes last. It keeps its own key text: `key` may be a text of the order
    // that the next order's reading writes into.
    for (qsizetype i = 0; i < totals_.size(); ++i)
        if (totals_[i].key == key) {
            Total t = totals_.takeAt(i);
            t.sum = t.sum + amount;
            t.nbDeci = nbDeci;
            totals_ << t;
            return;
        }
    totals_ << Total{key, Decimal() + amount, nbDeci};  // summed as the later orders are
}

QStringList CurrencyTotals::entries() const {
    QStringList out;
    for (const Total& t : totals_) out << t.key + u' ' + displayAmountText(t.sum, t.nbDeci);
    return out;
}

OrderFileGeneration::OrderFileGeneration(ConnectionPtr conn, const QString& folder)
    : conn_(std::move(conn)), folder_(trimBlanks(folder)) {
    showSummary = [](rptRecapGener& report) {
        const QRect area = Screen::workArea();
        report.showModal(QRect(area.left(), area.top(), minInt(report.windowWidth, area.width()),
                               minInt(report.windowHeight, area.height())));
    };
}

OrderFileGeneration::~OrderFileGeneration() = default;

QString OrderFileGeneration::stemLetters(const QString& refInterne) {
    QString out;
    for (const QChar c : refInterne)
        if ((c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')) out += c;
    return out;
}

QString OrderFileGeneration::fileStem(const QString& refInterne, int count, qint64 firstIdOrdre) {
    return stemLetters(refInterne) + QString::number(count) + QString::number(firstIdOrdre).right(4);
}

QString OrderFileGeneration::currencyKey(const QString& devOrdre, const QString& devPaiement) {
    return isBlank(devOrdre) ? devPaiement : devOrdre;
}

// ---- the run ------------------------------------------------------------------------------

void OrderFileGeneration::run() {
    phases_ = Phases{};
    try {
        settleWorkFiles(conn_, folder_);
        clock_.start();
        if (!openRecordsets()) return;
        if (!checkFolder()) return;
        buildNames();
        if (!namesAreFree() || !askToGenerate()) {
            closeRecordsets();
            return;
        }
    } catch (const VbError& e) {
        // Nothing has changed yet: say why the run cannot start.
        closeRecordsets();
        msgBox(e.description, MsgButtons::OK, MsgIcon::Critical, FailureTitle);
        return;
    }

    try {
        beginWork();
    } catch (const VbError& e) {
        // The work file could not be created: nothing was written, the transaction goes.
        if (inTransaction_) {
            try {
                conn_->rollbackTrans();
            } catch (const VbError&) {
            }
            inTransaction_ = false;
        }
        closeRecordsets();
        msgBox(e.description, MsgButtons::OK, MsgIcon::Critical,
               e.number == files::errnum::FileAlreadyExists ? kImpossible : FailureTitle);
        return;
    }

    try {
        writeOrders();
        writeDescriptors();
        produceSummary();
        if (!askToConfirm()) {
            cancel();
            return;
        }
        confirm();
    } catch (const VbError& e) {
        msgBox(e.description, MsgButtons::OK, MsgIcon::Critical, FailureTitle);
        cancel();
    } catch (const std::exception& e) {
        msgBox(QString::fromLocal8Bit(e.what()), MsgButtons::OK, MsgIcon::Critical, FailureTitle);
        cancel();
    }
}

bool OrderFileGeneration::openRecordsets() {
    pending_ = std::make_unique<Recordset>();
    pending_->open(QStringLiteral("select '' as etat, * from Ordres where genere = false"), conn_, CursorType::Keyset,
                   LockType::Optimistic);
    pending_->sort(QStringLiteral("idOrdre ASC"));
    settings_ = std::make_unique<Recordset>();
    settings_->open(QStringLiteral("ParamRef"), conn_, CursorType::Keyset, LockType::Optimistic);
    phases_.read = clock_.restart();
    count_ = pending_->recordCount();
    if (count_ == 0) {
        msgBox(QStringLiteral("Il n'y a aucun ordre à Générer"), MsgButtons::OK, MsgIcon::Information, QuestionTitle);
        closeRecordsets();
        return false;
    }
    return true;
}

bool OrderFileGeneration::checkFolder() {
    QString text;
    if (folder_.isEmpty())
        text = QStringLiteral("Le répertoire de génération des fichiers d'ordres n'a pas été renseigné");
    else if (!files::folderExists(folder_))
        text = QStringLiteral("Le répertoire ") + folder_ + QStringLiteral(" n'est pas valide");
    if (text.isEmpty()) return true;
    msgBox(text, MsgButtons::OK, MsgIcon::Critical, kImpossible);
    closeRecordsets();
    return false;
}

void OrderFileGeneration::buildNames() {
    pending_->moveFirst();
    const QString ref = pending_->value(QStringLiteral("refInterne")).toText();
    const qint64 first = pending_->value(QStringLiteral("idOrdre")).toInt();
    names_ = GenerationNames::of(folder_, fileStem(ref, count_, first));
}

bool OrderFileGeneration::namesAreFree() {
    for (const QString& name : {names_.work, names_.final})
        if (files::fileExists(name)) {
            msgBox(QStringLiteral("Le fichier ") + name + QStringLiteral(" existe déjà"), MsgButtons::OK, MsgIcon::Critical, kImpossible);
            return false;
        }
    return true;
}

bool OrderFileGeneration::askToGenerate() {
    const QString which = count_ == 1 ? QStringLiteral("l'unique ordre") : QStringLiteral("les ") + QString::number(count_) + QStringLiteral(" ordres");
    const QString question = QStringLiteral("Souhaitez-vous génerer un fichier d'ordre pour ") + which + QStringLiteral(" en attente ?");
    return msgBox(question, MsgButtons::YesNo, MsgIcon::None, QuestionTitle) == MsgAnswer::Yes;
}

void OrderFileGeneration::beginWork() {
    clock_.restart();
    conn_->beginTrans();
    inTransaction_ = true;
    work_.setFileName(names_.work);
    // NewOnly: a file that appeared since the check is never overwritten.
    if (!work_.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        // Another run of the same orders (another user of this data folder) took the name since.
        if (files::fileExists(names_.work))
            throw VbError(files::errnum::FileAlreadyExists, kSource, QStringLiteral("Le fichier ") + names_.work + QStringLiteral(" existe déjà"));
        throw VbError(files::errnum::PathFileAccess, kSource,
                      QStringLiteral("Le fichier ") + names_.work + QStringLiteral(" ne peut pas être créé : ") + work_.errorString());
    }
    // The file is this run's until it ends: no settling of left-over files, here or on another
    // workstation sharing the folder, touches it meanwhile. Only a settling looking at the new
    // empty file can hold it, for a moment.
    if (!workLock_.lockOpenFile(work_.handle(), 5000)) {
        work_.remove();
        throw VbError(files::errnum::PathFileAccess, kSource,
                      QStringLiteral("Le fichier ") + names_.work + QStringLiteral(" ne peut pas être réservé à cette génération."));
    }
    // Another run of the same name (another installation sharing the folder) may have ended
    // since the check, while the question was asked: its final file is never renamed over,
    // nor deleted by this run's cancellation. Once the work name is held, no run takes the
    // final name any more.
    if (files::fileExists(names_.final)) {
        workLock_.release();
        work_.remove();
        throw VbError(files::errnum::FileAlreadyExists, kSource, QStringLiteral("Le fichier ") + names_.final + QStringLiteral(" existe déjà"));
    }
}

void OrderFileGeneration::writeOrders() {
    OrderFileWriter writer(work_, kFileChunkBytes);
    const OrderReader reader(*pending_);
    const StoredColumns columns{pending_->fieldIndex(QStringLiteral("dateGener")), pending_->fieldIndex(QStringLiteral("genere")),
                                pending_->fieldIndex(QStringLiteral("cMontant")), pending_->fieldIndex(QStringLiteral("cDevises"))};
    pending_->moveFirst();
    OrderRecord order;  // one record for every row: its texts keep their room
    reader.read(order);
    writer.writeHeader(order);
    // The file is written first, then the orders are stored: the two walks keep apart the
    // memory each touches. Nothing is stored for good before the commit either way.
    std::vector<WrittenOrder> written;
    written.reserve(size_t(count_));
    for (; !pending_->eof(); pending_->moveNext()) {
        reader.read(order);
        written.push_back(writer.writeMessage(order));
        totals_.add(currencyKey(order.devOrdre, order.devPaiement), order.montant, order.nbDeci);
    }
    writer.writeTrailer();
    flushWorkFile();
    phases_.write = clock_.restart();
    size_t i = 0;
    for (pending_->moveFirst(); !pending_->eof(); pending_->moveNext()) storeOrder(written[i++], columns);
    written = {};  // freed with the storing it served
    phases_.update = clock_.restart();
}

void OrderFileGeneration::storeOrder(const WrittenOrder& written, const StoredColumns& columns) {
    pending_->setValue(columns.dateGener, Value(written.dateGener));
    pending_->setValue(columns.genere, Value(true));
    pending_->setValue(columns.cMontant, Value(written.cMontant));
    pending_->setValue(columns.cDevises, Value(written.cDevises));
    pending_->update();
}

// The file must be whole on disk before the orders are marked for good.
void OrderFileGeneration::flushWorkFile() {
    errno = 0;
    const bool ok = work_.flush() && ::fsync(work_.handle()) == 0;
    const QString error = files::writeFailureText(work_, errno);
    writtenSize_ = work_.size();
    work_.close();
    if (!ok)
        throw VbError(files::errnum::PathFileAccess, kSource,
                      QStringLiteral("Le fichier ") + names_.work + QStringLiteral(" n'a pas pu être écrit sur le disque : ") + error);
}

void OrderFileGeneration::writeDescriptors() {
    settings_->moveFirst();
    const QString mode = settings_->eof() ? QString() : settings_->value(QStringLiteral("modeTransfert")).toText();
    if (mode != QLatin1String("CFT")) return;
    writeDescriptor(names_.transferDescriptor, names_.stem + QStringLiteral(".e93"));
    writeDescriptor(names_.summaryDescriptor, QStringLiteral("bord") + names_.stem + QStringLiteral(".htm"));
}

void OrderFileGeneration::writeDescriptor(const QString& path, const QString& parm) {
    const QString part = settings_->value(QStringLiteral("partCft")).toText();
    const QString text = QStringLiteral("[CFT]") + kCrLf + QStringLiteral("part=") + part + kCrLf + QStringLiteral("idf=kesto") + kCrLf +
                         QStringLiteral("parm='") + parm + u'\'' + kCrLf;
    const QByteArray bytes = ansi::encode(text);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size() || !f.flush())
        throw VbError(files::errnum::PathFileAccess, kSource,
                      QStringLiteral("Le fichier ") + path + QStringLiteral(" ne peut pas être écrit : ") + f.errorString());
}

void OrderFileGeneration::produceSummary() {
    settings_->close();
    pending_->sort(QStringLiteral("idOrdre DESC"));
    pending_->moveFirst();
    rptRecapGener report;
    report.setDataSource(pending_.get());
    report.setOrderCount(count_);
    report.setFileName(names_.work);
    report.setTotals(totals_.entries());
    report.addGenerFormat();
    report.exportReport(rptRecapGener::ExportKey, names_.summaryPage, true, false);
    phases_.summary = clock_.restart();
    if (showSummary) showSummary(report);
    clock_.restart();
}

bool OrderFileGeneration::askToConfirm() {
    const QString question = QStringLiteral("La génération du fichier d'ordre ") + names_.work + kCrLf +
                             QStringLiteral("s'est correctement déroulée.") + kCrLf + kCrLf +
                             QStringLiteral("Le récapitulatif papier s'est-il correctement imprimé ? ") + kCrLf +
                             QStringLiteral("Souhaitez vous valider définitivement cette opération ?");
    const bool yes = msgBox(question, MsgButtons::YesNo, MsgIcon::None, QuestionTitle) == MsgAnswer::Yes;
    clock_.restart();
    return yes;
}

void OrderFileGeneration::confirm() {
    // No order is marked generated unless its payment file is there, whole, under its name.
    if (!workLock_.isStillAt(names_.work) || workLock_.size() != writtenSize_)
        throw VbError(files::errnum::PathFileAccess, kSource,
                      QStringLiteral("Le fichier ") + names_.work +
                          QStringLiteral(" a été supprimé ou modifié depuis son écriture : les ordres ne sont pas marqués générés."));
    conn_->commitTrans();
    inTransaction_ = false;
    closeRecordsets();
    // The orders are generated now: a file that cannot take its final name is said at once,
    // and the next run settles it.
    try {
        files::renameFile(names_.work, names_.final);
    } catch (const VbError& e) {
        msgBox(QStringLiteral("Les ordres sont générés, mais le fichier ") + names_.work + QStringLiteral(" n'a pas pu être renommé en ") +
                   names_.final + QStringLiteral(" : ") + e.description + kCrLf + kCrLf +
                   QStringLiteral("Il garde le nom ") + names_.work +
                   QStringLiteral(" ; la prochaine génération le renommera."),
               MsgButtons::OK, MsgIcon::Critical, QuestionTitle);
    }
    workLock_.release();
    phases_.commit = clock_.elapsed();
}

void OrderFileGeneration::cancel() {
    if (work_.isOpen()) work_.close();
    if (inTransaction_) {
        try {
            conn_->rollbackTrans();
        } catch (const VbError&) {
        }
        inTransaction_ = false;
    }
    closeRecordsets();
    undoFiles();
    workLock_.release();
    msgBox(QStringLiteral("L'opération a été annulée et le fichier ") + names_.work + QStringLiteral(" a été supprimé.") + kCrLf + kCrLf +
               QStringLiteral("La génération devra être réalisée à nouveau pour ces ordres."),
           MsgButtons::OK, MsgIcon::Information, QStringLiteral("Annulation de la génération"));
}

// The run's files go, the CFT descriptors stay (the next run for these orders rewrites them).
void OrderFileGeneration::undoFiles() {
    for (const QString& name : {names_.work, names_.final, names_.summaryPage}) {
        // A file put in the place of this run's work file is not this run's to delete.
        if (name == names_.work && workLock_.isLocked() && !workLock_.isStillAt(name)) continue;
        try {
            if (files::fileExists(name)) files::deleteFile(name);
        } catch (const VbError& e) {
            msgBox(e.description, MsgButtons::OK, MsgIcon::Critical, FailureTitle);
        }
    }
}

void OrderFileGeneration::closeRecordsets() {
    if (pending_ && pending_->isOpen()) {
        if (pending_->editMode() != EditMode::None) pending_->cancelUpdate();
        pending_->close();
    }
    if (settings_ && settings_->isOpen()) settings_->close();
}

void generateOrderFile() {
    QString folder;
    try {
        folder = frmParamRef::instance().txtReperGener->text();
    } catch (const VbError& e) {
        msgBox(e.description, MsgButtons::OK, MsgIcon::Critical, OrderFileGeneration::FailureTitle);
        return;
    }
    OrderFileGeneration generation(Session::current().dfwConn, folder);
    generation.run();
}

}  // namespace vorna
