#include "generation/orderfilesupport.h"
#include "platform/text/format.h"

using namespace vorna;
using vorna::test::blanks;
using vorna::test::minimalOrder;
using vorna::test::OrderFileTest;

namespace {
const QString kFileSource = QStringLiteral("Creation fichier edifact");
}

// ---- The message frame and its counters ----------------------------------------------------

class MessageFrame : public OrderFileTest {};

TEST_F(MessageFrame, MinimalMessageHasTwelveSegments) {
    const QStringList expected = {
        "UNH+1+PAYORD:D:93A:UN'",
        "BGM+450+REF-12+9'",
        "DTM+137:260307090502:202'",
        "DTM+203:260307:101'",
        "FTX+PMD'",
        "FCA+15'",
        "MOA+9:1234,50:EUR'",
        "FII+OR+1234567890123:BANQUE DU NORD::EUR+:::1234567890:25:108'",
        "FII+BF++:::::'",
        "NAD+OY+++BANQUE DU NORD+1 RUE HAUTE+LILLE++59000+FR'",
        "NAD+BE+++JOHN SMITH+5 MAIN STREET+NEW YORK+++US'",
        "UNT+12+1'",
    };
    EXPECT_EQ(messageSegments(minimalOrder()), expected);
}

TEST_F(MessageFrame, UrgentOrderAndReferenceWithColon) {
    OrderRecord o = minimalOrder();
    o.urgent = true;
    EXPECT_EQ(segment(o, "BGM+"), "BGM+450+REF-12+9+URG'");
    o.urgent = false;
    o.refInterne = QStringLiteral("A:B+C");
    EXPECT_EQ(segment(o, "BGM+"), "BGM+450+A B?+C+9'");
}

TEST_F(MessageFrame, StampsComeFromTheClockAndDateGenerIsTheCreationStamp) {
    Clock::pin(QDateTime(QDate(2031, 12, 31), QTime(23, 59, 58)));
    WrittenOrder w;
    const QStringList segs = vorna::test::segmentsOf(messageBytes(minimalOrder(), &w));
    EXPECT_EQ(segs.value(2), "DTM+137:311231235958:202'");
    EXPECT_EQ(segs.value(3), "DTM+203:311231:101'");
    EXPECT_EQ(w.dateGener, QDateTime(QDate(2031, 12, 31), QTime(23, 59, 58)));
}

TEST_F(MessageFrame, EveryOptionalSegmentCountsInUnt) {
    OrderRecord o = minimalOrder();
    o.typeOper = 1;                                  // PAI
    o.devOrdre = QStringLiteral("USD");              // CUX
    o.ribOY = QStringLiteral("30004000031234567890185");  // RFF
    o.bicBqeI1 = QStringLiteral("DEUTDEFF");         // FII+I1
    o.identOY1 = QStringLiteral("DUPONT SA");        // NAD+OY and NAD+PL
    o.avisBenefType = 1;
    o.avisTel = QStringLiteral("0140000000");        // COM
    o.codeEcono = QStringLiteral("101");             // GIS, NAD+RA, FTX+REG
    const QStringList segs = messageSegments(o);
    ASSERT_EQ(segs.size(), 21);
    EXPECT_EQ(segs.last(), "UNT+21+1'");
}

// ---- FTX+PMD: the payment details ----------------------------------------------------------

class PaymentDetails : public OrderFileTest {};

TEST_F(PaymentDetails, NothingToSay) { EXPECT_EQ(segment(minimalOrder(), "FTX+PMD"), "FTX+PMD'"); }

TEST_F(PaymentDetails, CurrenciesThenNormalAdviceInItsThirtyCharacterField) {
    OrderRecord o = minimalOrder();
    o.devOrdre = QStringLiteral("USD");
    o.avisBenef = QStringLiteral("PAYER");
    EXPECT_EQ(segment(o, "FTX+PMD"), "FTX+PMD+++USD EN EUR://:/REC/PAYER" + blanks(25) + "'");
}

