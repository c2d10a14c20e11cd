#include <vantrel/framework/DBError.h>
#include <vantrel/framework/Classes.h>
#include <vantrel/framework/Variant.h>

#include <gtest/gtest.h>

using namespace vantrel;

TEST(Format, DirectivesWidthsAndArguments) {
    EXPECT_EQ(Format("ODBC Parameter %s not found", "Id"), "ODBC Parameter Id not found");
    EXPECT_EQ(Format("ODBC Internal component error %x. Contact programmers team.", 816),
              "ODBC Internal component error 330. Contact programmers team.");
    EXPECT_EQ(Format("%X|%4x|%.4X", 255, 10, 0xab), "FF|   a|00AB");
    EXPECT_EQ(Format("%s_%d", String("Name"), 2), "Name_2");
    EXPECT_EQ(Format("%5d|%-5d|%05d|%.3d", 42, 42, -42, 7), "   42|42   |-0042|007");
    EXPECT_EQ(Format("%u %d", 4000000000u, int64_t(-9000000000)), "4000000000 -9000000000");
    EXPECT_EQ(Format("%.2f %s %%", 3.14159, 2.5), "3.14 2.5 %");
    EXPECT_EQ(Format("%.3s|%c", "abcdef", 'z'), "abc|z");
    EXPECT_EQ(Format("no args"), "no args");
    EXPECT_EQ(Format("%s and %d", {TVarRec("list"), TVarRec(3)}), "list and 3");
}

TEST(Format, BadDirectiveOrArgumentIsAConvertError) {
    EXPECT_THROW(Format("%d", "text"), EConvertError); // wrong kind
    EXPECT_THROW(Format("%s %s", "one"), EConvertError); // missing
    EXPECT_THROW(Format("%q", 1), EConvertError);         // unknown
    EXPECT_THROW(Format("50%", 1), EConvertError);        // dangling
    EXPECT_THROW(Format("%f", "x"), EConvertError);
}

TEST(DatabaseError, PrefixesTheComponentName) {
    TComponent named(nullptr), unnamed(nullptr);
    named.SetName("Query1");
    try {
        DatabaseErrorFmt("Field %s not found", {"Qty"}, &named);
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Query1: Field Qty not found");
    }
    try {
        DatabaseError("plain", &unnamed);
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "plain");
    }
}

TEST(Conversions, IntegersFloatsBooleans) {
    EXPECT_EQ(StrToInt(" -12 "), -12);
    EXPECT_EQ(StrToInt("$1F"), 31);
    EXPECT_THROW(StrToInt("12x"), EConvertError);
    EXPECT_THROW(StrToInt("3000000000"), EConvertError);
    EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
    EXPECT_EQ(StrToIntDef("", 7), 7);
    EXPECT_DOUBLE_EQ(StrToFloat("1.5e3"), 1500);
    EXPECT_THROW(StrToFloat("1,5"), EConvertError);
    EXPECT_EQ(FloatToStr(0.1), "0.1");
    EXPECT_TRUE(StrToBool("true"));
    EXPECT_FALSE(StrToBool("0"));
    EXPECT_EQ(CompareText("abc", "ABD"), -1);
    EXPECT_EQ(CompareText("ABC", "abc"), 0);
    EXPECT_EQ(UpperCase("aZ1"), "AZ1");
    EXPECT_EQ(Trim("\t x \n"), "x");
    EXPECT_EQ(StringReplaceAll("aXbxc", "x", "-", true), "a-b-c");
}

