#include "orderlist/frmlistordre.h"

#include <QDir>

#include "orderlist/settingsgate.h"
#include "platform/environment.h"

namespace vorna {

const QString frmListOrdre::Caption = QStringLiteral("Ostravelia des virements");

namespace {
// Design size of the window, fitted into the work area at start-up.
constexpr int kDesignWidth = 12000;
constexpr int kDesignHeight = 8000;
}  // namespace

frmListOrdre::frmListOrdre() {
    setObjectName(QStringLiteral("frmListOrdre"));
    setWindowTitle(Caption);
    resize(toPixels(kDesignWidth), toPixels(kDesignHeight));
}

void frmListOrdre::formLoad() {
    loaded_ = false;
    startFolder_ = QDir::currentPath();

    Startup::Hooks hooks;
    const Startup* running = nullptr;
    hooks.loadSettings = [](const ConnectionPtr& conn) { loadSettingsWindow(conn); };
    hooks.generationFolder = [&running] { return settingsGenerationFolder(running->state().dfwConn); };
    Startup startup(startFolder_, hooks);
    running = &startup;
    if (!startup.run()) endProgram(1);

    const StartupState& s = startup.state();
    workingPath_ = s.workingPath;
    connVorna = s.connVorna;
    connParamVorna = s.connParamVorna;
    workingConnString_ = s.workingConnString;
    listQuery_ = s.listQuery;
    dfwConn = s.dfwConn;

    try {
        // Fit the window into the work area, at its top-left corner.
        const QRect area = Screen::workArea();
        moveTwips(area.left(), area.top(), minInt(widthTwips(), area.width()), minInt(heightTwips(), area.height()));
        misEnForme(true);
    } catch (const VbError& e) {
        Startup::reportFatal(e.number, e.source, e.description);
        endProgram(1);
    }
    loaded_ = true;
}

void frmListOrdre::misEnForme(bool initConn) {
    if (initConn) dfwConn = openConnection(workingConnString_);
}

}  // namespace vorna