TEST_F(PaymentDetails, ReasonLinesJoinTwoFieldsAndFollowTheirPredecessors) {
    OrderRecord o = minimalOrder();
    o.motif3 = QStringLiteral("ABC");
    EXPECT_EQ(segment(o, "FTX+PMD"), "FTX+PMD+++:ABC'");

    o.motif1 = QStringLiteral("FACTURE 12");
    o.motif2 = QStringLiteral("DU 3 MARS  ");
    o.motif4 = QStringLiteral("X");
    EXPECT_EQ(segment(o, "FTX+PMD"),
              "FTX+PMD+++FACTURE 12" + blanks(25) + "DU 3 MARS:ABC" + blanks(32) + "X'");

    o.devOrdre = QStringLiteral("GBP");
    o.motif3.clear();
    o.motif4.clear();
    EXPECT_EQ(segment(o, "FTX+PMD"), "FTX+PMD+++GBP EN EUR:FACTURE 12" + blanks(25) + "DU 3 MARS'");
}

TEST_F(PaymentDetails, ReasonIsReleased) {
    OrderRecord o = minimalOrder();
    o.motif1 = QStringLiteral("L'ACHAT: 2+2");
    EXPECT_EQ(segment(o, "FTX+PMD"), "FTX+PMD+++L?'ACHAT?: 2?+2'");
}

TEST_F(PaymentDetails, AdviceAlone) {
    OrderRecord o = minimalOrder();
    o.avisBenef = QStringLiteral("PAYER");
    EXPECT_EQ(segment(o, "FTX+PMD"), "FTX+PMD+++//:/REC/PAYER" + blanks(25) + "'");
}

TEST_F(PaymentDetails, FaxAndTelephoneNumbersCarryTheFreeAdviceInTheSameComponent) {
    OrderRecord o = minimalOrder();
    o.motif1 = QStringLiteral("X");
    o.avisBenefType = 2;
    o.avisFax = QStringLiteral("0140000000");
    o.avisBenef = QStringLiteral("PAYER");
    EXPECT_EQ(segment(o, "FTX+PMD"),
              "FTX+PMD+++X://:TELB/0140000000" + blanks(20) + "/REC/PAYER" + blanks(25) + "'");

    o.avisBenefType = 1;
    o.avisTel = QStringLiteral("0033 1 40");
    o.avisBenef.clear();
    EXPECT_EQ(segment(o, "FTX+PMD"), "FTX+PMD+++X://:PHOB/0033 1 40" + blanks(21) + "'");
}

TEST_F(PaymentDetails, NumberAdviceWithoutNumberWritesNoAdviceAtAll) {
    OrderRecord o = minimalOrder();
    o.motif1 = QStringLiteral("X");
    o.avisBenef = QStringLiteral("PAYER");
    o.avisFax = QStringLiteral("0140000000");  // the fax number does not count for telephone advice
    o.avisBenefType = 1;
    o.avisTel = QStringLiteral("   ");
    EXPECT_EQ(segment(o, "FTX+PMD"), "FTX+PMD+++X'");
    o.avisBenefType = 4;  // unknown advice kind
    EXPECT_EQ(segment(o, "FTX+PMD"), "FTX+PMD+++X'");
}

// ---- PAI, FCA -------------------------------------------------------------------------------

class OperationAndCharges : public OrderFileTest {};

TEST_F(OperationAndCharges, PaiByOperationType) {
    OrderRecord o = minimalOrder();
    EXPECT_EQ(segment(o, "PAI"), "");
    o.typeOper = 1;
    EXPECT_EQ(segment(o, "PAI"), "PAI+::23'");
    o.typeOper = 2;
    EXPECT_EQ(segment(o, "PAI"), "PAI+::26'");
    o.typeOper = 3;
    EXPECT_EQ(segment(o, "PAI"), "PAI+::8'");
    // PAI comes right after the payment details.
    const QStringList segs = messageSegments(o);
    EXPECT_EQ(segs.value(5), "PAI+::8'");
    EXPECT_EQ(segs.value(6), "FCA+15'");
}

TEST_F(OperationAndCharges, FcaByChargesBearer) {
    OrderRecord o = minimalOrder();
    const QList<QPair<int, QString>> cases = {{0, "FCA+15'"}, {1, "FCA+13'"}, {2, "FCA+14'"}, {3, "FCA+15'"}};
    for (const auto& [frais, expected] : cases) {
        o.frais = frais;
        EXPECT_EQ(segment(o, "FCA"), expected) << frais;
    }
}

