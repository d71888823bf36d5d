// The choice of order groups to print: the groups read from the main list, the selection they
// make, the messages, the placement; and the two print commands of the main window.

#include "common/qtsupport.h"
#include <gtest/gtest.h>

#include <QAction>
#include <QListWidget>

#include "common/scripteddialogs.h"
#include "common/tempstartfolder.h"
#include "generation/frmimprim.h"
#include "generation/rptvisuord.h"
#include "orderlist/frmlistordre.h"
#include "platform/clock.h"
#include "platform/db/recordset.h"
#include "platform/environment.h"
#include "platform/vberror.h"
#include "reference/frmparamref.h"

using namespace vorna;
using vorna::test::ScriptedDialogs;
using vorna::test::TempStartFolder;

namespace {

const QString kWhen = QStringLiteral("25/12/2015 14:30");

TEST(OrderGroups, EachRunOfEqualItemsOfTheListGivesOneGroup) {
    struct Case {
        const char* what;
        QStringList column;
        QStringList groups;
    };
    const Case cases[] = {
        {"two pending on top of three generated in one minute",
         {"", "", kWhen, kWhen, kWhen},
         {"A générer", "Générés le 25/12/2015 14:30"}},
        {"a run that straddles a minute",
         {"25/12/2015 14:31", "25/12/2015 14:31", kWhen},
         {"Générés le 25/12/2015 14:31", "Générés le 25/12/2015 14:30"}},
        {"the same text met again after another run",
         {kWhen, "", kWhen},
         {"Générés le 25/12/2015 14:30", "A générer", "Générés le 25/12/2015 14:30"}},
        {"one order", {""}, {"A générer"}},
        {"no order", {}, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(frmImprim::groupsOf(c.column), c.groups) << c.what;
}

TEST(OrderGroups, TheChosenGroupsMakeASelectionWithDatesMonthFirst) {
    EXPECT_EQ(frmImprim::selectionOf({"A générer", "Générés le 25/12/2015 14:30"}),
              "Where genere = false OR ( dateGener >= #12/25/2015 14:30#  and dateGener <= #12/25/2015 14:30:59# ) ");
    EXPECT_EQ(frmImprim::selectionOf({"Générés le 03/01/2016 09:05"}),
              "Where ( dateGener >= #01/03/2016 09:05#  and dateGener <= #01/03/2016 09:05:59# ) ");
    EXPECT_EQ(frmImprim::selectionOf({"A générer"}), "Where genere = false");
    EXPECT_THROW(frmImprim::selectionOf({"Générés le n'importe quand"}), VbError);
}

class PrintCommands : public ::testing::Test {
protected:
    void SetUp() override {
        // Three days after the generations: the start-up purge keeps them.
        Clock::pin(QDateTime(QDate(2015, 12, 28), QTime(10, 30, 0)));
        Locale::force(false);
        Screen::force(QRect(600, 300, 18000, 12000));
        savedCheck_ = frmListOrdre::SettingsCheck;
        frmListOrdre::SettingsCheck = [] {};
        folder.enter();
        folder.createWorkingDatabase();
        conn = folder.openWorking();
        // Settings stored: the settings window that the start-up loads closes without a word.
        conn->execute(QStringLiteral("insert into ParamRef (idUniq, reperGener, modeTransfert) values (1, ?, 'VPN')"),
                      {Value(folder.path() + u'/')});
        VisuOrdShowHook = [this](rptVisuOrd& r) {
            ++shows;
            const Recordset* rs = r.dataSource();
            ids.clear();
            for (int i = 0; i < rs->recordCount(); ++i) ids << rs->valueAt(i, rs->fieldIndex(QStringLiteral("idOrdre"))).toInt();
            caption = r.caption;
            if (failShow) throw VbError(3021, QStringLiteral("Vorna"), QStringLiteral("Enregistrement actif requis"));
        };
    }
    void TearDown() override {
        forms::Form::ModalHook = nullptr;
        VisuOrdShowHook = nullptr;
        frmImprim::unloadIfLoaded();
        frmListOrdre::unloadIfLoaded();
        EXPECT_TRUE(frmParamRef::unloadIfLoaded());  // loaded hidden by the start-up
        vorna::test::flushDeletes();
        frmListOrdre::SettingsCheck = savedCheck_;
        Screen::force(QRect());
        Locale::force(std::nullopt);
        Clock::pin(QDateTime());
    }

    qint64 order(const TempStartFolder::Fields& f = {}) { return TempStartFolder::insertOrder(conn, f); }
    qint64 generatedAt(const QTime& t) {
        return order({{"genere", true}, {"dateGener", QDateTime(QDate(2015, 12, 25), t)}});
    }
    frmListOrdre& main() { return frmListOrdre::instance(); }

    // Opens the choice through the menu; `act` runs while it is shown.
    void chooseGroups(std::function<void(frmImprim&)> act) {
        forms::Form::ModalHook = [act](forms::Form& f) {
            if (auto* w = qobject_cast<frmImprim*>(&f)) {
                const auto run = act;  // the hook, and what it holds, goes now
                forms::Form::ModalHook = nullptr;
                run(*w);
                if (frmImprim::isLoaded()) w->CancelButton->click();
            }
        };
        main().mnImpOrdres->trigger();
    }
    static QStringList items(const frmImprim& w) {
        QStringList out;
        for (int i = 0; i < w.lstGener->count(); ++i) out << w.lstGener->item(i)->text();
        return out;
    }

    TempStartFolder folder;
    ScriptedDialogs dialogs;
    ConnectionPtr conn;
    int shows = 0;
    bool failShow = false;
    QList<qint64> ids;
    QString caption;

private:
    std::function<void()> savedCheck_;
};

TEST_F(PrintCommands, TheGroupsOfTheListPrintTheirOrdersAndCloseTheWindow) {
    QList<qint64> generated;
    for (const QTime& t : {QTime(14, 30, 0), QTime(14, 30, 21), QTime(14, 30, 59)}) generated << generatedAt(t);
    const qint64 outside = generatedAt(QTime(14, 31, 0));  // the next minute: a group of its own
    const qint64 p1 = order();
    const qint64 p2 = order();
    QStringList offered;
    bool closed = false;
    chooseGroups([&](frmImprim& w) {
        offered = items(w);
        EXPECT_TRUE(w.OKButton->isEnabled());
        EXPECT_NEAR(w.leftTwips(), 600 + 500, kTwipsPerPixel);
        EXPECT_NEAR(w.topTwips(), 300 + 500, kTwipsPerPixel);
        EXPECT_EQ(w.windowTitle(), "Ordres à imprimer");
        ASSERT_EQ(w.lstGener->count(), 3);
        w.lstGener->item(0)->setSelected(true);
        w.lstGener->item(2)->setSelected(true);
        w.OKButton->click();
        closed = !frmImprim::isLoaded();
    });
    EXPECT_EQ(offered, QStringList({"A générer", "Générés le 25/12/2015 14:31", "Générés le 25/12/2015 14:30"}));
    EXPECT_EQ(shows, 1);
    EXPECT_EQ(ids, (QList<qint64>{generated[0], generated[1], generated[2], p1, p2}));
    EXPECT_FALSE(ids.contains(outside));
    EXPECT_EQ(caption, "Visualisation de 5 ordres");
    EXPECT_TRUE(closed);
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

// The groups come from the stored generation dates, each run once, whatever form the dates are
// stored in: those of the list's texts, newest first.
TEST_F(PrintCommands, TheGroupsAreThoseOfTheListsTextsRowByRow) {
    const auto storedAs = [this](const char* text) {
        const qint64 id = order({{"genere", true}});
        conn->execute(QStringLiteral("update Ordres set dateGener = ? where idOrdre = ?"), {Value(text), Value(id)});
    };
    generatedAt(QTime(14, 30, 10));
    generatedAt(QTime(14, 30, 0));
    order();
    generatedAt(QTime(14, 30, 59));
    storedAs("2015-12-25 14:31");     // no seconds: the same minute as the next two
    storedAs("2015-12-25 14:31:75");  // no date: shown as it is stored
    generatedAt(QTime(14, 31, 50));
    generatedAt(QTime(14, 31, 5));
    storedAs("2015-12-25 14:31");
    order();
    order();
    QStringList offered;
    chooseGroups([&](frmImprim& w) { offered = items(w); });
    EXPECT_EQ(offered, QStringList({"A générer", "Générés le 25/12/2015 14:31", "Générés le 2015-12-25 14:31:75",
                                    "Générés le 25/12/2015 14:31", "Générés le 25/12/2015 14:30", "A générer",
                                    "Générés le 25/12/2015 14:30"}));
}

// The first group shows current and selected; with nothing selected, OK is refused.
TEST_F(PrintCommands, NothingSelectedIsToldAndTheWindowStays) {
    order();
    bool stillThere = false, firstSelected = false;
    chooseGroups([&](frmImprim& w) {
        firstSelected = w.lstGener->currentRow() == 0 && w.lstGener->item(0)->isSelected();
        w.lstGener->clearSelection();
        w.OKButton->click();
        stillThere = frmImprim::isLoaded() && w.isVisible();
    });
    EXPECT_TRUE(firstSelected);
    EXPECT_TRUE(stillThere);
    EXPECT_EQ(shows, 0);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, "Vous devez sélectionner au moins un groupe d'ordres");
    EXPECT_EQ(dialogs.messages[0].title, "Aucun ordre à imprimer");
    EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Information);
}

TEST_F(PrintCommands, AnEmptyListOffersNoGroupAndNoPrint) {
    int count = -1;
    bool enabled = true;
    chooseGroups([&](frmImprim& w) {
        count = w.lstGener->count();
        enabled = w.OKButton->isEnabled();
    });
    EXPECT_EQ(count, 0);
    EXPECT_FALSE(enabled);
    EXPECT_EQ(shows, 0);
}

TEST_F(PrintCommands, PrintingTheCurrentOrderPrintsItAlone) {
    const qint64 first = order();
    order();
    main().MSHFlexGrid1->setRow(2);  // newest first: the first order is the second row
    main().mnImpOrdre->setEnabled(true);
    main().mnImpOrdre->trigger();
    EXPECT_EQ(shows, 1);
    EXPECT_EQ(ids, QList<qint64>{first});
    EXPECT_EQ(caption, rptVisuOrd::OwnCaption);
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(PrintCommands, ARowWithoutANumberPrintsNothingAndSaysNothing) {
    order();
    main().MSHFlexGrid1->setRow(0);  // the header: "Numéro"
    main().mnImpOrdre_Click();
    EXPECT_EQ(shows, 0);
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(PrintCommands, AFailedPrintIsToldWithItsNumber) {
    order();
    failShow = true;
    main().MSHFlexGrid1->setRow(1);
    main().mnImpOrdre_Click();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, "3021 : Enregistrement actif requis");
    EXPECT_EQ(dialogs.messages[0].title, "Visualisation impossible");
    EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Critical);
    EXPECT_TRUE(main().MSHFlexGrid1->cursor().shape() != Qt::WaitCursor);
}

// An order deleted behind the list's back cannot be found: the program ends after saying so.
TEST_F(PrintCommands, AnOrderGoneSinceTheListWasReadEndsTheProgram) {
    const qint64 id = order();
    main();
    conn->execute(QStringLiteral("delete from Ordres where idOrdre = ?"), {id});
    setEndProgramThrows(true);
    main().MSHFlexGrid1->setRow(1);
    EXPECT_THROW(main().mnImpOrdre_Click(), ProgramEnded);
    setEndProgramThrows(false);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("Enregistrement(s) 'Where idOrdre = %1' introuvable.").arg(id));
}

}  // namespace
