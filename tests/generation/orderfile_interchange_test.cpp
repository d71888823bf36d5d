#include "generation/orderfilesupport.h"

#include <cerrno>

#include "common/errorof.h"

using namespace vorna;
using vorna::test::blanks;
using vorna::test::errorOf;
using vorna::test::minimalOrder;
using vorna::test::OrderFileTest;

namespace {

// An order that carries every optional segment.
OrderRecord fullOrder() {
    OrderRecord o = minimalOrder();
    o.idOrdre = 2;
    o.typeOper = 3;
    o.devOrdre = QStringLiteral("USD");
    o.montant = Decimal(250075, 2);
    o.urgent = true;
    o.refInterne = QStringLiteral("REF-13");
    o.ribOY = QStringLiteral("30004000031234567890185");
    o.identOY1 = QStringLiteral("DUPONT SA");
    o.identOY2 = QStringLiteral("2 PLACE VERTE");
    o.identOY3 = QStringLiteral("BP 7");
    o.codePostalOY = QStringLiteral("75001");
    o.villeOY = QStringLiteral("PARIS");
    o.paysOY = QStringLiteral("FR");
    o.bicBqeI1 = QStringLiteral("DEUTDEFF");
    o.identBqeI11 = QStringLiteral("DEUTSCHE BANK");
    o.paysBqeI1 = QStringLiteral("DE");
    o.bicBqeBE = QStringLiteral("CITIUS33");
    o.identBqeBE1 = QStringLiteral("CITIBANK");
    o.paysBqeBE = QStringLiteral("US");
    o.ibanBE = QStringLiteral("DE89370400440532013000");
    o.identBE3 = QStringLiteral("SUITE 4");
    o.motif1 = QStringLiteral("FACTURE 2026-17");
    o.frais = 2;
    o.avisBenefType = 2;
    o.avisFax = QStringLiteral("0140000002");
    o.avisBenef = QStringLiteral("PAYER");
    o.codeEcono = QStringLiteral("101");
    o.paysResBE = QStringLiteral("US");
    o.sirenDecla = QStringLiteral("123456789");
    o.residentOY = true;
    return o;
}

const QString kMinimalMessage = QStringLiteral(
    "UNH+1+PAYORD:D:93A:UN'"
    "BGM+450+REF-12+9'"
    "DTM+137:260307090502:202'"
    "DTM+203:260307:101'"
    "FTX+PMD'"
    "FCA+15'"
    "MOA+9:1234,50:EUR'"
    "FII+OR+1234567890123:BANQUE DU NORD::EUR+:::1234567890:25:108'"
    "FII+BF++:::::'"
    "NAD+OY+++BANQUE DU NORD+1 RUE HAUTE+LILLE++59000+FR'"
    "NAD+BE+++JOHN SMITH+5 MAIN STREET+NEW YORK+++US'"
    "UNT+12+1'");

}  // namespace

class Interchange : public OrderFileTest {};

TEST_F(Interchange, TwoOrdersByteForByte) {
    QList<WrittenOrder> written;
    const QByteArray bytes = interchange({minimalOrder(), fullOrder()}, &written);

    const QString expected =
        "UNB+UNOA:1+BANQUE DU NORD:ZZ+48213067500027:5+260307:0905+SOLMEX RUVAK'" + kMinimalMessage +
        "UNH+2+PAYORD:D:93A:UN'"
        "BGM+450+REF-13+9+URG'"
        "DTM+137:260307090502:202'"
        "DTM+203:260307:101'"
        "FTX+PMD+++USD EN EUR:FACTURE 2026-17://:TELB/0140000002" + blanks(20) + "/REC/PAYER" + blanks(25) + "'"
        "PAI+::8'"
        "FCA+14'"
        "MOA+9:2500,75:XXX'"
        "CUX+2:USD+3:EUR'"
        "RFF+XXX:30004000031234567890185'"
        "FII+OR+1234567890123:BANQUE DU NORD::EUR+:::1234567890:25:108'"
        "FII+I1++DEUTDEFF:25:5::::DEUTSCHE BANK+DE'"
        "FII+BF+13000+CITIUS33:25:5:DE893704004405320:::CITIBANK+US'"
        "NAD+OY+++DUPONT SA+2 PLACE VERTE:BP 7+PARIS++75001+FR'"
        "NAD+PL+++BANQUE DU NORD+1 RUE HAUTE+LILLE++59000+FR'"
        "NAD+BE+++JOHN SMITH+5 MAIN STREET:SUITE 4+NEW YORK+++US'"
        "COM+0140000002:FX'"
        "GIS+ZDB'"
        "NAD+RA+17945:160:108'"
        "FTX+REG+++0101US 123456789     '"
        "UNT+21+2'"
        "UNZ+2+SOLMEX RUVAK'";
    EXPECT_EQ(bytes, expected.toLatin1());
    EXPECT_FALSE(bytes.contains('\n'));
    EXPECT_FALSE(bytes.contains('\r'));
    EXPECT_FALSE(bytes.startsWith("UNA"));

    ASSERT_EQ(written.size(), 2);
    EXPECT_EQ(written[0].dateGener, vorna::test::pinnedNow());
    EXPECT_EQ(written[0].cMontant, "1 234,50");
    EXPECT_EQ(written[0].cDevises, "EUR");
    EXPECT_EQ(written[1].amountText, "2500,75");
    EXPECT_EQ(written[1].cMontant, "2 500,75");
    EXPECT_EQ(written[1].cDevises, "USD en EUR");
}

