#pragma once

#include <QLabel>
#include <QString>
#include <functional>

#include "platform/forms/controls.h"
#include "platform/forms/form.h"

namespace vorna {

// Root keys of the registry, as their handles were numbered.
constexpr quint32 HKEY_CLASSES_ROOT = 0x80000000u;
constexpr quint32 HKEY_CURRENT_USER = 0x80000001u;
constexpr quint32 HKEY_LOCAL_MACHINE = 0x80000002u;
constexpr quint32 HKEY_USERS = 0x80000003u;

// The About box: the program's title, version and date, and the start of the system's
// information program.
class frmAbout : public forms::FormOf<frmAbout> {
public:
    frmAbout();

    QLabel* lblTitle;
    QLabel* lblVersion[2];
    forms::CommandButton* cmdOK;
    forms::CommandButton* cmdSysInfo;

    void cmdOK_Click();
    void cmdSysInfo_Click() { StartSysInfo(); }

    // Starts the system-information program named by the registry, or tells that there is none.
    void StartSysInfo();
    // Reads the value `subKeyRef` of the key `keyName` under `keyRoot` into `keyVal`; false
    // (and an empty keyVal) when it cannot be read.
    static bool GetKeyValue(quint32 keyRoot, const QString& keyName, const QString& subKeyRef, QString& keyVal);

    // Starts a program in a window of its own; false when it could not start. Tests record here.
    static std::function<bool(const QString& program)> StartProgram;

protected:
    void formLoad() override;
    void paintEvent(QPaintEvent* e) override;
};

}  // namespace vorna
