#include "generation/orderfile.h"

#include <QIODevice>
#include <QVarLengthArray>
#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <limits>
#include <string_view>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "orderentry/modrules.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/environment.h"
#include "platform/files/files.h"
#include "platform/text/ansi.h"
#include "platform/text/blanks.h"
#include "platform/text/format.h"
#include "platform/vberror.h"

namespace vorna {

// Two 35-character fields side by side, trailing blanks removed: the long lines of the file
// made from two lines of the form. Kept as the two views: the first field, then, when there is
// a second one, the blanks that fill the first to 35 characters and the second.
struct TwoFields {
    QStringView first;
    QStringView second;
    bool isEmpty() const { return first.isEmpty() && second.isEmpty(); }
    qsizetype filling() const { return second.isEmpty() ? 0 : 35 - first.size(); }
    // The whole text.
    QString text() const {
        QString out = first.toString();
        out.resize(first.size() + filling(), u' ');
        out.append(second);
        return out;
    }
};

namespace {

const QString kSourceEdiText = QStringLiteral("Génération e93A");
const QString kSourceOrderFile = QStringLiteral("Creation fichier edifact");
const QString kForbidden = QStringLiteral("Caractères interdits : ");

// Interchange control reference, written in UNB and UNZ.
const QString kControlReference = QStringLiteral("SOLMEX RUVAK");

[[noreturn]] void refuseText(QStringView text) { throw VbError(err::Application, kSourceEdiText, kForbidden + text.toString()); }

// Characters below the blank and DEL: none may reach a file that is one line of text.
bool isControlCode(int code) { return (code >= 0 && code < 32) || code == 127; }

// x padded with blanks on the right, or cut, to exactly n characters.
QString pad(const QString& x, int n) {
    QString out = x.left(n);
    out.resize(n, u' ');
    return out;
}

QStringView withoutTrailingBlanks(QStringView s) {
    while (!s.isEmpty() && s.back() == u' ') s.chop(1);
    return s;
}

// The text without its leading and trailing blanks.
QStringView blanksTrimmed(QStringView s) {
    s = withoutTrailingBlanks(s);
    while (!s.isEmpty() && s.front() == u' ') s = s.mid(1);
    return s;
}

// The two 35-character fields that make one.
TwoFields twoFields(const QString& a, const QString& b) {
    const QStringView second = withoutTrailingBlanks(QStringView(b).left(35));
    if (second.isEmpty()) return {withoutTrailingBlanks(QStringView(a).left(35)), {}};
    return {QStringView(a).left(35), second};
}

// codeBqeBE + "//" + ibanBE, the IBAN alone, or nothing when only the national code is known.
// `joined` holds the text made of both.
QStringView beneficiaryAccount(const OrderRecord& o, QString& joined) {
    const QStringView code = blanksTrimmed(o.codeBqeBE);
    const QStringView iban = blanksTrimmed(o.ibanBE);
    if (code.isEmpty()) return iban;
    if (iban.isEmpty()) return {};
    joined = code.toString();
    joined += QStringLiteral("//");
    joined += iban;
    return joined;
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

// The characters that keyFilterText returns as they are: upper-case letters, digits and
// " .,-()/'+:". They are the only ones a free text of the file may hold; any other is put to
// the key filter itself, which refuses it (and beeps where it does). "'" and "+" are released,
// ":" is released or becomes a blank.
enum EdiClass : quint8 { Refused, Plain, Released, Colon };
constexpr std::array<quint8, 128> kEdiClass = [] {
    std::array<quint8, 128> t{};
    for (char c = 'A'; c <= 'Z'; ++c) t[size_t(c)] = Plain;
    for (char c = '0'; c <= '9'; ++c) t[size_t(c)] = Plain;
    for (const char c : std::string_view(" .,-()/")) t[size_t(c)] = Plain;
    t[size_t('\'')] = Released;
    t[size_t('+')] = Released;
    t[size_t(':')] = Colon;
    return t;
}();

bool isPlain(char16_t u) { return u < 128 && kEdiClass[u] != Refused; }

#ifdef __SSE2__
// Per 16-bit lane of `c`, all ones when it holds a character from `first` to `last`. The range
// is moved by one addition to the lowest signed values, -32768 on, and found by one signed
// compare: every other character, U+8000 and above included, lands above it.
Q_ALWAYS_INLINE __m128i lanesIn(__m128i c, char16_t first, char16_t last) {
    const __m128i moved = _mm_add_epi16(c, _mm_set1_epi16(short(0x8000 - first)));
    return _mm_cmplt_epi16(moved, _mm_set1_epi16(short(-32768 + (last - first) + 1)));
}

// The plain characters of kEdiClass, eight at a time: a blank, "(" or ")", "," to "9", or "A"
// to "Z".
Q_ALWAYS_INLINE __m128i plainLanes(__m128i c) {
    const __m128i blank = _mm_cmpeq_epi16(c, _mm_set1_epi16(' '));
    return _mm_or_si128(_mm_or_si128(blank, lanesIn(c, u'(', u')')),
                        _mm_or_si128(lanesIn(c, u',', u'9'), lanesIn(c, u'A', u'Z')));
}

// The characters written as they are in a stored value: a blank to "~".
Q_ALWAYS_INLINE __m128i printableLanes(__m128i c) { return lanesIn(c, u' ', u'~'); }

// The N characters (8 or 4) from `from` on as their single bytes at `to`, when `Lanes` takes
// them all; false, and nothing written, otherwise.
template <int N, __m128i (*Lanes)(__m128i)>
Q_ALWAYS_INLINE bool narrowBlock(const char16_t* from, char* to) {
    const __m128i c = N == 4 ? _mm_loadl_epi64(reinterpret_cast<const __m128i*>(from))
                             : _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    constexpr int all = N == 4 ? 0xff : 0xffff;
    if ((_mm_movemask_epi8(Lanes(c)) & all) != all) return false;
    const __m128i bytes = _mm_packus_epi16(c, c);
    if constexpr (N == 4) {
        const int word = _mm_cvtsi128_si32(bytes);
        std::memcpy(to, &word, 4);
    } else {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(to), bytes);
    }
    return true;
}

// Blocks of N characters narrowed from `from` on while `Lanes` takes them all. Each byte then
// lands at its character's place, so the last block is read ending at `end`, over characters
// already written (the same bytes again). True when the text is done, `to` at its end;
// otherwise `from` and `to` are at the first block not taken.
template <int N, __m128i (*Lanes)(__m128i)>
Q_ALWAYS_INLINE bool narrowBlocksOf(const char16_t*& from, char*& to, const char16_t* end) {
    while (end - from >= N && narrowBlock<N, Lanes>(from, to)) {
        from += N;
        to += N;
    }
    const qsizetype left = end - from;
    if (left == 0) return true;
    if (left >= N || !narrowBlock<N, Lanes>(end - N, to + left - N)) return false;
    to += left;
    return true;
}

// The same in blocks of eight, or of four in a text shorter than eight; a text shorter than
// four is left whole to the caller.
template <__m128i (*Lanes)(__m128i)>
Q_ALWAYS_INLINE bool narrowBlocks(const char16_t*& from, char*& to, const char16_t* end) {
    if (end - from >= 8) return narrowBlocksOf<8, Lanes>(from, to, end);
    return end - from >= 4 && narrowBlocksOf<4, Lanes>(from, to, end);
}
#endif

bool allPlain(QStringView text) {
    const char16_t* from = text.utf16();
    qsizetype n = text.size();
#ifdef __SSE2__
    // Eight at a time, the last eight overlapping those already looked at.
    const auto plainEight = [](const char16_t* at) {
        return _mm_movemask_epi8(plainLanes(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)))) == 0xffff;
    };
    if (n >= 8) {
        for (; n > 8; from += 8, n -= 8)
            if (!plainEight(from)) return false;
        return plainEight(from + n - 8);
    }
#endif
    for (; n > 0; ++from, --n)
        if (!isPlain(*from)) return false;
    return true;
}