// ---- MOA, CUX and the texts the generation stores -------------------------------------------

class AmountAndCurrency : public OrderFileTest {};

TEST_F(AmountAndCurrency, AmountTextHasExactlyItsDecimalsAndAComma) {
    EXPECT_EQ(moaAmountText(Decimal(12345, 1), 2), "1234,50");
    EXPECT_EQ(moaAmountText(Decimal::fromInt(1235), 0), "1235");
    EXPECT_EQ(moaAmountText(Decimal(5, 1), 3), "0,500");
    EXPECT_EQ(moaAmountText(Decimal(12345, 1), 0), "1235");  // more decimals than the currency: rounded
    // Straight from the exact amount: neither a double's artefact nor a lost digit.
    EXPECT_EQ(moaAmountText(*Decimal::parse(u"99999999999999.99"), 2), "99999999999999,99");
    EXPECT_EQ(moaAmountText(Decimal::fromDouble(0.1 + 0.2), 2), "0,30");
    // Other counts of decimals write the amount with that many.
    EXPECT_EQ(moaAmountText(Decimal(12345, 1), 1), "1234,5");
    EXPECT_EQ(moaAmountText(Decimal(12345, 1), 4), "1234,5000");
    EXPECT_EQ(moaAmountText(Decimal::fromInt(7), 12), "7,000000000000");
    EXPECT_EQ(moaAmountText(Decimal(75, 1), -1), "8");
}

TEST_F(AmountAndCurrency, AmountTextIgnoresTheRegionalSeparator) {
    Locale::force(true);
    EXPECT_EQ(moaAmountText(Decimal(12345, 1), 2), "1234,50");
}

TEST_F(AmountAndCurrency, PaymentCurrencyAloneHasNoCux) {
    OrderRecord o = minimalOrder();
    WrittenOrder w;
    const QStringList segs = vorna::test::segmentsOf(messageBytes(o, &w));
    EXPECT_EQ(segs.value(6), "MOA+9:1234,50:EUR'");
    EXPECT_EQ(segs.value(7).left(3), "FII");
    EXPECT_EQ(w.amountText, "1234,50");
    EXPECT_EQ(w.cDevises, "EUR");
}

TEST_F(AmountAndCurrency, OrderCurrencyGoesToCuxEvenWhenEqual) {
    OrderRecord o = minimalOrder();
    o.devOrdre = QStringLiteral("USD");
    WrittenOrder w;
    QStringList segs = vorna::test::segmentsOf(messageBytes(o, &w));
    EXPECT_EQ(segs.value(6), "MOA+9:1234,50:XXX'");
    EXPECT_EQ(segs.value(7), "CUX+2:USD+3:EUR'");
    EXPECT_EQ(w.cDevises, "USD en EUR");

    o.devOrdre = QStringLiteral("EUR");
    segs = messageSegments(o);
    EXPECT_EQ(segs.value(7), "CUX+2:EUR+3:EUR'");

    o.devOrdre = QStringLiteral("   ");  // blanks are no currency
    EXPECT_EQ(segment(o, "CUX"), "");
    EXPECT_EQ(segment(o, "MOA"), "MOA+9:1234,50:EUR'");
}

TEST_F(AmountAndCurrency, DisplayAmountGroupsByThreeWithTheRegionalSeparator) {
    EXPECT_EQ(displayAmountText(Decimal(12345, 1), 2), "1 234,50");
    EXPECT_EQ(displayAmountText(Decimal(12345678901234, 2), 2), "123 456 789 012,34");
    EXPECT_EQ(displayAmountText(Decimal::fromInt(1234567), 0), "1 234 567");
    EXPECT_EQ(displayAmountText(Decimal::fromInt(12), 0), "12");
    EXPECT_EQ(displayAmountText(Decimal(5, 1), 3), "0,500");
    EXPECT_EQ(displayAmountText(Decimal(1234567891, 3), 3), "1 234 567,891");
    Locale::force(true);
    EXPECT_EQ(displayAmountText(Decimal(12345, 1), 2), "1 234.50");
}

