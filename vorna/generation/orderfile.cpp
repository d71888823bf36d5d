#include "generation/orderfile.h"

#include <QIODevice>
#include <cerrno>

#include "orderentry/modrules.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/files/files.h"
#include "platform/text/ansi.h"
#include "platform/text/blanks.h"
#include "platform/text/format.h"
#include "platform/vberror.h"

namespace vorna {

namespace {

const QString kSourceEdiText = QStringLiteral("Génération e93A");
const QString kSourceOrderFile = QStringLiteral("Creation fichier edifact");
const QString kForbidden = QStringLiteral("Caractères interdits : ");

// Interchange control reference, written in UNB and UNZ.
const QString kControlReference = QStringLiteral("SOLMEX RUVAK");

[[noreturn]] void refuseText(const QString& text) { throw VbError(err::Application, kSourceEdiText, kForbidden + text); }

// Characters below the blank and DEL: none may reach a file that is one line of text.
bool isControlCode(int code) { return (code >= 0 && code < 32) || code == 127; }

// x padded with blanks on the right, or cut, to exactly n characters.
QString pad(const QString& x, int n) { return (x + QString(n, u' ')).left(n); }

// Two 35-character fields side by side, trailing blanks removed: the long lines of the file
// made from two lines of the form.
QString twoFields(const QString& a, const QString& b) { return trimTrailingBlanks(pad(a, 35) + pad(b, 35)); }

QString text(const QString& x) { return ediText(x, false); }
QString textb(const QString& x) { return ediText(x, true); }

// codeBqeBE + "//" + ibanBE, the IBAN alone, or nothing when only the national code is known.
QString beneficiaryAccount(const OrderRecord& o) {
    const QString code = trimBlanks(o.codeBqeBE);
    const QString iban = trimBlanks(o.ibanBE);
    if (!code.isEmpty()) return iban.isEmpty() ? QString() : code + QStringLiteral("//") + iban;
    return iban;
}

bool samePartyOrderingCustomer(const OrderRecord& o) {
    // A missing name is never the same party; empty texts stand for missing ones here.
    return !o.identOY1.isEmpty() && !o.identPL1.isEmpty() && o.identOY1 == o.identPL1;
}

// The display patterns of the summary, by number of decimals.
QString displayPattern(int nbDeci) {
    switch (nbDeci) {
    case 0: return QStringLiteral("## ### ### ### ##0");
    case 2: return QStringLiteral("### ### ### ##0.00");
    case 3: return QStringLiteral("## ### ### ##0.000");
    default:
        // No currency has another count; show the order's own amount with its decimals.
        return nbDeci <= 0 ? QStringLiteral("## ### ### ### ##0")
                           : QStringLiteral("## ### ### ### ##0.") + QString(nbDeci, u'0');
    }
}

}  // namespace

QString ediText(const QString& textIn, bool colonToSpace) {
    QString out;
    out.reserve(textIn.size() + 4);
    for (const QChar c : textIn) {
        const int code = keyCodeOf(c);
        // The key filter lets Backspace, Enter and Escape through for the text boxes; in the
        // file they would break the line, so they are refused like any other forbidden key.
        if (isControlCode(code)) {
            beep();
            refuseText(textIn);
        }
        if (keyFilterText(code) != code) refuseText(textIn);
        switch (c.unicode()) {
        case u':': out += colonToSpace ? QStringLiteral(" ") : QStringLiteral("?:"); break;
        case u'\'': out += QStringLiteral("?'"); break;
        case u'+': out += QStringLiteral("?+"); break;
        default: out += c;
        }
    }
    return out;
}

QString moaAmountText(const Decimal& amount, int nbDeci) {
    // "#0", "#0.00", "#0.000", ...: no grouping, the comma whatever the regional settings.
    const QString pattern = nbDeci > 0 ? QStringLiteral("#0.") + QString(nbDeci, u'0') : QStringLiteral("#0");
    return formatNumber(amount, pattern, u',');
}

QString displayAmountText(const Decimal& amount, int nbDeci) { return formatNumber(amount, displayPattern(nbDeci)); }

QString currencyText(const OrderRecord& o) {
    if (!isBlank(o.devOrdre)) return o.devOrdre + QStringLiteral(" en ") + o.devPaiement;
    return o.devPaiement;
}

OrderFileWriter::OrderFileWriter(QIODevice& out) : out_(out) {}

void OrderFileWriter::put(const QString& piece) {
    if (piece.isEmpty()) return;
    // Every piece is a literal, a number, an ediText result or a checked stored value: all of
    // them have a single-byte code.
    // Encoded into one buffer kept from piece to piece: a file of ten thousand orders is
    // written without an allocation per piece.
    scratch_.resize(piece.size());
    char* to = scratch_.data();
    for (const QChar c : piece) {
        const ushort u = c.unicode();
        if (u < 128) {
            *to++ = char(u);
        } else {
            const int k = ansi::code(c);
            *to++ = k < 0 ? '?' : char(k);
        }
    }
    errno = 0;
    if (out_.write(scratch_.constData(), scratch_.size()) != scratch_.size()) {
        // Qt gives no text for a write the disk cut short: the system's reason is told instead.
        const int error = errno;
        throw VbError(files::errnum::PathFileAccess, kSourceOrderFile,
                      QStringLiteral("Erreur d'écriture du fichier d'ordres : ") + files::writeFailureText(out_, error));
    }
}

void OrderFileWriter::putStored(const QString& value) {
    for (const QChar c : value) {
        const int code = ansi::code(c);
        if (code < 0 || isControlCode(code)) refuseText(value);
    }
    put(value);
}

void OrderFileWriter::endSegment() {
    put(QStringLiteral("'"));
    ++segmentCount_;
}

void OrderFileWriter::writeHeader(const OrderRecord& first) {
    put(QStringLiteral("UNB+UNOA:1+"));
    put(text(first.identPL1));
    put(QStringLiteral(":ZZ+48213067500027:5+"));
    put(Clock::now().toString(QStringLiteral("yyMMdd:HHmm")));
    put(QStringLiteral("+") + kControlReference);
    put(QStringLiteral("'"));
}

WrittenOrder OrderFileWriter::writeMessage(const OrderRecord& o) {
    ++messageNumber_;
    segmentCount_ = 0;
    WrittenOrder result;

    writeUnh();
    writeBgm(o);
    result.dateGener = writeDtmCreation();
    writeDtmExecution(result.dateGener);
    writePaymentDetails(o);
    writePai(o);
    writeFca(o);
    result.amountText = writeMoa(o);
    result.cMontant = displayAmountText(o.montant, o.nbDeci);
    writeCux(o);
    result.cDevises = currencyText(o);
    writeRff(o);
    writeFiiOrderingInstitution(o);
    writeFiiIntermediary(o);
    writeFiiBeneficiaryBank(o);
    writeNadParties(o);
    writeNadBeneficiary(o);
    writeCom(o);
    writeDeclaration(o);
    writeUnt();

    ++messageCount_;
    return result;
}

void OrderFileWriter::writeTrailer() {
    put(QStringLiteral("UNZ+") + QString::number(messageCount_) + QStringLiteral("+") + kControlReference);
    put(QStringLiteral("'"));
}

void OrderFileWriter::writeUnh() {
    put(QStringLiteral("UNH+") + QString::number(messageNumber_) + QStringLiteral("+PAYORD:D:93A:UN"));
    endSegment();
}

void OrderFileWriter::writeBgm(const OrderRecord& o) {
    put(QStringLiteral("BGM+450+"));
    put(textb(o.refInterne));
    put(QStringLiteral("+9"));
    if (o.urgent) put(QStringLiteral("+URG"));
    endSegment();
}

QDateTime OrderFileWriter::writeDtmCreation() {
    const QDateTime now = Clock::now();
    put(QStringLiteral("DTM+137:") + now.toString(QStringLiteral("yyMMddHHmmss")) + QStringLiteral(":202"));
    endSegment();
    return now;
}

void OrderFileWriter::writeDtmExecution(const QDateTime& now) {
    // The requested execution date is the day of the generation (the clock read for DTM+137).
    put(QStringLiteral("DTM+203:") + now.toString(QStringLiteral("yyMMdd")) + QStringLiteral(":101"));
    endSegment();
}

void OrderFileWriter::writePaymentDetails(const OrderRecord& o) {
    put(QStringLiteral("FTX+PMD"));
    bool started = false;
    if (!isBlank(o.devOrdre)) {
        put(QStringLiteral("+++"));
        putStored(o.devOrdre);
        put(QStringLiteral(" EN "));
        putStored(o.devPaiement);
        started = true;
    }
    const QString reason1 = twoFields(o.motif1, o.motif2);
    if (!reason1.isEmpty()) {
        put(started ? QStringLiteral(":") : QStringLiteral("+++"));
        put(text(reason1));
        started = true;
    }
    const QString reason2 = twoFields(o.motif3, o.motif4);
    if (!reason2.isEmpty()) {
        if (!started) put(QStringLiteral("+++"));
        put(QStringLiteral(":"));
        put(text(reason2));
        started = true;
    }

    // The advice: a "//" component, then the number and the free advice text in 30-character
    // fields. With fax or telephone advice and no number, nothing of the advice is written.
    const auto advicePrefix = [&] { put(started ? QStringLiteral("://:") : QStringLiteral("+++//:")); };
    const auto freeAdvice = [&] {
        put(QStringLiteral("/REC/"));
        put(text(pad(o.avisBenef, 30)));
    };
    const auto numberAdvice = [&](const QString& number, const QString& tag) {
        if (isBlank(number)) return;
        advicePrefix();
        put(tag);
        put(text(pad(number, 30)));
        if (!isBlank(o.avisBenef)) freeAdvice();
    };
    switch (o.avisBenefType) {
    case 0:
        if (!isBlank(o.avisBenef)) {
            advicePrefix();
            freeAdvice();
        }
        break;
    case 1: numberAdvice(o.avisTel, QStringLiteral("PHOB/")); break;
    case 2: numberAdvice(o.avisFax, QStringLiteral("TELB/")); break;
    default: break;
    }
    endSegment();
}

void OrderFileWriter::writePai(const OrderRecord& o) {
    switch (o.typeOper) {
    case 1: put(QStringLiteral("PAI+::23")); break;  // cheque
    case 2: put(QStringLiteral("PAI+::26")); break;  // settlement of a remittance
    case 3: put(QStringLiteral("PAI+::8")); break;   // placing at disposal
    default: return;                                 // a transfer has none
    }
    endSegment();
}

void OrderFileWriter::writeFca(const OrderRecord& o) {
    switch (o.frais) {
    case 1: put(QStringLiteral("FCA+13")); break;  // beneficiary
    case 2: put(QStringLiteral("FCA+14")); break;  // shared
    default: put(QStringLiteral("FCA+15")); break; // ordering party
    }
    endSegment();
}

QString OrderFileWriter::writeMoa(const OrderRecord& o) {
    const QString amount = moaAmountText(o.montant, o.nbDeci);
    put(QStringLiteral("MOA+9:") + amount + QStringLiteral(":"));
    // With an order currency the amount goes with "XXX" and CUX names both currencies.
    if (!isBlank(o.devOrdre)) put(QStringLiteral("XXX"));
    else putStored(o.devPaiement);
    endSegment();
    return amount;
}

void OrderFileWriter::writeCux(const OrderRecord& o) {
    if (isBlank(o.devOrdre)) return;
    put(QStringLiteral("CUX+2:"));
    putStored(o.devOrdre);
    put(QStringLiteral("+3:"));
    putStored(o.devPaiement);
    endSegment();
}

void OrderFileWriter::writeRff(const OrderRecord& o) {
    if (isBlank(o.ribOY)) return;
    put(QStringLiteral("RFF+XXX:"));
    put(text(o.ribOY));
    endSegment();
}

void OrderFileWriter::writeFiiOrderingInstitution(const OrderRecord& o) {
    const QString account = QString(o.ribPL).remove(u' ');
    if (account.size() < 2)
        throw VbError(err::Application, kSourceOrderFile, o.refInterne + QStringLiteral(" : rib établissement trop court"));
    put(QStringLiteral("FII+OR+"));
    if (account.size() == 23) {
        // A French RIB: account number and key, then bank and branch codes.
        putStored(account.mid(10));
        put(QStringLiteral(":"));
        put(text(o.identPL1));
        put(QStringLiteral("::EUR+:::"));
        putStored(account.left(10));
    } else {
        putStored(account.right(2));
        put(QStringLiteral(":"));
        put(text(o.identPL1));
        put(QStringLiteral("+:::"));
        putStored(account.left(account.size() - 2));
    }
    put(QStringLiteral(":25:108"));
    endSegment();
}

void OrderFileWriter::writeFiiIntermediary(const OrderRecord& o) {
    const QString name = twoFields(o.identBqeI11, o.identBqeI12);
    const QString place = twoFields(o.identBqeI13, o.villeBqeI1);
    const QString bic = trimBlanks(o.bicBqeI1);
    if (name.isEmpty() && place.isEmpty() && bic.isEmpty()) return;

    put(QStringLiteral("FII+I1++"));
    if (!bic.isEmpty()) {
        put(text(bic));
        put(QStringLiteral(":25:5"));
    } else {
        put(QStringLiteral("::"));
    }
    if (!name.isEmpty() || !place.isEmpty()) {
        put(QStringLiteral("::::"));
        put(text(name));
        if (!place.isEmpty()) {
            put(QStringLiteral(":"));
            put(text(place));
        }
    }
    if (!o.paysBqeI1.isEmpty()) {
        put(QStringLiteral("+"));
        putStored(o.paysBqeI1);
    }
    endSegment();
}

void OrderFileWriter::writeFiiBeneficiaryBank(const OrderRecord& o) {
    const QString name = twoFields(o.identBqeBE1, o.identBqeBE2);
    const QString place = twoFields(o.identBqeBE3, o.villeBqeBE);
    const QString bic = trimBlanks(o.bicBqeBE);
    const bool hasCode = !isBlank(o.codeBqeBE);
    const bool hasIban = !isBlank(o.ibanBE);
    if (name.isEmpty() && place.isEmpty() && bic.isEmpty() && !hasCode) {
        put(QStringLiteral("FII+BF++:::::"));
        endSegment();
        return;
    }

    const QString account = beneficiaryAccount(o);
    if (account.size() > 34)
        throw VbError(err::Application, kSourceOrderFile, o.refInterne + QStringLiteral(" : iban + code banque trop long"));

    // The institution's components stay in fixed places: BIC with "25" and "5" in 1 to 3, the
    // account's first 17 characters in 4, the name in 7 and the place in 8. The separators of
    // the components left empty wait in `pending` until something follows them.
    put(QStringLiteral("FII+BF+"));
    put(text(account.mid(17, 17)));
    put(QStringLiteral("+"));
    QString pending;
    if (!bic.isEmpty()) {
        put(text(bic));
        put(QStringLiteral(":25:5"));
    } else {
        pending = QStringLiteral("::");
    }
    if (hasIban) {
        put(pending);
        pending.clear();
        put(QStringLiteral(":"));
        put(text(account.left(17)));
        put(hasCode ? QStringLiteral(":XXX:XXX") : QStringLiteral("::"));
    } else {
        pending += QStringLiteral(":::");
    }
    if (!name.isEmpty() || !place.isEmpty()) {
        put(pending);
        put(QStringLiteral(":"));
        put(text(name));
        if (!place.isEmpty()) {
            put(QStringLiteral(":"));
            put(text(place));
        }
    }
    if (!o.paysBqeBE.isEmpty()) {
        put(QStringLiteral("+"));
        putStored(o.paysBqeBE);
    }
    endSegment();
}

void OrderFileWriter::writeNadParties(const OrderRecord& o) {
    // The ordering customer has a segment of its own only when it is not the institution;
    // otherwise the institution's address goes under the customer's qualifier.
    const bool customerWritten = !samePartyOrderingCustomer(o) && !isBlank(o.identOY1);
    if (customerWritten) {
        put(QStringLiteral("NAD+OY++"));
        writePartyBlock(o.identOY1, o.identOY2, o.identOY3, o.villeOY, o.codePostalOY, o.paysOY);
    }
    put(customerWritten ? QStringLiteral("NAD+PL++") : QStringLiteral("NAD+OY++"));
    writePartyBlock(o.identPL1, o.identPL2, o.identPL3, o.villePL, o.codePostalPL, o.paysPL);
}

void OrderFileWriter::writePartyBlock(const QString& name, const QString& address1, const QString& address2,
                                      const QString& city, const QString& postcode, const QString& country) {
    put(QStringLiteral("+"));
    put(text(name));
    put(QStringLiteral("+"));
    put(text(address1));
    if (!isBlank(address2)) {
        put(QStringLiteral(":"));
        put(text(address2));
    }
    put(QStringLiteral("+"));
    put(textb(city));
    put(QStringLiteral("++"));
    put(textb(postcode));
    put(QStringLiteral("+"));
    putStored(country);
    endSegment();
}

void OrderFileWriter::writeNadBeneficiary(const OrderRecord& o) {
    put(QStringLiteral("NAD+BE+++"));
    put(text(o.identBE1));
    put(QStringLiteral("+"));
    put(text(o.identBE2));
    if (!isBlank(o.identBE3)) {
        put(QStringLiteral(":"));
        put(text(o.identBE3));
    }
    put(QStringLiteral("+"));
    put(textb(o.villeBE));
    put(QStringLiteral("+++"));
    putStored(o.paysBE);
    endSegment();
}

void OrderFileWriter::writeCom(const OrderRecord& o) {
    if (o.avisBenefType == 2 && !isBlank(o.avisFax)) {
        put(QStringLiteral("COM+"));
        put(text(o.avisFax.left(25)));
        put(QStringLiteral(":FX"));
    } else if (o.avisBenefType == 1 && !isBlank(o.avisTel)) {
        put(QStringLiteral("COM+"));
        put(text(o.avisTel.left(25)));
        put(QStringLiteral(":TE"));
    } else {
        return;
    }
    endSegment();
}

void OrderFileWriter::writeDeclaration(const OrderRecord& o) {
    if (isBlank(o.codeEcono)) return;
    put(QStringLiteral("GIS+ZDB"));
    endSegment();
    put(QStringLiteral("NAD+RA+17945:160:108"));
    endSegment();
    put(QStringLiteral("FTX+REG+++"));
    put(o.residentOY ? QStringLiteral("0") : QStringLiteral("1"));
    putStored(pad(o.codeEcono, 3));
    putStored(pad(o.paysResBE, 3));
    put(text(pad(o.sirenDecla, 14)));
    endSegment();
}

void OrderFileWriter::writeUnt() {
    // UNT counts itself.
    put(QStringLiteral("UNT+") + QString::number(segmentCount_ + 1) + QStringLiteral("+") +
        QString::number(messageNumber_));
    endSegment();
}

}  // namespace vorna
