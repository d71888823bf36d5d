// The order window's field handlers: focus selection, clipboard filtering, key filters, the
// pick-list buttons and the currency, amount, country and account rules. The rules themselves
// live in fieldrules.h; here they meet the window's boxes.
#include "orderentry/frmordre.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QRadioButton>

#include "orderentry/fieldrules.h"
#include "orderentry/modrules.h"
#include "platform/dialogs.h"
#include "platform/forms/binding.h"
#include "platform/forms/focus.h"
#include "reference/frmlstcodesecono.h"
#include "reference/frmlstdev.h"
#include "reference/frmlstpays.h"

namespace vorna {

namespace {

// The amount box keeps its display format with it: the amount check reads it back.
const char* const kAmountFormat = "vornaAmountFormat";

QString amountFormatOf(const forms::TextBox* box) {
    const QVariant v = box->property(kAmountFormat);
    return v.isValid() ? v.toString() : kDefaultAmountFormat;
}

void setAmountFormat(forms::TextBox* box, const QString& format) {
    box->setProperty(kAmountFormat, format);
    forms::setDataFormat(box, amountDataFormat(format));
}

void showMessage(const FieldMessage& m) { msgBox(m.text, MsgButtons::OK, m.icon, m.title); }

// A lookup in the reference database that fails (a missing or locked file) is shown; the
// handler then ends as if the code were unknown.
void reportUnexpected(const VbError& e) {
    msgBox(e.source + QStringLiteral(" : ") + e.description, MsgButtons::OK, MsgIcon::Critical,
           QStringLiteral("Erreur : ") + QString::number(e.number));
}

bool findDev(const QString& code) {
    try {
        return frmLstDev::instance().findDev(code);
    } catch (const VbError& e) {
        reportUnexpected(e);
        return false;
    }
}

int findDevNbDeci(const QString& code) {
    try {
        return frmLstDev::instance().findDevNbDeci(code);
    } catch (const VbError& e) {
        reportUnexpected(e);
        return -1;
    }
}

bool findPays(const QString& code) {
    try {
        return frmLstPays::instance().findPays(code);
    } catch (const VbError& e) {
        reportUnexpected(e);
        return false;
    }
}

bool isEea(const QString& code) {
    try {
        return isPaysEEE(code);
    } catch (const VbError& e) {
        reportUnexpected(e);
        return false;
    }
}

std::optional<Decimal> amountOf(const Value& v) {
    if (v.isEmpty() || v.isNull()) return std::nullopt;
    return v.toDecimal();
}

// The caret as the old SelStart gave it: the start of the selection, if any.
int caretOf(const QLineEdit* box) { return box->hasSelectedText() ? box->selectionStart() : box->cursorPosition(); }

// A line edit entered by Tab selects its whole text unless something is selected already. The
// reference's own selection may be empty (a reference that is only its prefix): the box then
// hears of the focus as if it came by code, which keeps the caret after the prefix.
class KeepSelectionOnTab : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() != QEvent::FocusIn) return false;
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(e)->reason();
        if (reason != Qt::TabFocusReason && reason != Qt::BacktabFocusReason) return false;
        QFocusEvent byCode(QEvent::FocusIn, Qt::OtherFocusReason);
        QCoreApplication::sendEvent(o, &byCode);
        return true;
    }
};

void selectAllOnFocus(forms::TextBox* box) {
    box->gotFocus = [box] { selectAllText(box); };
}

}  // namespace

