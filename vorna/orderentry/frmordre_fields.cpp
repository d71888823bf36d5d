// The order window's field handlers: focus selection, clipboard filtering, key filters, the
// pick-list buttons and the currency, amount, country and account rules.
// Placeholder until the field handlers land: the boxes work as plain bound boxes; only the
// two template buttons are wired.
#include "orderentry/frmordre.h"

#include "platform/dialogs.h"
#include "platform/forms/focus.h"

namespace vorna {

void frmOrdre::connectFieldHandlers() {
    connect(cmdModele, &QPushButton::clicked, this, [this] { cmdModele_Click(); });
    connect(cmdSelModele, &QPushButton::clicked, this, [this] { cmdSelModele_Click(); });
}

// ---- templates ----------------------------------------------------------------------------

void frmOrdre::cmdModele_Click() {
    if (optFrais->value(3)) {
        msgBox(QStringLiteral("Vous devez définir l'imputation des frais."), MsgButtons::OK, MsgIcon::Critical,
               QStringLiteral("Saisie incomplète"));
        forms::giveFocus(optFrais->button(3));
        return;
    }
    try {
        validateControls();
    } catch (const VbError&) {
        return;  // the field that has the focus refused its value and said why
    }
    if (datPrimaryRS) createTemplate(*datPrimaryRS);
}

void frmOrdre::cmdSelModele_Click() { chooseTemplate(); }

}  // namespace vorna
