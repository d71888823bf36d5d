#include "generation/frmimprim.h"

#include "generation/rptvisuord.h"
#include "orderlist/frmlistordre.h"
#include "platform/dialogs.h"
#include "platform/environment.h"
#include "platform/forms/accessibility.h"
#include "platform/forms/flexgrid.h"
#include "platform/forms/geometry.h"
#include "platform/session.h"
#include "platform/text/format.h"
#include "platform/value.h"
#include "platform/vberror.h"

namespace vorna {

const QString frmImprim::Pending = QStringLiteral("A générer");
const QString frmImprim::GeneratedPrefix = QStringLiteral("Générés le ");

frmImprim::frmImprim() {
    setObjectName(QStringLiteral("frmImprim"));
    setWindowTitle(QStringLiteral("Ordres à imprimer"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    lblTitre = new QLabel(QStringLiteral("Imprimer tous les ordres :"), this);
    lblTitre->setObjectName(QStringLiteral("lblTitre"));
    lstGener = new QListWidget(this);
    lstGener->setObjectName(QStringLiteral("lstGener"));
    lstGener->setSelectionMode(QAbstractItemView::MultiSelection);
    forms::labelFor(lblTitre, lstGener);  // a list is not named from a buddy by Qt
    OKButton = new forms::CommandButton(QStringLiteral("&Imprimer"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    CancelButton = new forms::CommandButton(QStringLiteral("&Annuler"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    setDefaultButton(OKButton);
    setCancelButton(CancelButton);

    forms::moveTwips(lblTitre, 240, 180, 3600, 285);
    forms::moveTwips(lstGener, 240, 480, 3600, 2400);
    forms::moveTwips(OKButton, 4080, 480, 1335, 375);
    forms::moveTwips(CancelButton, 4080, 960, 1335, 375);
    resize(toPixels(5700), toPixels(3180));

    connect(OKButton, &QPushButton::clicked, this, [this] {
        // A print that fails is told here rather than lost in the event loop.
        try {
            OKButton_Click();
        } catch (const VbError& e) {
            msgBox(QString::number(e.number) + QStringLiteral(" : ") + e.description, MsgButtons::OK, MsgIcon::Critical,
                   QStringLiteral("Visualisation impossible"));
        }
    });
    connect(CancelButton, &QPushButton::clicked, this, [this] { CancelButton_Click(); });
}

QString frmImprim::groupOf(const QString& generationText) {
    return generationText.isEmpty() ? Pending : GeneratedPrefix + generationText;
}

QStringList frmImprim::groupsOf(const QStringList& generationTexts) {
    QStringList out;
    QString previous;
    for (qsizetype i = 0; i < generationTexts.size(); ++i) {
        const QString item = groupOf(generationTexts[i]);
        if (i == 0 || item != previous) out << item;
        previous = item;
    }
    return out;
}

QString frmImprim::selectionOf(const QStringList& chosenItems) {
    QString selection = QStringLiteral("Where ");
    bool first = true;
    for (const QString& item : chosenItems) {
        if (!first) selection += QStringLiteral(" OR ");
        first = false;
        if (item == Pending) {
            selection += QStringLiteral("genere = false");
            continue;
        }
        // The date as the list shows it, day first; the database reads it month first.
        const QString text = item.mid(10).trimmed();
        const QDateTime when = Value(text).toDateTime();
        if (!when.isValid()) throw VbError(13, QStringLiteral("Vorna"), QStringLiteral("Incompatibilité de type"));
        const QString minute = formatDate(when, QStringLiteral("mm/dd/YYYY HH:MM"));
        selection += QStringLiteral("( dateGener >= #") + minute + QStringLiteral("#  and") + QStringLiteral(" dateGener <= #") +
                     minute + QStringLiteral(":59# ) ");
    }
    return selection;
}

void frmImprim::formLoad() {
    lstGener->clear();
    const auto* main = qobject_cast<const frmListOrdre*>(Session::current().mainWindow.data());
    if (main && !main->MSHFlexGrid1->isHidden()) {
        // Each run of the generation column, read once: the same groups as row by row.
        lstGener->addItems(groupsOf(main->generationRuns()));
    } else {
        OKButton->setEnabled(false);
    }
    const QRect area = Screen::workArea();
    moveTwips(area.left() + 500, area.top() + 500, widthTwips(), heightTwips());
    // The list shows its first row as the current one: that row is chosen too, so that what
    // looks chosen is what prints.
    if (lstGener->count() > 0) lstGener->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
}

void frmImprim::OKButton_Click() {
    QStringList chosen;
    for (int i = 0; i < lstGener->count(); ++i)
        if (lstGener->item(i)->isSelected()) chosen << lstGener->item(i)->text();
    if (chosen.isEmpty()) {
        msgBox(QStringLiteral("Vous devez sélectionner au moins un groupe d'ordres"), MsgButtons::OK, MsgIcon::Information,
               QStringLiteral("Aucun ordre à imprimer"));
        return;
    }
    const QString selection = selectionOf(chosen);
    showVisuOrd(Session::current().dfwConn, selection, rptVisuOrd().placement());
    CancelButton_Click();
}

void frmImprim::CancelButton_Click() { unload(); }

}  // namespace vorna
