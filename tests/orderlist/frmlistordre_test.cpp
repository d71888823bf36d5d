#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "common/qtsupport.h"
#include "common/scripteddialogs.h"
#include "common/tempstartfolder.h"
#include "orderlist/frmlistordre.h"
#include "platform/clock.h"
#include "platform/db/recordset.h"
#include "platform/environment.h"
#include "platform/forms/form.h"
#include "platform/forms/geometry.h"

using namespace vorna;
using vorna::forms::FlexGrid;
using vorna::test::ScriptedDialogs;
using vorna::test::TempStartFolder;


namespace {

const QDateTime kNow(QDate(2026, 12, 8), QTime(10, 30, 0));

class OrderListWindow : public ::testing::Test {
protected:
    void SetUp() override {
        Clock::pin(kNow);
        Locale::force(false);  // French regional settings: decimal comma
        savedCheck_ = frmListOrdre::SettingsCheck;
        frmListOrdre::SettingsCheck = [this] { ++settingsChecks; };
        folder.enter();
        folder.createWorkingDatabase();
        conn = folder.openWorking();
    }
    void TearDown() override {
        frmListOrdre::unloadIfLoaded();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        frmListOrdre::SettingsCheck = savedCheck_;
        Connection::clearAllWriteFaults();
        Locale::force(std::nullopt);
        Clock::pin(QDateTime());
    }

    qint64 order(const TempStartFolder::Fields& fields = {}) { return TempStartFolder::insertOrder(conn, fields); }
    // An order generated yesterday.
    qint64 generated(const TempStartFolder::Fields& fields = {}) {
        TempStartFolder::Fields all = {{"genere", true}, {"dateGener", kNow.addDays(-1)}};
        all += fields;
        return order(all);
    }

    frmListOrdre& window() { return frmListOrdre::instance(); }
    FlexGrid& grid() { return *window().MSHFlexGrid1; }

    bool show() { return vorna::test::showActive(&window()); }

    QPoint cellCentre(int row, int col) { return grid().visualRect(grid().model()->index(row - 1, col)).center(); }

    int orderCount() {
        Recordset rs;
        rs.open(QStringLiteral("select idOrdre from Ordres"), conn);
        return rs.recordCount();
    }

    QStringList column(int col) {
        QStringList out;
        for (int r = 1; r < grid().rows(); ++r) out << grid().textMatrix(r, col);
        return out;
    }

