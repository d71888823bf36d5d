#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "orderentry/modtp.h"

using namespace vorna;

namespace {

// Published example IBANs (each checked by MOD 97-10 by hand), grouped by four.
const char* kValidIbans[] = {
    "FR76 3000 6000 0112 3456 7890 189",
    "FR14 2004 1010 0505 0001 3M02 606",
    "DE89 3704 0044 0532 0130 00",
    "GB82 WEST 1234 5698 7654 32",
    "GB29 NWBK 6016 1331 9268 19",
    "BE68 5390 0754 7034",
    "NL91 ABNA 0417 1643 00",
    "IT60 X054 2811 1010 0000 0123 456",
    "ES91 2100 0418 4502 0005 1332",
    "CH93 0076 2011 6238 5295 7",
    "LU28 0019 4006 4475 0000",
    "MT84 MALT 0110 0001 2345 MTLC AST0 01S",
    "NO93 8601 1117 947",
    "SA03 8000 0000 6080 1016 7519",
};

// Independent rules to compare with: the RIB key formula and MOD 97 taken digit by digit.
int ribDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u <= 'I') return u - 'A' + 1;
    if (u <= 'R') return u - 'J' + 1;
    return u - 'S' + 2;
}
qint64 ribNumber(const QString& s) {
    qint64 v = 0;
    for (QChar c : s) v = v * 10 + ribDigit(c);
    return v;
}
bool ribByFormula(const QString& s) {  // 23 characters, bank and branch digits, A-Z or digits
    return (89 * ribNumber(s.mid(0, 5)) + 15 * ribNumber(s.mid(5, 5)) + 3 * ribNumber(s.mid(10, 11)) +
            ribNumber(s.mid(21, 2))) % 97 == 0;
}
bool ibanByDigits(const QString& s) {  // capitals, digits and blanks only
    QString t = s.mid(4) + s.left(4);
    t.remove(u' ');
    int r = 0;
    for (QChar c : t) {
        const int v = c.isDigit() ? c.unicode() - '0' : c.unicode() - 'A' + 10;
        r = v >= 10 ? (r * 100 + v) % 97 : (r * 10 + v) % 97;
    }
    return r == 1;
}

}  // namespace

TEST(IsValidRib, KeyRuleWithAndWithoutBlanks) {
    EXPECT_TRUE(isValidRib("30006 00001 12345678901 89"));
    EXPECT_TRUE(isValidRib("30006000011234567890189"));
    EXPECT_TRUE(isValidRib(" 300060 0001123456 7890189 "));
    EXPECT_FALSE(isValidRib("30006 00001 12345678901 88"));
    EXPECT_FALSE(isValidRib("30006 00001 1234567890 89"));    // 22 characters
    EXPECT_FALSE(isValidRib("30006 00001 123456789012 89"));  // 24
    EXPECT_TRUE(isValidRib("00000 00000 00000000000 00"));    // 0 is a multiple of 97
    EXPECT_FALSE(isValidRib(""));
    EXPECT_FALSE(isValidRib("\t30006000011234567890189"));
    EXPECT_FALSE(isValidRib(QString::fromUtf16(u"30006\u00A000001 12345678901 89")));
}

TEST(IsValidRib, LettersOnlyInTheAccountAndTheKey) {
    EXPECT_TRUE(isValidRib("20041 01005 0500013M026 06"));
    EXPECT_TRUE(isValidRib("30002 00550 0000157845Z 02"));
    // Account ABCDEFGHIJK has the key 32; B and K stand for 2, C and L for 3, T for 3.
    EXPECT_TRUE(isValidRib("10107 00118 ABCDEFGHIJK 32"));
    EXPECT_TRUE(isValidRib("10107 00118 ABCDEFGHIJK 3B"));
    EXPECT_TRUE(isValidRib("10107 00118 ABCDEFGHIJK LK"));
    EXPECT_FALSE(isValidRib("10107 00118 ABCDEFGHIJK CT"));
    EXPECT_FALSE(isValidRib("20041 01005 0500013m026 06"));  // lower case
    // "A" stands for 1, but not in the bank or branch code.
    EXPECT_FALSE(isValidRib("2004A 01005 0500013M026 06"));
    EXPECT_FALSE(isValidRib("20041 0100E 0500013M026 06"));
    EXPECT_FALSE(isValidRib(QString::fromUtf16(u"20041 01005 0500013\u00C9026 06")));
}