void frmOrdre::connectFieldHandlers() {
    // Boxes that select their whole text on focus and filter the clipboard as text.
    QList<forms::TextBox*> plain{txtDev[0], txtDev[1], txtBqeBE, txtIbanBE, txtAvisTel, txtAvisFax};
    for (size_t i = 1; i < txtText.size(); ++i) plain << txtText[i];
    for (forms::TextBox* b : txtPays) plain << b;
    for (forms::TextBox* b : txtBic) plain << b;
    for (size_t i = 1; i < txtMotif.size(); ++i) plain << txtMotif[i];
    for (forms::TextBox* b : std::as_const(plain)) {
        selectAllOnFocus(b);
        setClipboardKind(b, 0);
    }

    // The internal reference: what follows the settings' prefix is selected.
    txtRefInterne->gotFocus = [this] {
        const Selection s = referenceSelection(txtRefInterne->text(), startRefInterne);
        txtRefInterne->setSelection(s.start, s.length);
    };
    txtRefInterne->installEventFilter(new KeepSelectionOnTab(txtRefInterne));
    setClipboardKind(txtRefInterne, 0);
    setKeyFilter(txtRefInterne, keyFilterReference);

    // The accounts lose their group blanks while they are edited.
    for (forms::TextBox* b : {txtRibOY, txtRibPL}) {
        b->gotFocus = [b] {
            b->setText(withoutBlanks(b->text()));
            selectAllText(b);
        };
        setClipboardKind(b, 1);
    }
    setKeyFilter(txtRibPL, keyFilterAlnum);
    txtRibOY->validate = [this](bool& cancel) { txtRibOY_Validate(cancel); };
    txtRibPL->validate = [this](bool& cancel) { txtRibPL_Validate(cancel); };

    // The amount: edited without its group blanks, checked at every change.
    setAmountFormat(txtMontant, kDefaultAmountFormat);
    txtMontant->gotFocus = [this] {
        txtMontant->setText(amountEditText(txtMontant->text(), txtNbDeci->text()));
        selectAllText(txtMontant);
    };
    txtMontant->keyPress = [this](int& key) {
        savedCaretPosition = caretOf(txtMontant);
        key = keyFilterAmount(key);
    };
    setClipboardKind(txtMontant, 2);
    txtMontant->change = [this] { txtMontant_Change(); };
    txtNbDeci->change = [this] { txtNbDeci_Change(); };

    for (forms::TextBox* b : txtBic) setKeyFilter(b, keyFilterBic);
    setKeyFilter(txtIbanBE, keyFilterBic);
    txtIbanBE->lostFocus = [this] { txtIbanBE_LostFocus(); };
    for (size_t i = 1; i < txtMotif.size(); ++i) setKeyFilter(txtMotif[i], keyFilterNoSlash);
    setKeyFilter(txtAvisTel, keyFilterNoSlash);
    setKeyFilter(txtAvisFax, keyFilterNoSlash);

    for (int i = 0; i < int(txtDev.size()); ++i) {
        txtDev[size_t(i)]->change = [this, i] { txtDev_Change(i); };
        txtDev[size_t(i)]->validate = [this, i](bool& cancel) { txtDev_Validate(i, cancel); };
        connect(cmdDev[size_t(i)], &QPushButton::clicked, this, [this, i] { cmdDev_Click(i); });
    }
    for (int i = 0; i < int(txtPays.size()); ++i) {
        txtPays[size_t(i)]->change = [this, i] { txtPays_Change(i); };
        txtPays[size_t(i)]->lostFocus = [this, i] { txtPays_LostFocus(i); };
        txtPays[size_t(i)]->validate = [this, i](bool& cancel) { txtPays_Validate(i, cancel); };
        connect(cmdPays[size_t(i)], &QPushButton::clicked, this, [this, i] { cmdPays_Click(i); });
    }
    connect(cmdModele, &QPushButton::clicked, this, [this] { cmdModele_Click(); });
    connect(cmdSelModele, &QPushButton::clicked, this, [this] { cmdSelModele_Click(); });
}

// ---- currencies and amount ---------------------------------------------------------------

void frmOrdre::txtDev_Change(int) {
    enableCtrl(txtDev[0]);
    enableCtrl(cmdDev[0]);
    // The number of decimals first: its change sets the amount's format or closes the amount.
    if (const std::optional<QString> n = nbDeciAfter(txtDev[0]->text(), findDevNbDeci)) txtNbDeci->setText(*n);
    // The amount opens only once both currencies and the number of decimals are known.
    const CurrencyControls open = currencyControls(txtDev[0]->text(), txtDev[1]->text(), txtNbDeci->text());
    if (open.paymentCurrency) {
        enableCtrl(txtDev[1]);
        cmdDev[1]->setEnabled(true);
    } else {
        disableCtrl(txtDev[1]);
        cmdDev[1]->setEnabled(false);
    }
    if (open.amount)
        enableCtrl(txtMontant);
    else
        disableCtrl(txtMontant);
}

void frmOrdre::txtDev_Validate(int index, bool& cancel) {
    const QList<FieldMessage> messages =
        judgeCurrency(txtDev[size_t(index)]->text(), txtDev[0]->text(), txtDev[1]->text(), findDev);
    for (const FieldMessage& m : messages) showMessage(m);
    if (!messages.isEmpty()) cancel = true;
}