    TempStartFolder folder;
    ScriptedDialogs dialogs;
    ConnectionPtr conn;
    int settingsChecks = 0;

private:
    std::function<void()> savedCheck_;
};

// ---- the list ------------------------------------------------------------------------------

TEST_F(OrderListWindow, AnEmptyTableShowsTheBackgroundInsteadOfTheList) {
    frmListOrdre& w = window();
    EXPECT_TRUE(w.MSHFlexGrid1->isHidden());
    EXPECT_FALSE(w.MSHFlexGrid1->isActive());
    EXPECT_FALSE(w.imgFond->isHidden());
    EXPECT_FALSE(w.imgFond->pixmap().isNull());
    EXPECT_FALSE(w.lblAucun->isHidden());
    EXPECT_EQ(w.lblAucun->text(), "Aucun ordre dans la liste");
    EXPECT_FALSE(w.mnImpOrdre->isEnabled());
    EXPECT_FALSE(w.mnModif->isEnabled());
    EXPECT_FALSE(w.mnSuppr->isEnabled());

    // An order stored meanwhile shows at the next refresh, and leaving the list empty again
    // brings the background back.
    const qint64 id = order();
    w.misEnForme(false);
    EXPECT_FALSE(w.MSHFlexGrid1->isHidden());
    EXPECT_TRUE(w.imgFond->isHidden());
    EXPECT_TRUE(w.lblAucun->isHidden());
    EXPECT_EQ(w.MSHFlexGrid1->rows(), 2);
    EXPECT_EQ(w.MSHFlexGrid1->row(), 1);
    EXPECT_TRUE(w.mnSuppr->isEnabled());
    conn->execute(QStringLiteral("delete from Ordres where idOrdre = ?"), {id});
    w.misEnForme(false);
    EXPECT_TRUE(w.MSHFlexGrid1->isHidden());
    EXPECT_FALSE(w.lblAucun->isHidden());
    EXPECT_FALSE(w.mnSuppr->isEnabled());
    EXPECT_FALSE(w.mnModif->isEnabled());
}

TEST_F(OrderListWindow, ColumnsHaveTheirHeadersWidthsAndAlignments) {
    order();
    FlexGrid& g = grid();
    ASSERT_EQ(g.cols(), 10);
    QStringList headers;
    for (int c = 0; c < g.cols(); ++c) headers << g.textMatrix(0, c);
    EXPECT_EQ(headers, QStringList({"Numéro", "Date de Création", "Montant", "Devise de l'ordre", "Devise de Paiement",
                                    "Référence Interne", "Bénéficiaire", "Génération", "nbDeci", "urgent"}));
    const int widths[] = {0, 1600, 1900, 1000, 1000, 1700, 2500, 1600, 0, 0};
    for (int c = 0; c < g.cols(); ++c) EXPECT_NEAR(g.colWidth(c), widths[c], kTwipsPerPixel) << "column " << c;
    for (int c = 0; c < g.cols(); ++c)
        EXPECT_EQ(g.colAlignment(c), c == 3 || c == 4 ? FlexGrid::Align::Center : FlexGrid::Align::General) << c;
    EXPECT_NEAR(g.rowHeightTwips(0), 800, kTwipsPerPixel);
    EXPECT_NEAR(g.rowHeightTwips(1), 350, kTwipsPerPixel);
    EXPECT_TRUE(g.model()->headerData(1, Qt::Horizontal, Qt::FontRole).value<QFont>().bold());
    EXPECT_FALSE(g.accessibleName().isEmpty());
}

TEST_F(OrderListWindow, RowsShowTheOrdersNewestFirstWithTheirDates) {
    const qint64 older = generated({{"refInterne", "OLD"}, {"identBE1", "ANCIEN"}, {"devOrdre", "USD"},
                                    {"dateCreation", QDateTime(QDate(2026, 11, 30), QTime(9, 5, 59))},
                                    {"dateGener", QDateTime(QDate(2026, 12, 1), QTime(17, 30))}});
    const qint64 newer = order({{"refInterne", "NEW"}, {"identBE1", "NOUVEAU"}, {"devPaiement", "CHF"}});
    FlexGrid& g = grid();
    ASSERT_EQ(g.rows(), 3);
    EXPECT_EQ(column(0), QStringList({QString::number(newer), QString::number(older)}));
    EXPECT_EQ(column(1), QStringList({"08/12/2026 10:30", "30/11/2026 09:05"}));
    EXPECT_EQ(column(3), QStringList({"EUR", "USD"}));
    EXPECT_EQ(column(4), QStringList({"CHF", "EUR"}));
    EXPECT_EQ(column(5), QStringList({"NEW", "OLD"}));
    EXPECT_EQ(column(6), QStringList({"NOUVEAU", "ANCIEN"}));
    EXPECT_EQ(column(7), QStringList({"", "01/12/2026 17:30"}));
}

TEST_F(OrderListWindow, AmountsAreFormattedByTheirDecimalsAndLineUp) {
    order({{"montant", Decimal(12345, 3)}, {"nbDeci", 3}});
    order({{"montant", Decimal(12345, 1)}, {"nbDeci", 1}});
    order({{"montant", Decimal(123456789050, 2)}, {"nbDeci", 2}});
    order({{"montant", Decimal(1234567, 0)}, {"nbDeci", 0}});
    order({{"montant", Decimal(5, 1)}, {"nbDeci", 2}});
    order({{"montant", Value::null()}, {"nbDeci", 2}});
    // Digit groups are held together by no-break spaces; the alignment blanks stay plain.
    EXPECT_EQ(column(2), QStringList({"", "0,50  ", QStringLiteral("1\u00A0234\u00A0567       "), QStringLiteral("1\u00A0234\u00A0567\u00A0890,50  "),
                                      "1234,5", "12,345"}));

    // Right-aligned, the units digit of every formatted amount stands at the same place.
    FlexGrid& g = grid();
    const QFontMetrics fm(g.font());
    QList<int> unitsFromRight;
    for (int r : {2, 3, 4, 6}) {
        const QString t = g.textMatrix(r, 2);
        const qsizetype sep = t.indexOf(u',');
        const QString afterUnits = sep >= 0 ? t.mid(sep) : t.mid(t.trimmed().size());
        unitsFromRight << fm.horizontalAdvance(afterUnits);
        EXPECT_EQ(g.model()->data(g.model()->index(r - 1, 2), Qt::TextAlignmentRole).value<Qt::Alignment>() &
                      Qt::AlignHorizontal_Mask,
                  Qt::AlignRight);
    }
    for (int x : unitsFromRight) EXPECT_NEAR(x, unitsFromRight.first(), 1) << "units digits do not line up";
}

TEST_F(OrderListWindow, UrgentAndPendingOrdersCarryTheirPictures) {
    generated({{"urgent", true}});  // row 4
    order();                        // row 3
    generated();                    // row 2
    order({{"urgent", true}});      // row 1
    frmListOrdre& w = window();
    FlexGrid& g = grid();
    const QImage urgent = w.imgUrgent->pixmap().toImage();
    const QImage pending = w.imgAGener->pixmap().toImage();
    EXPECT_TRUE(w.imgUrgent->isHidden());
    EXPECT_TRUE(w.imgAGener->isHidden());
    auto shows = [&](int row, int col, const QImage& picture) {
        const QIcon icon = g.cellPicture(row, col);
        return !icon.isNull() && icon.pixmap(picture.size()).toImage() == picture;
    };
    EXPECT_TRUE(shows(1, 2, urgent));
    EXPECT_TRUE(shows(4, 2, urgent));
    EXPECT_TRUE(g.cellPicture(2, 2).isNull());
    EXPECT_TRUE(g.cellPicture(3, 2).isNull());
    EXPECT_TRUE(shows(1, 7, pending));
    EXPECT_TRUE(shows(3, 7, pending));
    EXPECT_TRUE(g.cellPicture(2, 7).isNull());
    EXPECT_TRUE(g.cellPicture(4, 7).isNull());
    // The pictures follow the rows after a refresh.
    conn->execute(QStringLiteral("update Ordres set urgent = 0"));
    w.misEnForme(false);
    EXPECT_TRUE(g.cellPicture(1, 2).isNull());
    EXPECT_TRUE(shows(1, 7, pending));
}

// A screen reader reads the markers with the cells: the pictures carry words.
TEST_F(OrderListWindow, TheMarkersAreReadAloudWithTheirCells) {
    generated();                // row 2
    order({{"urgent", true}});  // row 1
    window();
    FlexGrid& g = grid();
    auto said = [&](int row, int col, int role) { return g.model()->index(row - 1, col).data(role).toString(); };
    EXPECT_EQ(said(1, 7, Qt::AccessibleTextRole), "Ordre à générer");
    EXPECT_EQ(said(1, 7, Qt::ToolTipRole), "Ordre à générer");
    EXPECT_EQ(said(1, 2, Qt::AccessibleTextRole), g.textMatrix(1, 2) + ", Ordre urgent");
    EXPECT_EQ(said(1, 2, Qt::ToolTipRole), "Ordre urgent");
    // Without a marker, the cell reads as it shows.
    EXPECT_EQ(said(2, 7, Qt::AccessibleTextRole), g.textMatrix(2, 7));
    EXPECT_EQ(said(2, 2, Qt::AccessibleTextRole), g.textMatrix(2, 2));
    EXPECT_TRUE(said(2, 2, Qt::ToolTipRole).isEmpty());
}

TEST_F(OrderListWindow, PendingOrdersAreColouredInAlternateColumnsDownToTheLastOne) {
    generated();  // row 5
    generated();  // row 4
    order();      // row 3: the last pending row
    generated();  // row 2
    order();      // row 1
    FlexGrid& g = grid();
    const QColor grey = forms::vbColor(0xC0C0C0), white = forms::vbColor(0xFFFFFF);
    auto odd = [](int c) { return c % 2 == 1; };
    for (int c = 0; c < g.cols(); ++c) {
        EXPECT_EQ(g.cellBackColor(0, c), odd(c) ? QColor() : grey) << "header of column " << c;
        for (int r = 1; r <= 3; ++r) EXPECT_EQ(g.cellBackColor(r, c), odd(c) ? white : grey) << r << "," << c;
        for (int r = 4; r <= 5; ++r) EXPECT_FALSE(g.cellBackColor(r, c).isValid()) << r << "," << c;
    }
    // Without a pending order, only the header cells of the even columns are coloured.
    conn->execute(QStringLiteral("update Ordres set genere = 1, dateGener = ?"), {kNow});
    window().misEnForme(false);
    for (int c = 0; c < g.cols(); ++c) {
        EXPECT_EQ(g.cellBackColor(0, c), odd(c) ? QColor() : grey) << c;
        for (int r = 1; r < g.rows(); ++r) EXPECT_FALSE(g.cellBackColor(r, c).isValid()) << r << "," << c;
    }
}

TEST_F(OrderListWindow, TheCurrentRowStaysWithinTheRowsAfterARefresh) {
    for (int i = 0; i < 5; ++i) order();
    frmListOrdre& w = window();
    FlexGrid& g = grid();
    EXPECT_EQ(g.row(), 1);
    // The selection covers columns 1 to 3 of the current row.
    EXPECT_EQ(g.col(), 1);
    EXPECT_EQ(g.rowSel(), 1);
    EXPECT_EQ(g.colSel(), 3);

    g.setRow(4);
    w.misEnForme(false);
    EXPECT_EQ(g.row(), 4);
    EXPECT_EQ(g.colSel(), 3);

    conn->execute(QStringLiteral("delete from Ordres where idOrdre <= 3"));
    w.misEnForme(false);
    EXPECT_EQ(g.row(), 2);  // the last row

    g.setRow(0);  // the header row
    w.misEnForme(false);
    EXPECT_EQ(g.row(), 1);

    conn->execute(QStringLiteral("delete from Ordres where idOrdre = 4"));
    w.misEnForme(false);
    EXPECT_EQ(g.rows(), 2);
    EXPECT_EQ(g.row(), 1);
}

// ---- menus ---------------------------------------------------------------------------------

TEST_F(OrderListWindow, ClickingAPendingOrAGeneratedOrderSetsTheOrderCommands) {
    generated();  // row 2
    order();      // row 1
    frmListOrdre& w = window();
    ASSERT_TRUE(show());
    FlexGrid& g = grid();

    // A left click only moves the current row: no menu opens.
    bool popped = false;
    QTimer::singleShot(0, [&] {
        if (QWidget* p = QApplication::activePopupWidget()) {
            popped = true;
            p->hide();
        }
    });
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, cellCentre(2, 5));
    QCoreApplication::processEvents();
    EXPECT_FALSE(popped);
    EXPECT_EQ(g.row(), 2);
    EXPECT_EQ(g.col(), 1);
    EXPECT_EQ(g.colSel(), 3);
    EXPECT_TRUE(w.mnImpOrdre->isEnabled());
    EXPECT_TRUE(w.mnModif->isEnabled());
    EXPECT_EQ(w.mnModif->text(), "&Visualiser l'ordre");
    EXPECT_FALSE(w.mnSuppr->isEnabled());

    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, cellCentre(1, 6));
    EXPECT_EQ(g.row(), 1);
    EXPECT_TRUE(w.mnImpOrdre->isEnabled());
    EXPECT_EQ(w.mnModif->text(), "&Modifier l'ordre");
    EXPECT_TRUE(w.mnSuppr->isEnabled());
}

