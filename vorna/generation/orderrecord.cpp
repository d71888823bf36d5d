#include "generation/orderrecord.h"

#include <cstring>

#include "platform/db/recordset.h"
#include "platform/db/sqlvalues.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace vorna {

namespace {

// `into` becomes the text of the UTF-8 bytes. The bytes are widened into the room `into`
// already has; a text that turns out not to be plain ASCII, as nearly none is, is decoded again.
void assignUtf8(QString& into, QByteArrayView bytes) {
    const qsizetype n = bytes.size();
    const char* from = bytes.data();
    if (into.size() != n || !into.isDetached()) into.resize(n);
    char16_t* to = reinterpret_cast<char16_t*>(into.data());
    qsizetype k = 0;
#ifdef __SSE2__
    // Sixteen bytes at a time, then eight; the last eight of a text of eight or more are
    // widened again where they overlap what is done (the same characters), so no byte is left
    // to the loop below. Any byte from 0x80 on sets its bit in `high`.
    const __m128i zero = _mm_setzero_si128();
    int high = 0;
    const auto widenEight = [&](qsizetype at) {
        const __m128i eight = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(from + at));
        high |= _mm_movemask_epi8(eight);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + at), _mm_unpacklo_epi8(eight, zero));
    };
    for (; k + 16 <= n; k += 16) {
        const __m128i sixteen = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + k));
        high |= _mm_movemask_epi8(sixteen);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + k), _mm_unpacklo_epi8(sixteen, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + k + 8), _mm_unpackhi_epi8(sixteen, zero));
    }
    if (k + 8 <= n) {
        widenEight(k);
        k += 8;
    }
    if (k < n && n >= 8) {
        widenEight(n - 8);
        k = n;
    }
    // A text of four to seven bytes: its first four and its last four.
    const auto widenFour = [&](qsizetype at) {
        int word;
        std::memcpy(&word, from + at, 4);
        const __m128i four = _mm_cvtsi32_si128(word);
        high |= _mm_movemask_epi8(four);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(to + at), _mm_unpacklo_epi8(four, zero));
    };
    if (n >= 4 && n < 8) {
        widenFour(0);
        widenFour(n - 4);
        k = n;
    }
#else
    unsigned char high = 0;
#endif
    for (; k < n; ++k) {
        const auto c = static_cast<unsigned char>(from[k]);
        high |= c & 0x80;
        to[k] = c;
    }
    if (high) into = QString::fromUtf8(bytes);
}

}  // namespace

OrderRecord fromRecordset(const Recordset& rs) { return OrderReader(rs).read(); }

OrderReader::OrderReader(const Recordset& rs) : rs_(rs) {}

// The columns are read in the same order for every row: the first row finds each by its name,
// the next ones by the position found.
size_t OrderReader::findNext(const char* name) const {
    const int i = rs_.fieldIndex(QLatin1String(name));
    if (i < 0) (void)rs_.value(QLatin1String(name));  // raises the missing field's error
    const detail::ColumnKind kind = detail::kindOfDeclaredType(rs_.fieldInfo(i).declaredType);
    indexes_.push_back(i);
    switch (kind) {
    case detail::ColumnKind::Text:
    case detail::ColumnKind::Any: shortcut_.push_back(Shortcut::Text); break;
    case detail::ColumnKind::Int: shortcut_.push_back(Shortcut::Whole); break;
    case detail::ColumnKind::Bool: shortcut_.push_back(Shortcut::Flag); break;
    default: shortcut_.push_back(Shortcut::None); break;
    }
    return position_++;
}

// A Null reads 0 and false; a whole number is stored as such in a column of whole numbers or
// of Booleans, which decode it as itself, or as true when it is not 0.
bool OrderReader::storedWhole(size_t p, bool asFlag, qint64& n) const {
    if (!haveStored_) return false;
    const Shortcut s = shortcut_[p];
    if (s != Shortcut::Whole && !(asFlag && s == Shortcut::Flag)) return false;
    switch (stored_[p]) {
    case Recordset::Stored::Null: n = 0; return true;
    case Recordset::Stored::Whole: n = wholes_[p]; return true;
    default: return false;
    }
}

qint64 OrderReader::wholeAt(size_t p) const {
    qint64 n;
    return storedWhole(p, false, n) ? n : rs_.value(indexes_[p]).toInt();
}

bool OrderReader::flagAt(size_t p) const {
    qint64 n;
    return storedWhole(p, true, n) ? n != 0 : rs_.value(indexes_[p]).toBool();
}

bool OrderReader::isNullAt(size_t p) const {
    return haveStored_ ? stored_[p] == Recordset::Stored::Null : rs_.value(indexes_[p]).isNull();
}

Value OrderReader::next(const char* name) const {
    const size_t p = nextPosition(name);
    if (haveStored_ && stored_[p] == Recordset::Stored::Null) return Value::null();
    return rs_.value(indexes_[p]);
}

// What value().toText() reads for every text column, taken from the stored bytes where they are
// the text.
void OrderReader::readStoredTexts(OrderRecord& o) const {
    for (const TextColumn& t : textColumns_) {
        const size_t p = t.position;
        QString& into = o.*t.member;
        switch (stored_[p]) {
        case Recordset::Stored::Null:
            if (!into.isNull()) into = QString();
            continue;
        case Recordset::Stored::Text:
            if (shortcut_[p] == Shortcut::Text && !texts_[p].isEmpty()) {
                assignUtf8(into, texts_[p]);
                continue;
            }
            break;
        case Recordset::Stored::Other:
        case Recordset::Stored::Whole: break;
        }
        into = rs_.value(indexes_[p]).toText();
    }
}

