// Numbers, money text, short dates and input checks: no database needed.
#include "Decimal.h"
#include "Field.h"
#include "Format.h"
#include "InputError.h"

#include <QDateTime>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <ctime>
#include <limits>

using kestrum::Decimal;

namespace {

Decimal dec(const char* text) {
    auto d = Decimal::parse(QString::fromLatin1(text));
    EXPECT_TRUE(d.has_value()) << text;
    return d.value_or(Decimal{});
}

std::string money(const char* text) { return kestrum::formatMoney(dec(text)).toStdString(); }

}  // namespace

TEST(Decimal, ParsesPlainNumbersAndRefusesTheRest) {
    EXPECT_EQ(dec("12.5").raw(), 12500000);
    EXPECT_EQ(dec(" -3 ").raw(), -3000000);
    EXPECT_EQ(dec(".25").raw(), 250000);
    EXPECT_EQ(dec("+0.0000005").raw(), 1);   // seventh decimal rounds half away from zero
    EXPECT_EQ(dec("-0.0000005").raw(), -1);
    EXPECT_EQ(dec("0.0000004").raw(), 0);
    for (const char* bad : {"", " ", "-", ".", "1 or 1=1", "1e3", "1,000", "12.5.1", "abc", "1.-2",
                            "99999999999999999999"})
        EXPECT_FALSE(Decimal::parse(QString::fromLatin1(bad)).has_value()) << bad;
}

TEST(Decimal, ArithmeticIsExactAndRoundsHalfAwayFromZero) {
    EXPECT_EQ(dec("0.1") + dec("0.2"), dec("0.3"));
    EXPECT_EQ(dec("3") * dec("19.99"), dec("59.97"));
    EXPECT_EQ(dec("0.000001") * dec("0.5"), dec("0.000001"));
    EXPECT_EQ(dec("-0.000001") * dec("0.5"), dec("-0.000001"));
    EXPECT_EQ(dec("100") * dec("0.07375"), dec("7.375"));
    EXPECT_EQ(dec("10") / dec("4"), dec("2.5"));
    EXPECT_THROW(dec("1") / Decimal{}, std::domain_error);
    EXPECT_LT(dec("-1"), dec("0.5"));
    EXPECT_EQ(dec("2.5").toInt(), 3);
    EXPECT_EQ(dec("-2.5").toInt(), -3);
    EXPECT_EQ(dec("12.50").toString(), "12.5");
    EXPECT_EQ(dec("-0.07375").toString(), "-0.07375");
    // The extremes and the one-digit cases of the text exports write without a QString.
    EXPECT_EQ(Decimal{}.toString(), "0");
    EXPECT_EQ(dec("-0.000001").toString(), "-0.000001");
    EXPECT_EQ(dec("100").toString(), "100");
    EXPECT_EQ(dec("7.1").toString(), "7.1");
    EXPECT_EQ(Decimal::fromRaw(std::numeric_limits<qint64>::min()).toString(), "-9223372036854.775808");
    EXPECT_EQ(Decimal::fromRaw(std::numeric_limits<qint64>::max()).toString(), "9223372036854.775807");
    EXPECT_EQ(Decimal::fromDouble(0.1 + 0.2), dec("0.3"));
    EXPECT_EQ(Decimal::fromVariant(QVariant()), Decimal{});
    EXPECT_EQ(Decimal::fromVariant(QString("12.000000")), dec("12"));
    EXPECT_EQ(Decimal::fromVariant(QVariant::fromValue(dec("4.2"))), dec("4.2"));
}

TEST(Format, MoneyHasAtMostTwoDecimalsAndZeroIsEmpty) {
    EXPECT_EQ(money("12.50"), "12.5");
    EXPECT_EQ(money("1234.567"), "1234.57");
    EXPECT_EQ(money("0"), "");
    EXPECT_EQ(money("0.004"), "");
    EXPECT_EQ(money("0.005"), "0.01");
    EXPECT_EQ(money("-0.005"), "-0.01");
    EXPECT_EQ(money("1000000"), "1000000");
    EXPECT_EQ(money("-12.345"), "-12.35");
    EXPECT_EQ(kestrum::formatMoneyOrZero(Decimal{}), "0");
}