// The amounts of the orders are written without the general number formatting; the texts must
// be the ones it gives for the file's and the summary's patterns, whatever the amount.
TEST_F(AmountAndCurrency, AmountTextsAreTheFormatsOfTheirPatterns) {
    const qint64 units[] = {0, 1, 9, 10, 99, 100, 999, 1000, 1001, 99999, 100000, 999999, 1000000, 123456789,
                            999999999999999999LL, 9223372036854775807LL, -1, -1000, -123456};
    for (const bool point : {false, true}) {
        Locale::force(point);
        for (const qint64 u : units)
            for (int scale = 0; scale <= 4; ++scale)
                for (int nbDeci = -1; nbDeci <= 7; ++nbDeci) {
                    const Decimal amount(u, scale);
                    const QString decimals = nbDeci > 0 ? QStringLiteral(".") + QString(nbDeci, u'0') : QString();
                    const QString display = nbDeci == 2   ? QStringLiteral("### ### ### ##0.00")
                                            : nbDeci == 3 ? QStringLiteral("## ### ### ##0.000")
                                                          : QStringLiteral("## ### ### ### ##0") + decimals;
                    const std::string what = amount.toString().toStdString() + " / " + std::to_string(nbDeci);
                    EXPECT_EQ(moaAmountText(amount, nbDeci), formatNumber(amount, QStringLiteral("#0") + decimals, u',')) << what;
                    EXPECT_EQ(displayAmountText(amount, nbDeci), formatNumber(amount, display)) << what;
                }
    }
}

TEST_F(AmountAndCurrency, EachOrderGetsItsOwnTextsWhateverItsDecimals) {
    OrderRecord first = minimalOrder();
    first.montant = Decimal::fromInt(5000);
    first.nbDeci = 2;
    OrderRecord second = minimalOrder();
    second.idOrdre = 2;
    second.montant = Decimal(12345, 1);
    second.nbDeci = 1;  // no currency has one decimal
    OrderRecord third = minimalOrder();
    third.idOrdre = 3;
    third.montant = Decimal::fromInt(7);
    third.nbDeci = 4;
    QList<WrittenOrder> w;
    const QByteArray bytes = interchange({first, second, third}, &w);
    ASSERT_EQ(w.size(), 3);
    EXPECT_EQ(w[0].amountText, "5000,00");
    EXPECT_EQ(w[0].cMontant, "5 000,00");
    EXPECT_EQ(w[1].amountText, "1234,5");
    EXPECT_EQ(w[1].cMontant, "1 234,5");
    EXPECT_EQ(w[2].amountText, "7,0000");
    EXPECT_EQ(w[2].cMontant, "7,0000");
    EXPECT_TRUE(bytes.contains("MOA+9:1234,5:EUR'"));
    EXPECT_TRUE(bytes.contains("MOA+9:7,0000:EUR'"));
}

// ---- RFF, FII+OR ----------------------------------------------------------------------------

class OrderingInstitution : public OrderFileTest {};

TEST_F(OrderingInstitution, CustomerAccountInRff) {
    OrderRecord o = minimalOrder();
    EXPECT_EQ(segment(o, "RFF"), "");
    o.ribOY = QStringLiteral("  ");
    EXPECT_EQ(segment(o, "RFF"), "");
    o.ribOY = QStringLiteral("30004000031234567890185");
    EXPECT_EQ(segment(o, "RFF"), "RFF+XXX:30004000031234567890185'");
    EXPECT_EQ(messageSegments(o).value(7), "RFF+XXX:30004000031234567890185'");  // after MOA
}

TEST_F(OrderingInstitution, FrenchRibSplitsIntoAccountAndBankCodes) {
    OrderRecord o = minimalOrder();
    o.ribPL = QStringLiteral("12345678901234567890123");  // stored without its blanks, too
    EXPECT_EQ(segment(o, "FII+OR"), "FII+OR+1234567890123:BANQUE DU NORD::EUR+:::1234567890:25:108'");
    o.identPL1 = QStringLiteral("L'UNION+CIE");
    EXPECT_EQ(segment(o, "FII+OR"), "FII+OR+1234567890123:L?'UNION?+CIE::EUR+:::1234567890:25:108'");
}

