#include "common/tempstartfolder.h"
#include "generation/orderfilesupport.h"
#include "platform/db/recordset.h"

using namespace vorna;
using vorna::test::TempStartFolder;

namespace {

// Every column of Ordres with a value of its own, so that a column read from another one shows.
TempStartFolder::Fields everyColumn() {
    TempStartFolder::Fields f = {
        {"typeOper", 2}, {"montant", Decimal(123456, 2)}, {"urgent", true}, {"dateCreation", QDateTime(QDate(2026, 3, 1), QTime(8, 30))},
        {"frais", 1}, {"avisBenefType", 2}, {"residentOY", false}, {"nbDeci", 3},
        {"dateGener", QDateTime(QDate(2026, 3, 2), QTime(10, 0, 5))}, {"genere", false},
    };
    const char* const texts[] = {
        "devPaiement", "devOrdre", "refInterne", "ribOY", "identOY1", "identOY2", "identOY3", "codePostalOY",
        "villeOY", "paysOY", "ribPL", "identPL1", "identPL2", "identPL3", "codePostalPL", "villePL", "paysPL",
        "bicBqeI1", "identBqeI11", "identBqeI12", "identBqeI13", "villeBqeI1", "paysBqeI1", "bicBqeBE",
        "codeBqeBE", "identBqeBE1", "identBqeBE2", "identBqeBE3", "villeBqeBE", "paysBqeBE", "identBE1",
        "identBE2", "identBE3", "villeBE", "paysBE", "ibanBE", "motif1", "motif2", "motif3", "motif4",
        "avisTel", "avisBenef", "avisFax", "codeEcono", "paysResBE", "sirenDecla", "sirenPL", "sirenOY",
        "cMontant", "cDevises"};
    // Short values: some columns hold two or three characters.
    int n = 0;
    for (const char* name : texts)
        f << qMakePair(QString::fromLatin1(name), Value(QStringLiteral("%1").arg(n++, 2, 36, QChar(u'0'))));
    return f;
}

// The rows the generation reads, in its order.
std::unique_ptr<Recordset> pendingOrders(const ConnectionPtr& c) {
    auto rs = std::make_unique<Recordset>();
    rs->open(QStringLiteral("select '' as etat, * from Ordres where genere = false"), c);
    rs->sort(QStringLiteral("idOrdre ASC"));
    return rs;
}

}  // namespace

class OrderRecordMapping : public vorna::test::OrderFileTest {};

TEST_F(OrderRecordMapping, ReadsEveryColumnByItsName) {
    TempStartFolder folder;
    folder.createWorkingDatabase();
    const ConnectionPtr c = folder.openWorking();
    const TempStartFolder::Fields fields = everyColumn();
    const qint64 id = TempStartFolder::insertOrder(c, fields);

    const auto rs = pendingOrders(c);
    ASSERT_EQ(rs->recordCount(), 1);
    const OrderRecord o = fromRecordset(*rs);
    EXPECT_EQ(o.idOrdre, id);
    EXPECT_EQ(o.typeOper, 2);
    EXPECT_EQ(o.montant, Decimal(123456, 2));
    EXPECT_EQ(o.montant.toString(), "1234.56");
    EXPECT_TRUE(o.urgent);
    EXPECT_EQ(o.dateCreation, QDateTime(QDate(2026, 3, 1), QTime(8, 30)));
    EXPECT_EQ(o.frais, 1);
    EXPECT_EQ(o.avisBenefType, 2);
    EXPECT_FALSE(o.residentOY);
    EXPECT_EQ(o.nbDeci, 3);
    EXPECT_EQ(o.dateGener, QDateTime(QDate(2026, 3, 2), QTime(10, 0, 5)));
    EXPECT_FALSE(o.genere);

    const QList<QString OrderRecord::*> textMembers = {
        &OrderRecord::devPaiement, &OrderRecord::devOrdre, &OrderRecord::refInterne, &OrderRecord::ribOY,
        &OrderRecord::identOY1, &OrderRecord::identOY2, &OrderRecord::identOY3, &OrderRecord::codePostalOY,
        &OrderRecord::villeOY, &OrderRecord::paysOY, &OrderRecord::ribPL, &OrderRecord::identPL1,
        &OrderRecord::identPL2, &OrderRecord::identPL3, &OrderRecord::codePostalPL, &OrderRecord::villePL,
        &OrderRecord::paysPL, &OrderRecord::bicBqeI1, &OrderRecord::identBqeI11, &OrderRecord::identBqeI12,
        &OrderRecord::identBqeI13, &OrderRecord::villeBqeI1, &OrderRecord::paysBqeI1, &OrderRecord::bicBqeBE,
        &OrderRecord::codeBqeBE, &OrderRecord::identBqeBE1, &OrderRecord::identBqeBE2, &OrderRecord::identBqeBE3,
        &OrderRecord::villeBqeBE, &OrderRecord::paysBqeBE, &OrderRecord::identBE1, &OrderRecord::identBE2,
        &OrderRecord::identBE3, &OrderRecord::villeBE, &OrderRecord::paysBE, &OrderRecord::ibanBE,
        &OrderRecord::motif1, &OrderRecord::motif2, &OrderRecord::motif3, &OrderRecord::motif4,
        &OrderRecord::avisTel, &OrderRecord::avisBenef, &OrderRecord::avisFax, &OrderRecord::codeEcono,
        &OrderRecord::paysResBE, &OrderRecord::sirenDecla, &OrderRecord::sirenPL, &OrderRecord::sirenOY,
        &OrderRecord::cMontant, &OrderRecord::cDevises};
    // The text fields follow the numeric ones in everyColumn(), in the same order as above.
    const qsizetype firstText = fields.size() - textMembers.size();
    for (qsizetype i = 0; i < textMembers.size(); ++i)
        EXPECT_EQ(o.*textMembers[i], fields[firstText + i].second.toText()) << fields[firstText + i].first.toStdString();
}