// Refuses the whole text at its first character that the key filter would not let through
// unchanged.
void checkFreeText(QStringView textIn) {
    for (const QChar c : textIn) {
        if (isPlain(c.unicode())) continue;
        const int code = keyCodeOf(c);
        // The key filter lets Backspace, Enter and Escape through for the text boxes; in the
        // file they would break the line, so they are refused like any other forbidden key.
        if (isControlCode(code)) {
            beep();
            refuseText(textIn);
        }
        if (keyFilterText(code) != code) refuseText(textIn);
    }
}

// ediText's bytes written from `to` on, where there is room for two bytes per character; answers
// their end. The text is checked whole first: a refused text raises its error.
char* writeCheckedEdiText(char* to, QStringView textIn, bool colonToSpace) {
    checkFreeText(textIn);
    for (const QChar c : textIn) {
        const char k = char(c.unicode());  // checked: a plain character
        if (k == ':' && colonToSpace) {
            *to++ = ' ';
            continue;
        }
        if (k == ':' || k == '\'' || k == '+') *to++ = '?';
        *to++ = k;
    }
    return to;
}

// ediText's bytes for the characters from `from` on, looked at one by one, written from `to`
// on; `start` is where the text's bytes begin, written again when the text is checked whole.
Q_NEVER_INLINE char* writeEdiTextOneByOne(char* start, char* to, const char16_t* from, QStringView textIn,
                                          bool colonToSpace) {
    const char16_t* const end = textIn.utf16() + textIn.size();
    for (; from != end; ++from) {
        const char16_t u = *from;
        const quint8 k = u < 128 ? kEdiClass[u] : quint8(Refused);
        if (k == Plain) {
            *to++ = char(u);
        } else if (k == Refused) {
            return writeCheckedEdiText(start, textIn, colonToSpace);
        } else if (k == Colon && colonToSpace) {
            *to++ = ' ';
        } else {
            *to++ = '?';
            *to++ = char(u);
        }
    }
    return to;
}

