#pragma once

#include <QByteArray>
#include <QFile>
#include <QSaveFile>
#include <QString>
#include <exception>
#include <memory>

namespace kesto {

// Bytes asked of the source by each read of the copy.
constexpr qint64 CopyChunkSize = 8192;

// A copy that did not take place; the message names the file at fault.
class CopyError : public std::exception {
public:
    enum Kind { Open, Create, Incomplete };
    CopyError(Kind kind, QString message);

    Kind kind;
    QString message;

    const char* what() const noexcept override;

private:
    QByteArray what_;
};

// The two files of a copy. Tests hand out their own to make an open, a read or a write fail.
class CopyFiles {
public:
    virtual ~CopyFiles() = default;
    virtual std::unique_ptr<QFile> source(const QString& path) const;
    // Written beside its final name, which it takes only on commit.
    virtual std::unique_ptr<QSaveFile> destination(const QString& path) const;
};

// Copies `source` to `destination` (relative names are taken from the current folder), reading
// CopyChunkSize bytes at a time and stopping at the first read that gives fewer. An existing
// destination is replaced. Throws CopyError:
//  - Open: "Impossible d'ouvrir le fichier " + the source name;
//  - Create: "Impossible de créer le fichier " + the destination's full name;
//  - Incomplete: "Impossible de copier entièrement le fichier " + the source name, when a read or
//    a write failed or the bytes written are not the source's size.
// On any failure the destination is left as it was before the copy.
void CopyFileChunked(const QString& source, const QString& destination, const CopyFiles& files = CopyFiles());

}  // namespace kesto
