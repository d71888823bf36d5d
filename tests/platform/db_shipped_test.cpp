// The shipped databases as the build makes them: layouts, defaults, reference contents.

#include <gtest/gtest.h>

#include <QFile>

#include "common/tempstartfolder.h"
#include "platform/db/recordset.h"

using namespace vorna;
using vorna::test::TempStartFolder;

namespace {

int csvRows(const char* name) {
    QFile f(QStringLiteral(VORNA_SOURCE_DIR "/data/") + QLatin1String(name));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    int n = 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (!line.trimmed().isEmpty()) ++n;
    return n - 1;  // the header
}

QStringList fieldNames(Recordset& rs) {
    QStringList out;
    for (int i = 0; i < rs.fieldCount(); ++i) out << rs.fieldInfo(i).name;
    return out;
}

}  // namespace

TEST(ShippedDatabases, TheTemplateHoldsTheThreeWorkingTablesEmpty) {
    TempStartFolder folder;
    auto c = openConnection(folder.connectionString(QStringLiteral("Vorna.mdb")));
    Recordset rs;
    rs.open(QStringLiteral("Ordres"), c);
    EXPECT_EQ(rs.recordCount(), 0);
    QStringList names = fieldNames(rs);
    ASSERT_EQ(names.size(), 61);
    // The order the upgrade copies them in.
    EXPECT_EQ(names.mid(0, 8), QStringList({"idOrdre", "typeOper", "devPaiement", "devOrdre", "montant", "urgent", "refInterne",
                                             "dateCreation"}));
    EXPECT_EQ(names.mid(53), QStringList({"residentOY", "sirenPL", "sirenOY", "nbDeci", "dateGener", "genere", "cMontant",
                                           "cDevises"}));
    const QStringList orderColumns = names;

    rs.open(QStringLiteral("Modeles"), c);
    names = fieldNames(rs);
    ASSERT_EQ(names.size(), 55);
    EXPECT_EQ(names.first(), "idModele");
    EXPECT_EQ(names.mid(1, 53), orderColumns.mid(1, 53));  // typeOper to residentOY
    EXPECT_EQ(names.last(), "description");

    rs.open(QStringLiteral("ParamRef"), c);
    names = fieldNames(rs);
    EXPECT_EQ(names, QStringList({"idUniq", "radicalRef", "reperGener", "ribOY", "identOY1", "identOY2", "identOY3",
                                  "codePostalOY", "villeOY", "paysOY", "sirenOY", "residentOY", "modifiableOY", "ribPL",
                                  "identPL1", "identPL2", "identPL3", "codePostalPL", "villePL", "paysPL", "sirenPL",
                                  "residentPL", "modifiablePL", "BICZUL", "version", "modeTransfert", "partCft"}));
    EXPECT_EQ(rs.recordCount(), 0);

    // The previous layout: the same first 23 settings columns, the same orders and templates.
    folder.createOldWorkingDatabase();
    auto old = folder.openWorking();
    rs.open(QStringLiteral("ParamRef"), old);
    EXPECT_EQ(fieldNames(rs), names.mid(0, 23));
    rs.open(QStringLiteral("Ordres"), old);
    EXPECT_EQ(fieldNames(rs), orderColumns);
}

TEST(ShippedDatabases, CopiedOrderNumbersAreNeverGivenAgain) {
    TempStartFolder folder;
    folder.createWorkingDatabase();
    auto c = folder.openWorking();
    // The upgrade copies orders with their own numbers.
    TempStartFolder::insertOrder(c, {{"idOrdre", 500}});
    TempStartFolder::insertOrder(c, {{"idOrdre", 20}});
    const qint64 next = TempStartFolder::insertOrder(c);
    EXPECT_EQ(next, 501);
    c->execute(QStringLiteral("delete from Ordres where idOrdre >= 500"));
    EXPECT_EQ(TempStartFolder::insertOrder(c), 502);
}

TEST(ShippedDatabases, TheReferenceTablesHoldTheSuppliedLists) {
    TempStartFolder folder;
    auto c = folder.openReference();
    const struct {
        const char* table;
        const char* csv;
    } tables[] = {{"Pays", "pays.csv"}, {"PaysEEE", "pays_eee.csv"}, {"Devises", "devises.csv"}, {"CodesEcono", "codes_econo.csv"}};
    for (const auto& t : tables) {
        Recordset rs;
        rs.open(QLatin1String(t.table), c, CursorType::ForwardOnly, LockType::ReadOnly);
        EXPECT_EQ(rs.recordCount(), csvRows(t.csv)) << t.table;
        EXPECT_GT(rs.recordCount(), 10) << t.table;
    }
    Recordset rs;
    rs.open(QStringLiteral("select Code,Description,nbDecimale from Devises Order by Description"), c);
    ASSERT_TRUE(rs.find(QStringLiteral("Code"), QStringLiteral("EUR"), FindStart::First));
    EXPECT_EQ(rs.value(QStringLiteral("Description")).toText(), "Euro");
    EXPECT_EQ(rs.value(QStringLiteral("nbDecimale")), Value(qint64(2)));
    ASSERT_TRUE(rs.find(QStringLiteral("Code"), QStringLiteral("JPY"), FindStart::First));
    EXPECT_EQ(rs.value(QStringLiteral("nbDecimale")), Value(qint64(0)));
    ASSERT_TRUE(rs.find(QStringLiteral("Code"), QStringLiteral("KWD"), FindStart::First));
    EXPECT_EQ(rs.value(QStringLiteral("nbDecimale")), Value(qint64(3)));

    // The pick list's order puts an accented name among its letter.
    rs.open(QStringLiteral("select Code,Description from Pays Order by Description"), c);
    QStringList codes;
    for (; !rs.eof(); rs.moveNext()) codes << rs.value(0).toText();
    const int ae = int(codes.indexOf(QStringLiteral("AE"))), dk = int(codes.indexOf(QStringLiteral("DK"))),
              es = int(codes.indexOf(QStringLiteral("ES"))), fi = int(codes.indexOf(QStringLiteral("FI")));
    EXPECT_LT(dk, ae);
    EXPECT_LT(ae, es);  // Émirats before Espagne
    EXPECT_LT(es, fi);

    // Codes are unique whatever their letter case.
    EXPECT_EQ([&] {
        try {
            c->execute(QStringLiteral("insert into Pays (Code, Description) values ('fr', 'Doublon')"));
        } catch (const VbError& e) {
            return e.number;
        }
        return 0L;
    }(), err::DatabaseError);
}
