#include "generation/workfiles.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include "generation/generation.h"
#include "generation/orderfile.h"
#include "platform/db/recordset.h"
#include "platform/dialogs.h"
#include "platform/files/filelock.h"
#include "platform/files/files.h"
#include "platform/vberror.h"

namespace vorna {

namespace {

// The elements of one segment, split on "+" and with the release character "?" taken away.
QStringList elementsOf(const QString& segment) {
    QStringList out{QString()};
    for (qsizetype i = 0; i < segment.size(); ++i) {
        const QChar c = segment[i];
        if (c == u'?' && i + 1 < segment.size())
            out.last() += segment[++i];
        else if (c == u'+')
            out << QString();
        else
            out.last() += c;
    }
    return out;
}

// The key under which an order is looked for: its reference as the file carries it.
QString fileRef(const QString& refInterne) {
    QString ref = refInterne;
    return ref.replace(u':', u' ');
}

// Takes one of `key` from the counts; false when none is left.
bool take(QHash<QString, int>& counts, const QString& key) {
    auto it = counts.find(key);
    if (it == counts.end() || *it == 0) return false;
    --*it;
    return true;
}

enum class Owner { None, Generated, Pending };

// Whose orders the file holds: this database's generated orders (each with the stamp of its
// message), this database's pending orders, or neither.
Owner ownerOf(const WorkFileContent& content, const ConnectionPtr& conn) {
    if (content.messages.isEmpty()) return Owner::None;
    // A pending order is known by its reference and its amount as the file writes it, or by its
    // reference alone for a message cut before its amount.
    QHash<QString, int> pending, pendingRefs, generated;
    Recordset rs;
    rs.open(QStringLiteral("select refInterne, genere, dateGener, montant, nbDeci from Ordres"), conn, CursorType::ForwardOnly,
            LockType::ReadOnly);
    for (; !rs.eof(); rs.moveNext()) {
        const QString ref = fileRef(rs.value(0).toText());
        if (!rs.value(1).toBool()) {
            ++pendingRefs[ref];
            if (rs.value(3).isNumeric()) ++pending[ref + u'\n' + moaAmountText(rs.value(3).toDecimal(), int(rs.value(4).toInt()))];
        } else if (!rs.value(2).isNull())
            ++generated[ref + u'\n' + storedDateTime(rs.value(2).toDateTime())];
    }
    rs.close();
    bool allGenerated = content.complete, allPending = true;
    for (const WorkFileContent::Message& m : content.messages) {
        allGenerated = allGenerated && m.stamp.isValid() && take(generated, m.refInterne + u'\n' + storedDateTime(m.stamp));
        allPending = allPending && (m.amount.isNull() ? take(pendingRefs, m.refInterne) : take(pending, m.refInterne + u'\n' + m.amount));
    }
    // A file of generated orders is kept whatever else it might match.
    if (allGenerated) return Owner::Generated;
    return allPending ? Owner::Pending : Owner::None;
}

void settle(const GenerationNames& names, Owner owner) {
    const QString& workFile = names.work;
    const QString& finalFile = names.final;
    QString text;
    if (owner == Owner::Generated) {
        try {
            files::renameFile(workFile, finalFile);
            text = QStringLiteral("Le fichier ") + workFile + QStringLiteral(" laissé par une génération interrompue contient des ordres générés : il a été renommé en ") +
                   finalFile + u'.';
        } catch (const VbError& e) {
            text = QStringLiteral("Le fichier ") + workFile + QStringLiteral(" laissé par une génération interrompue contient des ordres générés, mais il n'a pas pu être renommé en ") +
                   finalFile + QStringLiteral(" : ") + e.description;
        }
    } else {
        try {
            files::deleteFile(workFile);
            if (files::fileExists(names.summaryPage)) files::deleteFile(names.summaryPage);
            text = QStringLiteral("Le fichier ") + workFile +
                   QStringLiteral(" laissé par une génération interrompue a été supprimé : ses ordres n'ont pas été générés et restent en attente.");
        } catch (const VbError& e) {
            text = QStringLiteral("Le fichier ") + workFile + QStringLiteral(" laissé par une génération interrompue n'a pas pu être supprimé : ") +
                   e.description;
        }
    }
    msgBox(text, MsgButtons::OK, MsgIcon::Information, OrderFileGeneration::QuestionTitle);
}

}  // namespace

WorkFileContent readWorkFile(const QByteArray& bytes) {
    WorkFileContent out;
    const QString text = QString::fromLatin1(bytes);
    qsizetype start = 0;
    bool inMessage = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'?') {
            ++i;
            continue;
        }
        if (text[i] != u'\'') continue;
        // One whole segment, its terminator left out.
        const QStringList e = elementsOf(text.mid(start, i - start));
        start = i + 1;
        const QString tag = e.first();
        if (tag == QLatin1String("UNH")) {
            inMessage = true;
        } else if (tag == QLatin1String("UNT")) {
            inMessage = false;
        } else if (tag == QLatin1String("BGM") && inMessage && e.size() > 2) {
            out.messages << WorkFileContent::Message{e[2], QDateTime(), QString()};
        } else if (tag == QLatin1String("DTM") && inMessage && !out.messages.isEmpty() && e.size() > 1 &&
                   e[1].startsWith(QLatin1String("137:"))) {
            out.messages.last().stamp =
                QDateTime::fromString(QStringLiteral("20") + e[1].mid(4, 12), QStringLiteral("yyyyMMddHHmmss"));
        } else if (tag == QLatin1String("MOA") && inMessage && !out.messages.isEmpty() && e.size() > 1 &&
                   e[1].startsWith(QLatin1String("9:"))) {
            out.messages.last().amount = e[1].mid(2).section(u':', 0, 0);
        } else if (tag == QLatin1String("UNZ")) {
            out.complete = start == text.size();
        }
    }
    return out;
}

// Files are looked at one by one under a lock of their own, so that no live run's file is read
// half written, and no other settling touches the same file meanwhile.
void settleWorkFiles(const ConnectionPtr& conn, const QString& folder) {
    if (folder.isEmpty() || !files::folderExists(QFileInfo(folder + u'x').absolutePath())) return;
    const QString dir = QFileInfo(folder + u'x').absolutePath() + u'/';
    const QString prefix = QFileInfo(folder + u'x').fileName().chopped(1);  // a folder text without its final "/"
    for (const files::Entry& e : files::listFolder(dir)) {
        if (e.isFolder || !e.name.endsWith(GenerationNames::WorkExtension) || !e.name.startsWith(prefix)) continue;
        const GenerationNames names = GenerationNames::of(dir, e.name.chopped(GenerationNames::WorkExtension.size()));
        const QString& path = names.work;
        files::FileLock lock;
        if (!lock.tryLock(path)) continue;  // a run is writing it, or it cannot be read
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) continue;
        const Owner owner = ownerOf(readWorkFile(f.readAll()), conn);
        f.close();
        if (owner != Owner::None) settle(names, owner);
    }
}

}  // namespace vorna