// Blocks of eight plain characters (four in a shorter text) are narrowed at once; from the
// first block that is not all plain, the characters are looked at one by one.
char* writeEdiText(char* to, QStringView textIn, bool colonToSpace) {
    char* const start = to;
    const char16_t* from = textIn.utf16();
#ifdef __SSE2__
    const char16_t* const end = from + textIn.size();
    if (narrowBlocks<plainLanes>(from, to, end)) return to;
#endif
    return writeEdiTextOneByOne(start, to, from, textIn, colonToSpace);
}

// What formatNumber writes for the patterns of the file and of the summary ("#0.00",
// "### ### ### ##0.00", ...: at least one whole digit, exactly `nbDeci` decimals), worked out
// directly for an amount that needs no rounding and is not negative: one of every order. A
// null text for any other, which the general formatting then writes.
QString plainAmountText(const Decimal& amount, int nbDeci, bool grouped, QChar separator) {
    const int decimals = std::max(0, nbDeci);
    if (amount.isNegative() || amount.scale() > decimals || decimals > 6 || separator.unicode() >= 128) return QString();
    qint64 units = amount.units();
    for (int s = amount.scale(); s < decimals; ++s) {
        if (units > std::numeric_limits<qint64>::max() / 10) return QString();
        units *= 10;
    }
    char digits[48];
    char* const end = digits + sizeof digits;
    char* p = end;
    for (int i = 0; i < decimals; ++i) {
        *--p = char('0' + units % 10);
        units /= 10;
    }
    if (decimals > 0) *--p = char(separator.unicode());
    int count = 0;
    do {
        if (grouped && count > 0 && count % 3 == 0) *--p = ' ';
        *--p = char('0' + units % 10);
        units /= 10;
        ++count;
    } while (units > 0);
    return QString::fromLatin1(p, end - p);
}

}  // namespace

