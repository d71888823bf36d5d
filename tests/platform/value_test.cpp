#include <gtest/gtest.h>

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
