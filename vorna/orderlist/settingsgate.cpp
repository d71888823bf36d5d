#include "orderlist/settingsgate.h"

#include "platform/db/recordset.h"

namespace vorna {

void loadSettingsWindow(const ConnectionPtr&) {}

QString settingsGenerationFolder(const ConnectionPtr& conn) {
    if (!conn) return QString();
    Recordset rs;
    rs.open(QStringLiteral("ParamRef"), conn, CursorType::ForwardOnly, LockType::ReadOnly);
    const QString folder = rs.eof() ? QString() : rs.value(QStringLiteral("reperGener")).toText();
    rs.close();
    return folder;
}

bool checkSettingsAndFocus() { return true; }

void showSettingsWindow() {}

}  // namespace vorna