TEST(Format, ShortDatesAreMonthDayYear) {
    EXPECT_EQ(kestrum::parseShortDate("12/8/2026"), QDate(2026, 12, 8));
    EXPECT_EQ(kestrum::parseShortDate(" 12/08/2026 "), QDate(2026, 12, 8));
    EXPECT_EQ(kestrum::parseShortDate("1/2/29"), QDate(2029, 1, 2));
    EXPECT_EQ(kestrum::parseShortDate("1/2/30"), QDate(1930, 1, 2));
    for (const char* bad : {"", "13/1/2026", "2/30/2026", "2026-12-08", "12/8", "12/8/2026 x", "a/b/c"})
        EXPECT_FALSE(kestrum::parseShortDate(QString::fromLatin1(bad)).has_value()) << bad;
    EXPECT_EQ(kestrum::formatShortDate(QDate(2026, 1, 5)), "1/5/2026");
    EXPECT_EQ(kestrum::formatShortDate(QDate()), "");
}

TEST(Format, SettlingTheTimeZoneKeepsLocalTimesAndAZoneTheUserChose) {
    const QByteArray saved = qgetenv("TZ");
    const bool wasSet = qEnvironmentVariableIsSet("TZ");
    qunsetenv("TZ");
    tzset();
    const QDateTime winter(QDate(2025, 1, 15), QTime(12, 0)), summer(QDate(2025, 7, 15), QTime(12, 0));
    const qint64 w = winter.toSecsSinceEpoch(), s = summer.toSecsSinceEpoch();
    kestrum::settleLocalTimeZone();
    if (QFileInfo::exists("/etc/localtime")) EXPECT_EQ(qgetenv("TZ"), ":/etc/localtime");
    tzset();
    EXPECT_EQ(QDateTime(QDate(2025, 1, 15), QTime(12, 0)).toSecsSinceEpoch(), w);
    EXPECT_EQ(QDateTime(QDate(2025, 7, 15), QTime(12, 0)).toSecsSinceEpoch(), s);
    qputenv("TZ", "America/Chicago");
    kestrum::settleLocalTimeZone();
    EXPECT_EQ(qgetenv("TZ"), "America/Chicago");
    if (wasSet) qputenv("TZ", saved); else qunsetenv("TZ");
    tzset();
}

TEST(InputChecks, BadTextIsAClearMessageNamingTheBox) {
    EXPECT_EQ(kestrum::requireInteger(" 42 ", "ID Part"), 42);
    try {
        kestrum::requireInteger("1 or 1=1", "ID Part");
        FAIL() << "no InputError";
    } catch (const kestrum::InputError& e) {
        EXPECT_EQ(e.caption(), "ID Part");
        EXPECT_TRUE(e.message().contains("ID Part")) << e.what();
        EXPECT_TRUE(e.message().contains("1 or 1=1")) << e.what();
    }
    EXPECT_THROW(kestrum::requireInteger("1.5", "ID"), kestrum::InputError);
    EXPECT_THROW(kestrum::requireDecimal("", "Qty"), kestrum::InputError);
    EXPECT_EQ(kestrum::decimalOrZero("  ", "Price"), Decimal{});
    EXPECT_THROW(kestrum::decimalOrZero("x", "Price"), kestrum::InputError);
    EXPECT_EQ(kestrum::requireDate("12/8/2026", "Date"), QDate(2026, 12, 8));
    EXPECT_THROW(kestrum::requireDate("", "Date"), kestrum::InputError);
    const QVariant empty = kestrum::optionalDate("", "Due Date");
    EXPECT_TRUE(empty.isNull());
    EXPECT_EQ(empty.metaType(), QMetaType::fromType<QDate>());
    EXPECT_THROW(kestrum::optionalDate("31/12/2026", "Due Date"), kestrum::InputError);
}

TEST(Field, ReadsValuesTheWayTheWindowsShowThem) {
    using kestrum::Field;
    EXPECT_EQ(Field("a", QVariant()).AsString(), "");
    EXPECT_EQ(Field("a", QVariant()).AsCurrency(), Decimal{});
    EXPECT_EQ(Field("a", true).AsString(), "Yes");
    EXPECT_EQ(Field("a", false).AsString(), "No");
    EXPECT_EQ(Field("a", QVariant::fromValue(dec("12"))).AsString(), "12");
    EXPECT_EQ(Field("a", QVariant(QDateTime(QDate(2026, 12, 8), QTime(0, 0)))).AsString(), "12/8/2026");
    EXPECT_EQ(Field("a", QVariant(QDateTime(QDate(2026, 12, 8), QTime(14, 5)))).AsString(),
              "12/8/2026 2:05:00 PM");
    EXPECT_EQ(Field("a", QString("7")).AsInteger(), 7);
    EXPECT_TRUE(Field("a", QString("Yes")).AsBoolean());
    EXPECT_EQ(Field("a", QString("3/4/2026")).AsDate(), QDate(2026, 3, 4));
}
