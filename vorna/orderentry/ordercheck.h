#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>

#include "platform/dialogs.h"
#include "platform/value.h"

namespace vorna {

// Operation types, as the option buttons of optTypeOper number them.
namespace operation {
constexpr int Transfert = 0;
constexpr int Cheque = 1;
constexpr int Reglement = 2;
constexpr int MiseADisposition = 3;
}  // namespace operation

// The order window as the check reads it: the texts of its boxes, the options chosen, and the
// two values of the pending row that the boxes do not hold as texts.
struct OrderScreen {
    int typeOper = operation::Transfert;  // the selected optTypeOper
    int frais = 3;                        // the selected optFrais; 3 is "none chosen"
    int avisBenef = 0;                    // the selected optAvisBenef: 0 normal, 1 telephone, 2 fax
    bool urgent = false;                  // chkUrgent

    QString refInterne;                   // txtRefInterne
    std::array<QString, 2> dev;           // txtDev(0) order currency, txtDev(1) payment currency
    QString montant;                      // txtMontant
    QString nbDeci;                       // txtNbDeci (hidden)
    QString ribOY;                        // txtRibOY
    QString ribPL;                        // txtRibPL
    std::array<QString, 23> text;         // txtText(1) to txtText(22); element 0 unused
    std::array<QString, 6> pays;          // txtPays(0) to txtPays(5)
    std::array<QString, 2> bic;           // txtBic(0) intermediary bank, txtBic(1) beneficiary's bank
    QString bqeBE;                        // txtBqeBE
    QString ibanBE;                       // txtIbanBE
    QString motif1;                       // txtMotif(1)
    QString motif5;                       // txtMotif(5), the advice to the beneficiary
    QString avisTel;                      // txtAvisTel
    QString avisFax;                      // txtAvisFax

    Value montantValue;                   // the row's montant, which cMontant shows
    QString radicalRef;                   // the settings window's txtRadicalRef, as it stands
};

// One message box: its text (line breaks CR LF), title, buttons and icon.
struct OrderMessage {
    QString text;
    QString title;
    MsgButtons buttons = MsgButtons::OK;
    MsgIcon icon = MsgIcon::None;
};

// What the check needs from outside the window.
struct OrderLookups {
    // The country list (findPays of the country pick list).
    std::function<bool(const QString& code)> isCountry;
    // The European Economic Area (isPaysEEE).
    std::function<bool(const QString& code)> isEeaCountry;
    // isDefaultChanged of a column, between the settings row and the pending order row.
    std::function<bool(const QString& column)> isDefaultChanged;
    // Asks a question (Yes/No warnings, OK/Cancel before emptying columns) and answers the
    // button chosen.
    std::function<MsgAnswer(const OrderMessage& question)> ask;
};

// What the check decides. The changes (emptied columns, cMontant, isEuroEEE) hold whether or
// not the order is accepted: a later refusal leaves them in the pending row.
struct OrderVerdict {
    bool accepted = false;
    // The blocking message to show, when a check refuses the order without having asked.
    std::optional<OrderMessage> message;
    // The control to focus after it, by its name in the window ("txtPays(3)", "optFrais(2)"),
    // or "" for none.
    QString focus;
    // The focused box's whole text is selected (a wrong IBAN key).
    bool selectText = false;
    // Columns of the row to empty, in the order the user agreed to it.
    QStringList emptiedColumns;
    // Boxes whose text is emptied (the advice texts, after a No).
    QStringList emptiedBoxes;
    // The amount's display text for the row, when the number of decimals gives one.
    std::optional<QString> cMontant;
    // The window's new isEuroEEE, when the check recomputed it.
    std::optional<bool> isEuroEEE;
};

// The checks of an order before it is stored, in their fixed order; the first that fails
// ends the run. Texts are compared as they stand, case-sensitively.
OrderVerdict judgeOrder(const OrderScreen& screen, const OrderLookups& lookups);

// The amount's display text for a number of decimals of 0, 2 or 3 (blanks between digit
// groups, the regional decimal sign); std::nullopt for any other number of decimals.
std::optional<QString> amountDisplayText(const Value& montant, const QString& nbDeci);

}  // namespace vorna
