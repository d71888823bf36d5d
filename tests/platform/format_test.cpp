#include <gtest/gtest.h>

#include <limits>

#include "platform/environment.h"
#include "platform/text/format.h"

using namespace vorna;

// Readable failures.
static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

Decimal dec(const char* text) { return *Decimal::parse(QString::fromLatin1(text)); }

struct NumberCase {
    const char* value;
    const char* pattern;
    const char* comma;  // with "," as separator
};

// Every pattern the program formats amounts with, and the values that show its rules.
const NumberCase kNumberCases[] = {
    // Order list: the units digit of 0, 2 and 3 decimals lines up thanks to the trailing blanks.
    {"1234", "### ### ### ### ##0       ", "1 234       "},
    {"0", "### ### ### ### ##0       ", "0       "},
    {"1234567890123", "### ### ### ### ##0       ", "1 234 567 890 123       "},
    {"1234.5", "### ### ### ### ##0.00  ", "1 234,50  "},
    {"0.5", "### ### ### ### ##0.00  ", "0,50  "},
    {"12345678901234.56", "### ### ### ### ##0.00  ", "12 345 678 901 234,56  "},
    {"1234.5", "### ### ### ### ##0.000", "1 234,500"},
    // Display formats of the amount box, the stored display text and the totals.
    {"1500", "## ### ### ### ##0", "1 500"},
    {"999", "## ### ### ### ##0", "999"},
    {"1000", "## ### ### ### ##0", "1 000"},
    {"12345678901234", "## ### ### ### ##0", "12 345 678 901 234"},
    {"123456789012345678", "## ### ### ### ##0", "123 456 789 012 345 678"},  // more digits than places
    {"1234.5", "### ### ### ##0.00", "1 234,50"},
    {"12.555", "### ### ### ##0.00", "12,56"},
    {"12.554", "### ### ### ##0.00", "12,55"},
    {"999.995", "### ### ### ##0.00", "1 000,00"},  // the carry makes a new group
    {"0.005", "### ### ### ##0.00", "0,01"},
    {"1234.5678", "## ### ### ##0.000", "1 234,568"},
    {"-1234.5", "### ### ### ##0.00", "-1 234,50"},
    // Initial format and edit formats of the amount box.
    {"1234", "# ##0", "1 234"},
    {"12", "# ##0", "12"},
    {"0", "# ##0", "0"},
    {"1234567", "# ##0", "1 234 567"},
    {"1234.5", "# ##0", "1 235"},
    {"-1234.5", "# ##0", "-1 235"},
    {"1234.56", "0", "1235"},
    {"0.5", "0", "1"},
    {"-0.5", "0", "-1"},
    {"-0.4", "0", "0"},  // no sign on a zero
    {"1234.5", "##0.00", "1234,50"},
    {"0.0005", "##0.000", "0,001"},
    // Amounts of the order file (then written with a comma whatever the regional settings).
    {"7", "#0", "7"},
    {"1234.5", "#0.00", "1234,50"},
    {"0", "#0.000", "0,000"},
    // The regional separator test of the start-up: no digit before the separator.
    {"1.01", "#.00", "1,01"},
    {"0.5", "#.00", ",50"},
    {"0", "#.00", ",00"},
    {"0", "#", ""},
};

}  // namespace

TEST(FormatNumber, EveryPatternOfTheProgramWithEitherSeparator) {
    for (const auto& c : kNumberCases) {
        const QString expected = QString::fromLatin1(c.comma);
        EXPECT_EQ(formatNumber(dec(c.value), QString::fromLatin1(c.pattern), u','), expected)
            << c.value << " with \"" << c.pattern << "\"";
        QString point = expected;
        point.replace(u',', u'.');
        EXPECT_EQ(formatNumber(dec(c.value), QString::fromLatin1(c.pattern), u'.'), point)
            << c.value << " with \"" << c.pattern << "\"";
    }
}