TEST(IsValidIban, PublishedExamplesAndSingleDigitErrors) {
    for (const char* text : kValidIbans) {
        const QString iban = QString::fromLatin1(text);
        EXPECT_TRUE(isValidIban(iban)) << text;
        EXPECT_TRUE(isValidIban(QString(iban).remove(u' '))) << text;
        EXPECT_FALSE(isValidIban(iban.toLower())) << text;
        // Any single changed digit breaks MOD 97-10.
        for (qsizetype i = 0; i < iban.size(); ++i) {
            if (!iban[i].isDigit()) continue;
            QString wrong = iban;
            wrong[i] = QChar(u'0' + (iban[i].unicode() - u'0' + 1) % 10);
            EXPECT_FALSE(isValidIban(wrong)) << wrong.toStdString();
        }
    }
}

TEST(IsValidIban, FormRules) {
    EXPECT_FALSE(isValidIban("FR76-3000-6000-0112-3456-7890-189"));
    EXPECT_FALSE(isValidIban("FR76 3000 6000 0112 3456 7890 189."));
    // A blank among the first four characters moves with them.
    EXPECT_FALSE(isValidIban("FR 76 3000 6000 0112 3456 7890 189"));
    EXPECT_FALSE(isValidIban("FR7 6 3000 6000 0112 3456 7890 189"));
    EXPECT_TRUE(isValidIban("100083"));  // six characters are enough
    EXPECT_FALSE(isValidIban("10057"));  // five are not, even when they would check
    EXPECT_FALSE(isValidIban("      "));
    EXPECT_FALSE(isValidIban(""));
    // Neither the country nor the form of the check digits is tested.
    EXPECT_TRUE(isValidIban("ZZAE123456789"));
    EXPECT_FALSE(isValidIban(QString::fromUtf16(u"FR76 3000 6000 0112 3456 7890 18\u0669")));
}

TEST(IsValidSiren, LuhnOnNineDigits) {
    for (const char* s : {"732829320", "542107651", "552100554", "443061841", "000000000"})
        EXPECT_TRUE(isValidSiren(s)) << s;
    for (const char* s : {"732829321", "123456789", "73282932", "7328293200", "732 829 320", "73282932A", " 732829320", ""})
        EXPECT_FALSE(isValidSiren(s)) << s;
    EXPECT_FALSE(isValidSiren(QString::fromUtf16(u"\uFF17\uFF13\uFF12\uFF18\uFF12\uFF19\uFF13\uFF12\uFF10")));
}

TEST(CheckDigits, AgreeWithTheTextbookRulesOnRandomInput) {
    std::mt19937 rng(20150101);
    auto pick = [&](const char* set) { return QChar(set[rng() % strlen(set)]); };
    const char* kDigits = "0123456789";
    const char* kAccount = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    int validRibs = 0, validIbans = 0;
    for (int n = 0; n < 20000; ++n) {
        QString rib;
        for (int i = 0; i < 23; ++i) rib += pick(i < 10 ? kDigits : kAccount);
        const bool expectedRib = ribByFormula(rib);
        validRibs += expectedRib;
        ASSERT_EQ(isValidRib(rib), expectedRib) << rib.toStdString();

        QString iban;
        const int len = 6 + int(rng() % 40);
        for (int i = 0; i < len; ++i) iban += (rng() % 7 == 0) ? QChar(u' ') : pick(kAccount);
        const bool expectedIban = ibanByDigits(iban);
        validIbans += expectedIban;
        ASSERT_EQ(isValidIban(iban), expectedIban) << iban.toStdString();
    }
    // About one in 97 of each passes: both answers were exercised.
    EXPECT_GT(validRibs, 100);
    EXPECT_GT(validIbans, 100);
}

TEST(CheckDigits, AnyTextWithoutACrash) {
    std::mt19937 rng(7);
    for (int n = 0; n < 5000; ++n) {
        QString s;
        const int len = int(rng() % 48);
        bool foreign = false;  // a character none of the three accepts
        for (int i = 0; i < len; ++i) {
            const QChar c(char16_t(rng() % 4 ? rng() % 128 : rng() % 65536));
            foreign = foreign || !(c == u' ' || (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z'));
            s += c;
        }
        const bool rib = isValidRib(s), iban = isValidIban(s), siren = isValidSiren(s);
        if (foreign) {
            EXPECT_FALSE(rib || iban || siren) << n;
        }
    }
    const QString huge = QString(10000000, u'A');
    EXPECT_FALSE(isValidIban(huge));
    EXPECT_FALSE(isValidRib(huge));
    EXPECT_FALSE(isValidSiren(huge));
    EXPECT_FALSE(isValidRib(QString(10000000, u' ') + "30006000011234567890188"));
    EXPECT_TRUE(isValidRib(QString(10000000, u' ') + "30006000011234567890189"));
    const QString binary = QString::fromUtf16(u"\0\x01\xD800\xDFFF\uFFFF\uFFFE", 6);
    EXPECT_FALSE(isValidIban(binary + binary));
    EXPECT_FALSE(isValidRib(binary));
    EXPECT_FALSE(isValidSiren(binary.left(9)));
}
