#include "orderlist/settingsgate.h"

#include "reference/frmparamref.h"
#include "reference/settingscheck.h"

namespace vorna {

void loadSettingsWindow(const ConnectionPtr& conn) { frmParamRef::loadInfo(conn); }

QString settingsGenerationFolder(const ConnectionPtr& conn) {
    // Read from the box, unsaved edits included; a window unloaded by a save is loaded again
    // (during the start-up, on the start-up's connection).
    if (!frmParamRef::isLoaded()) frmParamRef::loadInfo(conn);
    return frmParamRef::instance().txtReperGener->text();
}

bool settingsEntered() {
    const Recordset* row = frmParamRef::instance().findInfo();
    return row && !row->value(QStringLiteral("modifiablePL")).isNull();
}

bool checkSettingsAndFocus() {
    const QString failing = checkSettings();
    if (failing.isEmpty()) return true;
    frmParamRef& f = frmParamRef::instance();
    f.show();
    f.raise();
    f.activateWindow();
    focusSetting(failing);
    return false;
}

void showSettingsWindow() {
    frmParamRef& f = frmParamRef::instance();
    // Already open (the settings check shows it too): brought forward rather than shown again.
    if (f.isVisible()) {
        f.raise();
        f.activateWindow();
        return;
    }
    f.showModal();
}

}  // namespace vorna