TEST_F(Interchange, OneOrder) {
    const QByteArray bytes = interchange({minimalOrder()});
    EXPECT_EQ(bytes, ("UNB+UNOA:1+BANQUE DU NORD:ZZ+48213067500027:5+260307:0905+SOLMEX RUVAK'" + kMinimalMessage +
                      "UNZ+1+SOLMEX RUVAK'")
                         .toLatin1());
}

TEST_F(Interchange, SenderIsTheFirstOrdersInstitution) {
    OrderRecord first = minimalOrder();
    first.identPL1 = QStringLiteral("CAISSE: L'EST");
    OrderRecord second = minimalOrder();
    second.idOrdre = 9;
    const QByteArray bytes = interchange({first, second});
    EXPECT_TRUE(bytes.startsWith("UNB+UNOA:1+CAISSE?: L?'EST:ZZ+48213067500027:5+260307:0905+SOLMEX RUVAK'UNH+1+"));
    EXPECT_TRUE(bytes.contains("UNT+12+2'UNZ+2+SOLMEX RUVAK'"));
    EXPECT_TRUE(bytes.endsWith("'"));
}

TEST_F(Interchange, RefusedCharacterInTheSecondOrderLeavesTheFirstMessageWritten) {
    OrderRecord second = minimalOrder();
    second.idOrdre = 2;
    second.motif1 = QStringLiteral("LOYER; MARS");
    // Written in chunks or a write every message, and messages still waiting for a whole chunk
    // handed over too, the file is the same.
    for (const qsizetype chunk : {0, 100, 700, 256 * 1024}) {
        SCOPED_TRACE(chunk);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        OrderFileWriter writer(buffer, chunk);
        writer.writeHeader(minimalOrder());
        writer.writeMessage(minimalOrder());
        expectError([&] { writer.writeMessage(second); }, QStringLiteral("Génération e93A"),
                    QStringLiteral("Caractères interdits : LOYER; MARS"));
        const QString expected = "UNB+UNOA:1+BANQUE DU NORD:ZZ+48213067500027:5+260307:0905+SOLMEX RUVAK'" + kMinimalMessage +
                                 "UNH+2+PAYORD:D:93A:UN'BGM+450+REF-12+9'DTM+137:260307090502:202'DTM+203:260307:101'FTX+PMD+++";
        EXPECT_EQ(buffer.data(), expected.toLatin1());
        EXPECT_EQ(writer.messageCount(), 1);
    }
}

namespace {
// A device whose writes the disk cuts short, as a full disk does, leaving no text of its own.
class CutShortDevice : public QIODevice {
protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 len) override {
        errno = ENOSPC;
        return len / 2;
    }
};
}  // namespace

// A full disk while the file is written, in chunks or not: the message gives the system's reason,
// in French, whether Qt has a text for it (/dev/full) or none (a write cut short).
TEST_F(Interchange, AFullDiskIsNamedInTheWriteError) {
    QFile full(QStringLiteral("/dev/full"));
    CutShortDevice cut;
    ASSERT_TRUE(full.open(QIODevice::WriteOnly) && cut.open(QIODevice::WriteOnly));
    for (QIODevice* device : {static_cast<QIODevice*>(&full), static_cast<QIODevice*>(&cut)})
        for (const qsizetype chunk : {0, 256 * 1024}) {
            OrderFileWriter writer(*device, chunk);
            // The file's buffer fills before the system is asked to write; the trailer hands over
            // what waits for a whole chunk.
            const VbError e = errorOf([&] {
                writer.writeHeader(minimalOrder());
                for (int i = 0; i < 1000; ++i) writer.writeMessage(minimalOrder());
                writer.writeTrailer();
            });
            EXPECT_EQ(e.description, QStringLiteral("Erreur d'écriture du fichier d'ordres : Plus de place sur le disque")) << chunk;
        }
}