TEST_F(OrderRecordMapping, NullColumnsReadEmpty) {
    TempStartFolder folder;
    folder.createWorkingDatabase();
    const ConnectionPtr c = folder.openWorking();
    TempStartFolder::insertOrder(c, {{"devOrdre", Value::null()}, {"identBE1", ""}, {"motif1", Value::null()},
                                     {"urgent", Value::null()}, {"residentOY", Value::null()}, {"frais", Value::null()},
                                     {"dateCreation", Value::null()}});
    const auto rs = pendingOrders(c);
    const OrderRecord o = fromRecordset(*rs);
    EXPECT_TRUE(o.devOrdre.isEmpty());
    EXPECT_TRUE(o.identBE1.isEmpty());
    EXPECT_TRUE(o.motif1.isEmpty());
    EXPECT_TRUE(o.ribPL.isEmpty());
    EXPECT_FALSE(o.urgent);
    EXPECT_FALSE(o.residentOY);
    EXPECT_EQ(o.frais, 0);
    EXPECT_FALSE(o.dateCreation.isValid());
    EXPECT_FALSE(o.dateGener.isValid());
}

// One record read into row after row, as the generation does, holds each row's own values: a
// shorter text after a longer one, accented letters, Null and empty after a text and back, and
// numbers and Booleans of every kind, Null ones among them.
TEST_F(OrderRecordMapping, OneRecordReadRowAfterRowHoldsEachRowsTexts) {
    TempStartFolder folder;
    folder.createWorkingDatabase();
    const ConnectionPtr c = folder.openWorking();
    const char* const columns[] = {"identBE1", "devOrdre", "villePL", "typeOper", "frais", "urgent", "avisBenefType", "residentOY"};
    const Value rows[][8] = {
        {"HANSEATIC SHIPPING 1 GMBH", "USD", "LILLE", 1, 0, true, 2, false},
        {"AB", Value::null(), "Hôtel Dieu", 3, 2, Value::null(), Value::null(), true},
        {"ÉTÉ À PARIS", "", "LILLE", 0, 1, false, 0, Value::null()},
        {Value::null(), "EUR", "", 2, Value::null(), true, 1, true},
        {"CD", "GBP", Value::null(), Value::null(), 2, false, 2, false},
        // Accents at every stage of a long text's widening, and texts of exactly 8 and 16 bytes.
        {"SOCIÉTÉ ANONYME DES TRANSPORTS", "EUR", "ABCDEFGHIJKLMNOPQRÀSTUVWXYZ", 1, 1, true, 1, false},
        {"ABCDEFGHIJKLMNOP", Value::null(), "ABCDEFGH", 2, 0, false, 0, true},
        {"ABCÉ", "JPY", "ABCDEFGHIJKLMNOPQRSTUVWXYZ01234É", 0, 2, true, 2, false},
    };
    const int count = int(std::size(rows));
    for (int n = 0; n < count; ++n) {
        TempStartFolder::Fields f{{"nbDeci", n + 1}, {"montant", Decimal((n + 1) * 1234, 2)}};
        for (int k = 0; k < 8; ++k) f.append({columns[k], rows[n][k]});
        TempStartFolder::insertOrder(c, f);
    }
    const auto rs = pendingOrders(c);
    ASSERT_EQ(rs->recordCount(), count);
    const OrderReader reader(*rs);
    const auto numbers = [](const OrderRecord& r) {
        return std::tuple(r.idOrdre, r.typeOper, r.frais, r.urgent, r.avisBenefType, r.residentOY, r.nbDeci, r.genere, r.montant);
    };
    OrderRecord o;
    int n = 0;
    for (rs->moveFirst(); !rs->eof(); rs->moveNext(), ++n) {
        reader.read(o);
        const OrderRecord fresh = fromRecordset(*rs);
        int k = 0;
        for (const auto m : {&OrderRecord::identBE1, &OrderRecord::devOrdre, &OrderRecord::villePL}) {
            EXPECT_EQ(o.*m, rows[n][k++].toText()) << n;
            EXPECT_EQ((o.*m).isNull(), (fresh.*m).isNull()) << n;
        }
        EXPECT_TRUE(numbers(o) == numbers(fresh)) << n;
        EXPECT_EQ(o.nbDeci, n + 1);
    }
}

