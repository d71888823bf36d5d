#include "generation/orderrecord.h"

#include "platform/db/recordset.h"

namespace vorna {

OrderRecord fromRecordset(const Recordset& rs) { return OrderReader(rs).read(); }

OrderReader::OrderReader(const Recordset& rs) : rs_(rs) {}

// The columns are read in the same order for every row: the first row finds each by its name,
// the next ones by the position found.
Value OrderReader::next(const char* name) const {
    if (position_ == indexes_.size()) {
        const int i = rs_.fieldIndex(QLatin1String(name));
        if (i < 0) return rs_.value(QLatin1String(name));  // raises the missing field's error
        indexes_.push_back(i);
    }
    return rs_.value(indexes_[position_++]);
}

OrderRecord OrderReader::read() const {
    position_ = 0;
    const auto text = [this](const char* name) { return next(name).toText(); };
    const auto whole = [this](const char* name) { return int(next(name).toInt()); };
    const auto flag = [this](const char* name) { return next(name).toBool(); };
    const auto date = [this](const char* name) { return next(name).toDateTime(); };

    OrderRecord o;
    o.idOrdre = next("idOrdre").toInt();
    o.typeOper = whole("typeOper");
    o.devPaiement = text("devPaiement");
    o.devOrdre = text("devOrdre");
    o.montant = next("montant").toDecimal();
    o.urgent = flag("urgent");
    o.refInterne = text("refInterne");
    o.dateCreation = date("dateCreation");

    o.ribOY = text("ribOY");
    o.identOY1 = text("identOY1");
    o.identOY2 = text("identOY2");
    o.identOY3 = text("identOY3");
    o.codePostalOY = text("codePostalOY");
    o.villeOY = text("villeOY");
    o.paysOY = text("paysOY");

    o.ribPL = text("ribPL");
    o.identPL1 = text("identPL1");
    o.identPL2 = text("identPL2");
    o.identPL3 = text("identPL3");
    o.codePostalPL = text("codePostalPL");
    o.villePL = text("villePL");
    o.paysPL = text("paysPL");

    o.bicBqeI1 = text("bicBqeI1");
    o.identBqeI11 = text("identBqeI11");
    o.identBqeI12 = text("identBqeI12");
    o.identBqeI13 = text("identBqeI13");
    o.villeBqeI1 = text("villeBqeI1");
    o.paysBqeI1 = text("paysBqeI1");

    o.bicBqeBE = text("bicBqeBE");
    o.codeBqeBE = text("codeBqeBE");
    o.identBqeBE1 = text("identBqeBE1");
    o.identBqeBE2 = text("identBqeBE2");
    o.identBqeBE3 = text("identBqeBE3");
    o.villeBqeBE = text("villeBqeBE");
    o.paysBqeBE = text("paysBqeBE");

    o.identBE1 = text("identBE1");
    o.identBE2 = text("identBE2");
    o.identBE3 = text("identBE3");
    o.villeBE = text("villeBE");
    o.paysBE = text("paysBE");
    o.ibanBE = text("ibanBE");

    o.motif1 = text("motif1");
    o.motif2 = text("motif2");
    o.motif3 = text("motif3");
    o.motif4 = text("motif4");

    o.frais = whole("frais");
    o.avisBenefType = whole("avisBenefType");
    o.avisTel = text("avisTel");
    o.avisBenef = text("avisBenef");
    o.avisFax = text("avisFax");

    o.codeEcono = text("codeEcono");
    o.paysResBE = text("paysResBE");
    o.sirenDecla = text("sirenDecla");
    o.residentOY = flag("residentOY");

    o.sirenPL = text("sirenPL");
    o.sirenOY = text("sirenOY");
    o.nbDeci = whole("nbDeci");
    o.dateGener = date("dateGener");
    o.genere = flag("genere");
    o.cMontant = text("cMontant");
    o.cDevises = text("cDevises");
    return o;
}

}  // namespace vorna