TEST_F(OrderListWindow, TheRightButtonMakesTheRowCurrentAndOpensTheOrderMenuAtThePointer) {
    order({{"refInterne", "PREMIER"}});
    generated();  // row 2
    order();      // row 1
    frmListOrdre& w = window();
    ASSERT_TRUE(show());
    FlexGrid& g = grid();
    const QPoint at = cellCentre(3, 1);

    QPointer<QWidget> popup;
    QPoint popupAt;
    bool suppr = true;
    QTimer::singleShot(0, [&] {
        popup = QApplication::activePopupWidget();
        if (!popup) return;
        popupAt = popup->pos();
        suppr = w.mnSuppr->isEnabled();
        // Items are chosen with the right button too.
        dialogs.answer(MsgAnswer::No);
        QTest::mouseClick(popup, Qt::RightButton, {}, w.mnEdition->actionGeometry(w.mnSuppr).center());
        if (popup && popup->isVisible()) popup->hide();
    });
    QTest::mousePress(g.viewport(), Qt::RightButton, {}, at);
    QTest::mouseRelease(g.viewport(), Qt::RightButton, {}, at);

    ASSERT_EQ(popup, w.mnEdition);
    EXPECT_EQ(popupAt, g.viewport()->mapToGlobal(at));
    EXPECT_EQ(g.row(), 3);
    EXPECT_TRUE(suppr);  // row 3 is pending: the commands followed it before the menu opened
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].text.contains("'PREMIER'"));
}

