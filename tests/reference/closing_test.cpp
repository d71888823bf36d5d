#include "reference_support.h"

using namespace vorna;
using namespace vorna::test;

namespace {

class ClosingTheProgram : public ProgramTest {};

}  // namespace

TEST_F(ClosingTheProgram, TheMainWindowUnloadsTheOthersAndCloses) {
    QTemporaryDir gen;
    storeSettings(soundSettings(gen.path() + u'/'));
    frmListOrdre& w = start();
    ASSERT_TRUE(frmParamRef::isLoaded());  // loaded hidden by the start-up
    frmLstPays::instance().findPays(QStringLiteral("FR"));
    frmLstDev::instance().findDev(QStringLiteral("EUR"));
    ASSERT_TRUE(showActive(&w));

    EXPECT_TRUE(w.close());
    EXPECT_FALSE(frmListOrdre::isLoaded());
    EXPECT_FALSE(frmParamRef::isLoaded());
    EXPECT_FALSE(frmLstPays::isLoaded());
    EXPECT_FALSE(frmLstDev::isLoaded());
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(ClosingTheProgram, UnsavedFirstSettingsKeepTheProgramAlive) {
    frmListOrdre& w = start();  // first start: the settings row is new and pending
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QCoreApplication::processEvents();
    dialogs.messages.clear();

    EXPECT_TRUE(w.close());  // the main window never refuses
    EXPECT_FALSE(frmListOrdre::isLoaded());
    ASSERT_TRUE(frmParamRef::isLoaded());
    EXPECT_TRUE(frmParamRef::instance().isVisible());
    ASSERT_FALSE(dialogs.messages.isEmpty());
    EXPECT_EQ(dialogs.messages.last().text, "Vous devez saisir le paramétrage !");
    EXPECT_EQ(dialogs.messages.last().title, "Paramétrage obligatoire");
}

TEST_F(ClosingTheProgram, EveryResizeAfterTheStartReportsAMissingSetting) {
    frmListOrdre& w = start();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QCoreApplication::processEvents();
    const auto transferMessages = [&] {
        int n = 0;
        for (const auto& m : dialogs.messages)
            n += m.text == QStringLiteral("Veuiller renseigner le mode de Tranfert de fichier dans l'ecran de paramétrage");
        return n;
    };
    const int shown = transferMessages();
    EXPECT_GE(shown, 1);  // the first display
    EXPECT_TRUE(frmParamRef::instance().isVisible());
    w.resize(w.width() + 40, w.height() + 20);
    QCoreApplication::processEvents();
    EXPECT_EQ(transferMessages(), shown + 1);
    w.showMinimized();
    QCoreApplication::processEvents();
    EXPECT_GE(transferMessages(), shown + 2);
}
