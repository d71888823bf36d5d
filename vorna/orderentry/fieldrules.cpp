#include "orderentry/fieldrules.h"

#include <algorithm>

#include "orderentry/modrules.h"
#include "orderentry/modtp.h"
#include "platform/text/ansi.h"
#include "platform/text/blanks.h"
#include "platform/text/format.h"

namespace vorna {

namespace {

const QString kInputError = QStringLiteral("Erreur de saisie");

FieldMessage inputError(const QString& text) { return {text, kInputError, MsgIcon::Exclamation}; }

const QString kEuro = QStringLiteral("EUR");

}  // namespace

namespace fieldmsg {
const FieldMessage UnknownCurrency = inputError(QStringLiteral("La Devise est inconnue !!!"));
const FieldMessage EuroFromOther =
    inputError(QStringLiteral("L'application KESTO ne permet pas ce virement ! ") + QChar(13) +
               QStringLiteral("Pour ce type d'opération, veuillez contacter votre teneur de compte !!!"));
const FieldMessage UnknownCountry = inputError(QStringLiteral("Le pays est inconnu !!!"));
const FieldMessage WrongRibKey = inputError(QStringLiteral("Clé RIB incorrecte !!"));
const FieldMessage ShortAccount = inputError(QStringLiteral("Numéro de compte incorrect"));
const FieldMessage ChargesNotChosen = {QStringLiteral("Vous devez définir l'imputation des frais."),
                                       QStringLiteral("Saisie incomplète"), MsgIcon::Critical};
}  // namespace fieldmsg

QString withoutBlanks(const QString& text) {
    QString s = text;
    return s.remove(u' ');
}

// ---- Amount

const QString kDefaultAmountFormat = QStringLiteral("# ##0");

std::optional<AmountFormats> amountFormats(const QString& nbDeci) {
    if (nbDeci == u"0") return AmountFormats{QStringLiteral("## ### ### ### ##0"), QStringLiteral("0")};
    if (nbDeci == u"2") return AmountFormats{QStringLiteral("### ### ### ##0.00"), QStringLiteral("##0.00")};
    if (nbDeci == u"3") return AmountFormats{QStringLiteral("## ### ### ##0.000"), QStringLiteral("##0.000")};
    return std::nullopt;
}

QChar amountSeparator() { return DecimalSeparatorIsPoint ? u'.' : u','; }

std::optional<Decimal> readAmount(const QString& text) { return readRegionalNumber(text, amountSeparator()); }

QString plainAmountText(const Decimal& amount) {
    QString s = amount.toString();
    if (s.contains(u'.')) {
        while (s.endsWith(u'0')) s.chop(1);
        if (s.endsWith(u'.')) s.chop(1);
    }
    return s.replace(u'.', amountSeparator());
}

int decimalsOf(const QString& format) {
    const qsizetype point = format.indexOf(u'.');
    if (point < 0) return 0;
    int n = 0;
    for (qsizetype i = point + 1; i < format.size(); ++i)
        if (format[i] == u'#' || format[i] == u'0') ++n;
    return n;
}

QString amountEditText(const QString& text, const QString& nbDeci) {
    const std::optional<AmountFormats> formats = amountFormats(nbDeci);
    if (!formats) return text;
    const std::optional<Decimal> x = readAmount(text);
    if (!x) return text;
    // The amount keeps every decimal it holds: rounding it here would change it in silence.
    if (x->rescaled(decimalsOf(formats->edit)) != *x) return plainAmountText(*x);
    return formatNumber(*x, formats->edit, amountSeparator());
}

std::optional<FieldMessage> judgeAmountDecimals(const std::optional<Decimal>& amount, const QString& nbDeci) {
    bool read = false;
    const int decimals = trimBlanks(nbDeci).toInt(&read);
    if (!amount || !read || decimals < 0 || amount->rescaled(decimals) == *amount) return std::nullopt;
    return inputError(QStringLiteral("Le montant ne peut avoir plus de %1 décimale(s) dans cette devise !").arg(decimals));
}

forms::DataFormat amountDataFormat(const QString& displayFormat) {
    forms::DataFormat f;
    f.display = [displayFormat](const Value& v) {
        if (v.isNull() || v.isEmpty()) return QString();
        const Decimal amount = v.toDecimal();
        const QString shown = displayNumber(amount, displayFormat, amountSeparator());
        // An amount with more decimals than its currency takes is shown whole, not rounded.
        return readAmount(shown) == amount ? shown : plainAmountText(amount);
    };
    f.parse = [](const QString& text) {
        if (isBlank(text)) return Value::null();
        if (const std::optional<Decimal> x = readAmount(text)) return Value(*x);
        return Value(text);  // the column refuses it
    };
    return f;
}

AmountVerdict checkAmount(const QString& text, const QString& displayFormat, const QString& nbDeci,
                          const std::optional<Decimal>& lastAccepted, int savedCaret) {
    if (text.isEmpty()) return {};
    auto refuse = [&] {
        AmountVerdict v;
        v.accepted = false;
        v.lastAccepted = lastAccepted;
        v.text = lastAccepted ? plainAmountText(*lastAccepted) : QString();
        v.caret = std::clamp(savedCaret, 0, int(v.text.size()));
        return v;
    };
    const QChar sep = amountSeparator();
    // An unreadable text counts as 0, which is refused below.
    const Decimal x = readAmount(text).value_or(Decimal());
    const QString formatted = formatNumber(x, displayFormat, sep);
    const Decimal r = readAmount(formatted).value_or(Decimal());
    if (x != r) return refuse();  // more decimals than the format keeps
    if (x.isZero() || x.isNegative()) return refuse();

    // A separator typed in an amount of a currency without decimals. Without a number of
    // decimals the format tells how many the amount takes.
    bool read = false;
    int decimals = nbDeci.trimmed().toInt(&read);
    if (!read) decimals = decimalsOf(displayFormat);
    const bool hasSeparator = text.contains(u'.') || text.contains(u',');
    if (lastAccepted && x == *lastAccepted && hasSeparator && decimals == 0) return refuse();

    QString digits = formatted;
    digits.remove(u'.').remove(u',').remove(u' ');
    if (digits.size() > kMaxAmountDigits) return refuse();
    AmountVerdict v;
    v.lastAccepted = x;
    return v;
}

// ---- Currencies

CurrencyControls currencyControls(const QString& devOrdre, const QString& devPaiement, const QString& nbDeci) {
    const bool payment = !devOrdre.isEmpty();
    return {payment, payment && !devPaiement.isEmpty() && !nbDeci.isEmpty()};
}

std::optional<QString> nbDeciAfter(const QString& devOrdre, const std::function<int(const QString&)>& findDevNbDeci) {
    if (devOrdre.size() != 3) return std::nullopt;
    const int n = findDevNbDeci(devOrdre);
    return n < 0 ? QString() : QString::number(n);
}

QList<FieldMessage> judgeCurrency(const QString& boxText, const QString& devOrdre, const QString& devPaiement,
                                  const std::function<bool(const QString&)>& findDev) {
    QList<FieldMessage> out;
    if (!trimBlanks(boxText).isEmpty() && !findDev(boxText)) out << fieldmsg::UnknownCurrency;
    if (trimBlanks(devPaiement) == kEuro && trimBlanks(devOrdre) != kEuro) out << fieldmsg::EuroFromOther;
    return out;
}

// ---- Countries

bool isEuroToEea(const QString& devOrdre, const QString& devPaiement, const QString& paysBqeBE,
               const std::function<bool(const QString&)>& isPaysEEE) {
    const bool eea = isPaysEEE(paysBqeBE);
    return devPaiement == kEuro && devOrdre == kEuro && eea;
}

bool takesSharedCharges(const QString& devOrdre, const QString& devPaiement, const QString& paysBqeBE,
                        bool isTransfer, const std::function<bool(const QString&)>& isPaysEEE) {
    return devOrdre == kEuro && devPaiement == kEuro && !paysBqeBE.isEmpty() && isTransfer && isPaysEEE(paysBqeBE);
}

std::optional<FieldMessage> judgeCountry(const QString& boxText, const std::function<bool(const QString&)>& findPays) {
    if (!boxText.isEmpty() && !findPays(boxText)) return fieldmsg::UnknownCountry;
    return std::nullopt;
}

// ---- Accounts

QString groupedRibOY(const QString& text) {
    const QString s = withoutBlanks(text);
    if (s.size() > 21) return text;
    return s.mid(0, 5) + u' ' + s.mid(5, 5) + u' ' + s.mid(10, 11);
}

QString groupedRibPL(const QString& text) {
    const QString s = withoutBlanks(text);
    if (s.size() > 23) return text;  // no group could hold the rest
    return s.mid(0, 5) + u' ' + s.mid(5, 5) + u' ' + s.mid(10, 11) + u' ' + s.mid(21, 2);
}

RibPLVerdict judgeRibPL(const QString& text) {
    if (!text.isEmpty() && !isValidRib(text) && trimBlanks(withoutBlanks(text)).size() > 8)
        return {fieldmsg::WrongRibKey, QString()};
    // Too short to be an account; from 3 to 8 characters the key is not checked.
    if (!text.isEmpty() && trimBlanks(text).size() < 3) return {fieldmsg::ShortAccount, QString()};
    return {std::nullopt, groupedRibPL(text)};
}

// ---- Keys and focus

int keyFilterBic(int key) {
    if (key == ansi::Backspace || key == ansi::Enter || key == ansi::Escape) return key;
    if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return key;
    beep();
    return 0;
}

Selection referenceSelection(const QString& text, int startRefInterne) {
    const int size = int(text.size());
    const int start = std::clamp(startRefInterne, 0, size);
    return {start, size - start};
}

}  // namespace vorna
