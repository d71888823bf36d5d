#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <cstring>
#include <memory>

#include "generation/orderrecord.h"
#include "platform/value.h"

class QIODevice;

namespace vorna {

// A free text of the order file, made safe for the EDIFACT syntax: every character must be
// one that keyFilterText lets through unchanged (upper-case letters, digits, " .,-()/'+:"),
// otherwise error 9999 "Caractères interdits : " + the whole text is raised (after the beep).
// Control characters are refused too: the file is one single line. "'" and "+" are
// released with "?"; ":" is released too, or becomes a blank when `colonToSpace` is true
// (references, cities and postcodes).
QString ediText(const QString& text, bool colonToSpace);

// The amount as MOA carries it: exactly `nbDeci` decimals (a negative count counts as none),
// no grouping, a decimal comma.
QString moaAmountText(const Decimal& amount, int nbDeci);
// The amount as the summary shows it (cMontant and the per-currency totals): blanks between
// groups of three digits and the regional decimal separator.
QString displayAmountText(const Decimal& amount, int nbDeci);
// cDevises: "USD en EUR" when an order currency is given, otherwise the payment currency.
QString currencyText(const OrderRecord& order);

struct TwoFields;

// What the generation stores on an order once its message is written.
struct WrittenOrder {
    QDateTime dateGener;  // the stamp of the DTM+137 segment
    QString cMontant;
    QString cDevises;
    QString amountText;   // the amount as written in MOA
};

// Writes one PAYORD D.93A interchange onto an open device: writeHeader with the first order,
// writeMessage for each order in ascending idOrdre, then writeTrailer. The bytes built go to
// the device in one write once `chunkBytes` of them wait (0: at the end of every call), and
// always at the end of writeTrailer; a failure first hands over the pieces built before it,
// so the file holds what was written up to the failure.
// Failures are thrown as VbError: 9999 for a refused character or an account that does not
// fit, 75 for a failed write.
class OrderFileWriter {
public:
    explicit OrderFileWriter(QIODevice& out, qsizetype chunkBytes = 0);

    // UNB, with the ordering institution's name of the first order as sender.
    void writeHeader(const OrderRecord& first);
    // One message, UNH to UNT.
    WrittenOrder writeMessage(const OrderRecord& order);
    // UNZ with the number of messages written.
    void writeTrailer();

    int messageCount() const { return messageCount_; }

private:
    void writeUnb(const OrderRecord& first);
    WrittenOrder buildMessage(const OrderRecord& order);
    void writeUnz();
    void flush();
    void flushAfterFailure();
    void flushFullChunk() {
        if (size_ >= chunkBytes_) flush();
    }

    // Room for `n` more bytes after those built: where they go. Only what is counted in
    // size_ is built; a piece refused half-way leaves nothing of itself.
    char* room(qsizetype n) {
        if (capacity_ - size_ < n) grow(n);
        return bytes_.get() + size_;
    }
    void grow(qsizetype n);
    void put(QStringView piece);
    void put(const char* literal) { putBytes(literal, qsizetype(std::strlen(literal))); }
    void putBytes(const char* from, qsizetype n) {
        std::memcpy(room(n), from, size_t(n));
        size_ += n;
    }
    void putNumber(qint64 n);
    // A free text through ediText.
    void putText(QStringView x, bool colonToSpace);
    void putText(const TwoFields& t);
    void putTextPadded(const QString& x, int n);
    void putBlanks(qsizetype n);
    // A value written as stored: no conversion, but it must still fit on one line of single bytes.
    void putStored(QStringView value);
    static bool storedBytes(char* to, QStringView value);
    void putStoredPadded(const QString& x, int n);
    void endSegment();

    void writeUnh();
    void writeBgm(const OrderRecord& o);
    QDateTime writeDtmCreation();
    void writeDtmExecution(const QDateTime& now);
    void writePaymentDetails(const OrderRecord& o);
    void writePai(const OrderRecord& o);
    void writeFca(const OrderRecord& o);
    QString writeMoa(const OrderRecord& o);
    void writeCux(const OrderRecord& o);
    void writeRff(const OrderRecord& o);
    void writeFiiOrderingInstitution(const OrderRecord& o);
    void writeFiiIntermediary(const OrderRecord& o);
    void writeFiiBeneficiaryBank(const OrderRecord& o);
    void writeNadParties(const OrderRecord& o);
    void writePartyBlock(const QString& name, const QString& address1, const QString& address2, const QString& city,
                         const QString& postcode, const QString& country);
    void writeNadBeneficiary(const OrderRecord& o);
    void writeCom(const OrderRecord& o);
    void writeDeclaration(const OrderRecord& o);
    void writeUnt();

    QIODevice& out_;
    const qsizetype chunkBytes_;
    const QChar decimalSeparator_;  // the regional one, for the summary's amounts
    std::unique_ptr<char[]> bytes_;  // built since the last write to the device: size_ of them
    qsizetype size_ = 0;
    qsizetype capacity_ = 0;
    QDate stampDate_;   // the second whose stamps are formatted below
    QTime stampTime_;
    QByteArray creationStamp_;  // "yyMMddHHmmss"
    int messageNumber_ = 0;
    int segmentCount_ = 0;
    int messageCount_ = 0;
};

}  // namespace vorna
