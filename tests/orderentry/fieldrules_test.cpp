#include <gtest/gtest.h>

#include "common/scripteddialogs.h"
#include "orderentry/fieldrules.h"
#include "orderentry/modrules.h"

using namespace vorna;
using vorna::test::ScriptedDialogs;

static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

struct SeparatorIs {
    bool saved = DecimalSeparatorIsPoint;
    explicit SeparatorIs(bool point) { DecimalSeparatorIsPoint = point; }
    ~SeparatorIs() { DecimalSeparatorIsPoint = saved; }
};

// The amount box as the user types in it: each key goes in at the caret, the check runs on
// the new text, a refusal puts the text back (which the check sees again) and the caret where
// it was before the key. "^" moves the caret to the start, "<" one place left.
struct AmountBox {
    QString nbDeci;
    QString format;
    std::optional<Decimal> last;
    int savedCaret = 1;
    QString text;
    int caret = 0;

    explicit AmountBox(const QString& decimals)
        : nbDeci(decimals), format(amountFormats(decimals) ? amountFormats(decimals)->display : kDefaultAmountFormat) {}

    void type(const QString& keys) {
        for (QChar k : keys) {
            if (k == u'^') {
                caret = 0;
                continue;
            }
            if (k == u'<') {
                caret = std::max(0, caret - 1);
                continue;
            }
            savedCaret = caret;
            text.insert(caret, k);
            ++caret;
            change();
        }
    }
    void change() {
        const AmountVerdict v = checkAmount(text, format, nbDeci, last, savedCaret);
        last = v.lastAccepted;
        if (v.accepted) return;
        beep();
        if (v.text != text) {
            text = v.text;
            change();
        }
        caret = v.caret;
    }
};

struct AmountCase {
    const char* name;
    const char* nbDeci;
    const char* keys;
    const char* text;  // what the box holds at the end
    int beeps;
    int caret;
};

}  // namespace

TEST(AmountCheck, TypedKeyByKey) {
    const AmountCase cases[] = {
        {"first zero", "2", "0", "", 1, 0},
        {"lone separator", "2", ",", "", 1, 0},
        {"zero then digits", "2", "05", "5", 1, 1},
        {"separator before an existing 5", "2", "5^,", ",5", 0, 1},
        {"two decimals", "2", "12,55", "12,55", 0, 5},
        {"third decimal", "2", "12,555", "12,55", 1, 5},
        {"third decimal in the middle", "2", "12,55<<9", "12,55", 1, 3},
        {"separator without decimals", "0", "12,", "12", 1, 2},
        {"separator inside a whole amount", "0", "125<,", "125", 1, 2},
        {"second separator", "2", "12,5,", "12,5", 1, 4},
        {"zero amount with decimals", "2", "0,00", "", 4, 0},
        {"zero decimals after a whole", "2", "100,00", "100,00", 0, 6},
        {"14 digits without decimals", "0", "12345678901234", "12345678901234", 0, 14},
        {"15th digit", "0", "123456789012345", "12345678901234", 1, 14},
        {"12 digits and 2 decimals", "2", "123456789012,55", "123456789012,55", 0, 15},
        {"13th digit before the separator", "2", "1234567890123", "123456789012", 1, 12},
        {"12th digit before 3 decimals", "3", "123456789012", "12345678901", 1, 11},
        {"3 decimals", "3", "1,125", "1,125", 0, 5},
        {"4th decimal", "3", "1,1255", "1,125", 1, 5},
        {"default format takes no decimals", "", "7,", "7", 1, 1},
    };
    for (const AmountCase& c : cases) {
        ScriptedDialogs dialogs;
        SeparatorIs comma(false);
        AmountBox box(QString::fromUtf8(c.nbDeci));
        box.type(QString::fromUtf8(c.keys));
        EXPECT_EQ(box.text, QString::fromUtf8(c.text)) << c.name;
        EXPECT_EQ(dialogs.beeps, c.beeps) << c.name;
        EXPECT_EQ(box.caret, c.caret) << c.name;
    }
}

