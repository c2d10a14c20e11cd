// Basic run-time support: the exception base, text helpers, Format and date-time values.
//
// Text is single-byte throughout (String is std::string); case rules are ASCII only.
#pragma once

#include <cmath>
#include <cstdint>
#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace vantrel {

using String = std::string;
using TBytes = std::vector<uint8_t>;

/// \brief Base of every exception the library raises; carries one message text.
class Exception : public std::exception {
public:
    Exception() = default;
    explicit Exception(String message) : FMessage(std::move(message)) {}
    ~Exception() override = default;

    const String& Message() const noexcept { return FMessage; }
    void SetMessage(String message) { FMessage = std::move(message); }
    const char* what() const noexcept override { return FMessage.c_str(); }

private:
    String FMessage;
};

/// \brief A text could not be converted (number, date, format argument).
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

/// \brief An operation was given an argument or state it cannot work with.
class EInvalidOperation : public Exception {
public:
    using Exception::Exception;
};

/// \brief Silent exception: aborts an operation without an error box.
class EAbort : public Exception {
public:
    using Exception::Exception;
};

/// \brief Raises EAbort.
[[noreturn]] void Abort();

// ---- Format -------------------------------------------------------------------------------------

/// \brief One argument of Format: an integer, a floating value, a text or a pointer.
class TVarRec {
public:
    enum class Kind { Integer, Unsigned, Float, Text, Char, Pointer };

    template <class T, std::enable_if_t<std::is_integral_v<T> && std::is_signed_v<T> &&
                                            !std::is_same_v<T, char> && !std::is_same_v<T, bool>,
                                        int> = 0>
    TVarRec(T v) : FKind(Kind::Integer), FInt(v) {}
    template <class T, std::enable_if_t<std::is_integral_v<T> && std::is_unsigned_v<T> &&
                                            !std::is_same_v<T, bool>,
                                        int> = 0>
    TVarRec(T v) : FKind(Kind::Unsigned), FUInt(v) {}
    TVarRec(bool v) : FKind(Kind::Integer), FInt(v ? 1 : 0) {}
    TVarRec(char v) : FKind(Kind::Char), FInt(static_cast<unsigned char>(v)) {}
    TVarRec(double v) : FKind(Kind::Float), FFloat(v) {}
    TVarRec(float v) : FKind(Kind::Float), FFloat(v) {}
    TVarRec(long double v) : FKind(Kind::Float), FFloat(static_cast<double>(v)) {}
    TVarRec(const char* v) : FKind(Kind::Text), FText(v ? v : "") {}
    TVarRec(const String& v) : FKind(Kind::Text), FText(v) {}
    TVarRec(std::string_view v) : FKind(Kind::Text), FText(v) {}
    TVarRec(const void* v) : FKind(Kind::Pointer), FPtr(v) {}

    Kind GetKind() const { return FKind; }
    int64_t AsInteger() const { return FInt; }
    uint64_t AsUnsigned() const { return FUInt; }
    double AsFloat() const { return FFloat; }
    const String& AsText() const { return FText; }
    const void* AsPointer() const { return FPtr; }

private:
    Kind FKind;
    int64_t FInt = 0;
    uint64_t FUInt = 0;
    double FFloat = 0;
    String FText;
    const void* FPtr = nullptr;
};

/// \brief printf-like formatting with checked arguments.
///
/// Directives: %[-][0][width][.precision]type with type s, d, i, u, x, X, f, e, g, c, p and %%.
/// %d %u %x want integers, %f %e %g numbers, %s takes any argument (numbers as their text).
/// Throws EConvertError for a missing, surplus-free-but-mismatched argument or a bad directive.
String FormatArgs(std::string_view fmt, const std::vector<TVarRec>& args);
inline String Format(std::string_view fmt, std::initializer_list<TVarRec> args) {
    return FormatArgs(fmt, std::vector<TVarRec>(args));
}
template <class... Args> String Format(std::string_view fmt, const Args&... args) {
    return FormatArgs(fmt, std::vector<TVarRec>{TVarRec(args)...});
}

// ---- Text helpers -------------------------------------------------------------------------------

