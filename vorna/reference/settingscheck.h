#pragma once

#include <QList>
#include <QString>
#include <array>
#include <functional>

namespace vorna {

// The settings as the settings window shows them: what the settings check judges.
struct SettingsScreen {
    bool cft = false;           // OptCft(0)
    bool vpn = false;           // OptVpn(1)
    QString part;               // Txtpart
    QString ribOY;              // txtRibOY
    std::array<QString, 11> text;  // txtText(1) to txtText(10); element 0 unused
    QString paysOY;             // txtPays(0)
    QString sirenCustomer;      // txtSirenPL, bound to sirenOY
    QString ribPL;              // txtRibPL
    QString paysPL;             // txtPays(1)
    QString sirenInstitution;   // txtSirenOY, bound to sirenPL
    QString reperGener;         // txtReperGener
};

struct SettingsMessage {
    QString text;
    QString title;
};

// What the check finds: the name of the first failing setting ("" when all are sound) and the
// messages to show, in order (several only for an absent customer whose fields are filled).
struct SettingsVerdict {
    QString name;
    QList<SettingsMessage> messages;
};

// The settings rules, in their fixed order. `isCountry` answers whether a code is in the
// country list (the check stops before asking when an earlier rule fails).
SettingsVerdict judgeSettings(const SettingsScreen& s, const std::function<bool(const QString&)>& isCountry);

// The settings check: judges the settings window as it stands (loading it when it is not
// loaded), shows each message (exclamation icon, OK) and answers the failing setting's name:
// "Transfert", "PartCft", "OYRib", "OYAdresse", "OYPays", "PLRib", "PLAdresse", "PLPays",
// "Repertoire", "SirenEDO", "SirenCDO", or "" when every setting is sound. Stores nothing.
QString checkSettings();

// Puts the cursor, with the whole text selected, in the settings window's field of a setting
// named by checkSettings. "Transfert" and any other name do nothing. The window must be shown.
void focusSetting(const QString& setting);

}  // namespace vorna