TEST(DateTime, EncodeDecodeAndText) {
    EXPECT_EQ(EncodeDate(1899, 12, 30).Value(), 0.0);
    EXPECT_EQ(EncodeDate(2000, 1, 1).Value(), 36526.0);
    EXPECT_THROW(EncodeDate(2023, 2, 29), EConvertError);
    TDateTime dt = EncodeDateTime(2024, 2, 29, 13, 45, 30, 250);
    int y, m, d, h, n, s, ms;
    DecodeDateTime(dt, y, m, d, h, n, s, ms);
    EXPECT_EQ((std::vector<int>{y, m, d, h, n, s, ms}), (std::vector<int>{2024, 2, 29, 13, 45, 30, 250}));
    EXPECT_EQ(DateTimeToStr(dt), "2024-02-29 13:45:30.250");
    EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 3, 1)), "2024-03-01");
    EXPECT_EQ(StrToDateTime("2024-02-29 13:45:30.250").Value(), dt.Value());
    EXPECT_THROW(StrToDate("2024-13-01"), EConvertError);
    // Before the base day the fraction still counts forward from midnight.
    TDateTime early = EncodeDateTime(1899, 12, 29, 6, 0, 0, 0);
    EXPECT_DOUBLE_EQ(early.Value(), -1.25);
    DecodeDateTime(early, y, m, d, h, n, s, ms);
    EXPECT_EQ((std::vector<int>{y, m, d, h}), (std::vector<int>{1899, 12, 29, 6}));
    EXPECT_EQ(DayOfWeek(EncodeDate(2026, 12, 8)), 3); // a Tuesday
    // Time stamps (used by stored parameters) round-trip through milliseconds.
    TTimeStamp ts = DateTimeToTimeStamp(dt);
    EXPECT_EQ(ts.Date, static_cast<int>(EncodeDate(2024, 2, 29).Value()) + DateDelta);
    EXPECT_EQ(ts.Time, ((13 * 60 + 45) * 60 + 30) * 1000 + 250);
    EXPECT_DOUBLE_EQ(TimeStampToDateTime(MSecsToTimeStamp(TimeStampToMSecs(ts))).Value(), dt.Value());
}

// Every calendar day of the years 1 to 9999, counted by a plain Gregorian calendar, decodes to
// itself, with and without a time of day, on both sides of the base day.
TEST(DateTime, EveryDayOfTheCalendarDecodesToItself) {
    auto leap = [](int y) { return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0); };
    const int length[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    double serial = EncodeDate(1, 1, 1).Value();
    int failures = 0;
    for (int y = 1; y <= 9999 && failures < 5; ++y) {
        for (int m = 1; m <= 12; ++m) {
            const int days = length[m - 1] + (m == 2 && leap(y) ? 1 : 0);
            EXPECT_EQ(DaysInMonth(y, m), days) << y << "-" << m;
            for (int d = 1; d <= days; ++d, serial += 1) {
                int yy, mm, dd, h, n, sec, ms;
                DecodeDate(TDateTime(serial), yy, mm, dd);
                // A quarter past six in the evening: before the base day the fraction is subtracted.
                const double withTime = serial < 0 ? serial - 0.765625 : serial + 0.765625;
                int ty, tm, td;
                DecodeDateTime(TDateTime(withTime), ty, tm, td, h, n, sec, ms);
                if (yy != y || mm != m || dd != d || ty != y || tm != m || td != d || h != 18 || n != 22 ||
                    sec != 30 || ms != 0) {
                    ADD_FAILURE() << y << "-" << m << "-" << d << " decoded as " << yy << "-" << mm << "-" << dd
                                  << " / " << ty << "-" << tm << "-" << td << " " << h << ":" << n << ":" << sec
                                  << "." << ms;
                    ++failures;
                }
            }
        }
    }
    EXPECT_EQ(serial, EncodeDate(9999, 12, 31).Value() + 1);
    int y, m, d;
    DecodeDate(TDateTime(EncodeDate(1, 1, 1).Value() - 1), y, m, d);
    EXPECT_EQ((std::vector<int>{y, m, d}), (std::vector<int>{0, 0, 0}));
}

TEST(DateTime, MillisecondsRoundHalfAwayFromZero) {
    EXPECT_EQ(MSecsToTimeStamp(0.5).Time, 1);
    EXPECT_EQ(MSecsToTimeStamp(0.49999999).Time, 0);
    const TTimeStamp nextDay = MSecsToTimeStamp(double(MSecsPerDay) - 0.5);
    EXPECT_EQ(nextDay.Date, 1);
    EXPECT_EQ(nextDay.Time, 0);
    const TTimeStamp late = MSecsToTimeStamp(double(DateDelta) * MSecsPerDay + 12345.5);
    EXPECT_EQ(late.Date, DateDelta);
    EXPECT_EQ(late.Time, 12346);
    EXPECT_EQ(MSecsToTimeStamp(-1.5).Time, -2);
    // 23:59:59.9996 is the next midnight once rounded to milliseconds.
    int y, m, d, h, n, s, ms;
    DecodeDateTime(TDateTime(EncodeDate(2024, 2, 28).Value() + (MSecsPerDay - 0.4) / MSecsPerDay), y, m, d, h, n, s,
                   ms);
    EXPECT_EQ((std::vector<int>{y, m, d, h, n, s, ms}), (std::vector<int>{2024, 2, 29, 0, 0, 0, 0}));
    // No date is made of values beyond any calendar.
    DecodeDate(TDateTime(1e300), y, m, d);
    EXPECT_EQ(y, 0);
}