String IntToStr(int64_t value);
String IntToHex(uint64_t value, int digits);
/// \brief Decimal (or $/0x hexadecimal) integer; throws EConvertError "'x' is not a valid integer value".
int StrToInt(std::string_view s);
int64_t StrToInt64(std::string_view s);
int StrToIntDef(std::string_view s, int defaultValue);
bool TryStrToInt64(std::string_view s, int64_t& value);
/// \brief Shortest text that reads back as the same double (C locale, '.').
String FloatToStr(double value);
/// \brief Throws EConvertError "'x' is not a valid floating point value".
double StrToFloat(std::string_view s);
double StrToFloatDef(std::string_view s, double defaultValue);
bool TryStrToFloat(std::string_view s, double& value);
String BoolToStr(bool value, bool useBoolStrs = true); // "True"/"False" or "-1"/"0"
/// \brief "True"/"False" (any case) or a number (non-zero is true); throws EConvertError.
bool StrToBool(std::string_view s);

String UpperCase(std::string_view s);
String LowerCase(std::string_view s);
String Trim(std::string_view s);
String TrimLeft(std::string_view s);
String TrimRight(std::string_view s);
/// \brief Case-insensitive (ASCII) comparison: <0, 0 or >0.
int CompareText(std::string_view a, std::string_view b);
/// \brief Case-sensitive byte comparison: <0, 0 or >0.
int CompareStr(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);
/// \brief Replaces every occurrence of `from` (non-empty) by `to`.
String StringReplaceAll(std::string_view s, std::string_view from, std::string_view to, bool ignoreCase = false);
String QuotedStr(std::string_view s, char quote = '\'');
/// \brief A letter or underscore followed by letters, digits or underscores.
bool IsValidIdent(std::string_view s);

// ---- Date and time ------------------------------------------------------------------------------

/// \brief A point in time: days since 1899-12-30 00:00, fraction = time of day.
///
/// Before that day the value is negative and its fraction still counts forward from midnight
/// (-1.25 is 1899-12-29 06:00).
class TDateTime {
public:
    constexpr TDateTime() = default;
    constexpr explicit TDateTime(double value) : FValue(value) {}
    constexpr operator double() const { return FValue; }
    constexpr double Value() const { return FValue; }

private:
    double FValue = 0;
};

constexpr int MSecsPerDay = 86400000;
/// Day number of 1899-12-30 in the time stamp count (days since 0001-01-01, that day being 1).
constexpr int DateDelta = 693594;

/// \brief Days since 0001-01-01 (that day = 1) and milliseconds since midnight.
struct TTimeStamp {
    int Time = 0;
    int Date = 0;
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& result);
/// \brief Throw EConvertError for an impossible date or time.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int min, int sec, int msec);
TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec);
void DecodeDate(TDateTime dt, int& year, int& month, int& day);
/// \brief The calendar parts of a date and time.
struct TDateTimeParts {
    int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0, MSec = 0;
};
void DecodeTime(TDateTime dt, int& hour, int& min, int& sec, int& msec);
void DecodeDateTime(TDateTime dt, int& year, int& month, int& day, int& hour, int& min, int& sec, int& msec);
int DayOfWeek(TDateTime dt); // 1 = Sunday
TDateTime DateOf(TDateTime dt);
TDateTime TimeOf(TDateTime dt);
TDateTime Now();
TDateTime Date();

TTimeStamp DateTimeToTimeStamp(TDateTime dt);
// In line: every date and time stamp a dataset reads passes through these.
inline TDateTime TimeStampToDateTime(const TTimeStamp& ts) {
    const double days = ts.Date - DateDelta;
    const double t = static_cast<double>(ts.Time) / MSecsPerDay;
    return TDateTime(days < 0 ? days - t : days + t);
}
double TimeStampToMSecs(const TTimeStamp& ts);
inline TTimeStamp MSecsToTimeStamp(double msecs) {
    int64_t total;
    if (msecs >= 0 && msecs < 9e15) {
        // Half away from zero, as llround, without the library call.
        total = static_cast<int64_t>(msecs);
        if (msecs - static_cast<double>(total) >= 0.5)
            ++total;
    } else {
        total = std::llround(msecs);
    }
    TTimeStamp ts;
    ts.Date = static_cast<int>(total / MSecsPerDay);
    ts.Time = static_cast<int>(total % MSecsPerDay);
    return ts;
}

/// Text forms: "yyyy-mm-dd", "hh:nn:ss" (with ".zzz" when there are milliseconds), and both
/// joined by a blank; DateTimeToStr leaves the time out at midnight.
String DateToStr(TDateTime dt);
String TimeToStr(TDateTime dt);
String DateTimeToStr(TDateTime dt);
/// \brief Parse the forms above (time part optional); throw EConvertError.
TDateTime StrToDate(std::string_view s);
TDateTime StrToTime(std::string_view s);
TDateTime StrToDateTime(std::string_view s);
bool TryStrToDateTime(std::string_view s, TDateTime& result);

} // namespace vantrel