TEST(FormatNumber, TakesTheRegionalSeparatorUnlessGiven) {
    Locale::force(false);
    EXPECT_EQ(formatNumber(dec("12345.67"), "### ### ### ##0.00"), "12 345,67");
    EXPECT_EQ(formatNumber(dec("1.01"), "#.00"), "1,01");
    // On screen: no-break spaces between the groups, the pattern's own blanks kept.
    EXPECT_EQ(displayNumber(dec("1234567.5"), "### ### ##0.00  "), QStringLiteral("1\u00A0234\u00A0567,50  "));
    EXPECT_EQ(displayNumber(dec("-1234.5"), "# ##0.00", u'.'), QStringLiteral("-1\u00A0234.50"));
    EXPECT_EQ(formatNumber(dec("1234.5"), "#0.00", u'.'), "1234.50");
    Locale::force(true);
    EXPECT_EQ(formatNumber(dec("12345.67"), "### ### ### ##0.00"), "12 345.67");
    EXPECT_TRUE(formatNumber(dec("1.01"), "#.00").contains(u'.'));
    Locale::force(std::nullopt);
}

TEST(FormatNumber, ExtremeValuesAndScales) {
    constexpr qint64 max = std::numeric_limits<qint64>::max();
    constexpr qint64 min = std::numeric_limits<qint64>::min();
    EXPECT_EQ(formatNumber(Decimal(max, 0), "# ##0", u','), "9 223 372 036 854 775 807");
    EXPECT_EQ(formatNumber(Decimal(min, 0), "# ##0", u','), "-9 223 372 036 854 775 808");
    EXPECT_EQ(formatNumber(Decimal(max, 2), "0.0", u','), "92233720368547758,1");
    EXPECT_EQ(formatNumber(Decimal(max, 2), "0.000", u','), "92233720368547758,070");
    EXPECT_EQ(formatNumber(Decimal(5, 3), "0.00", u','), "0,01");
    EXPECT_EQ(formatNumber(Decimal(5, 30), "0.00", u','), "0,00");
    EXPECT_EQ(formatNumber(Decimal(-5, 30), "0.00", u','), "0,00");
    EXPECT_EQ(formatNumber(Decimal(1, 100000), "# ##0", u','), "0");
    EXPECT_EQ(formatNumber(dec("1.5"), "0." + QString(24, u'0'), u','), "1,5" + QString(23, u'0'));
    EXPECT_EQ(formatNumber(dec("1234.5"), "", u','), "1234,5");
    EXPECT_EQ(formatNumber(dec("2.5"), "0.0#", u','), "2,5");
}

TEST(FormatNumber, DisplayTextReadsBackAsTheRoundedValue) {
    // The amount box compares a typed value with its formatted value read back.
    const char* values[] = {"0.01", "12.5", "1234.56", "999999999999.99", "12345678901234"};
    for (const char* v : values) {
        const Decimal x = dec(v);
        const QString shown = formatNumber(x, "### ### ### ##0.00", u',');
        const auto back = readRegionalNumber(shown, u',');
        ASSERT_TRUE(back.has_value()) << shown.toStdString();
        EXPECT_EQ(*back, x.rescaled(2)) << shown.toStdString();
    }
    EXPECT_EQ(*readRegionalNumber(formatNumber(dec("12.555"), "### ### ### ##0.00", u','), u','), dec("12.56"));
}

TEST(FormatDate, PatternsOfTheProgram) {
    const QDateTime t(QDate(2026, 3, 7), QTime(9, 5, 4));
    struct {
        const char* pattern;
        const char* expected;
    } cases[] = {
        {"dd/mm/YYYY HH:MM", "07/03/2026 09:05"},
        {"DD/MM/YYYY HH:MM", "07/03/2026 09:05"},
        {"mm/dd/YYYY HH:MM", "03/07/2026 09:05"},
        {"mm/dd/YYYY HH:MM:59", "03/07/2026 09:05:59"},
        {"dd/mm/yyyy HH:MM", "07/03/2026 09:05"},
        {"YYMMDD", "260307"},
        {"HHMM", "0905"},
        {"DDMMYYYYHHMMSS", "07032026090504"},
        {"HH:MM dd/mm", "09:05 07/03"},  // "mm" after the day is the month again
        {"hh:nn:ss", "09:05:04"},
        {"d/m/yy h:n:s", "7/3/26 9:5:4"},
        {"Le dd", "Le 07"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatDate(t, QString::fromLatin1(c.pattern)), QString::fromLatin1(c.expected)) << c.pattern;

    EXPECT_EQ(formatDate(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59)), "dd/mm/YYYY HH:MM"), "31/12/2026 23:59");
    EXPECT_EQ(formatDate(QDateTime(QDate(2000, 1, 2), QTime(0, 0)), "YYMMDD HHMM"), "000102 0000");
    EXPECT_EQ(formatDate(QDateTime(), "dd/mm/YYYY HH:MM"), "");
}

