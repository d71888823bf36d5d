#pragma once

#include <QList>
#include <QString>
#include <memory>

#include "platform/db/connection.h"
#include "platform/forms/controls.h"
#include "platform/forms/flexgrid.h"
#include "platform/forms/form.h"

namespace vorna {

class Recordset;

// What tells the three pick lists apart.
struct PickListDesign {
    QString objectName;
    QString caption;
    QString query;
    QList<int> colWidths;  // twips, one per column of the query (0 hides a column)
    bool stretchGrid;      // the grid follows the window's size
    int width, height;     // the window's inner size at design, twips
};

// The body the three pick lists share: a grid of one reference table, read once per run on a
// connection of its own, the find that selects a code, and the two buttons.
class PickList {
public:
    PickList(forms::Form& window, const PickListDesign& design, QString& txtCtrl);
    PickList(const PickList&) = delete;
    PickList& operator=(const PickList&) = delete;
    ~PickList();

    forms::FlexGrid* grid;
    forms::CommandButton* cmdSelect;
    forms::CommandButton* cmdClose;

    // Form_Load: opens the reference database with the main window's connParamVorna, reads
    // the table into the grid, formats it and places the window near the main window.
    void load();
    // Form_Resize.
    void resize();
    // Reads the table again (after an edit of the reference tables).
    void reread();
    // The find functions: selects the row whose code is exactly `code` and answers true; else
    // selects the first row and answers false.
    bool find(const QString& code);
    // cmdSelect_Click and the grid's double click: the code of the current row into txtCtrl,
    // then hidden.
    void choose();
    // cmdClose_Click: hidden; txtCtrl keeps the caller's code.
    void cancel();
    // The close box hides the list as "&Annuler" does; the program's own unload goes on.
    void queryUnload(bool& cancel, forms::UnloadMode mode);

private:
    void fillGrid();

    forms::Form& window_;
    PickListDesign design_;
    QString& txtCtrl_;
    ConnectionPtr conn_;
    std::unique_ptr<Recordset> rs_;
};

// A pick list window: frmLstPays, frmLstDev and frmLstCodesEcono derive from it.
//
// Calling protocol for a choice:
//   auto& l = frmLstPays::instance();   // loaded (its table read) on first use
//   l.txtCtrl = field->text();
//   l.findPays(field->text());          // opens on that code's row, or on the first row
//   l.showModal();                      // returns once the list is hidden
//   field->setText(l.txtCtrl);          // the chosen code, or the caller's own after Annuler
// For a check, call the find function alone (the grid's selection moves).
template <class T>
class PickListForm : public forms::FormOf<T> {
public:
    // The code exchanged with the caller.
    QString txtCtrl;
    forms::FlexGrid* MSHFlexGrid1;
    forms::CommandButton* cmdSelect;
    forms::CommandButton* cmdClose;

    void cmdSelect_Click() { list_.choose(); }
    void cmdClose_Click() { list_.cancel(); }

protected:
    explicit PickListForm(const PickListDesign& design)
        : MSHFlexGrid1(nullptr), cmdSelect(nullptr), cmdClose(nullptr), list_(*this, design, txtCtrl) {
        MSHFlexGrid1 = list_.grid;
        cmdSelect = list_.cmdSelect;
        cmdClose = list_.cmdClose;
    }

    void formLoad() override { list_.load(); }
    void formResize() override { list_.resize(); }
    void formQueryUnload(bool& cancel, forms::UnloadMode mode) override { list_.queryUnload(cancel, mode); }

    bool findCode(const QString& code) { return list_.find(code); }

public:
    // Reads the table again: what the reference editors changed shows without a restart.
    void reread() { list_.reread(); }

private:
    PickList list_;
};

// Makes every loaded pick list read its table again; the reference editors call it after each
// change they store.
void rereadPickLists();

}  // namespace vorna
