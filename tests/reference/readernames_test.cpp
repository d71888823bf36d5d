// What a screen reader says for the inputs of every window but the order window (its own test
// covers it): each input is named, by its caption where it has one, and no two inputs of one
// frame alike.
#include <QTemporaryDir>

#include "common/readernames.h"
#include "generation/frmimprim.h"
#include "reference/frmabout.h"
#include "reference/frmmgrmodeles.h"
#include "reference/frmrefcodesecono.h"
#include "reference/frmrefdevises.h"
#include "reference/frmrefpays.h"
#include "reference/reference_support.h"

using namespace vorna;
using namespace vorna::test;

namespace {

class ReaderNames : public ProgramTest {
protected:
    void TearDown() override {
        forms::unloadAll<FrmRefPays, FrmRefCodesEcono, FrmRefDevises, frmMgrModeles, frmAbout, frmImprim>();
        ProgramTest::TearDown();
    }
    ScriptedDialogs dialogs;
};

TEST_F(ReaderNames, EveryWindowNamesEachOfItsInputs) {
    QTemporaryDir gen;
    storeSettings(soundSettings(gen.path() + u'/'));
    frmListOrdre& main = start();
    const auto check = [](forms::Form& w) {
        SCOPED_TRACE(w.objectName().toStdString() + " " + w.windowTitle().toStdString());
        EXPECT_EQ(readerNameFaults(&w), QStringList());
    };
    check(main);
    check(frmParamRef::instance());
    check(frmLstPays::instance());
    check(frmLstDev::instance());
    check(frmLstCodesEcono::instance());
    check(frmAbout::instance());
    check(frmImprim::instance());
    for (bool create : {true, false}) {
        frmMgrModeles::instance().typeEcran(create);
        check(frmMgrModeles::instance());
    }
    for (const char* tag : {"Pays", "EEE"}) {
        main.setProperty(kMainWindowTag, QString::fromLatin1(tag));
        check(FrmRefPays::instance());
        FrmRefPays::instance().unload();
        flushDeletes();
    }
    check(FrmRefDevises::instance());
    check(FrmRefCodesEcono::instance());
    // The settings' captions are their boxes' names.
    frmParamRef& s = frmParamRef::instance();
    EXPECT_EQ(readerName(s.txtRibOY), "RIB");
    EXPECT_EQ(readerName(s.txtPays[0]), "Pays");
}

}  // namespace