// The pending orders of a real working database, read as the generation reads them, give the
// interchange byte for byte.
TEST_F(OrderRecordMapping, InterchangeFromTheWorkingDatabase) {
    TempStartFolder folder;
    folder.createWorkingDatabase();
    const ConnectionPtr c = folder.openWorking();
    const OrderRecord m = vorna::test::minimalOrder();
    const TempStartFolder::Fields minimal = {
        {"devOrdre", Value::null()}, {"montant", Decimal::fromDouble(1234.5)}, {"refInterne", m.refInterne},
        {"ribPL", m.ribPL}, {"identPL1", m.identPL1}, {"identPL2", m.identPL2}, {"codePostalPL", m.codePostalPL},
        {"villePL", m.villePL}, {"paysPL", m.paysPL}, {"identBE1", m.identBE1}, {"identBE2", m.identBE2},
        {"villeBE", m.villeBE}, {"paysBE", m.paysBE}, {"motif1", Value::null()}, {"residentOY", Value::null()}};
    TempStartFolder::insertOrder(c, minimal);
    TempStartFolder::insertOrder(c, {{"genere", true}, {"refInterne", "DEJA GENERE"}});
    TempStartFolder::Fields second = minimal;
    second << qMakePair(QStringLiteral("montant"), Value(Decimal(7, 2)))
           << qMakePair(QStringLiteral("devOrdre"), Value("USD"));
    TempStartFolder::insertOrder(c, second);

    const auto rs = pendingOrders(c);
    ASSERT_EQ(rs->recordCount(), 2);
    QList<OrderRecord> orders;
    for (rs->moveFirst(); !rs->eof(); rs->moveNext()) orders << fromRecordset(*rs);
    EXPECT_LT(orders[0].idOrdre, orders[1].idOrdre);

    const QByteArray bytes = interchange(orders);
    const QString message =
        "BGM+450+REF-12+9'DTM+137:260307090502:202'DTM+203:260307:101'FTX+PMD'FCA+15'";
    const QString tail =
        "FII+OR+1234567890123:BANQUE DU NORD::EUR+:::1234567890:25:108'FII+BF++:::::'"
        "NAD+OY+++BANQUE DU NORD+1 RUE HAUTE+LILLE++59000+FR'NAD+BE+++JOHN SMITH+5 MAIN STREET+NEW YORK+++US'";
    const QString expected = "UNB+UNOA:1+BANQUE DU NORD:ZZ+48213067500027:5+260307:0905+SOLMEX RUVAK'"
                             "UNH+1+PAYORD:D:93A:UN'" + message + "MOA+9:1234,50:EUR'" + tail + "UNT+12+1'"
                             "UNH+2+PAYORD:D:93A:UN'" + "BGM+450+REF-12+9'DTM+137:260307090502:202'DTM+203:260307:101'"
                             "FTX+PMD+++USD EN EUR'FCA+15'MOA+9:0,07:XXX'CUX+2:USD+3:EUR'" + tail + "UNT+13+2'"
                             "UNZ+2+SOLMEX RUVAK'";
    EXPECT_EQ(bytes, expected.toLatin1());
}

// A Null advice kind is no kind at all: like any value other than 0, 1 and 2 it writes no
// advice, where 0 would write the free text under "/REC/".
TEST_F(OrderRecordMapping, ANullAdviceKindWritesNoAdvice) {
    TempStartFolder folder;
    folder.createWorkingDatabase();
    const ConnectionPtr c = folder.openWorking();
    const struct {
        Value kind;
        bool advised;
    } cases[] = {{Value::null(), false}, {Value(0), true}, {Value(7), false}};
    for (const auto& k : cases) {
        c->execute(QStringLiteral("delete from Ordres"));
        TempStartFolder::insertOrder(c, {{"avisBenefType", k.kind}, {"avisBenef", "PAYER"}, {"genere", false}});
        const auto rs = pendingOrders(c);
        ASSERT_EQ(rs->recordCount(), 1);
        OrderRecord o = vorna::test::minimalOrder();
        const OrderRecord read = fromRecordset(*rs);
        o.avisBenefType = read.avisBenefType;
        o.avisBenef = read.avisBenef;
        const QString details = segment(o, "FTX+PMD");
        EXPECT_EQ(details.contains("/REC/PAYER"), k.advised) << k.kind.toText().toStdString() << " " << details.toStdString();
    }
}
