#pragma once

#include <QString>

#include "platform/db/connection.h"

namespace vorna {

// Where the main window meets the settings window.

// Loads the settings window, hidden, on the working connection of the start-up.
void loadSettingsWindow(const ConnectionPtr& conn);
// The generation folder as the settings window shows it.
QString settingsGenerationFolder(const ConnectionPtr& conn);
// False while the settings row has never been filled in (its modifiablePL is Null).
bool settingsEntered();
// Runs the settings check; when a setting fails (its message shown), shows the settings window
// with the cursor on that field. True when every setting is sound.
bool checkSettingsAndFocus();
// The "&Paramétrage" command: the settings window, modal (brought forward when already open).
void showSettingsWindow();

}  // namespace vorna