TEST(AmountCheck, ReadsTheDisplayFormAndTheRegionalSeparator) {
    {
        SeparatorIs comma(false);
        const QString display = amountFormats("2")->display;
        AmountVerdict v = checkAmount("1 234,50", display, "2", std::nullopt, 1);
        EXPECT_TRUE(v.accepted);
        EXPECT_EQ(v.lastAccepted, Decimal(123450, 2));
        v = checkAmount("123 456 789 012,50", display, "2", v.lastAccepted, 1);
        EXPECT_TRUE(v.accepted);
        // Refused: the last accepted amount comes back in plain form, the caret within it.
        v = checkAmount("1.5", display, "2", v.lastAccepted, 40);
        EXPECT_FALSE(v.accepted);
        EXPECT_EQ(v.text, "123456789012,5");
        EXPECT_EQ(v.caret, 14);
        EXPECT_EQ(v.lastAccepted, Decimal(1234567890125, 1));
    }
    {
        SeparatorIs point(true);
        const QString display = amountFormats("3")->display;
        AmountVerdict v = checkAmount("2 000.125", display, "3", std::nullopt, 1);
        EXPECT_TRUE(v.accepted);
        EXPECT_FALSE(checkAmount("2,5", display, "3", v.lastAccepted, 1).accepted);
        // Emptying the box forgets the amount.
        v = checkAmount("", display, "3", v.lastAccepted, 1);
        EXPECT_TRUE(v.accepted);
        EXPECT_EQ(v.lastAccepted, std::nullopt);
        EXPECT_EQ(checkAmount("x", display, "3", std::nullopt, 1).text, "");
    }
}