// The first row's text, found by its column's name.
void OrderReader::findText(const char* name, OrderRecord& o, QString OrderRecord::*member) const {
    const size_t p = nextPosition(name);
    if (!allFound_) textColumns_.push_back({p, member});
    o.*member = rs_.value(indexes_[p]).toText();
}

OrderRecord OrderReader::read() const {
    OrderRecord o;
    read(o);
    return o;
}

void OrderReader::read(OrderRecord& o) const {
    position_ = 0;
    const int row = rs_.absolutePosition() - 1;
    haveStored_ = allFound_ && row >= 0;
    if (haveStored_) {
        stored_.resize(indexes_.size());
        texts_.resize(indexes_.size());
        wholes_.resize(indexes_.size());
        rs_.storedAt(row, indexes_.data(), qsizetype(indexes_.size()), stored_.data(), texts_.data(), wholes_.data());
    }
    // The texts, most of the row, are read in one walk once a first row has found them all (a
    // first read that failed half-way finds them again); each then only takes its place.
    if (!allFound_) textColumns_.clear();
    if (haveStored_) readStoredTexts(o);
    const auto text = [&](const char* name, QString OrderRecord::*member) {
        if (haveStored_) ++position_;
        else findText(name, o, member);
    };
    const auto whole = [this](const char* name) { return int(wholeAt(nextPosition(name))); };
    const auto flag = [this](const char* name) { return flagAt(nextPosition(name)); };
    const auto date = [this](const char* name) { return next(name).toDateTime(); };

    o.idOrdre = wholeAt(nextPosition("idOrdre"));
    o.typeOper = whole("typeOper");
    text("devPaiement", &OrderRecord::devPaiement);
    text("devOrdre", &OrderRecord::devOrdre);
    o.montant = next("montant").toDecimal();
    o.urgent = flag("urgent");
    text("refInterne", &OrderRecord::refInterne);
    o.dateCreation = date("dateCreation");

    text("ribOY", &OrderRecord::ribOY);
    text("identOY1", &OrderRecord::identOY1);
    text("identOY2", &OrderRecord::identOY2);
    text("identOY3", &OrderRecord::identOY3);
    text("codePostalOY", &OrderRecord::codePostalOY);
    text("villeOY", &OrderRecord::villeOY);
    text("paysOY", &OrderRecord::paysOY);

    text("ribPL", &OrderRecord::ribPL);
    text("identPL1", &OrderRecord::identPL1);
    text("identPL2", &OrderRecord::identPL2);
    text("identPL3", &OrderRecord::identPL3);
    text("codePostalPL", &OrderRecord::codePostalPL);
    text("villePL", &OrderRecord::villePL);
    text("paysPL", &OrderRecord::paysPL);

    text("bicBqeI1", &OrderRecord::bicBqeI1);
    text("identBqeI11", &OrderRecord::identBqeI11);
    text("identBqeI12", &OrderRecord::identBqeI12);
    text("identBqeI13", &OrderRecord::identBqeI13);
    text("villeBqeI1", &OrderRecord::villeBqeI1);
    text("paysBqeI1", &OrderRecord::paysBqeI1);

    text("bicBqeBE", &OrderRecord::bicBqeBE);
    text("codeBqeBE", &OrderRecord::codeBqeBE);
    text("identBqeBE1", &OrderRecord::identBqeBE1);
    text("identBqeBE2", &OrderRecord::identBqeBE2);
    text("identBqeBE3", &OrderRecord::identBqeBE3);
    text("villeBqeBE", &OrderRecord::villeBqeBE);
    text("paysBqeBE", &OrderRecord::paysBqeBE);

    text("identBE1", &OrderRecord::identBE1);
    text("identBE2", &OrderRecord::identBE2);
    text("identBE3", &OrderRecord::identBE3);
    text("villeBE", &OrderRecord::villeBE);
    text("paysBE", &OrderRecord::paysBE);
    text("ibanBE", &OrderRecord::ibanBE);

    text("motif1", &OrderRecord::motif1);
    text("motif2", &OrderRecord::motif2);
    text("motif3", &OrderRecord::motif3);
    text("motif4", &OrderRecord::motif4);

    o.frais = whole("frais");
    // Null is no kind of advice at all (not the free text of 0): nothing of it is written.
    const size_t advice = nextPosition("avisBenefType");
    o.avisBenefType = isNullAt(advice) ? -1 : int(wholeAt(advice));
    text("avisTel", &OrderRecord::avisTel);
    text("avisBenef", &OrderRecord::avisBenef);
    text("avisFax", &OrderRecord::avisFax);

    text("codeEcono", &OrderRecord::codeEcono);
    text("paysResBE", &OrderRecord::paysResBE);
    text("sirenDecla", &OrderRecord::sirenDecla);
    o.residentOY = flag("residentOY");

    text("sirenPL", &OrderRecord::sirenPL);
    text("sirenOY", &OrderRecord::sirenOY);
    o.nbDeci = whole("nbDeci");
    o.dateGener = date("dateGener");
    o.genere = flag("genere");
    text("cMontant", &OrderRecord::cMontant);
    text("cDevises", &OrderRecord::cDevises);
    allFound_ = true;
}

}  // namespace vorna