QString ediText(const QString& textIn, bool colonToSpace) {
    QByteArray out(2 * textIn.size(), Qt::Uninitialized);
    const char* end = writeEdiText(out.data(), textIn, colonToSpace);
    return QString::fromLatin1(out.constData(), end - out.constData());  // only plain characters pass: the bytes are ASCII
}

QString moaAmountText(const Decimal& amount, int nbDeci) {
    const QString quick = plainAmountText(amount, nbDeci, false, u',');
    if (!quick.isNull()) return quick;
    // "#0", "#0.00", "#0.000", ...: no grouping, the comma whatever the regional settings.
    const QString pattern = nbDeci > 0 ? QStringLiteral("#0.") + QString(nbDeci, u'0') : QStringLiteral("#0");
    return formatNumber(amount, pattern, u',');
}

namespace {

// displayAmountText with the regional separator already read.
QString displayAmountText(const Decimal& amount, int nbDeci, QChar separator) {
    const QString quick = plainAmountText(amount, nbDeci, true, separator);
    if (!quick.isNull()) return quick;
    return formatNumber(amount, displayPattern(nbDeci));
}

}  // namespace

QString displayAmountText(const Decimal& amount, int nbDeci) {
    return displayAmountText(amount, nbDeci, Locale::decimalSeparator());
}

QString currencyText(const OrderRecord& o) {
    if (isBlank(o.devOrdre)) return o.devPaiement;
    // Made in place: one text for every order, where appending costs more than the copies.
    QString out(o.devOrdre.size() + 4 + o.devPaiement.size(), Qt::Uninitialized);
    QChar* to = std::copy(o.devOrdre.cbegin(), o.devOrdre.cend(), out.data());
    for (const char c : std::string_view(" en ")) *to++ = QLatin1Char(c);
    std::copy(o.devPaiement.cbegin(), o.devPaiement.cend(), to);
    return out;
}

// The regional settings do not change while a file is written: no event is handled meanwhile.
OrderFileWriter::OrderFileWriter(QIODevice& out, qsizetype chunkBytes)
    : out_(out), chunkBytes_(chunkBytes), decimalSeparator_(Locale::decimalSeparator()) {}

void OrderFileWriter::put(QStringView piece) {
    // Every piece is a literal, a number, an ediText result or a checked stored value: all of
    // them have a single-byte code.
    char* to = room(piece.size());
    size_ += piece.size();
    for (const QChar c : piece) {
        const ushort u = c.unicode();
        if (u < 128) {
            *to++ = char(u);
        } else {
            const int k = ansi::code(c);
            *to++ = k < 0 ? '?' : char(k);
        }
    }
}

void OrderFileWriter::putNumber(qint64 n) {
    char digits[24];
    const auto r = std::to_chars(digits, digits + sizeof digits, n);
    putBytes(digits, r.ptr - digits);
}

void OrderFileWriter::grow(qsizetype n) {
    const qsizetype capacity = std::max(2 * capacity_, std::max<qsizetype>(size_ + n, 4096));
    std::unique_ptr<char[]> bytes(new char[size_t(capacity)]);
    if (size_ > 0) std::memcpy(bytes.get(), bytes_.get(), size_t(size_));
    bytes_ = std::move(bytes);
    capacity_ = capacity;
}

void OrderFileWriter::putText(QStringView x, bool colonToSpace) {
    char* const at = room(2 * x.size());
    size_ += writeEdiText(at, x, colonToSpace) - at;
}

