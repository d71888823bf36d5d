#pragma once

// The order window: one transfer order entered, changed or looked at.
//
// Written by the "orderwindow" developer. The window is split by owner, so that three people
// can work on it at once without touching each other's files:
//   frmordre.cpp            life: load, modes, store, close, resize, option groups (orderwindow)
//   frmordre_build.cpp      the controls and their layout (orderwindow)
//   frmordre_rules.cpp      block enabling, colours, new-order defaults (orderwindow)
//   frmordre_scroll.cpp     the scrolling sheet, jump buttons and timerScroll (orderwindow)
//   frmordre_fields.cpp     connectFieldHandlers() and every field handler (fields)
//   frmordre_validation.cpp validateOrder(), the checks before a store (validation)
// Decisions on the hooks:
// - connectFieldHandlers() runs once, at the end of the constructor, after every control
//   exists and before the record is bound: handlers set there (change, validate, keyPress,
//   gotFocus, mouseDown, clicks of cmdDev/cmdPays/cmdModele/cmdSelModele) also see the
//   record's values being shown. The field handlers declared below are defined in
//   frmordre_fields.cpp only; nothing else calls them.
// - The recordset's will-change event (datPrimaryRS_WillChangeRecord) is the one place where
//   the order is checked: for the update reason it calls validateOrder(); false cancels the
//   write (the store then fails with err::UpdateCancelled, passed over in silence by
//   cmdAdd_Click). validateOrder() shows its own messages and moves the focus itself, and sets
//   lastActiveControl to cmdClose on a failure.
// - The main window opens the window through openOrderWindow() (below), the only entry.
// - Controls keep the system's names; control arrays are std::array indexed as the old arrays
//   (txtText 1 to 22, txtMotif 1 to 5: element 0 unused and null).

#include <QList>
#include <QPointer>
#include <array>

#include "platform/db/connection.h"
#include "platform/db/recordset.h"
#include "platform/forms/controls.h"
#include "platform/forms/form.h"
#include "platform/forms/textbox.h"
#include "platform/value.h"

class QGroupBox;
class QLabel;
class QScrollBar;
class QTimer;
class QToolButton;

namespace vorna {

namespace forms {
class DataBinding;
}

// Opens the order window modally and returns when it is closed. `intNumOrdre` empty (or 0)
// starts a new order; else the order with that idOrdre. `useModele`: a new order starts from a
// template.
void openOrderWindow(const Value& intNumOrdre, bool useModele = false);

class frmOrdre : public forms::FormOf<frmOrdre>, private RecordsetEvents {
    Q_OBJECT

public:
    frmOrdre();
    ~frmOrdre() override;

    // Loads the window (unloading a previous one) on an order, without showing it.
    static frmOrdre& loadFor(const Value& intNumOrdre, bool useModele = false);

    // ---- public members, set by the caller before the window is shown --------------------
    // idOrdre of the order to open; empty or 0 opens a new order.
    Value intNumOrdre;
    bool useModele = false;
    // Length of the settings' reference prefix (written by adaptMask).
    int startRefInterne = 0;
    // The order row being edited; created by the load.
    Recordset* datPrimaryRS = nullptr;
    // A transfer in euro to a beneficiary's bank in the EEA (kept by the country handlers and
    // the validation).
    bool isEuroEEE = false;

    // ---- state shared with the field handlers and the validation -------------------------
    // Caret of txtMontant before the last key; the amount check restores it.
    int savedCaretPosition = 1;
    // The last amount the amount check accepted (empty when the window opens).
    Value lastAcceptedAmount;
    // The control that had the focus at the last watch of the scrolling timer; the validation
    // sets it to cmdClose after a failure so that the sheet scrolls to the faulty field.
    QPointer<QWidget> lastActiveControl;

    // ---- controls -------------------------------------------------------------------------
    // Header (does not scroll).
    QGroupBox* frmTop = nullptr;
    forms::OptionGroup* optTypeOper = nullptr;  // 0 Transfert, 1 Chèque, 2 Règlement de remise, 3 Mise à disposition
    forms::TextBox* txtRefInterne = nullptr;
    std::array<forms::TextBox*, 2> txtDev{};      // 0 devOrdre, 1 devPaiement
    std::array<forms::CommandButton*, 2> cmdDev{};
    forms::TextBox* txtMontant = nullptr;
    forms::TextBox* txtNbDeci = nullptr;          // hidden, bound to nbDeci
    forms::CheckBox* chkUrgent = nullptr;

