#pragma once

#include <QDateTime>
#include <QString>
#include <vector>

#include "platform/db/recordset.h"
#include "platform/value.h"

namespace vorna {

// One row of Ordres, in the order of its columns. Text columns read Null and empty alike as an
// empty text; Null numbers read 0, Null Booleans false and a Null date an invalid QDateTime.
struct OrderRecord {
    qint64 idOrdre = 0;
    int typeOper = 0;  // 0 transfer, 1 cheque, 2 settlement of a remittance, 3 placing at disposal
    QString devPaiement;
    QString devOrdre;
    Decimal montant;
    bool urgent = false;
    QString refInterne;
    QDateTime dateCreation;

    // Ordering customer.
    QString ribOY;
    QString identOY1;
    QString identOY2;
    QString identOY3;
    QString codePostalOY;
    QString villeOY;
    QString paysOY;

    // Ordering institution.
    QString ribPL;
    QString identPL1;
    QString identPL2;
    QString identPL3;
    QString codePostalPL;
    QString villePL;
    QString paysPL;

    // Intermediary bank.
    QString bicBqeI1;
    QString identBqeI11;
    QString identBqeI12;
    QString identBqeI13;
    QString villeBqeI1;
    QString paysBqeI1;

    // Beneficiary's bank.
    QString bicBqeBE;
    QString codeBqeBE;
    QString identBqeBE1;
    QString identBqeBE2;
    QString identBqeBE3;
    QString villeBqeBE;
    QString paysBqeBE;

    // Beneficiary.
    QString identBE1;
    QString identBE2;
    QString identBE3;
    QString villeBE;
    QString paysBE;
    QString ibanBE;

    QString motif1;
    QString motif2;
    QString motif3;
    QString motif4;

    int frais = 0;          // 0 ordering party, 1 beneficiary, 2 shared
    int avisBenefType = 0;  // 0 normal, 1 telephone, 2 fax; -1 when Null (no advice)
    QString avisTel;
    QString avisBenef;
    QString avisFax;

    // Balance-of-payments declaration.
    QString codeEcono;
    QString paysResBE;
    QString sirenDecla;
    bool residentOY = false;

    QString sirenPL;
    QString sirenOY;
    int nbDeci = 0;
    QDateTime dateGener;
    bool genere = false;
    QString cMontant;
    QString cDevises;
};

// The current row of a recordset on Ordres (any letter case of the column names).
OrderRecord fromRecordset(const Recordset& rs);

// Reads row after row of one recordset, finding the columns by name only once.
class OrderReader {
public:
    explicit OrderReader(const Recordset& rs);
    // The current row.
    OrderRecord read() const;
    // The current row into `o`, every field written: its texts keep their room for the next
    // row, so a walk over many rows reading into one record makes few new texts.
    void read(OrderRecord& o) const;

private:
    // The position of the next column read, found by its name on the first row.
    size_t nextPosition(const char* name) const {
        return position_ < indexes_.size() ? position_++ : findNext(name);
    }
    size_t findNext(const char* name) const;
    Value next(const char* name) const;
    void readStoredTexts(OrderRecord& o) const;
    void findText(const char* name, OrderRecord& o, QString OrderRecord::*member) const;
    // What value().toInt() and value().toBool() read at a position, taken from the stored whole
    // number where the column's type reads it as it is.
    qint64 wholeAt(size_t p) const;
    bool flagAt(size_t p) const;
    bool isNullAt(size_t p) const;
    bool storedWhole(size_t p, bool asFlag, qint64& n) const;

    // Per position: what the stored form of its column reads as, without making a Value. Text:
    // the stored bytes of a text are the text; Whole: a stored whole number is the number (and,
    // as a Boolean, true when not 0); Flag: a stored whole number is only read as a Boolean.
    enum class Shortcut : quint8 { None, Text, Whole, Flag };

    const Recordset& rs_;
    mutable std::vector<int> indexes_;
    mutable std::vector<Shortcut> shortcut_;
    // The text columns, in the order read, with the member each fills.
    struct TextColumn {
        size_t position;
        QString OrderRecord::*member;
    };
    mutable std::vector<TextColumn> textColumns_;
    mutable size_t position_ = 0;
    // Once every column is found, the stored form of the current row's columns, read at once.
    mutable bool allFound_ = false;
    mutable bool haveStored_ = false;  // stored_, texts_ and wholes_ hold the current row's
    mutable std::vector<Recordset::Stored> stored_;
    mutable std::vector<QByteArrayView> texts_;
    mutable std::vector<qint64> wholes_;
};

}  // namespace vorna
