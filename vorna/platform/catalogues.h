#pragma once

namespace vorna {

// Loads Qt's own French catalogues (Debian's qt6-translations-l10n), so that the words Qt
// writes itself (the standard buttons, the folder picker, the print dialog) are French.
// Call once the application exists; false when no catalogue was found.
bool installFrenchCatalogues();

}  // namespace vorna