// The bytes built since the last write go to the device in one write.
void OrderFileWriter::flush() {
    if (size_ == 0) return;
    errno = 0;
    const qint64 n = out_.write(bytes_.get(), size_);
    const qint64 expected = size_;
    size_ = 0;  // the room stays for the next message
    if (n != expected) {
        // Qt gives no text for a write the disk cut short: the system's reason is told instead.
        const int error = errno;
        throw VbError(files::errnum::PathFileAccess, kSourceOrderFile,
                      QStringLiteral("Erreur d'écriture du fichier d'ordres : ") + files::writeFailureText(out_, error));
    }
}

void OrderFileWriter::flushAfterFailure() {
    try {
        flush();
    } catch (const VbError&) {
        // The first failure is the one reported.
    }
}

void OrderFileWriter::putBlanks(qsizetype n) {
    if (n <= 0) return;
    std::memset(room(n), ' ', size_t(n));
    size_ += n;
}

// The two fields through ediText: each piece on its own when all are plain (a plain text's
// ediText is that of each of its characters), otherwise the whole text, whose refusal names it.
void OrderFileWriter::putText(const TwoFields& t) {
    if (t.second.isEmpty()) {
        putText(t.first, false);
    } else if (allPlain(t.first) && allPlain(t.second)) {
        putText(t.first, false);
        putBlanks(t.filling());
        putText(t.second, false);
    } else {
        putText(t.text(), false);
    }
}

// putText(pad(x, n)), the padded text made only when it is refused.
void OrderFileWriter::putTextPadded(const QString& x, int n) {
    const QStringView head = QStringView(x).left(n);
    if (!allPlain(head)) {
        putText(pad(x, n), false);
        return;
    }
    putText(head, false);
    putBlanks(n - head.size());
}

// The single bytes of a stored value from `to` on, checked as they are written: false when
// a character has none or is a control character.
bool OrderFileWriter::storedBytes(char* to, QStringView value) {
    const char16_t* from = value.utf16();
    const char16_t* const end = from + value.size();
#ifdef __SSE2__
    if (narrowBlocks<printableLanes>(from, to, end)) return true;
#endif
    for (; from != end; ++from) {
        const QChar c(*from);
        const ushort u = c.unicode();
        if (u >= 32 && u < 127) {
            *to++ = char(u);
            continue;
        }
        const int code = ansi::code(c);
        if (code < 0 || isControlCode(code)) return false;
        *to++ = char(code);
    }
    return true;
}

// putStored(pad(x, n)), the same way.
void OrderFileWriter::putStoredPadded(const QString& x, int n) {
    const QStringView head = QStringView(x).left(n);
    if (!storedBytes(room(head.size()), head)) refuseText(pad(x, n));
    size_ += head.size();
    putBlanks(n - head.size());
}

void OrderFileWriter::putStored(QStringView value) {
    if (!storedBytes(room(value.size()), value)) refuseText(value);
    size_ += value.size();
}

void OrderFileWriter::endSegment() {
    put("'");
    ++segmentCount_;
}

void OrderFileWriter::writeHeader(const OrderRecord& first) {
    try {
        writeUnb(first);
        flushFullChunk();
    } catch (...) {
        flushAfterFailure();
        throw;
    }
}

WrittenOrder OrderFileWriter::writeMessage(const OrderRecord& o) {
    try {
        const WrittenOrder result = buildMessage(o);
        flushFullChunk();
        return result;
    } catch (...) {
        flushAfterFailure();
        throw;
    }
}

void OrderFileWriter::writeTrailer() {
    try {
        writeUnz();
        flush();
    } catch (...) {
        flushAfterFailure();
        throw;
    }
}

void OrderFileWriter::writeUnb(const OrderRecord& first) {
    put("UNB+UNOA:1+");
    putText(first.identPL1, false);
    put(":ZZ+48213067500027:5+");
    put(Clock::now().toString(QStringLiteral("yyMMdd:HHmm")));
    put("+");
    put(kControlReference);
    put("'");
}