    // The scrolling sheet.
    QWidget* picScroll = nullptr;
    QScrollBar* vscH = nullptr;
    QTimer* timerScroll = nullptr;
    QGroupBox* frm50 = nullptr;
    QGroupBox* frm52 = nullptr;
    QGroupBox* frm56 = nullptr;
    QGroupBox* frm57 = nullptr;
    QGroupBox* frm58_59 = nullptr;
    QGroupBox* frm70 = nullptr;
    QGroupBox* frm71A = nullptr;
    QGroupBox* frm72 = nullptr;
    QGroupBox* frmDeclar = nullptr;
    QGroupBox* frmDeco = nullptr;
    forms::CommandButton* bt50 = nullptr;
    forms::CommandButton* bt52 = nullptr;
    forms::CommandButton* bt56 = nullptr;
    forms::CommandButton* bt57 = nullptr;
    forms::CommandButton* bt58_59 = nullptr;
    forms::CommandButton* bt70 = nullptr;
    forms::CommandButton* bt71A = nullptr;
    forms::CommandButton* bt72 = nullptr;
    forms::CommandButton* btDeclar = nullptr;

    // Blocks' fields.
    std::array<forms::TextBox*, 23> txtText{};    // 1-5 frm50, 6-10 frm52, 11-14 frm56, 15-18 frm57, 19-22 frm58_59
    std::array<forms::TextBox*, 6> txtPays{};     // 0 paysOY, 1 paysPL, 2 paysBqeI1, 3 paysBqeBE, 4 paysBE, 5 paysResBE
    std::array<forms::CommandButton*, 6> cmdPays{};
    std::array<forms::TextBox*, 2> txtBic{};      // 0 bicBqeI1, 1 bicBqeBE
    std::array<forms::TextBox*, 6> txtMotif{};    // 1-4 motif1-4 (frm70), 5 avisBenef (frm72)
    forms::TextBox* txtRibOY = nullptr;
    forms::TextBox* txtSirenOY = nullptr;         // hidden
    forms::TextBox* txtRibPL = nullptr;
    forms::TextBox* txtSirenPL = nullptr;         // hidden
    forms::TextBox* txtBqeBE = nullptr;
    forms::TextBox* txtIbanBE = nullptr;
    forms::OptionGroup* optFrais = nullptr;       // 0 donneur, 1 bénéficiaire, 2 partagés, 3 none chosen
    forms::OptionGroup* optAvisBenef = nullptr;   // 0 normal, 1 téléphone, 2 télécopie
    forms::TextBox* txtAvisTel = nullptr;
    forms::TextBox* txtAvisFax = nullptr;
    forms::TextBox* txtCodeEcono = nullptr;       // hidden
    forms::CommandButton* cmdCodeEcono = nullptr; // hidden
    forms::TextBox* txtSirenDecla = nullptr;      // hidden
    forms::OptionGroup* optResident = nullptr;    // hidden; 0 résident, 1 non résident
    forms::TextBox* txtDateCreation = nullptr;    // in frmDeco, disabled
    QLabel* imgDeco = nullptr;
    QList<QLabel*> lblLabels;

    // Command bar.
    QWidget* picButtons = nullptr;
    forms::CommandButton* cmdAdd = nullptr;
    forms::CommandButton* cmdModele = nullptr;
    forms::CommandButton* cmdSelModele = nullptr;
    forms::CommandButton* cmdPrint = nullptr;     // hidden
    forms::CommandButton* cmdClose = nullptr;

    // ---- life (frmordre.cpp) --------------------------------------------------------------
    void cmdAdd_Click();
    void cmdClose_Click();
    void optTypeOper_Click(int index);
    void optFrais_Click(int index);
    void optAvisBenef_Click(int index);
    void optResident_Click(int index);

    // ---- mode rules (frmordre_rules.cpp) -------------------------------------------------
    static void enableCtrl(QWidget* control);
    static void disableCtrl(QWidget* control);
    void enableBlock(QGroupBox* frame, QWidget* button);
    void disableBlock(QGroupBox* frame, QWidget* button, bool grey);
    void adaptMask(int mode);
    void adaptInfo(int mode);
    void addNewOrder();
    static void setNewOrderDefaults(Recordset& order);
    void selectOptionsFromRecord();
    void createTemplate(Recordset& order);
    // The template window in select mode over the order, then the option groups show what it wrote.
    void chooseTemplate();