TEST_F(OrderingInstitution, OtherAccountsKeepTheirLastTwoCharactersApartWithoutEur) {
    OrderRecord o = minimalOrder();
    o.ribPL = QStringLiteral("FR76 3000 4000 0312 3456 7890 143");
    EXPECT_EQ(segment(o, "FII+OR"), "FII+OR+43:BANQUE DU NORD+:::FR76300040000312345678901:25:108'");
    o.ribPL = QStringLiteral("1 2");
    EXPECT_EQ(segment(o, "FII+OR"), "FII+OR+12:BANQUE DU NORD+::::25:108'");
}

TEST_F(OrderingInstitution, AccountTooShortIsAnErrorAndKeepsWhatWasWritten) {
    OrderRecord o = minimalOrder();
    for (const QString& rib : {QStringLiteral("7"), QStringLiteral("   "), QString()}) {
        o.ribPL = rib;
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        OrderFileWriter writer(buffer);
        expectError([&] { writer.writeMessage(o); }, kFileSource, "REF-12 : rib établissement trop court");
        EXPECT_TRUE(buffer.data().endsWith("MOA+9:1234,50:EUR'")) << buffer.data().toStdString();
    }
}

// ---- FII+I1 ---------------------------------------------------------------------------------

class IntermediaryBank : public OrderFileTest {};

TEST_F(IntermediaryBank, WrittenOnlyWithANameAPlaceOrABic) {
    OrderRecord o = minimalOrder();
    o.paysBqeI1 = QStringLiteral("DE");
    o.bicBqeI1 = QStringLiteral("   ");
    EXPECT_EQ(segment(o, "FII+I1"), "");
    o.bicBqeI1 = QStringLiteral(" DEUTDEFF ");
    EXPECT_EQ(segment(o, "FII+I1"), "FII+I1++DEUTDEFF:25:5+DE'");
    o.paysBqeI1.clear();
    EXPECT_EQ(segment(o, "FII+I1"), "FII+I1++DEUTDEFF:25:5'");
    // Between the ordering institution and the beneficiary's bank.
    const QStringList segs = messageSegments(o);
    EXPECT_EQ(segs.value(8), "FII+I1++DEUTDEFF:25:5'");
}

TEST_F(IntermediaryBank, NameAndPlaceLandInComponentsSevenAndEight) {
    OrderRecord o = minimalOrder();
    o.identBqeI11 = QStringLiteral("DEUTSCHE BANK");
    o.villeBqeI1 = QStringLiteral("FRANKFURT");
    o.paysBqeI1 = QStringLiteral("DE");
    EXPECT_EQ(segment(o, "FII+I1"), "FII+I1++::::::DEUTSCHE BANK:" + blanks(35) + "FRANKFURT+DE'");

    o.bicBqeI1 = QStringLiteral("DEUTDEFF");
    o.identBqeI12 = QStringLiteral("AG");
    o.identBqeI13 = QStringLiteral("TAUNUSANLAGE 12");
    o.villeBqeI1.clear();
    o.paysBqeI1.clear();
    EXPECT_EQ(segment(o, "FII+I1"),
              "FII+I1++DEUTDEFF:25:5::::DEUTSCHE BANK" + blanks(22) + "AG:TAUNUSANLAGE 12'");
}

// ---- FII+BF ---------------------------------------------------------------------------------

class BeneficiaryBank : public OrderFileTest {};

TEST_F(BeneficiaryBank, KnownOnlyByItsAccount) {
    OrderRecord o = minimalOrder();
    EXPECT_EQ(segment(o, "FII+BF"), "FII+BF++:::::'");
    o.ibanBE = QStringLiteral("DE89370400440532013000");
    o.paysBqeBE = QStringLiteral("DE");
    EXPECT_EQ(segment(o, "FII+BF"), "FII+BF++:::::'");
    // The length limit only applies when the account is written.
    o.ibanBE = QString(40, u'9');
    EXPECT_EQ(segment(o, "FII+BF"), "FII+BF++:::::'");
}

TEST_F(BeneficiaryBank, BicAlone) {
    OrderRecord o = minimalOrder();
    o.bicBqeBE = QStringLiteral("CITIUS33 ");
    EXPECT_EQ(segment(o, "FII+BF"), "FII+BF++CITIUS33:25:5'");
}