WrittenOrder OrderFileWriter::buildMessage(const OrderRecord& o) {
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
    result.cMontant = displayAmountText(o.montant, o.nbDeci, decimalSeparator_);
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

void OrderFileWriter::writeUnz() {
    put("UNZ+");
    putNumber(messageCount_);
    put("+");
    put(kControlReference);
    put("'");
}

void OrderFileWriter::writeUnh() {
    put("UNH+");
    putNumber(messageNumber_);
    put("+PAYORD:D:93A:UN");
    endSegment();
}

void OrderFileWriter::writeBgm(const OrderRecord& o) {
    put("BGM+450+");
    putText(o.refInterne, true);
    put("+9");
    if (o.urgent) put("+URG");
    endSegment();
}

QDateTime OrderFileWriter::writeDtmCreation() {
    const QDateTime now = Clock::now();
    // The stamps are formatted once for each second: a file of many orders is written within
    // a few seconds.
    if (now.date() != stampDate_ || now.time() != stampTime_) {
        stampDate_ = now.date();
        stampTime_ = now.time();
        creationStamp_ = now.toString(QStringLiteral("yyMMddHHmmss")).toLatin1();
    }
    put("DTM+137:");
    putBytes(creationStamp_.constData(), creationStamp_.size());
    put(":202");
    endSegment();
    return now;
}

void OrderFileWriter::writeDtmExecution(const QDateTime& now) {
    // The requested execution date is the day of the generation (the clock read for DTM+137).
    put("DTM+203:");
    if (now.date() == stampDate_) putBytes(creationStamp_.constData(), 6);  // its "yyMMdd"
    else put(now.toString(QStringLiteral("yyMMdd")));
    put(":101");
    endSegment();
}

void OrderFileWriter::writePaymentDetails(const OrderRecord& o) {
    put("FTX+PMD");
    bool started = false;
    if (!isBlank(o.devOrdre)) {
        put("+++");
        putStored(o.devOrdre);
        put(" EN ");
        putStored(o.devPaiement);
        started = true;
    }
    const TwoFields reason1 = twoFields(o.motif1, o.motif2);
    if (!reason1.isEmpty()) {
        put(started ? ":" : "+++");
        putText(reason1);
        started = true;
    }
    const TwoFields reason2 = twoFields(o.motif3, o.motif4);
    if (!reason2.isEmpty()) {
        if (!started) put("+++");
        put(":");
        putText(reason2);
        started = true;
    }

    // The advice: a "//" component, then the number and the free advice text in 30-character
    // fields. With fax or telephone advice and no number, nothing of the advice is written.
    const auto advicePrefix = [&] { put(started ? "://:" : "+++//:"); };
    const auto freeAdvice = [&] {
        put("/REC/");
        putTextPadded(o.avisBenef, 30);
    };
    const auto numberAdvice = [&](const QString& number, const char* tag) {
        if (isBlank(number)) return;
        advicePrefix();
        put(tag);
        putTextPadded(number, 30);
        if (!isBlank(o.avisBenef)) freeAdvice();
    };
    switch (o.avisBenefType) {
    case 0:
        if (!isBlank(o.avisBenef)) {
            advicePrefix();
            freeAdvice();
        }
        break;
    case 1: numberAdvice(o.avisTel, "PHOB/"); break;
    case 2: numberAdvice(o.avisFax, "TELB/"); break;
    default: break;
    }
    endSegment();
}

void OrderFileWriter::writePai(const OrderRecord& o) {
    switch (o.typeOper) {
    case 1: put("PAI+::23"); break;  // cheque
    case 2: put("PAI+::26"); break;  // settlement of a remittance
    case 3: put("PAI+::8"); break;   // placing at disposal
    default: return;                                 // a transfer has none
    }
    endSegment();
}

void OrderFileWriter::writeFca(const OrderRecord& o) {
    switch (o.frais) {
    case 1: put("FCA+13"); break;  // beneficiary
    case 2: put("FCA+14"); break;  // shared
    default: put("FCA+15"); break; // ordering party
    }
    endSegment();
}

QString OrderFileWriter::writeMoa(const OrderRecord& o) {
    const QString amount = moaAmountText(o.montant, o.nbDeci);
    put("MOA+9:");
    put(amount);
    put(":");
    // With an order currency the amount goes with "XXX" and CUX names both currencies.
    if (!isBlank(o.devOrdre)) put("XXX");
    else putStored(o.devPaiement);
    endSegment();
    return amount;
}

void OrderFileWriter::writeCux(const OrderRecord& o) {
    if (isBlank(o.devOrdre)) return;
    put("CUX+2:");
    putStored(o.devOrdre);
    put("+3:");
    putStored(o.devPaiement);
    endSegment();
}

void OrderFileWriter::writeRff(const OrderRecord& o) {
    if (isBlank(o.ribOY)) return;
    put("RFF+XXX:");
    putText(o.ribOY, false);
    endSegment();
}

void OrderFileWriter::writeFiiOrderingInstitution(const OrderRecord& o) {
    // The account without its blanks, made on the stack.
    QVarLengthArray<QChar, 64> unblanked(o.ribPL.size());
    QChar* end = unblanked.data();
    for (const QChar c : o.ribPL)
        if (c != u' ') *end++ = c;
    const QStringView account(unblanked.constData(), end - unblanked.constData());
    if (account.size() < 2)
        throw VbError(err::Application, kSourceOrderFile, o.refInterne + QStringLiteral(" : rib établissement trop court"));
    put("FII+OR+");
    if (account.size() == 23) {
        // A French RIB: account number and key, then bank and branch codes.
        putStored(account.mid(10));
        put(":");
        putText(o.identPL1, false);
        put("::EUR+:::");
        putStored(account.left(10));
    } else {
        putStored(account.right(2));
        put(":");
        putText(o.identPL1, false);
        put("+:::");
        putStored(account.left(account.size() - 2));
    }
    put(":25:108");
    endSegment();
}

void OrderFileWriter::writeFiiIntermediary(const OrderRecord& o) {
    const TwoFields name = twoFields(o.identBqeI11, o.identBqeI12);
    const TwoFields place = twoFields(o.identBqeI13, o.villeBqeI1);
    const QStringView bic = blanksTrimmed(o.bicBqeI1);
    if (name.isEmpty() && place.isEmpty() && bic.isEmpty()) return;

    put("FII+I1++");
    if (!bic.isEmpty()) {
        putText(bic, false);
        put(":25:5");
    } else {
        put("::");
    }
    if (!name.isEmpty() || !place.isEmpty()) {
        put("::::");
        putText(name);
        if (!place.isEmpty()) {
            put(":");
            putText(place);
        }
    }
    if (!o.paysBqeI1.isEmpty()) {
        put("+");
        putStored(o.paysBqeI1);
    }
    endSegment();
}

void OrderFileWriter::writeFiiBeneficiaryBank(const OrderRecord& o) {
    const TwoFields name = twoFields(o.identBqeBE1, o.identBqeBE2);
    const TwoFields place = twoFields(o.identBqeBE3, o.villeBqeBE);
    const QStringView bic = blanksTrimmed(o.bicBqeBE);
    const bool hasCode = !isBlank(o.codeBqeBE);
    const bool hasIban = !isBlank(o.ibanBE);
    if (name.isEmpty() && place.isEmpty() && bic.isEmpty() && !hasCode) {
        put("FII+BF++:::::");
        endSegment();
        return;
    }

    QString joined;
    const QStringView account = beneficiaryAccount(o, joined);
    if (account.size() > 34)
        throw VbError(err::Application, kSourceOrderFile, o.refInterne + QStringLiteral(" : iban + code banque trop long"));

    // The institution's components stay in fixed places: BIC with "25" and "5" in 1 to 3, the
    // account's first 17 characters in 4, the name in 7 and the place in 8. The separators of
    // the components left empty wait in `pending` until something follows them.
    put("FII+BF+");
    putText(account.mid(17, 17), false);
    put("+");
    QString pending;
    if (!bic.isEmpty()) {
        putText(bic, false);
        put(":25:5");
    } else {
        pending = QStringLiteral("::");
    }
    if (hasIban) {
        put(pending);
        pending.clear();
        put(":");
        putText(account.left(17), false);
        put(hasCode ? ":XXX:XXX" : "::");
    } else {
        pending += QStringLiteral(":::");
    }
    if (!name.isEmpty() || !place.isEmpty()) {
        put(pending);
        put(":");
        putText(name);
        if (!place.isEmpty()) {
            put(":");
            putText(place);
        }
    }
    if (!o.paysBqeBE.isEmpty()) {
        put("+");
        putStored(o.paysBqeBE);
    }
    endSegment();
}

void OrderFileWriter::writeNadParties(const OrderRecord& o) {
    // The ordering customer has a segment of its own only when it is not the institution;
    // otherwise the institution's address goes under the customer's qualifier.
    const bool customerWritten = !samePartyOrderingCustomer(o) && !isBlank(o.identOY1);
    if (customerWritten) {
        put("NAD+OY++");
        writePartyBlock(o.identOY1, o.identOY2, o.identOY3, o.villeOY, o.codePostalOY, o.paysOY);
    }
    put(customerWritten ? "NAD+PL++" : "NAD+OY++");
    writePartyBlock(o.identPL1, o.identPL2, o.identPL3, o.villePL, o.codePostalPL, o.paysPL);
}

void OrderFileWriter::writePartyBlock(const QString& name, const QString& address1, const QString& address2,
                                      const QString& city, const QString& postcode, const QString& country) {
    put("+");
    putText(name, false);
    put("+");
    putText(address1, false);
    if (!isBlank(address2)) {
        put(":");
        putText(address2, false);
    }
    put("+");
    putText(city, true);
    put("++");
    putText(postcode, true);
    put("+");
    putStored(country);
    endSegment();
}

void OrderFileWriter::writeNadBeneficiary(const OrderRecord& o) {
    put("NAD+BE+++");
    putText(o.identBE1, false);
    put("+");
    putText(o.identBE2, false);
    if (!isBlank(o.identBE3)) {
        put(":");
        putText(o.identBE3, false);
    }
    put("+");
    putText(o.villeBE, true);
    put("+++");
    putStored(o.paysBE);
    endSegment();
}

void OrderFileWriter::writeCom(const OrderRecord& o) {
    if (o.avisBenefType == 2 && !isBlank(o.avisFax)) {
        put("COM+");
        putText(QStringView(o.avisFax).left(25), false);
        put(":FX");
    } else if (o.avisBenefType == 1 && !isBlank(o.avisTel)) {
        put("COM+");
        putText(QStringView(o.avisTel).left(25), false);
        put(":TE");
    } else {
        return;
    }
    endSegment();
}

void OrderFileWriter::writeDeclaration(const OrderRecord& o) {
    if (isBlank(o.codeEcono)) return;
    put("GIS+ZDB");
    endSegment();
    put("NAD+RA+17945:160:108");
    endSegment();
    put("FTX+REG+++");
    put(o.residentOY ? "0" : "1");
    putStoredPadded(o.codeEcono, 3);
    putStoredPadded(o.paysResBE, 3);
    putTextPadded(o.sirenDecla, 14);
    endSegment();
}

void OrderFileWriter::writeUnt() {
    // UNT counts itself.
    put("UNT+");
    putNumber(segmentCount_ + 1);
    put("+");
    putNumber(messageNumber_);
    endSegment();
}

}  // namespace vorna
