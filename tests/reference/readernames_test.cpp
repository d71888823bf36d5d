// A screen reader names each input of every window but the order window (tested on its own).
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

class ReaderNames : public ProgramTest {};

TEST_F(ReaderNames, EveryWindowNamesEachOfItsInputs) {
    QTemporaryDir gen;
    storeSettings(soundSettings(gen.path() + u'/'));
    frmListOrdre& main = start();
    const auto check = [](forms::Form& w) { EXPECT_EQ(readerNameFaults(&w), QStringList()); };
    for (forms::Form* w : std::initializer_list<forms::Form*>{
             &main, &frmParamRef::instance(), &frmLstPays::instance(), &frmLstDev::instance(),
             &frmLstCodesEcono::instance(), &frmAbout::instance(), &frmImprim::instance(), &FrmRefDevises::instance(),
             &FrmRefCodesEcono::instance()})
        check(*w);
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
    forms::unloadAll<FrmRefCodesEcono, FrmRefDevises, frmMgrModeles, frmAbout, frmImprim>();
}

}  // namespace
