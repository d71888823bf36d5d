#include "kestocopy.h"

#include <QFileInfo>

#include "platform/files/files.h"

namespace kesto {

CopyError::CopyError(Kind k, QString m) : kind(k), message(std::move(m)), what_(message.toUtf8()) {}

const char* CopyError::what() const noexcept { return what_.constData(); }

std::unique_ptr<QFile> CopyFiles::source(const QString& path) const { return std::make_unique<QFile>(path); }

std::unique_ptr<QSaveFile> CopyFiles::destination(const QString& path) const {
    return std::make_unique<QSaveFile>(path);
}

void CopyFileChunked(const QString& source, const QString& destination, const CopyFiles& files) {
    const QString target = QFileInfo(destination).absoluteFilePath();

    // A fifo or a device (or a link to one) is no file to copy, nor to write through.
    const bool sourceIsFile = !QFileInfo::exists(source) || QFileInfo(source).isFile() || QFileInfo(source).isDir();
    // Unbuffered: each read below is one read of the file. Linux has no share mode that keeps
    // other programs from writing the source meanwhile.
    std::unique_ptr<QFile> in = files.source(source);
    if (!sourceIsFile || !in->open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw CopyError(CopyError::Open, QStringLiteral("Impossible d'ouvrir le fichier %1").arg(source));

    std::unique_ptr<QSaveFile> out = files.destination(target);
    if (QFileInfo(target).isDir() || !vorna::files::unsafeWriteTarget(target).isEmpty() ||
        !out->open(QIODevice::WriteOnly))
        throw CopyError(CopyError::Create, QStringLiteral("Impossible de créer le fichier %1").arg(target));

    QByteArray buffer(CopyChunkSize, Qt::Uninitialized);
    qint64 copied = 0;
    bool allWritten = true;
    bool readFailed = false;
    for (;;) {
        const qint64 n = in->read(buffer.data(), CopyChunkSize);
        if (n < 0) readFailed = true;
        if (n > 0) {
            if (out->write(buffer.constData(), n) != n) {
                allWritten = false;
                break;
            }
            copied += n;
        }
        if (n < CopyChunkSize) break;
    }

    // The old file is deleted after the copy: only a whole copy may take the destination's name.
    // Otherwise `out` drops what it wrote and an earlier destination stays untouched.
    if (!allWritten || readFailed || copied != in->size() || !out->commit())
        throw CopyError(CopyError::Incomplete,
                        QStringLiteral("Impossible de copier entièrement le fichier %1").arg(source));
}

}  // namespace kesto