TEST_F(BeneficiaryBank, IbanSplitsBetweenAccountElementAndComponentFour) {
    OrderRecord o = minimalOrder();
    o.bicBqeBE = QStringLiteral("CITIUS33");
    o.ibanBE = QStringLiteral("DE89370400440532013000");
    o.identBqeBE1 = QStringLiteral("CITIBANK");
    o.identBqeBE3 = QStringLiteral("5 WALL STREET");
    o.villeBqeBE = QStringLiteral("NEW YORK");
    o.paysBqeBE = QStringLiteral("US");
    EXPECT_EQ(segment(o, "FII+BF"),
              "FII+BF+13000+CITIUS33:25:5:DE893704004405320:::CITIBANK:5 WALL STREET" + blanks(22) + "NEW YORK+US'");

    o.bicBqeBE.clear();
    o.identBqeBE3.clear();
    o.villeBqeBE.clear();
    o.ibanBE = QStringLiteral("GB29NWBK60161331926819");
    EXPECT_EQ(segment(o, "FII+BF"), "FII+BF+26819+:::GB29NWBK601613319:::CITIBANK+US'");
}

TEST_F(BeneficiaryBank, NationalCodeWithIbanIsPartOfTheAccount) {
    OrderRecord o = minimalOrder();
    o.codeBqeBE = QStringLiteral(" 021000021 ");
    o.ibanBE = QStringLiteral("123456789");
    o.identBqeBE1 = QStringLiteral("CHASE");
    EXPECT_EQ(segment(o, "FII+BF"), "FII+BF+789+:::021000021//123456:XXX:XXX:CHASE'");
    o.identBqeBE1.clear();
    o.bicBqeBE = QStringLiteral("CHASUS33");
    EXPECT_EQ(segment(o, "FII+BF"), "FII+BF+789+CHASUS33:25:5:021000021//123456:XXX:XXX'");
}

TEST_F(BeneficiaryBank, NationalCodeWithoutIbanIsNotWritten) {
    OrderRecord o = minimalOrder();
    o.codeBqeBE = QStringLiteral("021000021");
    EXPECT_EQ(segment(o, "FII+BF"), "FII+BF++'");
    o.identBqeBE1 = QStringLiteral("CHASE");
    EXPECT_EQ(segment(o, "FII+BF"), "FII+BF++::::::CHASE'");
    o.bicBqeBE = QStringLiteral("CHASUS33");
    EXPECT_EQ(segment(o, "FII+BF"), "FII+BF++CHASUS33:25:5::::CHASE'");
}

TEST_F(BeneficiaryBank, AccountOfThirtyFourFitsThirtyFiveStops) {
    OrderRecord o = minimalOrder();
    o.codeBqeBE = QStringLiteral("ABCDEFGHIJK");
    o.ibanBE = QStringLiteral("123456789012345678901");  // 11 + 2 + 21 = 34
    EXPECT_EQ(segment(o, "FII+BF"), "FII+BF+56789012345678901+:::ABCDEFGHIJK//1234:XXX:XXX'");

    o.ibanBE += u'2';
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    OrderFileWriter writer(buffer);
    expectError([&] { writer.writeMessage(o); }, kFileSource, "REF-12 : iban + code banque trop long");
    EXPECT_TRUE(buffer.data().endsWith(":25:108'"));  // the ordering institution was written
}

// ---- NAD ------------------------------------------------------------------------------------

class Parties : public OrderFileTest {};

TEST_F(Parties, DistinctCustomerAndInstitution) {
    OrderRecord o = minimalOrder();
    o.identOY1 = QStringLiteral("DUPONT SA");
    o.identOY2 = QStringLiteral("2 PLACE VERTE");
    o.identOY3 = QStringLiteral("BP 7");
    o.codePostalOY = QStringLiteral("75001");
    o.villeOY = QStringLiteral("PARIS");
    o.paysOY = QStringLiteral("FR");
    const QStringList expected = {
        "NAD+OY+++DUPONT SA+2 PLACE VERTE:BP 7+PARIS++75001+FR'",
        "NAD+PL+++BANQUE DU NORD+1 RUE HAUTE+LILLE++59000+FR'",
        "NAD+BE+++JOHN SMITH+5 MAIN STREET+NEW YORK+++US'",
    };
    EXPECT_EQ(segmentsStarting(o, "NAD+"), expected);
}

