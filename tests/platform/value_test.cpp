#include <gtest/gtest.h>

#include "platform/text/format.h"
#include "platform/value.h"

using namespace vorna;

TEST(Decimal, ParsesAndPrintsExactly) {
    EXPECT_EQ(Decimal::parse(u"1234.50")->toString(), "1234.50");
    EXPECT_EQ(Decimal::parse(u"-0,5")->toString(), "-0.5");
    EXPECT_EQ(Decimal::parse(u"007")->toString(), "7");
    EXPECT_FALSE(Decimal::parse(u"1 234").has_value());
    EXPECT_FALSE(Decimal::parse(u"").has_value());
    EXPECT_FALSE(Decimal::parse(u"1.2.3").has_value());
    EXPECT_EQ(Decimal(std::numeric_limits<qint64>::min(), 0).toString(), "-9223372036854775808");
}

TEST(Decimal, RoundsHalfAwayFromZero) {
    EXPECT_EQ(Decimal::parse(u"1234.5")->rescaled(0).toString(), "1235");
    EXPECT_EQ(Decimal::parse(u"-1234.5")->rescaled(0).toString(), "-1235");
    EXPECT_EQ(Decimal::parse(u"0.125")->rescaled(2).toString(), "0.13");
    EXPECT_EQ(Decimal::parse(u"0.5")->rescaled(3).toString(), "0.500");
}

TEST(Decimal, TenThousandTenthsMakeExactlyOneThousand) {
    Decimal total;
    const Decimal tenth = Decimal::fromDouble(0.1);
    for (int i = 0; i < 10000; ++i) total = total + tenth;
    EXPECT_EQ(total.rescaled(2).toString(), "1000.00");
    EXPECT_EQ(Decimal::fromDouble(12345678901234.5).toString(), "12345678901234.5");
    EXPECT_EQ(Decimal::fromDouble(0.07).toString(), "0.07");
}

TEST(Value, TellsEmptyNullAndFalseApart) {
    EXPECT_TRUE(Value().isEmpty());
    EXPECT_TRUE(Value::null().isNull());
    EXPECT_FALSE(Value(false).isNull());
    EXPECT_FALSE(Value(false) == Value::null());
    EXPECT_TRUE(Value::null().isBlank());
    EXPECT_TRUE(Value(QStringLiteral("   ")).isBlank());
    EXPECT_FALSE(Value(0).isBlank());
    EXPECT_EQ(Value::null().toText(), "");
    EXPECT_TRUE(Value(qint64(-1)).toBool());
}

TEST(Value, DatesRoundTripThroughTheStoredForm) {
    const QDateTime t(QDate(2026, 12, 8), QTime(9, 5, 2));
    EXPECT_EQ(Value(t).toText(), "2026-12-08 09:05:02");
    EXPECT_EQ(Value(QStringLiteral("08/12/2026 09:05")).toDateTime(), QDateTime(QDate(2026, 12, 8), QTime(9, 5)));
    EXPECT_EQ(Value(QStringLiteral("2026-12-08 09:05:02")).toDateTime(), t);
}

// More decimals than a 64-bit count of units can hold are rounded away: arithmetic, rescaling
// and comparison stay exact and never overflow.
TEST(Decimal, AFractionBeyondEighteenDecimalsIsRoundedNotOverflowed) {
    const struct {
        Decimal d;
        const char* text;
    } cases[] = {
        {Decimal(1, 51), "0.000000000000000000"},
        {Decimal(5, 19), "0.000000000000000001"},
        {Decimal(-5, 19), "-0.000000000000000001"},
        {Decimal(123456789, 40), "0.000000000000000000"},
        {Decimal(std::numeric_limits<qint64>::max(), 39), "0.000000000000000000"},
        {Decimal(std::numeric_limits<qint64>::max(), 20), "0.092233720368547758"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.d.toString(), c.text);
    const Decimal tiny(7, 60);
    EXPECT_EQ(tiny.rescaled(2).toString(), "0.00");
    EXPECT_EQ((tiny + Decimal(15, 1)).toString(), "1.500000000000000000");
    EXPECT_EQ(tiny, Decimal());
    EXPECT_LT(tiny, Decimal(1, 18));
    EXPECT_EQ(Decimal(1, 2).rescaled(60).toString(), "0.010000000000000000");
    // The amount typed with a long fraction reads, and rounds, like any other.
    const auto typed = readRegionalNumber(QStringLiteral("0,") + QString(45, u'0') + QStringLiteral("5"), u',');
    ASSERT_TRUE(typed.has_value());
    EXPECT_EQ(typed->rescaled(2).toString(), "0.00");
    EXPECT_EQ(*typed + Decimal(1, 0), Decimal(1, 0));
}