TEST(AmountFormats, FocusTakesTheEditFormAndTheBindingTheDisplayForm) {
    SeparatorIs comma(false);
    const struct {
        const char* text;
        const char* nbDeci;
        const char* edit;
    } cases[] = {
        {"1 234,50", "2", "1234,50"}, {"1 234", "0", "1234"},     {"5", "3", "5,000"},
        {"0,5", "2", "0,50"},         {"", "2", ""},              {"ABC", "2", "ABC"},
        {"1 234,5", "1", "1 234,5"},  {"12 345 678,9", "", "12 345 678,9"},
        // An amount with more decimals than the currency takes keeps them all.
        {"1 234,567", "2", "1234,567"}, {"12,5", "0", "12,5"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(amountEditText(QString::fromUtf8(c.text), c.nbDeci), QString::fromUtf8(c.edit)) << c.text;

    const forms::DataFormat two = amountDataFormat(amountFormats("2")->display);
    EXPECT_EQ(two.display(Value(Decimal(123456789012345, 2))), QStringLiteral("1\u00A0234\u00A0567\u00A0890\u00A0123,45"));
    EXPECT_EQ(two.display(Value(0.5)), "0,50");
    EXPECT_EQ(two.display(Value::null()), "");
    EXPECT_EQ(amountDataFormat(amountFormats("0")->display).display(Value(Decimal(12345, 0))), QStringLiteral("12\u00A0345"));
    EXPECT_EQ(amountDataFormat(kDefaultAmountFormat).display(Value(Decimal(1234567, 0))), QStringLiteral("1\u00A0234\u00A0567"));
    // A currency change never hides decimals the amount already holds.
    EXPECT_EQ(amountDataFormat(amountFormats("0")->display).display(Value(Decimal(1255, 2))), "12,55");
    EXPECT_EQ(two.parse("1 234,50"), Value(Decimal(12345, 1)));
    EXPECT_EQ(two.parse(QStringLiteral("1\u00A0234,50")), Value(Decimal(12345, 1)));
    EXPECT_TRUE(two.parse("").isNull());
    EXPECT_TRUE(two.parse("  ").isNull());
    EXPECT_EQ(two.parse("1,2,3"), Value("1,2,3"));  // left for the column to refuse
    // An amount with more decimals than its currency takes is refused, never rounded.
    EXPECT_TRUE(judgeAmountDecimals(Decimal(1234567, 3), "2"));
    EXPECT_TRUE(judgeAmountDecimals(Decimal(123450, 2), "0"));
    EXPECT_FALSE(judgeAmountDecimals(Decimal(123400, 2), "0"));  // 1234,00 holds no decimal
    EXPECT_FALSE(judgeAmountDecimals(Decimal(1234567, 3), ""));  // no currency known yet
    EXPECT_FALSE(judgeAmountDecimals(std::nullopt, "2"));
}

TEST(CurrencyRules, WhatEachChangeOpens) {
    const struct {
        const char *dev0, *dev1, *nbDeci;
        bool payment, amount;
    } cases[] = {
        {"", "", "", false, false},       {"", "EUR", "2", false, false}, {"E", "", "2", true, false},
        {"EUR", "", "2", true, false},    {"EUR", "USD", "2", true, true}, {"EU", "U", "2", true, true},
        {"XXX", "EUR", "", true, false},  {" ", " ", "0", true, true},
    };
    for (const auto& c : cases) {
        const CurrencyControls got = currencyControls(c.dev0, c.dev1, c.nbDeci);
        EXPECT_EQ(got.paymentCurrency, c.payment) << c.dev0 << "/" << c.dev1 << "/" << c.nbDeci;
        EXPECT_EQ(got.amount, c.amount) << c.dev0 << "/" << c.dev1 << "/" << c.nbDeci;
    }

    QStringList asked;
    auto lookup = [&](const QString& code) {
        asked << code;
        return code == u"EUR" ? 2 : code == u"JPY" ? 0 : code == u"KWD" ? 3 : -1;
    };
    EXPECT_EQ(nbDeciAfter("EUR", lookup), "2");
    EXPECT_EQ(nbDeciAfter("JPY", lookup), "0");
    EXPECT_EQ(nbDeciAfter("KWD", lookup), "3");
    EXPECT_EQ(nbDeciAfter("XXX", lookup), "");
    EXPECT_EQ(nbDeciAfter("EU", lookup), std::nullopt);
    EXPECT_EQ(nbDeciAfter("", lookup), std::nullopt);
    EXPECT_EQ(nbDeciAfter("EURO", lookup), std::nullopt);
    EXPECT_EQ(asked, QStringList({"EUR", "JPY", "KWD", "XXX"}));
}

TEST(CurrencyRules, LeavingACurrencyBox) {
    auto known = [](const QString& code) { return code == u"EUR" || code == u"USD"; };
    using M = QList<FieldMessage>;
    const struct {
        const char *box, *dev0, *dev1;
        M expected;
    } cases[] = {
        {"USD", "USD", "USD", M{}},
        {"", "", "", M{}},
        {"   ", "   ", "", M{}},  // blanks only: nothing to look up
        {"XYZ", "XYZ", "", M{fieldmsg::UnknownCurrency}},
        {"usd", "usd", "", M{fieldmsg::UnknownCurrency}},
        {"EUR", "USD", "EUR", M{fieldmsg::EuroFromOther}},
        {"USD", "USD", "EUR", M{fieldmsg::EuroFromOther}},
        {"EUR ", "USD", "EUR ", M{fieldmsg::UnknownCurrency, fieldmsg::EuroFromOther}},
        {"XYZ", "XYZ", "EUR", M{fieldmsg::UnknownCurrency, fieldmsg::EuroFromOther}},
        {"EUR", " EUR", "EUR", M{}},
        {"EUR", "EUR", "USD", M{}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(judgeCurrency(c.box, c.dev0, c.dev1, known), c.expected) << c.box << "/" << c.dev0 << "/" << c.dev1;

    EXPECT_EQ(fieldmsg::EuroFromOther.text,
              QStringLiteral("L'application KESTO ne permet pas ce virement ! \rPour ce type d'opération, veuillez "
                             "contacter votre teneur de compte !!!"));
    EXPECT_EQ(fieldmsg::EuroFromOther.title, "Erreur de saisie");
    EXPECT_EQ(fieldmsg::EuroFromOther.icon, MsgIcon::Exclamation);
}

TEST(CountryRules, EuroEeaFlagSharedChargesAndUnknownCodes) {
    QStringList asked;
    auto eea = [&](const QString& code) {
        asked << code;
        return code == u"DE" || code == u"NO";
    };
    EXPECT_TRUE(isEuroToEea("EUR", "EUR", "DE", eea));
    EXPECT_TRUE(isEuroToEea("EUR", "EUR", "NO", eea));
    EXPECT_FALSE(isEuroToEea("EUR", "USD", "DE", eea));
    EXPECT_FALSE(isEuroToEea("EUR ", "EUR", "DE", eea));  // texts as they stand
    EXPECT_FALSE(isEuroToEea("EUR", "EUR", "US", eea));
    EXPECT_FALSE(isEuroToEea("", "", "", eea));
    // The EEA is asked every time, an empty code included.
    EXPECT_EQ(asked, QStringList({"DE", "NO", "DE", "DE", "US", ""}));

    EXPECT_TRUE(takesSharedCharges("EUR", "EUR", "DE", true, eea));
    EXPECT_FALSE(takesSharedCharges("EUR", "EUR", "DE", false, eea));  // a cheque
    EXPECT_FALSE(takesSharedCharges("EUR", "EUR", "US", true, eea));
    EXPECT_FALSE(takesSharedCharges("USD", "EUR", "DE", true, eea));
    EXPECT_FALSE(takesSharedCharges("EUR", "EUR", "", true, eea));

    auto known = [](const QString& code) { return code == u"FR"; };
    EXPECT_EQ(judgeCountry("FR", known), std::nullopt);
    EXPECT_EQ(judgeCountry("", known), std::nullopt);
    EXPECT_EQ(judgeCountry("fr", known), fieldmsg::UnknownCountry);
    EXPECT_EQ(judgeCountry(" ", known), fieldmsg::UnknownCountry);
    EXPECT_EQ(fieldmsg::UnknownCountry.text, "Le pays est inconnu !!!");
}

TEST(AccountRules, CustomerAccountGroups) {
    const struct {
        const char *in, *out;
    } cases[] = {
        {"300060000112345678901", "30006 00001 12345678901"},
        {"30006 00001 12345678901", "30006 00001 12345678901"},
        {"3000600001123456789012", "3000600001123456789012"},     // 22: left as typed
        {"30006000011234567890189", "30006000011234567890189"},   // 23
        {"30006 000011234567890189", "30006 000011234567890189"}, // blanks typed stay
        {"", "  "},
        {"1234567", "12345 67 "},
        {"AB CD", "ABCD  "},
    };
    for (const auto& c : cases) EXPECT_EQ(groupedRibOY(c.in), c.out) << c.in;
}

TEST(AccountRules, InstitutionAccountCheckAndGroups) {
    const struct {
        const char* in;
        std::optional<FieldMessage> message;
        const char* out;
    } cases[] = {
        {"30006000011234567890189", std::nullopt, "30006 00001 12345678901 89"},
        {"30006 00001 12345678901 89", std::nullopt, "30006 00001 12345678901 89"},
        {"30006000011234567890188", fieldmsg::WrongRibKey, ""},
        {"123456789", fieldmsg::WrongRibKey, ""},
        {"12345678", std::nullopt, "12345 678  "},
        {"123", std::nullopt, "123   "},
        {"12", fieldmsg::ShortAccount, ""},
        {"1", fieldmsg::ShortAccount, ""},
        {" 1 ", fieldmsg::ShortAccount, ""},
        {"", std::nullopt, "   "},
    };
    for (const auto& c : cases) {
        const RibPLVerdict v = judgeRibPL(c.in);
        EXPECT_EQ(v.message, c.message) << c.in;
        if (!c.message) {
            EXPECT_EQ(v.text, c.out) << c.in;
        }
    }
    EXPECT_EQ(fieldmsg::WrongRibKey.text, "Clé RIB incorrecte !!");
    EXPECT_EQ(fieldmsg::ShortAccount.text, "Numéro de compte incorrect");
}

TEST(FieldKeys, BicTakesLettersAndDigitsOnly) {
    for (int k : std::initializer_list<int>{'A', 'Z', '0', '9', 8, 13, 27}) {
        ScriptedDialogs d;
        EXPECT_EQ(keyFilterBic(k), k) << k;
        EXPECT_EQ(d.beeps, 0) << k;
    }
    for (int k : std::initializer_list<int>{' ', '-', '/', 'a', 0xC9, 9}) {
        ScriptedDialogs d;
        EXPECT_EQ(keyFilterBic(k), 0) << k;
        EXPECT_EQ(d.beeps, 1) << k;
    }
}

TEST(FieldFocus, ReferenceSelectsWhatFollowsThePrefix) {
    EXPECT_EQ(referenceSelection("ABC-0012", 4), (Selection{4, 4}));
    EXPECT_EQ(referenceSelection("ABC-0012", 0), (Selection{0, 8}));
    EXPECT_EQ(referenceSelection("ABC", 10), (Selection{3, 0}));
    EXPECT_EQ(referenceSelection("", 3), (Selection{0, 0}));
    EXPECT_EQ(withoutBlanks(" 30006 00001 "), "3000600001");
}