TEST_F(Parties, SameNameOrNoCustomerGivesOneNadOyWithTheInstitution) {
    OrderRecord o = minimalOrder();
    o.identOY1 = QStringLiteral("BANQUE DU NORD");
    o.identOY2 = QStringLiteral("AUTRE ADRESSE");
    o.villeOY = QStringLiteral("PARIS");
    const QStringList expected = {
        "NAD+OY+++BANQUE DU NORD+1 RUE HAUTE+LILLE++59000+FR'",
        "NAD+BE+++JOHN SMITH+5 MAIN STREET+NEW YORK+++US'",
    };
    EXPECT_EQ(segmentsStarting(o, "NAD+"), expected);
    o.identOY1 = QStringLiteral("   ");
    EXPECT_EQ(segmentsStarting(o, "NAD+"), expected);
    // Blanks count in the comparison.
    o.identOY1 = QStringLiteral("BANQUE DU NORD ");
    EXPECT_EQ(segmentsStarting(o, "NAD+").value(1), "NAD+PL+++BANQUE DU NORD+1 RUE HAUTE+LILLE++59000+FR'");
}

TEST_F(Parties, CitiesAndPostcodesTurnColonsIntoBlanks) {
    OrderRecord o = minimalOrder();
    o.villePL = QStringLiteral("L'ACHAT: 2+2");
    o.codePostalPL = QStringLiteral("A:1");
    o.identPL2 = QStringLiteral("RUE: 3");
    o.identPL3 = QStringLiteral("   ");
    EXPECT_EQ(segment(o, "NAD+OY"), "NAD+OY+++BANQUE DU NORD+RUE?: 3+L?'ACHAT  2?+2++A 1+FR'");
}

TEST_F(Parties, BeneficiaryWithThirdLine) {
    OrderRecord o = minimalOrder();
    o.identBE3 = QStringLiteral("SUITE 4");
    o.villeBE = QStringLiteral("N:Y");
    EXPECT_EQ(segment(o, "NAD+BE"), "NAD+BE+++JOHN SMITH+5 MAIN STREET:SUITE 4+N Y+++US'");
}

// ---- COM ------------------------------------------------------------------------------------

class AdviceNumber : public OrderFileTest {};

TEST_F(AdviceNumber, ByAdviceKind) {
    OrderRecord o = minimalOrder();
    o.avisTel = QStringLiteral("0140000001");
    o.avisFax = QStringLiteral("0140000002");
    EXPECT_EQ(segment(o, "COM"), "");
    o.avisBenefType = 1;
    EXPECT_EQ(segment(o, "COM"), "COM+0140000001:TE'");
    o.avisBenefType = 2;
    EXPECT_EQ(segment(o, "COM"), "COM+0140000002:FX'");
    o.avisFax = QStringLiteral(" ");
    EXPECT_EQ(segment(o, "COM"), "");
    // Cut to 25 characters before the release.
    o.avisFax = QStringLiteral("+33 1 40 00 00 00 POSTE 12345");
    EXPECT_EQ(segment(o, "COM"), "COM+?+33 1 40 00 00 00 POSTE 1:FX'");
    EXPECT_EQ(messageSegments(o).value(11), "COM+?+33 1 40 00 00 00 POSTE 1:FX'");  // after NAD+BE
}

// ---- GIS, NAD+RA, FTX+REG -------------------------------------------------------------------

class Declaration : public OrderFileTest {};

TEST_F(Declaration, WrittenWithAnEconomicCode) {
    OrderRecord o = minimalOrder();
    o.paysResBE = QStringLiteral("US");
    o.sirenDecla = QStringLiteral("123456789");
    EXPECT_EQ(segment(o, "GIS"), "");
    o.codeEcono = QStringLiteral("101");
    o.residentOY = true;
    const QStringList segs = messageSegments(o);
    ASSERT_EQ(segs.size(), 15);
    EXPECT_EQ(segs.mid(11, 3), QStringList({"GIS+ZDB'", "NAD+RA+17945:160:108'",
                                             "FTX+REG+++0101US 123456789     '"}));
    EXPECT_EQ(segs.last(), "UNT+15+1'");

    o.residentOY = false;
    o.codeEcono = QStringLiteral("1");
    o.paysResBE.clear();
    o.sirenDecla.clear();
    EXPECT_EQ(segment(o, "FTX+REG"), "FTX+REG+++11     " + blanks(14) + "'");
}