TEST(Currency, TextAndRounding) {
    EXPECT_EQ(StrToCurr("12.5").Raw(), 125000);
    EXPECT_EQ(StrToCurr("-0.00005").Raw(), -1); // fifth decimal rounds half away from zero
    EXPECT_EQ(StrToCurr("1.23456").ToString(), "1.2346");
    EXPECT_EQ(Currency::FromDouble(-2.5).ToString(), "-2.5");
    EXPECT_EQ(Currency::FromInt(3).ToString(), "3");
    EXPECT_THROW(StrToCurr("1.2.3"), EConvertError);
    EXPECT_THROW(StrToCurr("99999999999999999"), EConvertError);
    EXPECT_THROW(Currency::FromDouble(1e300), EConvertError);
}

TEST(Variant, ConversionsBetweenKinds) {
    EXPECT_EQ(Variant(int16_t(5)).VarType(), varSmallint);
    EXPECT_EQ(Variant(5).VarType(), varInteger);
    EXPECT_EQ(Variant(int64_t(5)).VarType(), varInt64);
    EXPECT_EQ(Variant("42").AsInteger(), 42);
    EXPECT_EQ(Variant(2.5).AsString(), "2.5");
    EXPECT_EQ(Variant(true).AsString(), "True");
    EXPECT_TRUE(Variant("True").AsBoolean());
    EXPECT_EQ(Variant(StrToCurr("1.25")).AsFloat(), 1.25);
    EXPECT_EQ(Variant("7.125").AsCurrency().Raw(), 71250);
    EXPECT_EQ(Variant(EncodeDate(2024, 1, 2)).AsString(), "2024-01-02");
    EXPECT_EQ(Variant("2024-01-02").AsDateTime().Value(), EncodeDate(2024, 1, 2).Value());
    EXPECT_EQ(Variant().AsInteger(), 0);
    EXPECT_EQ(VarToStr(Variant::Null()), "");
    EXPECT_THROW(Variant::Null().AsInteger(), EVariantError);
    EXPECT_THROW(Variant::Null().AsString(), EVariantError);
    EXPECT_THROW(Variant("abc").AsFloat(), EVariantError);
    EXPECT_THROW(Variant(int64_t(1) << 40).AsInteger(), EVariantError);
    EXPECT_EQ(Variant(TBytes{'a', 'b'}).AsString(), "ab");

    Variant arr = VarArrayOf({1, "two", 3.0});
    Variant copy = arr;
    copy[1] = "changed"; // copies do not share element storage
    EXPECT_EQ(arr[1].AsString(), "two");
    EXPECT_EQ(copy.ArrayCount(), 3u);
    EXPECT_THROW(arr[3], EVariantError);
    EXPECT_THROW(Variant(1).ArrayCount(), EVariantError);
}

TEST(Variant, ComparisonAcrossKinds) {
    EXPECT_TRUE(Variant(1) == Variant(1.0));
    EXPECT_TRUE(Variant(int16_t(3)) == Variant(int64_t(3)));
    EXPECT_TRUE(Variant(StrToCurr("2")) == Variant(2));
    EXPECT_TRUE(Variant("10") == Variant(10));
    EXPECT_FALSE(Variant("abc") == Variant("ABC"));
    EXPECT_EQ(VarCompareValue("abc", "ABC", true), vrEqual);
    EXPECT_EQ(VarCompareValue("9", 10), vrLessThan); // numeric, not text order
    EXPECT_EQ(VarCompareValue("b", "a"), vrGreaterThan);
    EXPECT_TRUE(Variant::Null() == Variant::Null());
    EXPECT_FALSE(Variant::Null() == Variant(0));
    EXPECT_FALSE(Variant() == Variant::Null());
    EXPECT_EQ(VarCompareValue(Variant::Null(), 1), vrLessThan);
    EXPECT_EQ(VarCompareValue(Variant(TBytes{1}), 1), vrNotEqual);
    EXPECT_TRUE(VarArrayOf({1, "a"}) == VarArrayOf({1.0, "a"}));
    EXPECT_FALSE(VarArrayOf({1, "a"}) == VarArrayOf({1}));
    // Large integers compare exactly, not through double.
    EXPECT_FALSE(Variant(int64_t(9007199254740993)) == Variant(int64_t(9007199254740992)));
}
