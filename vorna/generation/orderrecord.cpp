#include "generation/orderrecord.h"

#include "platform/db/recordset.h"
#include "platform/db/sqlvalues.h"

namespace vorna {

namespace {

// `into` becomes the text of the UTF-8 bytes. The bytes are widened into the room `into`
// already has; a text that turns out not to be plain ASCII, as nearly none is, is decoded again.
void assignUtf8(QString& into, QByteArrayView bytes) {
    const qsizetype n = bytes.size();
    const char* from = bytes.data();
    into.resize(n);
    char16_t* to = reinterpret_cast<char16_t*>(into.data());
    unsigned char high = 0;
    for (qsizetype k = 0; k < n; ++k) {
        const auto c = static_cast<unsigned char>(from[k]);
        high |= c;
        to[k] = c;
    }
    if (high & 0x80) into = QString::fromUtf8(bytes);
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
    storedIsText_.push_back(kind == detail::ColumnKind::Text || kind == detail::ColumnKind::Any);
    return position_++;
}

Value OrderReader::next(const char* name) const { return rs_.value(indexes_[nextPosition(name)]); }

// What value().toText() reads, taken from the stored bytes where they are the text.
void OrderReader::nextText(const char* name, QString& into) const {
    const size_t p = nextPosition(name);
    if (haveStored_) {
        switch (stored_[p]) {
        case Recordset::Stored::Null:
            if (!into.isNull()) into = QString();
            return;
        case Recordset::Stored::Text:
            if (storedIsText_[p] && !texts_[p].isEmpty()) {
                assignUtf8(into, texts_[p]);
                return;
            }
            break;
        case Recordset::Stored::Other: break;
        }
    }
    into = rs_.value(indexes_[p]).toText();
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
        rs_.storedAt(row, indexes_.data(), qsizetype(indexes_.size()), stored_.data(), texts_.data());
    }
    const auto text = [this](const char* name, QString& into) { nextText(name, into); };
    const auto whole = [this](const char* name) { return int(next(name).toInt()); };
    const auto flag = [this](const char* name) { return next(name).toBool(); };
    const auto date = [this](const char* name) { return next(name).toDateTime(); };

    o.idOrdre = next("idOrdre").toInt();
    o.typeOper = whole("typeOper");
    text("devPaiement", o.devPaiement);
    text("devOrdre", o.devOrdre);
    o.montant = next("montant").toDecimal();
    o.urgent = flag("urgent");
    text("refInterne", o.refInterne);
    o.dateCreation = date("dateCreation");

    text("ribOY", o.ribOY);
    text("identOY1", o.identOY1);
    text("identOY2", o.identOY2);
    text("identOY3", o.identOY3);
    text("codePostalOY", o.codePostalOY);
    text("villeOY", o.villeOY);
    text("paysOY", o.paysOY);

    text("ribPL", o.ribPL);
    text("identPL1", o.identPL1);
    text("identPL2", o.identPL2);
    text("identPL3", o.identPL3);
    text("codePostalPL", o.codePostalPL);
    text("villePL", o.villePL);
    text("paysPL", o.paysPL);

    text("bicBqeI1", o.bicBqeI1);
    text("identBqeI11", o.identBqeI11);
    text("identBqeI12", o.identBqeI12);
    text("identBqeI13", o.identBqeI13);
    text("villeBqeI1", o.villeBqeI1);
    text("paysBqeI1", o.paysBqeI1);

    text("bicBqeBE", o.bicBqeBE);
    text("codeBqeBE", o.codeBqeBE);
    text("identBqeBE1", o.identBqeBE1);
    text("identBqeBE2", o.identBqeBE2);
    text("identBqeBE3", o.identBqeBE3);
    text("villeBqeBE", o.villeBqeBE);
    text("paysBqeBE", o.paysBqeBE);

    text("identBE1", o.identBE1);
    text("identBE2", o.identBE2);
    text("identBE3", o.identBE3);
    text("villeBE", o.villeBE);
    text("paysBE", o.paysBE);
    text("ibanBE", o.ibanBE);

    text("motif1", o.motif1);
    text("motif2", o.motif2);
    text("motif3", o.motif3);
    text("motif4", o.motif4);

    o.frais = whole("frais");
    // Null is no kind of advice at all (not the free text of 0): nothing of it is written.
    const Value advice = next("avisBenefType");
    o.avisBenefType = advice.isNull() ? -1 : int(advice.toInt());
    text("avisTel", o.avisTel);
    text("avisBenef", o.avisBenef);
    text("avisFax", o.avisFax);

    text("codeEcono", o.codeEcono);
    text("paysResBE", o.paysResBE);
    text("sirenDecla", o.sirenDecla);
    o.residentOY = flag("residentOY");

    text("sirenPL", o.sirenPL);
    text("sirenOY", o.sirenOY);
    o.nbDeci = whole("nbDeci");
    o.dateGener = date("dateGener");
    o.genere = flag("genere");
    text("cMontant", o.cMontant);
    text("cDevises", o.cDevises);
    allFound_ = true;
}

}  // namespace vorna
