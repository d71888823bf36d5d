// The checks of a whole order before its row is written (the recordset's will-change event):
// the window hands a picture of its boxes to judgeOrder and carries out what it decides.
#include <exception>

#include "orderentry/frmordre.h"
#include "orderentry/modrules.h"
#include "orderentry/ordercheck.h"
#include "platform/dialogs.h"
#include "platform/forms/focus.h"
#include "reference/frmlstpays.h"
#include "reference/frmparamref.h"

namespace vorna {

namespace {

const QString kErreur = QStringLiteral("Erreur de saisie");

OrderScreen screenOf(const frmOrdre& f) {
    OrderScreen s;
    s.typeOper = f.optTypeOper->selected();
    // No charges button selected at all is no choice either.
    s.frais = f.optFrais->selected() < 0 ? 3 : f.optFrais->selected();
    s.avisBenef = f.optAvisBenef->selected();
    s.urgent = f.chkUrgent->value() == 1;
    s.refInterne = f.txtRefInterne->text();
    for (size_t i = 0; i < s.dev.size(); ++i) s.dev[i] = f.txtDev[i]->text();
    s.montant = f.txtMontant->text();
    s.nbDeci = f.txtNbDeci->text();
    s.ribOY = f.txtRibOY->text();
    s.ribPL = f.txtRibPL->text();
    for (size_t i = 1; i < s.text.size(); ++i) s.text[i] = f.txtText[i]->text();
    for (size_t i = 0; i < s.pays.size(); ++i) s.pays[i] = f.txtPays[i]->text();
    for (size_t i = 0; i < s.bic.size(); ++i) s.bic[i] = f.txtBic[i]->text();
    s.bqeBE = f.txtBqeBE->text();
    s.ibanBE = f.txtIbanBE->text();
    s.motif1 = f.txtMotif[1]->text();
    s.motif5 = f.txtMotif[5]->text();
    s.avisTel = f.txtAvisTel->text();
    s.avisFax = f.txtAvisFax->text();
    s.montantValue = f.datPrimaryRS->value(QStringLiteral("montant"));
    s.radicalRef = frmParamRef::instance().txtRadicalRef->text();
    return s;
}

// A control of the window by the name the check gives it: "txtRefInterne", "txtPays(3)".
QWidget* controlNamed(const frmOrdre& f, const QString& name) {
    const qsizetype open = name.indexOf(u'(');
    const QString base = open < 0 ? name : name.left(open);
    const int i = open < 0 ? -1 : name.mid(open + 1, name.size() - open - 2).toInt();
    const auto at = [i](const auto& array) -> QWidget* {
        return i >= 0 && size_t(i) < array.size() ? array[size_t(i)] : nullptr;
    };
    if (base == QLatin1String("txtRefInterne")) return f.txtRefInterne;
    if (base == QLatin1String("txtDev")) return at(f.txtDev);
    if (base == QLatin1String("txtMontant")) return f.txtMontant;
    if (base == QLatin1String("txtRibOY")) return f.txtRibOY;
    if (base == QLatin1String("txtRibPL")) return f.txtRibPL;
    if (base == QLatin1String("txtText")) return at(f.txtText);
    if (base == QLatin1String("txtPays")) return at(f.txtPays);
    if (base == QLatin1String("txtBic")) return at(f.txtBic);
    if (base == QLatin1String("txtBqeBE")) return f.txtBqeBE;
    if (base == QLatin1String("txtIbanBE")) return f.txtIbanBE;
    if (base == QLatin1String("txtMotif")) return at(f.txtMotif);
    if (base == QLatin1String("txtAvisTel")) return f.txtAvisTel;
    if (base == QLatin1String("txtAvisFax")) return f.txtAvisFax;
    if (base == QLatin1String("optFrais")) return f.optFrais->button(i);
    if (base == QLatin1String("optAvisBenef")) return f.optAvisBenef->button(i);
    return nullptr;
}

}  // namespace

bool frmOrdre::validateOrder() {
    try {
        OrderLookups lookups;
        lookups.isCountry = [](const QString& code) { return frmLstPays::instance().findPays(code); };
        lookups.isEeaCountry = [](const QString& code) { return isPaysEEE(code); };
        lookups.isDefaultChanged = [this](const QString& column) {
            return vorna::isDefaultChanged(column, *frmParamRef::instance().findInfo(), *datPrimaryRS);
        };
        lookups.ask = [](const OrderMessage& q) { return msgBox(q.text, q.buttons, q.icon, q.title); };
        const OrderVerdict v = judgeOrder(screenOf(*this), lookups);

        // What the checks changed stays in the pending row, even when a later check refuses it.
        if (v.isEuroEEE) isEuroEEE = *v.isEuroEEE;
        if (v.cMontant) datPrimaryRS->setValue(QStringLiteral("cMontant"), Value(*v.cMontant));
        for (const QString& column : v.emptiedColumns) datPrimaryRS->setValue(column, Value(QString()));
        for (const QString& box : v.emptiedBoxes)
            if (auto* t = qobject_cast<forms::TextBox*>(controlNamed(*this, box))) t->setText(QString());
        if (v.accepted) return true;

        if (v.message) msgBox(v.message->text, v.message->buttons, v.message->icon, v.message->title);
        if (QWidget* c = controlNamed(*this, v.focus)) {
            // A field that cannot take the focus (disabled by the mode rules) keeps it where it is.
            if (forms::giveFocus(c) && v.selectText) selectAllText(qobject_cast<QLineEdit*>(c));
        }
    } catch (const VbError& e) {
        // A store never fails in silence: the user learns why, and may store again.
        msgBox(e.description, MsgButtons::OK, MsgIcon::Critical, kErreur);
    } catch (const std::exception& e) {
        msgBox(QString::fromLocal8Bit(e.what()), MsgButtons::OK, MsgIcon::Critical, kErreur);
    }
    // The sheet scrolls to the field that now has the focus.
    lastActiveControl = cmdClose;
    return false;
}

}  // namespace vorna