TEST(ReadRegionalNumber, GroupedDisplayText) {
    EXPECT_EQ(readRegionalNumber(u"1 234,50", u','), dec("1234.5"));
    EXPECT_EQ(readRegionalNumber(u"1 234.50", u'.'), dec("1234.5"));
    EXPECT_EQ(readRegionalNumber(u"12 345 678 901 234,56  ", u','), dec("12345678901234.56"));
    EXPECT_EQ(readRegionalNumber(u"-1 234,5", u','), dec("-1234.5"));
    // The screen groups digits with no-break spaces.
    EXPECT_EQ(readRegionalNumber(u"1\u00A0234\u00A0567,5", u','), dec("1234567.5"));
    EXPECT_EQ(readRegionalNumber(u",5", u','), dec("0.5"));
    EXPECT_EQ(readRegionalNumber(u"5,", u','), dec("5"));
    EXPECT_EQ(readRegionalNumber(u"0000000000000000000000001", u','), dec("1"));
    EXPECT_EQ(readRegionalNumber(u"1,000000000000000000000000", u','), dec("1"));
    Locale::force(false);
    EXPECT_EQ(readRegionalNumber(u"2 500,75"), dec("2500.75"));
    Locale::force(std::nullopt);

    // The other sign, stray characters, no digit and overflow are unreadable.
    const char16_t* bad[] = {u"1 234.50", u"", u"   ", u",", u"-", u"1,2,3", u"12a", u"abc", u"1-2",
                             u"99999999999999999999", u"1\u2009234", u"\u0661\u0662"};
    for (const char16_t* b : bad) EXPECT_FALSE(readRegionalNumber(b, u',').has_value()) << QString::fromUtf16(b).toStdString();
}

TEST(ReadLeadingNumber, ReadsUpToTheFirstOtherCharacter) {
    EXPECT_TRUE(readLeadingNumber(u"").isZero());
    EXPECT_TRUE(readLeadingNumber(u"0").isZero());
    EXPECT_TRUE(readLeadingNumber(u"0,00").isZero());
    EXPECT_TRUE(readLeadingNumber(u"0.00").isZero());
    EXPECT_TRUE(readLeadingNumber(u"abc").isZero());
    EXPECT_TRUE(readLeadingNumber(u"-5").isZero());
    EXPECT_EQ(readLeadingNumber(u"0,5"), dec("0.5"));
    EXPECT_EQ(readLeadingNumber(u"0.5"), dec("0.5"));
    EXPECT_EQ(readLeadingNumber(u",5"), dec("0.5"));
    EXPECT_EQ(readLeadingNumber(u"1 000"), dec("1000"));
    EXPECT_EQ(readLeadingNumber(u"1\u00A0000,5"), dec("1000.5"));
    EXPECT_EQ(readLeadingNumber(u" 7 "), dec("7"));
    EXPECT_EQ(readLeadingNumber(u"12abc"), dec("12"));
    EXPECT_EQ(readLeadingNumber(u"1,5,7"), dec("1.5"));
    EXPECT_EQ(readLeadingNumber(u"1.2.3"), dec("1.2"));
    EXPECT_EQ(readLeadingNumber(u"0,0000000000001"), Decimal(1, 13));
    EXPECT_EQ(readLeadingNumber(u"99999999999999999999999,5"), Decimal(std::numeric_limits<qint64>::max(), 0));
    EXPECT_EQ(readLeadingNumber(QString(100000, u'0') + u'1'), dec("1"));
}