    // ---- scrolling sheet (frmordre_scroll.cpp) -------------------------------------------
    void picScroll_Resize();
    void vscH_Change();
    void jumpTo(QWidget* button);  // bt50_Click ... btDeclar_Click
    // Starts a glide to a scroll value (twips).
    void glideTo(double target);
    void timerScroll_Timer();
    // The sheet's state, in twips.
    int sheetHeight() const { return sheetHeight_; }
    int scrollStep() const { return scrollStep_; }
    double scrollFactor() const { return scrollFactor_; }
    double scrollTarget() const { return scrollTarget_; }
    // Top of a jump button in the map (twips, unrounded).
    double buttonTop(int index) const { return buttonTops_.value(index); }
    double buttonHeight(int index) const { return buttonHeights_.value(index); }
    // Top of a frame of the sheet, shift included (twips).
    int frameTop(QGroupBox* frame) const;
    // The nine blocks and their jump buttons, top to bottom.
    QList<QGroupBox*> blocks() const;
    QList<forms::CommandButton*> jumpButtons() const;

    // ---- field handlers (frmordre_fields.cpp, owned by "fields") ------------------------
    void connectFieldHandlers();
    void txtDev_Change(int index);
    void txtDev_Validate(int index, bool& cancel);
    void txtNbDeci_Change();
    void txtMontant_Change();
    void txtPays_Change(int index);
    void txtPays_LostFocus(int index);
    void txtPays_Validate(int index, bool& cancel);
    void txtRibOY_Validate(bool& cancel);
    void txtRibPL_Validate(bool& cancel);
    void txtIbanBE_LostFocus();
    void cmdDev_Click(int index);
    void cmdPays_Click(int index);
    void cmdModele_Click();
    void cmdSelModele_Click();

    // ---- validation (frmordre_validation.cpp, owned by "validation") ---------------------
    // The checks before the row is written; false refuses the write.
    bool validateOrder();

    // The design sizes of the blocks (twips), top to bottom.
    static constexpr int kDesignHeights[9] = {2295, 2295, 1695, 1695, 2295, 1095, 855, 1095, 1095};

protected:
    void formLoad() override;
    void formQueryUnload(bool& cancel, forms::UnloadMode mode) override;
    void formUnload() override;
    void formResize() override;
    void formActivate() override;
    void formDeactivate() override;
    void formKeyPress(int& keyAscii) override;

private:
    // Recordset events.
    void willChangeRecord(EventReason reason, EventStatus& status, Recordset& rs) override;
    void recordChangeComplete(EventReason reason, const VbError* error, EventStatus status, Recordset& rs) override;
    void datPrimaryRS_WillChangeRecord(EventReason reason, EventStatus& status);
    void datPrimaryRS_RecordChangeComplete(EventReason reason, const VbError* error);

    // Building (frmordre_build.cpp).
    void buildControls();
    void buildHeader();
    void buildSheet();
    void buildBlocks();
    void buildButtons();
    void widenForTheFont();
    void setTabOrder();
    void wireLifeHandlers();
    // A box sized on `maxLength` of the widest character it can hold (see widestTextWidth):
    // `allowed`, or what the window's text filter lets through when empty.
    forms::TextBox* newBox(QWidget* parent, const QString& name, const QString& field, int maxLength, int index = -1,
                           const QString& allowed = QString());
    QLabel* newLabel(QWidget* parent, const QString& caption, QWidget* box);

    bool isNewOrder() const;
    // Step 1 to 8 of the load: geometry, mode rules, pick lists, the recordset.
    void stackFrames();
    void openRecord();
    // A generated order: every input shows its value and takes nothing.
    void showOnly();
    void restartTimer(int interval);

    ConnectionPtr conn_;
    forms::DataBinding* binding_ = nullptr;
    int designWidth_ = 0;
    int lastHeight_ = 0;
    int sheetHeight_ = 0;
    int scrollStep_ = 100;
    double scrollFactor_ = 1.0;
    double scrollTarget_ = 0;
    int lastScrollValue_ = 0;
    // The frames' tops as the load placed them (twips, unscrolled), frmDeco last.
    QList<int> frameTops_;
    // The jump buttons' tops and heights in the map (twips, unrounded).
    QList<double> buttonTops_;
    QList<double> buttonHeights_;
    bool resizing_ = false;
    bool viewOnly_ = false;
};

}  // namespace vorna
