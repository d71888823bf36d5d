#pragma once

#include <QString>
#include <functional>
#include <optional>

#include "platform/db/recordset.h"  // binding.h needs it whole
#include "platform/dialogs.h"
#include "platform/forms/binding.h"
#include "platform/value.h"

namespace vorna {

// The rules the order window's fields apply on their own while the user types, kept apart
// from the window so that they can be judged on plain texts. The window reads its boxes,
// asks these functions and shows the answer.

// A message of a field check, with the title and icon of its box.
struct FieldMessage {
    QString text;
    QString title;
    MsgIcon icon;
    bool operator==(const FieldMessage&) const = default;
};

namespace fieldmsg {
extern const FieldMessage UnknownCurrency;     // "La Devise est inconnue !!!"
extern const FieldMessage EuroFromOther;       // payment in euro of an order in another currency
extern const FieldMessage UnknownCountry;      // "Le pays est inconnu !!!"
extern const FieldMessage WrongRibKey;         // "Clé RIB incorrecte !!"
extern const FieldMessage ShortAccount;        // "Numéro de compte incorrect"
extern const FieldMessage ChargesNotChosen;    // "Vous devez définir l'imputation des frais."
}  // namespace fieldmsg

// The text without any blank.
QString withoutBlanks(const QString& text);

// ---- Amount

// The amount box's data format before a currency sets one.
extern const QString kDefaultAmountFormat;

// The display format (the bound box's data format) and the edit format (applied when the box
// gets the focus) for a number of decimals "0", "2" or "3"; std::nullopt for any other text.
struct AmountFormats {
    QString display;
    QString edit;
};
std::optional<AmountFormats> amountFormats(const QString& nbDeci);

// The decimal separator the amount box types and shows: the one the key filter writes.
QChar amountSeparator();
// The amount text read as a number, in the form the box shows it: blanks between digit groups
// and the regional separator. std::nullopt when it cannot be read.
std::optional<Decimal> readAmount(const QString& text);
// The number in the regional settings' plain form ("1234,5").
QString plainAmountText(const Decimal& amount);
// How many decimals a number format keeps.
int decimalsOf(const QString& format);
// The text the box holds once it has the focus: the number in the edit format of `nbDeci`,
// without the blanks between digit groups; a number with more decimals than the format keeps
// is written whole, in plain form. Any other text is left as it is.
QString amountEditText(const QString& text, const QString& nbDeci);
// The bound amount box's data format for a display format: a stored amount shows in it, and
// the text is read back as a number (an empty text as Null). An amount the format would
// round shows in plain form.
forms::DataFormat amountDataFormat(const QString& displayFormat);

// An amount with more decimals than its currency takes (`nbDeci`, the number of decimals as
// the hidden box holds it) is never rounded behind the user's back: this message refuses it,
// with the focus on the amount. std::nullopt when it fits, or when the amount or the number of
// decimals is unknown.
std::optional<FieldMessage> judgeAmountDecimals(const std::optional<Decimal>& amount, const QString& nbDeci);

// The most digits an amount holds, decimals included.
constexpr int kMaxAmountDigits = 14;

// The live check of the amount, run on every change of its text. A refused change goes back to
// the last accepted amount (in plain form), with the caret where it was before the last key.
struct AmountVerdict {
    bool accepted = true;
    // The last accepted amount after this change (std::nullopt: empty).
    std::optional<Decimal> lastAccepted;
    // On refusal: the text to put back and where the caret goes.
    QString text;
    int caret = 0;
};
// `text` is the box's new text, `displayFormat` its data format, `nbDeci` the text of the
// number of decimals; `lastAccepted` and `savedCaret` the window's memory of the amount.
AmountVerdict checkAmount(const QString& text, const QString& displayFormat, const QString& nbDeci,
                          const std::optional<Decimal>& lastAccepted, int savedCaret);

// ---- Currencies

// Which of the header's boxes a change of either currency leaves open. The order currency and
// its button are always open; the payment currency and its button once the order currency
// holds text; the amount once both hold text and the number of decimals is known.
struct CurrencyControls {
    bool paymentCurrency;
    bool amount;
};
CurrencyControls currencyControls(const QString& devOrdre, const QString& devPaiement, const QString& nbDeci);

// The number of decimals after a change of the order currency: looked up for a code of exactly
// three characters (empty when the code is unknown, that is when the lookup answers a negative
// number); std::nullopt when it stays as it is.
std::optional<QString> nbDeciAfter(const QString& devOrdre, const std::function<int(const QString&)>& findDevNbDeci);

// What leaving a currency box says, in order: an unknown code, then a payment in euro of an
// order in another currency. Any message keeps the focus in the box.
QList<FieldMessage> judgeCurrency(const QString& boxText, const QString& devOrdre, const QString& devPaiement,
                                  const std::function<bool(const QString&)>& findDev);

// ---- Countries

// The window's flag: an order in euro paid in euro to a beneficiary's bank of the European
// Economic Area. The EEA is asked whatever the currencies, an empty code included.
bool isEuroToEea(const QString& devOrdre, const QString& devPaiement, const QString& paysBqeBE,
               const std::function<bool(const QString&)>& isPaysEEE);

// Leaving the beneficiary's bank country: true when a transfer in euro to a bank of the EEA
// should take shared charges.
bool takesSharedCharges(const QString& devOrdre, const QString& devPaiement, const QString& paysBqeBE,
                        bool isTransfer, const std::function<bool(const QString&)>& isPaysEEE);

// Leaving a country box: the message for a code that the country table lacks.
std::optional<FieldMessage> judgeCountry(const QString& boxText, const std::function<bool(const QString&)>& findPays);

// ---- Accounts

// The ordering customer's account in its groups of 5, 5 and 11 characters, blanks removed;
// an account of more than 21 characters stays as typed.
QString groupedRibOY(const QString& text);
// The ordering institution's account in its groups of 5, 5, 11 and 2 characters (bank,
// branch, account and key), blanks removed.
QString groupedRibPL(const QString& text);

// Leaving the ordering institution's account: the message that refuses it, or the grouped text.
struct RibPLVerdict {
    std::optional<FieldMessage> message;
    QString text;  // when accepted
};
RibPLVerdict judgeRibPL(const QString& text);

// ---- Keys and focus

// The BIC and the beneficiary's identifier: letters, digits, Backspace; Enter and Escape go on
// to the window's buttons; anything else beeps and is dropped.
int keyFilterBic(int key);

// The selection of the internal reference when it gets the focus: what follows the prefix.
struct Selection {
    int start;
    int length;
    bool operator==(const Selection&) const = default;
};
Selection referenceSelection(const QString& text, int startRefInterne);

}  // namespace vorna
