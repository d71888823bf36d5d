#pragma once

#include <QLabel>
#include <QListWidget>
#include <QString>
#include <QStringList>

#include "platform/forms/controls.h"
#include "platform/forms/form.h"

namespace vorna {

// "Ordres à imprimer": the user chooses groups of orders (those still to be generated, and
// those of each past generation, as the main list shows them) and prints them all at once.
class frmImprim : public forms::FormOf<frmImprim> {
    Q_OBJECT
public:
    frmImprim();

    QLabel* lblTitre;
    QListWidget* lstGener;
    forms::CommandButton* OKButton;
    forms::CommandButton* CancelButton;

    void OKButton_Click();
    void CancelButton_Click();

    // The group item of a generation text of the main list ("" for an order still to be
    // generated).
    static QString groupOf(const QString& generationText);
    // The groups of the main list's generation column, top to bottom: one item per run of
    // equal items.
    static QStringList groupsOf(const QStringList& generationTexts);
    // The selection ("Where ...") that reads the orders of the chosen items. A generation
    // covers the seconds of its minute.
    static QString selectionOf(const QStringList& chosenItems);

    static const QString Pending;         // "A générer"
    static const QString GeneratedPrefix;  // "Générés le "

protected:
    void formLoad() override;
};

}  // namespace vorna
