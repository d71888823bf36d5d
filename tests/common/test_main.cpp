#include <gtest/gtest.h>

#include <QApplication>

#include "platform/catalogues.h"
#include "platform/environment.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    // Qt's own words in French, as the program has them.
    vorna::installFrenchCatalogues();
    ::testing::InitGoogleTest(&argc, argv);
    // An immediate end of the program becomes an exception the tests can catch.
    vorna::setEndProgramThrows(true);
    return RUN_ALL_TESTS();
}
