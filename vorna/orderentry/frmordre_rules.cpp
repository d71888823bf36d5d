// The order window's mode rules: which blocks and boxes the operation type, the advice type
// and the settings allow, their colours, and the defaults of a new order.
#include <QGroupBox>
#include <QLabel>

#include "orderentry/frmordre.h"
#include "platform/dialogs.h"
#include "platform/environment.h"
#include "platform/forms/geometry.h"
#include "platform/forms/binding.h"
#include "reference/frmmgrmodeles.h"
#include "reference/frmparamref.h"

namespace vorna {

namespace {

const QColor kDisabledBox = forms::vbColor(0xC0C0C0);
const QColor kBlockOn = forms::vbColor(0xC0FFC0);
const QColor kBlockLocked = forms::vbColor(0xC0C0C0);
const QColor kBlockExcluded = forms::vbColor(0x8080FF);

[[noreturn]] void softwareFault(const QString& text) {
    msgBox(text, MsgButtons::OK, MsgIcon::Critical, QStringLiteral("probleme logiciel"));
    endProgram(1);
}

// The controls a block holds: every control inside its frame, not the bare containers that
// line them up.
QList<QWidget*> controlsOf(QGroupBox* frame) {
    QList<QWidget*> out;
    for (QWidget* w : frame->findChildren<QWidget*>()) {
        if (qobject_cast<forms::TextBox*>(w) || qobject_cast<QAbstractButton*>(w) || qobject_cast<QLabel*>(w))
            out << w;
    }
    return out;
}

void setBlock(QGroupBox* frame, QWidget* button, bool on, const QColor& buttonColour) {
    frame->setEnabled(on);
    forms::setBackColor(button, buttonColour);
    for (QWidget* w : controlsOf(frame)) {
        w->setEnabled(on);
        if (auto* box = qobject_cast<forms::TextBox*>(w)) box->setBackColor(on ? forms::systemWindowColor() : kDisabledBox);
    }
}

}  // namespace

void frmOrdre::enableCtrl(QWidget* control) {
    control->setEnabled(true);
    if (auto* box = qobject_cast<forms::TextBox*>(control)) box->setBackColor(forms::systemWindowColor());
}

void frmOrdre::disableCtrl(QWidget* control) {
    control->setEnabled(false);
    if (auto* box = qobject_cast<forms::TextBox*>(control)) box->setBackColor(kDisabledBox);
}

void frmOrdre::enableBlock(QGroupBox* frame, QWidget* button) { setBlock(frame, button, true, kBlockOn); }

void frmOrdre::disableBlock(QGroupBox* frame, QWidget* button, bool grey) {
    setBlock(frame, button, false, grey ? kBlockLocked : kBlockExcluded);
}

void frmOrdre::adaptMask(int mode) {
    switch (mode) {
    case 0:
    case 2:
        enableBlock(frm56, bt56);
        enableBlock(frm57, bt57);
        enableCtrl(txtIbanBE);
        break;
    case 1:
        disableBlock(frm56, bt56, false);
        disableBlock(frm57, bt57, false);
        disableCtrl(txtIbanBE);
        break;
    case 3:
        enableBlock(frm56, bt56);
        enableBlock(frm57, bt57);
        disableCtrl(txtIbanBE);
        break;
    default: softwareFault(QStringLiteral("Incohérence adaptMask !!!"));
    }
    Recordset* settings = frmParamRef::instance().findInfo();
    auto flag = [settings](const char* column) {
        if (!settings || !settings->isOpen() || settings->eof() || settings->bof()) return false;
        return settings->value(QString::fromLatin1(column)).toBool();
    };
    if (flag("modifiableOY")) enableBlock(frm50, bt50);
    else disableBlock(frm50, bt50, true);
    if (flag("modifiablePL")) enableBlock(frm52, bt52);
    else disableBlock(frm52, bt52, true);
    const bool onRow = settings && settings->isOpen() && !settings->eof() && !settings->bof();
    startRefInterne = onRow ? int(settings->value(QStringLiteral("radicalRef")).toText().size()) : 0;
}

void frmOrdre::adaptInfo(int mode) {
    switch (mode) {
    case 0:
        disableCtrl(txtAvisTel);
        disableCtrl(txtAvisFax);
        break;
    case 1:
        enableCtrl(txtAvisTel);
        disableCtrl(txtAvisFax);
        break;
    case 2:
        disableCtrl(txtAvisTel);
        enableCtrl(txtAvisFax);
        break;
    default: softwareFault(QStringLiteral("Incohérence adaptInfo !!!"));
    }
}

void frmOrdre::addNewOrder() {
    Recordset* rs = datPrimaryRS;
    // What was typed into the current row goes: the new order starts clean.
    if (!rs->eof() && !rs->bof() && rs->editMode() != EditMode::None) rs->cancelUpdate();
    rs->addNew();
}

void frmOrdre::setNewOrderDefaults(Recordset& order) {
    Recordset* settings = frmParamRef::instance().findInfo();
    if (!settings || !settings->isOpen() || settings->eof() || settings->bof()) return;
    for (int i = 0; i < settings->fieldCount(); ++i) {
        const QString name = settings->fieldInfo(i).name;
        const Value v = settings->value(i);
        if (name == QLatin1String("radicalRef")) {
            order.setValue(QStringLiteral("refInterne"), v);
            continue;
        }
        if (name == QLatin1String("residentOY")) continue;
        // Same name, letter case included; what the order has no column for is left out.
        const int target = order.fieldIndex(name);
        if (target < 0 || order.fieldInfo(target).name != name) continue;
        try {
            order.setValue(target, v);
        } catch (const VbError&) {
        }
    }
    const Value sirenOY = settings->value(QStringLiteral("sirenOY"));
    order.setValue(QStringLiteral("sirenDecla"),
                   sirenOY.toText().trimmed().isEmpty() ? settings->value(QStringLiteral("sirenPL")) : sirenOY);
}

void frmOrdre::selectOptionsFromRecord() {
    Recordset* rs = datPrimaryRS;
    if (!rs || !rs->isOpen() || rs->eof() || rs->bof()) return;
    optAvisBenef->setValue(int(rs->value(QStringLiteral("avisBenefType")).toInt()), true);
    optFrais->setValue(int(rs->value(QStringLiteral("frais")).toInt()), true);
    optTypeOper->setValue(int(rs->value(QStringLiteral("typeOper")).toInt()), true);
    optResident->setValue(rs->value(QStringLiteral("residentOY")).toBool() ? 0 : 1, true);
}

void frmOrdre::createTemplate(Recordset& order) {
    try {
        // What the user typed reaches the record before it is copied.
        if (binding_) binding_->flush();
        frmMgrModeles& m = frmMgrModeles::instance();
        m.fromRS = &order;
        m.typeEcran(true);
        m.showModal();
    } catch (const VbError& e) {
        msgBox(e.description, MsgButtons::OK, MsgIcon::Critical, QStringLiteral("Création du modèle"));
    }
}

void frmOrdre::chooseTemplate() {
    try {
        frmMgrModeles& m = frmMgrModeles::instance();
        m.fromRS = datPrimaryRS;
        m.typeEcran(false);
        m.showModal();
    } catch (const VbError& e) {
        msgBox(e.description, MsgButtons::OK, MsgIcon::Critical, QStringLiteral("Création/Sélection d'un modèle"));
    }
    selectOptionsFromRecord();
}

}  // namespace vorna