TEST_F(OrderListWindow, ShortcutsWithShiftCreateAndDelete) {
    generated();  // row 2
    order({{"refInterne", "A SUPPRIMER"}});
    frmListOrdre& w = window();
    ASSERT_TRUE(show());
    QSignalSpy create(w.mnAjout, &QAction::triggered);
    QStringList opened;
    forms::Form::ModalHook = [&](forms::Form& f) {
        opened << f.objectName();
        f.unload();
    };
    const auto noHook = qScopeGuard([] { forms::Form::ModalHook = nullptr; });
    QTest::keyClick(w.MSHFlexGrid1, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(create.count(), 1);
    // The settings of a first start stop the creation with their message: no order window.
    EXPECT_TRUE(opened.isEmpty());
    dialogs.messages.clear();
    ASSERT_TRUE(show());  // the main window active again

    dialogs.answer(MsgAnswer::No);
    QTest::keyClick(w.MSHFlexGrid1, Qt::Key_Delete, Qt::ShiftModifier);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].text.contains("'A SUPPRIMER'"));

    // A generated order cannot be deleted: the shortcut does nothing.
    grid().setRow(2);
    QTest::keyClick(w.MSHFlexGrid1, Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(dialogs.messages.size(), 1);
}

// ---- the window ----------------------------------------------------------------------------

