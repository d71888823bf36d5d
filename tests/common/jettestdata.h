#pragma once

#include <QDir>
#include <QFile>
#include <QString>

// The generic files of the old engine (Jet) that the tests convert. They live beside the sources
// (../shared/test-data/jet); a test without them is skipped, saying so.
namespace vorna::test {

inline QString jetTestFile(const QString& name) { return QDir(QStringLiteral(VORNA_JET_TEST_DATA)).filePath(name); }

inline bool haveJetTestData() { return QFile::exists(jetTestFile(QStringLiteral("V2000-test.mdb"))); }

inline QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace vorna::test

#define SKIP_WITHOUT_JET_TEST_DATA()                                                                        \
    if (!vorna::test::haveJetTestData())                                                                    \
    GTEST_SKIP() << "no Jet test files in " VORNA_JET_TEST_DATA " (shared/test-data/jet beside the sources)"
