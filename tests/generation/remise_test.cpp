// The main window's command "&Générer le fichier des ordres en cours": the generation on the
// settings' folder, then the list refreshed whatever the outcome.

#include "common/qtsupport.h"
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QPushButton>

#include "common/scripteddialogs.h"
#include "common/tempstartfolder.h"
#include "orderlist/frmlistordre.h"
#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/report/reportwindow.h"
#include "reference/frmparamref.h"

using namespace vorna;
using vorna::test::ScriptedDialogs;
using vorna::test::TempStartFolder;

namespace {

class GenerateCommand : public ::testing::Test {
protected:
    void SetUp() override {
        Clock::pin(QDateTime(QDate(2026, 12, 8), QTime(10, 30, 0)));
        Locale::force(false);
        savedCheck_ = frmListOrdre::SettingsCheck;
        frmListOrdre::SettingsCheck = [] {};
        folder.enter();
        folder.createWorkingDatabase();
        conn = folder.openWorking();
        gen = folder.filePath(QStringLiteral("gen")) + u'/';
        QDir().mkpath(gen);
        conn->execute(QStringLiteral("insert into ParamRef (idUniq, reperGener, modeTransfert) values (1, ?, 'VPN')"), {Value(gen)});
        // The summary window closes as soon as it shows.
        forms::Form::ModalHook = [this](forms::Form& f) {
            if (auto* w = qobject_cast<report::ReportWindow*>(&f)) {
                ++summaries;
                w->cmdClose->click();
            }
        };
    }
    void TearDown() override {
        forms::Form::ModalHook = nullptr;
        frmListOrdre::unloadIfLoaded();
        frmParamRef::unloadIfLoaded();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        frmListOrdre::SettingsCheck = savedCheck_;
        Locale::force(std::nullopt);
        Clock::pin(QDateTime());
    }

    qint64 pending() {
        return TempStartFolder::insertOrder(conn, {{"refInterne", "REF-1"},
                                                   {"ribPL", "30004 00828 00010123456 91"},
                                                   {"identPL1", "TRESORERIE GENERALE"},
                                                   {"ibanBE", "DE89370400440532013000"}});
    }
    // The generation column of the list, top row first.
    QStringList generationColumn() {
        QStringList out;
        forms::FlexGrid* g = frmListOrdre::instance().MSHFlexGrid1;
        for (int r = 1; r < g->rows(); ++r) out << g->textMatrix(r, 7);
        return out;
    }

    TempStartFolder folder;
    ConnectionPtr conn;
    QString gen;
    ScriptedDialogs dialogs;
    int summaries = 0;
    std::function<void()> savedCheck_;
};

TEST_F(GenerateCommand, GeneratesAndRefreshesTheList) {
    pending();
    frmListOrdre& w = frmListOrdre::instance();
    ASSERT_EQ(generationColumn(), QStringList{""});
    w.mnRemise->trigger();
    EXPECT_EQ(summaries, 1);
    EXPECT_EQ(dialogs.messages.size(), 2);  // the first and the final question
    EXPECT_EQ(generationColumn(), QStringList{"08/12/2026 10:30"});
    EXPECT_EQ(QDir(gen).entryList(QDir::Files).filter(QStringLiteral(".e93")).size(), 1);
    EXPECT_FALSE(w.MSHFlexGrid1->testAttribute(Qt::WA_SetCursor));  // the hourglass is gone
}

TEST_F(GenerateCommand, RefreshesAfterARefusalAndWhenThereIsNothing) {
    pending();
    frmListOrdre& w = frmListOrdre::instance();
    // An order stored since the list was shown appears once the command returns.
    TempStartFolder::insertOrder(conn, {{"genere", true}, {"dateGener", Clock::now()}});
    dialogs.answer(MsgAnswer::No);
    w.mnRemise->trigger();
    EXPECT_EQ(generationColumn().size(), 2);
    EXPECT_EQ(summaries, 0);
    conn->execute(QStringLiteral("delete from Ordres where genere = false"));
    w.mnRemise->trigger();
    EXPECT_EQ(dialogs.texts().last(), "Il n'y a aucun ordre à Générer");
    EXPECT_EQ(generationColumn().size(), 1);
}

}  // namespace