void frmOrdre::txtNbDeci_Change() {
    const QString n = txtNbDeci->text();
    if (n.isEmpty()) {
        disableCtrl(txtMontant);
        return;
    }
    if (const std::optional<AmountFormats> f = amountFormats(n)) setAmountFormat(txtMontant, f->display);
    // A currency the user changes (typed, or chosen in its list) may take fewer decimals than the
    // amount holds: the amount is refused as a typed extra decimal is, and the user corrects it.
    // The record's own values, shown when the window loads or a new order starts, are judged
    // when the order is stored.
    if (activeControl() != txtDev[0]) return;
    if (const std::optional<FieldMessage> m = judgeAmountDecimals(readAmount(txtMontant->text()), n)) {
        showMessage(*m);
        forms::giveFocus(txtMontant);
    }
}

void frmOrdre::txtMontant_Change() {
    const AmountVerdict v = checkAmount(txtMontant->text(), amountFormatOf(txtMontant), txtNbDeci->text(),
                                        amountOf(lastAcceptedAmount), savedCaretPosition);
    if (v.accepted) {
        lastAcceptedAmount = v.lastAccepted ? Value(*v.lastAccepted) : Value();
        return;
    }
    // Only what the user types or pastes is refused: an amount the record brings (shown before
    // its currency's format is known, or with more decimals than the currency takes) is kept,
    // since putting it back would empty the stored amount.
    if (activeControl() != txtMontant) {
        const std::optional<Decimal> shown = readAmount(txtMontant->text());
        lastAcceptedAmount = shown ? Value(*shown) : Value();
        return;
    }
    beep();
    // Putting the text back runs this check again, on an amount it accepted before.
    txtMontant->setText(v.text);
    txtMontant->setCursorPosition(v.caret);
}

// ---- countries ----------------------------------------------------------------------------

void frmOrdre::txtPays_Change(int) {
    isEuroEEE = isEuroToEea(txtDev[0]->text(), txtDev[1]->text(), txtPays[3]->text(), isEea);
}

void frmOrdre::txtPays_LostFocus(int index) {
    if (index != 3) return;
    if (takesSharedCharges(txtDev[0]->text(), txtDev[1]->text(), txtPays[3]->text(), optTypeOper->value(0), isEea))
        optFrais->setValue(2, true);  // its click writes the charges into the order
}

void frmOrdre::txtPays_Validate(int index, bool& cancel) {
    if (const std::optional<FieldMessage> m = judgeCountry(txtPays[size_t(index)]->text(), findPays)) {
        showMessage(*m);
        cancel = true;
    }
}

// ---- accounts -----------------------------------------------------------------------------

void frmOrdre::txtRibOY_Validate(bool&) { txtRibOY->setText(groupedRibOY(txtRibOY->text())); }

void frmOrdre::txtRibPL_Validate(bool& cancel) {
    const RibPLVerdict v = judgeRibPL(txtRibPL->text());
    if (!v.message) {
        txtRibPL->setText(v.text);
        return;
    }
    showMessage(*v.message);
    cancel = true;
    if (*v.message == fieldmsg::ShortAccount) selectAllText(txtRibPL);
}

void frmOrdre::txtIbanBE_LostFocus() { txtIbanBE->setText(withoutBlanks(txtIbanBE->text())); }

// ---- pick lists ---------------------------------------------------------------------------

namespace {

// The pick-list protocol: the list opens on the box's code; what it answers (the chosen code,
// or the box's own after "&Annuler") goes back into the box and the record.
template <class List>
void pickInto(List& list, bool (List::*find)(const QString&), forms::TextBox* box, Recordset* rs) {
    const QString code = box->text();
    list.txtCtrl = code;
    (list.*find)(code);
    list.showModal();
    forms::giveFocus(box);
    box->setText(list.txtCtrl);
    if (rs && rs->isOpen() && !rs->eof() && !rs->bof()) rs->setValue(box->dataField(), list.txtCtrl);
}

}  // namespace

void frmOrdre::cmdDev_Click(int index) {
    try {
        pickInto(frmLstDev::instance(), &frmLstDev::findDev, txtDev[size_t(index)], datPrimaryRS);
    } catch (const VbError& e) {
        reportUnexpected(e);
    }
}

void frmOrdre::cmdPays_Click(int index) {
    try {
        pickInto(frmLstPays::instance(), &frmLstPays::findPays, txtPays[size_t(index)], datPrimaryRS);
    } catch (const VbError& e) {
        reportUnexpected(e);
    }
}

// ---- templates ----------------------------------------------------------------------------

void frmOrdre::cmdModele_Click() {
    if (optFrais->value(3)) {
        showMessage(fieldmsg::ChargesNotChosen);
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

void frmOrdre::cmdSelModele_Click() {
    // The template window, in select mode, copies the chosen template into the order; the
    // option groups then show what it wrote.
    chooseTemplate();
}

}  // namespace vorna
