#pragma once

#include <QIcon>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "orderlist/startup.h"
#include "platform/db/connection.h"
#include "platform/db/recordset.h"
#include "platform/forms/flexgrid.h"
#include "platform/forms/form.h"
#include "platform/session.h"

class QAction;
class QLabel;
class QMenu;
class QMenuBar;

namespace vorna {

// An amount as the list's "Montant" column shows it: digit groups, the decimals of `nbDeci`
// (0, 2 or 3) and the blanks that line the units up; empty for an order without amount.
QString listAmountText(const Value& amount, const Value& nbDeci);

// The main window: the list of orders and the menus. Its load step is the program's start-up.
class frmListOrdre : public forms::FormOf<frmListOrdre> {
    Q_OBJECT
public:
    frmListOrdre();
    ~frmListOrdre() override;

    // Full path of the working database (start folder + "/VornaW.mdb").
    QString workingDatabasePath() const { return Session::current().workingPath; }
    // True once the start-up has ended.
    bool startupDone() const { return loaded_; }

    // Fills the list; with initConn true, first opens a new working connection as dfwConn.
    // A failure to open or requery the list reaches the caller.
    void misEnForme(bool initConn = false);

    // Row-change handler of the list (also run by the commands): the selection, and the
    // enabling of the commands that act on the current order.
    void MSHFlexGrid1_RowColChange();

    // Menu commands.
    void mnAjout_Click();
    void mnModif_Click();
    void mnSuppr_Click();
    void mnRemise_Click();
    void mnImpOrdre_Click();
    void mnImpOrdres_Click();
    void mnQuitter_Click();
    void mnEEE_Click();
    void mnPays_Click();
    void mnDevises_Click();
    void mnCodeMotif_Click();
    void mnApropos_Click();
    void mnFichierD_Click();

    // Controls. Column 0 of the list holds the order number, column 7 the generation date
    // (empty while the order is still to be generated).
    forms::FlexGrid* MSHFlexGrid1 = nullptr;
    QLabel* imgAGener = nullptr;  // hidden; its picture marks an order still to be generated
    QLabel* imgUrgent = nullptr;  // hidden; its picture marks an urgent order
    QLabel* imgFond = nullptr;    // shown instead of the list when it is empty
    QLabel* lblAucun = nullptr;

    // Menus, named and captioned as the program has always had them.
    QMenuBar* menuBar = nullptr;
    QMenu* mnFichier = nullptr;
    QAction* mnPropriete = nullptr;
    QAction* mnFichierD = nullptr;
    QMenu* mnReferentiels = nullptr;
    QAction* mnEEE = nullptr;
    QAction* mnPays = nullptr;
    QAction* mnDevises = nullptr;
    QAction* mnCodeMotif = nullptr;
    QAction* sepSuppr = nullptr;
    QAction* mnQuitter = nullptr;
    QMenu* mnEdition = nullptr;  // also the list's pop-up menu
    QAction* mnAjout = nullptr;
    QAction* mnRemise = nullptr;
    QAction* mnImpOrdres = nullptr;
    QAction* mnAjoutMod = nullptr;
    QAction* mnImpOrdre = nullptr;
    QAction* mnModif = nullptr;
    QAction* mnSuppr = nullptr;
    QMenu* mnAide = nullptr;
    QAction* mnApropos = nullptr;

    // The texts of the generation column (column 7) from top to bottom, one for each run of
    // equal texts: what the choice of groups to print is made of. Read from the stored dates,
    // each run's text written once.
    QStringList generationRuns() const;

    // The list's rows as read by the last misEnForme (null before the first).
    Recordset* listRecordset() const { return listRs_.get(); }

    // The settings check that every resize runs once the start-up has ended; tests put a
    // double of their own here.
    static std::function<void()> SettingsCheck;

    // The program's title bar text; a second start activates the window that bears it.
    static const QString Caption;

protected:
    void formLoad() override;
    void formResize() override;
    void formQueryUnload(bool& cancel, forms::UnloadMode mode) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void Form_DblClick();
    void MSHFlexGrid1_DblClick();
    void MSHFlexGrid1_MouseDown(int button, int shift, int x, int y);
    // Binds the list's rows to the grid: texts come from the recordset when first shown.
    void bindList();
    // True while the recordset holds the rows the grid was bound to.
    bool isBound() const;
    QString cellText(int row, int col) const;
    bool isUrgent(int row) const;
    bool isPending(int row) const;

    QString startFolder_;
    QString workingConnString_;
    QString listQuery_;
    bool checkQueued_ = false;
    bool loaded_ = false;

    QWidget* surface_ = nullptr;  // the window's client area, below the menu bar
    std::unique_ptr<Recordset> listRs_;
    int boundRows_ = 0;           // rows of the recordset when the grid was bound
    bool filling_ = false;        // misEnForme is building the grid
    QIcon aGenererPicture_;
    QIcon urgentPicture_;
};

}  // namespace vorna
