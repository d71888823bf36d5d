#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>

#include "kestocopy.h"
#include "kestomessages.h"
#include "platform/files/files.h"

namespace kesto::test {

// Records the boxes instead of showing them.
class RecordingMessages : public Messages {
public:
    void showMessage(const QString& text) override { plain << text; }
    void showError(const QString& text) override { errors << text; }
    int count() const { return int(plain.size() + errors.size()); }

    QStringList plain;
    QStringList errors;
};

// A source whose reads the test can watch and spoil.
class WatchedSource : public QFile {
public:
    using QFile::QFile;
    using QFile::open;
    bool open(OpenMode mode) override { return refuseOpen ? false : QFile::open(mode); }

    bool refuseOpen = false;
    int failRead = -1;               // the read (counted from 0) that fails
    QList<qint64>* reads = nullptr;  // what each read gave

protected:
    qint64 readData(char* data, qint64 maxlen) override {
        const qint64 n = reads->size() == failRead ? -1 : QFile::readData(data, maxlen);
        *reads << n;
        return n;
    }
};

// A destination that writes only half of one chunk.
class ShortDestination : public QSaveFile {
public:
    using QSaveFile::QSaveFile;
    int shortWrite = -1;  // the write (counted from 0) that stops half-way
    int writes = 0;

protected:
    qint64 writeData(const char* data, qint64 len) override {
        const bool cut = writes++ == shortWrite;
        return QSaveFile::writeData(data, cut ? len / 2 : len);
    }
};

// Hands out watched sources and short destinations; keeps the reads of the last source.
class TestFiles : public CopyFiles {
public:
    std::unique_ptr<QFile> source(const QString& path) const override {
        auto f = std::make_unique<WatchedSource>(path);
        f->refuseOpen = refuseOpen && refuseOpen(path);
        f->failRead = failRead;
        reads.clear();
        f->reads = &reads;
        return f;
    }
    std::unique_ptr<QSaveFile> destination(const QString& path) const override {
        auto f = std::make_unique<ShortDestination>(path);
        f->shortWrite = shortWrite;
        return f;
    }

    std::function<bool(const QString&)> refuseOpen;  // which sources are locked against reading
    int failRead = -1;
    int shortWrite = -1;
    mutable QList<qint64> reads;
};

// A Windows-compatible prefix in a temporary folder, with an empty drive c:.
class KestoTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        drive = root.path() + QStringLiteral("/drive_c");
        ASSERT_TRUE(QDir().mkpath(drive));
        vorna::files::setWindowsPrefix(root.path());
    }
    void TearDown() override { vorna::files::setWindowsPrefix(QString()); }

    // The old folders as an installer of another language or age may have spelt them.
    QString oldFolder1() const { return drive + QStringLiteral("/Program Files/Ostravelia des Virements"); }
    QString oldFolder2() const { return drive + QStringLiteral("/programmes/ostravelia des virements"); }
    QString newFolder() const { return drive + QStringLiteral("/KESTO"); }

    static void writeFile(const QString& path, const QByteArray& bytes) {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    static QByteArray readFile(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    // Bytes that tell positions apart, so that a shifted or repeated chunk shows.
    static QByteArray pattern(qint64 size) {
        QByteArray b(size, Qt::Uninitialized);
        for (qint64 i = 0; i < size; ++i) b[i] = char((i * 7 + i / 251) & 0xff);
        return b;
    }

    QTemporaryDir root;
    QString drive;
    RecordingMessages messages;
};

}  // namespace kesto::test