// ---- Characters of the file -----------------------------------------------------------------

class FileCharacters : public OrderFileTest {};

TEST_F(FileCharacters, RefusedTextStopsTheMessageWhereItStands) {
    OrderRecord o = minimalOrder();
    o.identBE1 = QStringLiteral("JEAN;");
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    OrderFileWriter writer(buffer);
    expectError([&] { writer.writeMessage(o); }, QStringLiteral("Génération e93A"),
                QStringLiteral("Caractères interdits : JEAN;"));
    EXPECT_TRUE(buffer.data().endsWith("NAD+BE+++")) << buffer.data().toStdString();
    EXPECT_EQ(dialogs.beeps, 1);
}

// A refused text is named as the file would have held it: padded, or the two lines of the
// form joined.
TEST_F(FileCharacters, RefusedPaddedOrJoinedTextIsNamedWhole) {
    const struct {
        void (*set)(OrderRecord&);
        QString named;
    } cases[] = {
        {[](OrderRecord& o) { o.codeEcono = "110"; o.sirenDecla = "12;"; }, "12;" + blanks(11)},
        {[](OrderRecord& o) { o.codeEcono = "1\n"; }, "1\n "},
        {[](OrderRecord& o) { o.codeEcono = "110"; o.paysResBE = "Ω"; }, "Ω  "},
        {[](OrderRecord& o) { o.motif1 = "A"; o.motif2 = "B;"; }, "A" + blanks(34) + "B;"},
        {[](OrderRecord& o) { o.motif3 = "A;  "; }, "A;"},
        {[](OrderRecord& o) { o.identBqeBE3 = "RUE; 5"; o.villeBqeBE = "PARIS"; }, "RUE; 5" + blanks(29) + "PARIS"},
        {[](OrderRecord& o) { o.avisBenefType = 0; o.avisBenef = "X;"; }, "X;" + blanks(28)},
    };
    for (const auto& c : cases) {
        OrderRecord o = minimalOrder();
        c.set(o);
        expectError([&] { messageBytes(o); }, QStringLiteral("Génération e93A"), QStringLiteral("Caractères interdits : ") + c.named);
    }
}

TEST_F(FileCharacters, ControlCharactersNeverReachTheFile) {
    OrderRecord o = minimalOrder();
    o.motif1 = QStringLiteral("LIGNE 1\r");
    expectError([&] { messageBytes(o); }, QStringLiteral("Génération e93A"),
                QStringLiteral("Caractères interdits : LIGNE 1\r"));
    // Values written as stored are not converted, but they may not break the line either.
    o = minimalOrder();
    o.paysBE = QStringLiteral("U\nS");
    expectError([&] { messageBytes(o); }, QStringLiteral("Génération e93A"),
                QStringLiteral("Caractères interdits : U\nS"));
}

TEST_F(FileCharacters, StoredValuesAreWrittenAsSingleBytes) {
    OrderRecord o = minimalOrder();
    o.paysBE = QStringLiteral("É1");
    EXPECT_TRUE(messageBytes(o).contains("+++\xC9" "1'"));
    o.paysBE = QStringLiteral("Ω");  // no single byte for it
    expectError([&] { messageBytes(o); }, QStringLiteral("Génération e93A"), QStringLiteral("Caractères interdits : Ω"));
}

TEST_F(FileCharacters, FailedWriteIsReported) {
    QBuffer buffer;
    buffer.open(QIODevice::ReadOnly);
    OrderFileWriter writer(buffer);
    try {
        writer.writeHeader(minimalOrder());
        ADD_FAILURE() << "no error";
    } catch (const VbError& e) {
        EXPECT_EQ(e.number, 75);
        EXPECT_EQ(e.source, kFileSource);
    }
}