TEST_F(OrderListWindow, ADoubleClickOnTheWindowItselfRefreshesTheList) {
    order();
    frmListOrdre& w = window();
    ASSERT_TRUE(show());
    QWidget* surface = w.findChild<QWidget*>(QStringLiteral("surface"));
    ASSERT_TRUE(surface);
    order();

    // On the list itself, a double click is the list's own: it opens the order.
    int opened = 0;
    forms::Form::ModalHook = [&](forms::Form& f) {
        ++opened;
        f.unload();
    };
    const auto noHook = qScopeGuard([] { forms::Form::ModalHook = nullptr; });
    const int rowsBefore = grid().rows();
    QTest::mouseDClick(w.MSHFlexGrid1->viewport(), Qt::LeftButton, {}, cellCentre(1, 2));
    EXPECT_EQ(opened, 1);
    // Closing the order window refreshes the list.
    EXPECT_EQ(grid().rows(), rowsBefore + 1);
    order();
    QTest::mouseDClick(surface, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(grid().rows(), 4);
}

TEST_F(OrderListWindow, ResizingPlacesTheListAndChecksTheSettingsOnceStarted) {
    order();
    frmListOrdre& w = window();
    EXPECT_EQ(settingsChecks, 0);  // the start-up itself checks nothing
    ASSERT_TRUE(show());
    QCoreApplication::processEvents();
    EXPECT_GE(settingsChecks, 1);  // the first display is a resize, checked once it shows

    w.resize(700, 450);
    QCoreApplication::processEvents();
    const QWidget* surface = w.MSHFlexGrid1->parentWidget();
    EXPECT_EQ(surface->geometry().bottom(), w.rect().bottom());
    EXPECT_EQ(surface->y(), w.menuBar->geometry().bottom() + 1);
    EXPECT_EQ(forms::geometryTwips(w.MSHFlexGrid1),
              QRect(60, 60, toTwips(surface->width()) - 120, toTwips(surface->height()) - 120));

    // Minimising and restoring count as resizes.
    int before = settingsChecks;
    w.setWindowState(Qt::WindowMinimized);
    QCoreApplication::processEvents();
    EXPECT_EQ(settingsChecks, before + 1);
    w.setWindowState(Qt::WindowNoState);
    QCoreApplication::processEvents();
    EXPECT_EQ(settingsChecks, before + 2);

    // A window too small for the list leaves the list as it was.
    const QRect kept = w.MSHFlexGrid1->geometry();
    before = settingsChecks;
    w.resize(w.width(), w.menuBar->height() + 3);
    QCoreApplication::processEvents();
    ASSERT_EQ(w.height(), w.menuBar->height() + 3);
    EXPECT_EQ(w.MSHFlexGrid1->geometry(), kept);
    EXPECT_GT(settingsChecks, before);
}

TEST_F(OrderListWindow, ClosingUnloadsTheWindowWhileQuittingEndsAtOnce) {
    order();
    frmListOrdre& w = window();
    ASSERT_TRUE(show());
    try {
        w.mnQuitter_Click();
        ADD_FAILURE() << "the program went on";
    } catch (const ProgramEnded& e) {
        EXPECT_EQ(e.code, 0);
    }
    EXPECT_TRUE(frmListOrdre::isLoaded());  // no closing steps ran

    EXPECT_TRUE(w.close());
    EXPECT_FALSE(frmListOrdre::isLoaded());
}

// ---- deleting an order ---------------------------------------------------------------------

class DeletingAnOrder : public OrderListWindow {
protected:
    void SetUp() override {
        OrderListWindow::SetUp();
        first = order({{"refInterne", "PREMIER"}});
        second = order({{"refInterne", "REF 2"}, {"montant", Decimal(123450, 2)}, {"devPaiement", "USD"}});
        third = order({{"refInterne", "TROISIEME"}});
        window().MSHFlexGrid1->setRow(2);  // the second order
    }
    qint64 first = 0, second = 0, third = 0;
};

TEST_F(DeletingAnOrder, AnsweredYesDeletesTheCurrentOrderAndRefreshes) {
    frmListOrdre& w = window();
    Qt::CursorShape during = Qt::ArrowCursor;
    dialogs.onNextMessage([&](const ScriptedDialogs::Message&) { during = w.MSHFlexGrid1->cursor().shape(); });
    dialogs.answer(MsgAnswer::Yes);
    w.mnSuppr_Click();

    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text,
              QStringLiteral("Voulez-vous supprimer l'ordre référencé 'REF 2' d'un montant de 1\u00A0234,50   EUR ( USD )"));
    EXPECT_EQ(dialogs.messages[0].title, "Suppression d'un ordre");
    EXPECT_EQ(dialogs.messages[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(during, Qt::WaitCursor);
    EXPECT_FALSE(w.MSHFlexGrid1->testAttribute(Qt::WA_SetCursor));

    EXPECT_EQ(orderCount(), 2);
    EXPECT_EQ(column(5), QStringList({"TROISIEME", "PREMIER"}));
    EXPECT_EQ(grid().row(), 2);  // the same row index, now the next order
}

TEST_F(DeletingAnOrder, AnsweredNoLeavesTheListUntouched) {
    frmListOrdre& w = window();
    order();  // stored meanwhile: it shows only after a refresh
    dialogs.answer(MsgAnswer::No);
    w.mnSuppr_Click();
    EXPECT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(orderCount(), 4);
    EXPECT_EQ(grid().rows(), 4);
    EXPECT_EQ(grid().row(), 2);
    EXPECT_FALSE(w.MSHFlexGrid1->testAttribute(Qt::WA_SetCursor));
}

TEST_F(DeletingAnOrder, ANumberTheSearchDoesNotFindDeletesNothingSilently) {
    frmListOrdre& w = window();
    order();  // shows after the refresh that follows
    grid().setTextMatrix(2, 0, QStringLiteral("999999"));
    dialogs.answer(MsgAnswer::Yes);
    w.mnSuppr_Click();
    EXPECT_EQ(dialogs.messages.size(), 1);  // the question only
    EXPECT_EQ(orderCount(), 4);
    EXPECT_EQ(grid().rows(), 5);
    EXPECT_EQ(grid().textMatrix(3, 0), QString::number(second));
}

TEST_F(DeletingAnOrder, AFailureIsReportedAndTheListStays) {
    frmListOrdre& w = window();
    Connection::failWritesEverywhere(VbError(-2147467259, QStringLiteral("Vorna.db"), QStringLiteral("Disque plein.")));
    dialogs.answer(MsgAnswer::Yes);
    w.mnSuppr_Click();
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_EQ(dialogs.messages[1].text, "Disque plein.");
    EXPECT_EQ(dialogs.messages[1].title, "Suppression impossible");
    EXPECT_EQ(dialogs.messages[1].icon, MsgIcon::Critical);
    EXPECT_FALSE(w.MSHFlexGrid1->testAttribute(Qt::WA_SetCursor));
    EXPECT_EQ(orderCount(), 3);
    Connection::clearAllWriteFaults();
    // The order can still be deleted afterwards.
    dialogs.answer(MsgAnswer::Yes);
    w.mnSuppr_Click();
    EXPECT_EQ(orderCount(), 2);
}

}  // namespace
