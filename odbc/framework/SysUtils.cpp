#include <vantrel/framework/SysUtils.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace vantrel {

void Abort() { throw EAbort("Operation aborted"); }

// ---- Format -------------------------------------------------------------------------------------

namespace {

[[noreturn]] void FormatError(std::string_view fmt) {
    throw EConvertError("Format '" + String(fmt) + "' invalid or incompatible with argument");
}

String Pad(String body, int width, bool left, bool zero) {
    if (width <= 0 || static_cast<int>(body.size()) >= width)
        return body;
    size_t fill = static_cast<size_t>(width) - body.size();
    if (left)
        return body + String(fill, ' ');
    if (zero) {
        size_t signLen = (!body.empty() && (body[0] == '-' || body[0] == '+')) ? 1 : 0;
        return body.substr(0, signLen) + String(fill, '0') + body.substr(signLen);
    }
    return String(fill, ' ') + body;
}

String ArgText(const TVarRec& a) {
    switch (a.GetKind()) {
    case TVarRec::Kind::Integer:
        return IntToStr(a.AsInteger());
    case TVarRec::Kind::Unsigned:
        return std::to_string(a.AsUnsigned());
    case TVarRec::Kind::Float:
        return FloatToStr(a.AsFloat());
    case TVarRec::Kind::Text:
        return a.AsText();
    case TVarRec::Kind::Char:
        return String(1, static_cast<char>(a.AsInteger()));
    case TVarRec::Kind::Pointer: {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%p", a.AsPointer());
        return buf;
    }
    }
    return {};
}

bool IsIntegral(const TVarRec& a) {
    return a.GetKind() == TVarRec::Kind::Integer || a.GetKind() == TVarRec::Kind::Unsigned ||
           a.GetKind() == TVarRec::Kind::Char;
}

} // namespace

String FormatArgs(std::string_view fmt, const std::vector<TVarRec>& args) {
    String out;
    out.reserve(fmt.size() + 16);
    size_t argIndex = 0;
    size_t i = 0;
    while (i < fmt.size()) {
        char c = fmt[i++];
        if (c != '%') {
            out += c;
            continue;
        }
        if (i >= fmt.size())
            FormatError(fmt);
        if (fmt[i] == '%') {
            out += '%';
            ++i;
            continue;
        }
        bool left = false, zero = false;
        while (i < fmt.size() && (fmt[i] == '-' || fmt[i] == '0')) {
            (fmt[i] == '-' ? left : zero) = true;
            ++i;
        }
        int width = 0, precision = -1;
        while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') {
            width = width * 10 + (fmt[i++] - '0');
            if (width > 4096)
                FormatError(fmt);
        }
        if (i < fmt.size() && fmt[i] == '.') {
            ++i;
            precision = 0;
            while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') {
                precision = precision * 10 + (fmt[i++] - '0');
                if (precision > 4096)
                    FormatError(fmt);
            }
        }
        if (i >= fmt.size() || argIndex >= args.size())
            FormatError(fmt);
        char type = fmt[i++];
        const TVarRec& a = args[argIndex++];
        String body;
        switch (type) {
        case 's':
            body = ArgText(a);
            if (precision >= 0 && static_cast<size_t>(precision) < body.size())
                body.resize(static_cast<size_t>(precision));
            zero = false;
            break;
        case 'd':
        case 'i':
        case 'u':
            if (!IsIntegral(a))
                FormatError(fmt);
            if (type == 'u' && a.GetKind() == TVarRec::Kind::Integer)
                body = std::to_string(static_cast<uint64_t>(a.AsInteger()));
            else
                body = ArgText(a);
            if (precision > 0) {
                size_t sign = body[0] == '-' ? 1 : 0;
                if (body.size() - sign < static_cast<size_t>(precision))
                    body.insert(sign, static_cast<size_t>(precision) - (body.size() - sign), '0');
            }
            break;
        case 'x':
        case 'X': {
            if (!IsIntegral(a))
                FormatError(fmt);
            uint64_t v = a.GetKind() == TVarRec::Kind::Unsigned ? a.AsUnsigned()
                                                                : static_cast<uint64_t>(a.AsInteger());
            body = IntToHex(v, precision > 0 ? precision : 1);
            if (type == 'x')
                body = LowerCase(body);
            break;
        }
        case 'f':
        case 'e':
        case 'g': {
            double v;
            if (a.GetKind() == TVarRec::Kind::Float)
                v = a.AsFloat();
            else if (a.GetKind() == TVarRec::Kind::Integer)
                v = static_cast<double>(a.AsInteger());
            else if (a.GetKind() == TVarRec::Kind::Unsigned)
                v = static_cast<double>(a.AsUnsigned());
            else
                FormatError(fmt);
            char spec[8] = {'%', '.', '*', type, 0};
            int prec = precision >= 0 ? precision : (type == 'g' ? 15 : 2);
            int n = std::snprintf(nullptr, 0, spec, prec, v);
            body.resize(static_cast<size_t>(n) + 1);
            std::snprintf(body.data(), body.size(), spec, prec, v);
            body.resize(static_cast<size_t>(n));
            break;
        }
        case 'c':
            if (!IsIntegral(a))
                FormatError(fmt);
            body = String(1, static_cast<char>(a.AsInteger()));
            zero = false;
            break;
        case 'p':
            if (a.GetKind() != TVarRec::Kind::Pointer)
                FormatError(fmt);
            body = ArgText(a);
            break;
        default:
            FormatError(fmt);
        }
        out += Pad(std::move(body), width, left, zero);
    }
    return out;
}

// ---- Numbers ------------------------------------------------------------------------------------

String IntToStr(int64_t value) { return std::to_string(value); }

String IntToHex(uint64_t value, int digits) {
    static const char hex[] = "0123456789ABCDEF";
    String s;
    do {
        s.insert(s.begin(), hex[value & 15]);
        value >>= 4;
    } while (value != 0);
    if (static_cast<int>(s.size()) < digits)
        s.insert(0, static_cast<size_t>(digits) - s.size(), '0');
    return s;
}

bool TryStrToInt64(std::string_view s, int64_t& value) {
    String t = Trim(s);
    std::string_view v = t;
    bool negative = false;
    if (!v.empty() && (v[0] == '-' || v[0] == '+')) {
        negative = v[0] == '-';
        v.remove_prefix(1);
    }
    int base = 10;
    if (!v.empty() && v[0] == '$') {
        base = 16;
        v.remove_prefix(1);
    } else if (v.size() > 2 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X')) {
        base = 16;
        v.remove_prefix(2);
    }
    if (v.empty())
        return false;
    uint64_t magnitude = 0;
    auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), magnitude, base);
    if (ec != std::errc() || end != v.data() + v.size())
        return false;
    if (negative) {
        if (magnitude > static_cast<uint64_t>(INT64_MAX) + 1)
            return false;
        value = static_cast<int64_t>(0 - magnitude);
    } else {
        if (magnitude > static_cast<uint64_t>(INT64_MAX))
            return false;
        value = static_cast<int64_t>(magnitude);
    }
    return true;
}

int64_t StrToInt64(std::string_view s) {
    int64_t v;
    if (!TryStrToInt64(s, v))
        throw EConvertError("'" + String(s) + "' is not a valid integer value");
    return v;
}

int StrToInt(std::string_view s) {
    int64_t v;
    if (!TryStrToInt64(s, v) || v < INT32_MIN || v > INT32_MAX)
        throw EConvertError("'" + String(s) + "' is not a valid integer value");
    return static_cast<int>(v);
}

int StrToIntDef(std::string_view s, int defaultValue) {
    int64_t v;
    if (!TryStrToInt64(s, v) || v < INT32_MIN || v > INT32_MAX)
        return defaultValue;
    return static_cast<int>(v);
}

String FloatToStr(double value) {
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    (void)ec;
    return String(buf, end);
}

bool TryStrToFloat(std::string_view s, double& value) {
    String t = Trim(s);
    if (t.empty())
        return false;
    const char* b = t.data();
    const char* e = b + t.size();
    if (*b == '+')
        ++b;
    auto [end, ec] = std::from_chars(b, e, value);
    return ec == std::errc() && end == e;
}

double StrToFloat(std::string_view s) {
    double v;
    if (!TryStrToFloat(s, v))
        throw EConvertError("'" + String(s) + "' is not a valid floating point value");
    return v;
}

double StrToFloatDef(std::string_view s, double defaultValue) {
    double v;
    return TryStrToFloat(s, v) ? v : defaultValue;
}

String BoolToStr(bool value, bool useBoolStrs) {
    if (useBoolStrs)
        return value ? "True" : "False";
    return value ? "-1" : "0";
}

bool StrToBool(std::string_view s) {
    String t = Trim(s);
    if (SameText(t, "True"))
        return true;
    if (SameText(t, "False"))
        return false;
    double d;
    if (TryStrToFloat(t, d))
        return d != 0;
    throw EConvertError("'" + String(s) + "' is not a valid boolean value");
}

// ---- Text ---------------------------------------------------------------------------------------

namespace {
char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }
} // namespace

String UpperCase(std::string_view s) {
    String r(s);
    std::transform(r.begin(), r.end(), r.begin(), Upper);
    return r;
}

String LowerCase(std::string_view s) {
    String r(s);
    std::transform(r.begin(), r.end(), r.begin(), Lower);
    return r;
}

String TrimLeft(std::string_view s) {
    size_t b = 0;
    while (b < s.size() && IsBlank(s[b]))
        ++b;
    return String(s.substr(b));
}

String TrimRight(std::string_view s) {
    size_t e = s.size();
    while (e > 0 && IsBlank(s[e - 1]))
        --e;
    return String(s.substr(0, e));
}

String Trim(std::string_view s) { return TrimLeft(TrimRight(s)); }

int CompareText(std::string_view a, std::string_view b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(Upper(a[i]));
        unsigned char y = static_cast<unsigned char>(Upper(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int CompareStr(std::string_view a, std::string_view b) {
    int r = a.compare(b);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

bool SameText(std::string_view a, std::string_view b) { return a.size() == b.size() && CompareText(a, b) == 0; }

String StringReplaceAll(std::string_view s, std::string_view from, std::string_view to, bool ignoreCase) {
    if (from.empty())
        return String(s);
    String hay = ignoreCase ? UpperCase(s) : String(s);
    String needle = ignoreCase ? UpperCase(from) : String(from);
    String out;
    size_t pos = 0;
    for (;;) {
        size_t hit = hay.find(needle, pos);
        if (hit == String::npos)
            break;
        out.append(s.substr(pos, hit - pos));
        out.append(to);
        pos = hit + from.size();
    }
    out.append(s.substr(pos));
    return out;
}

String QuotedStr(std::string_view s, char quote) {
    String r(1, quote);
    for (char c : s) {
        if (c == quote)
            r += quote;
        r += c;
    }
    r += quote;
    return r;
}

bool IsValidIdent(std::string_view s) {
    if (s.empty())
        return false;
    auto alpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
    if (!alpha(s[0]))
        return false;
    return std::all_of(s.begin() + 1, s.end(), [&](char c) { return alpha(c) || (c >= '0' && c <= '9'); });
}

// ---- Date and time ------------------------------------------------------------------------------

bool IsLeapYear(int year) { return (year % 4 == 0) && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return days[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

namespace {

// Days from 0001-01-01 (day 1) for a valid date.
int64_t DayNumber(int y, int m, int d) {
    static const int before[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    int64_t yy = y - 1;
    int64_t n = yy * 365 + yy / 4 - yy / 100 + yy / 400 + before[m - 1] + d;
    if (m > 2 && IsLeapYear(y))
        ++n;
    return n;
}

template <class T> void CivilFromDayNumber(T n, int& y, int& m, int& d) {
    const T z = n + 305; // days since 0000-03-01
    const T era = z / 146097;
    const T doe = z - era * 146097;                                  // [0, 146096]
    const T yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365; // [0, 399]
    const T doy = doe - (365 * yoe + yoe / 4 - yoe / 100);           // [0, 365]
    const T mp = (5 * doy + 2) / 153;                                // [0, 11], March first
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(era * 400 + yoe + (m <= 2 ? 1 : 0));
}

// The same for 0 <= z < 2^30 days since 0000-03-01 with multiplications and shifts only
// (Neri and Schneider's Euclidean affine functions): what every real date takes.
void CivilFromMarchDays(uint32_t z, int& y, int& m, int& d) {
    const uint32_t n1 = 4 * z + 3;
    const uint32_t century = n1 / 146097;
    const uint32_t n2 = n1 % 146097 / 4 * 4 + 3;
    const uint64_t p2 = uint64_t{2939745} * n2;
    const auto yearOfCentury = static_cast<uint32_t>(p2 >> 32);
    const uint32_t dayOfYear = static_cast<uint32_t>(p2) / 2939745 / 4; // from March 1st
    const uint32_t n3 = 2141 * dayOfYear + 197913;
    const uint32_t january = dayOfYear >= 306;
    y = static_cast<int>(100 * century + yearOfCentury + january);
    m = static_cast<int>(january ? (n3 >> 16) - 12 : n3 >> 16);
    d = static_cast<int>((n3 & 0xFFFF) / 2141 + 1);
}

void FromDayNumber(int64_t n, int& y, int& m, int& d) {
    // n >= 1. Civil date by arithmetic over 400-year eras counted from 0000-03-01, so the leap
    // day falls at the end of a year and months need no table walk.
    if (n < 1000000000)
        CivilFromMarchDays(static_cast<uint32_t>(n + 305), y, m, d);
    else
        CivilFromDayNumber(n, y, m, d);
}

// Hours, minutes, seconds and milliseconds of 0 <= ms < MSecsPerDay.
void SplitTime(int64_t ms, int& hour, int& min, int& sec, int& msec) {
    const auto t = static_cast<uint32_t>(ms);
    hour = static_cast<int>(t / 3600000);
    min = static_cast<int>(t / 60000 % 60);
    sec = static_cast<int>(t / 1000 % 60);
    msec = static_cast<int>(t % 1000);
}

// Rounds half away from zero for 0 <= x < 2^53 without a library call (the fetch path decodes
// millions of these).
int64_t RoundNonNegative(double x) {
    const int64_t i = static_cast<int64_t>(x);
    return x - static_cast<double>(i) >= 0.5 ? i + 1 : i;
}

// Splits into signed day offset from 1899-12-30 and milliseconds of the day (0..86399999).
void SplitDateTime(double value, int64_t& days, int64_t& msecs) {
    // Far beyond any calendar (or not a number) there is no date, and the conversion would overflow.
    if (!(std::fabs(value) < 1e15)) {
        days = -DateDelta; // decodes as no date
        msecs = 0;
        return;
    }
    days = static_cast<int64_t>(value); // toward zero, as the integral part
    msecs = RoundNonNegative(std::fabs(value - static_cast<double>(days)) * MSecsPerDay);
    if (msecs >= MSecsPerDay) {
        msecs -= MSecsPerDay;
        days += value < 0 ? -1 : 1;
    }
}

} // namespace

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return false;
    result = TDateTime(static_cast<double>(DayNumber(year, month, day) - DateDelta));
    return true;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& result) {
    if (hour < 0 || hour > 23 || min < 0 || min > 59 || sec < 0 || sec > 59 || msec < 0 || msec > 999)
        return false;
    result = TDateTime((((hour * 60.0 + min) * 60.0 + sec) * 1000.0 + msec) / MSecsPerDay);
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime r;
    if (!TryEncodeDate(year, month, day, r))
        throw EConvertError(Format("Invalid argument to date encode (%d-%d-%d)", year, month, day));
    return r;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
    TDateTime r;
    if (!TryEncodeTime(hour, min, sec, msec, r))
        throw EConvertError(Format("Invalid argument to time encode (%d:%d:%d.%d)", hour, min, sec, msec));
    return r;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec) {
    double d = EncodeDate(year, month, day);
    double t = EncodeTime(hour, min, sec, msec);
    return TDateTime(d < 0 ? d - t : d + t);
}

void DecodeDate(TDateTime dt, int& year, int& month, int& day) {
    int64_t days, ms;
    SplitDateTime(dt, days, ms);
    int64_t n = days + DateDelta;
    if (n < 1) {
        year = month = day = 0;
        return;
    }
    FromDayNumber(n, year, month, day);
}

void DecodeTime(TDateTime dt, int& hour, int& min, int& sec, int& msec) {
    int64_t days, ms;
    SplitDateTime(dt, days, ms);
    SplitTime(ms, hour, min, sec, msec);
}

void DecodeDateTime(TDateTime dt, int& year, int& month, int& day, int& hour, int& min, int& sec, int& msec) {
    int64_t days, ms;
    SplitDateTime(dt, days, ms);
    const int64_t n = days + DateDelta;
    if (n < 1)
        year = month = day = 0;
    else
        FromDayNumber(n, year, month, day);
    SplitTime(ms, hour, min, sec, msec);
}

int DayOfWeek(TDateTime dt) {
    int64_t days, ms;
    SplitDateTime(dt, days, ms);
    int64_t n = days + DateDelta; // day 1 (0001-01-01) was a Monday
    return static_cast<int>(((n % 7) + 7) % 7) + 1;
}

TDateTime DateOf(TDateTime dt) {
    int64_t days, ms;
    SplitDateTime(dt, days, ms);
    return TDateTime(static_cast<double>(days));
}

TDateTime TimeOf(TDateTime dt) {
    int64_t days, ms;
    SplitDateTime(dt, days, ms);
    return TDateTime(static_cast<double>(ms) / MSecsPerDay);
}

TDateTime Now() {
    auto now = std::chrono::system_clock::now();
    std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    int ms = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
    return EncodeDateTime(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, ms);
}

TDateTime Date() { return DateOf(Now()); }

TTimeStamp DateTimeToTimeStamp(TDateTime dt) {
    int64_t days, ms;
    SplitDateTime(dt, days, ms);
    TTimeStamp ts;
    ts.Date = static_cast<int>(days + DateDelta);
    ts.Time = static_cast<int>(ms);
    return ts;
}

double TimeStampToMSecs(const TTimeStamp& ts) { return static_cast<double>(ts.Date) * MSecsPerDay + ts.Time; }


String DateToStr(TDateTime dt) {
    int y, m, d;
    DecodeDate(dt, y, m, d);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
    return buf;
}

String TimeToStr(TDateTime dt) {
    int h, n, s, ms;
    DecodeTime(dt, h, n, s, ms);
    char buf[32];
    if (ms != 0)
        std::snprintf(buf, sizeof buf, "%02d:%02d:%02d.%03d", h, n, s, ms);
    else
        std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", h, n, s);
    return buf;
}

String DateTimeToStr(TDateTime dt) {
    int64_t days, ms;
    SplitDateTime(dt, days, ms);
    if (ms == 0)
        return DateToStr(dt);
    return DateToStr(dt) + " " + TimeToStr(dt);
}

namespace {

bool ParseNumber(std::string_view& s, int maxDigits, int& value) {
    size_t n = 0;
    value = 0;
    while (n < s.size() && n < static_cast<size_t>(maxDigits) && s[n] >= '0' && s[n] <= '9')
        value = value * 10 + (s[n++] - '0');
    s.remove_prefix(n);
    return n > 0;
}

bool ParseDate(std::string_view& s, TDateTime& r) {
    int y, m, d;
    if (!ParseNumber(s, 4, y) || s.empty() || s[0] != '-')
        return false;
    s.remove_prefix(1);
    if (!ParseNumber(s, 2, m) || s.empty() || s[0] != '-')
        return false;
    s.remove_prefix(1);
    if (!ParseNumber(s, 2, d))
        return false;
    return TryEncodeDate(y, m, d, r);
}

bool ParseTime(std::string_view& s, TDateTime& r) {
    int h, n, sec = 0, ms = 0;
    if (!ParseNumber(s, 2, h) || s.empty() || s[0] != ':')
        return false;
    s.remove_prefix(1);
    if (!ParseNumber(s, 2, n))
        return false;
    if (!s.empty() && s[0] == ':') {
        s.remove_prefix(1);
        if (!ParseNumber(s, 2, sec))
            return false;
        if (!s.empty() && s[0] == '.') {
            s.remove_prefix(1);
            size_t before = s.size();
            if (!ParseNumber(s, 3, ms))
                return false;
            for (size_t k = before - s.size(); k < 3; ++k)
                ms *= 10;
        }
    }
    return TryEncodeTime(h, n, sec, ms, r);
}

} // namespace

TDateTime StrToDate(std::string_view s) {
    String t = Trim(s);
    std::string_view v = t;
    TDateTime r;
    if (!ParseDate(v, r) || !v.empty())
        throw EConvertError("'" + String(s) + "' is not a valid date");
    return r;
}

TDateTime StrToTime(std::string_view s) {
    String t = Trim(s);
    std::string_view v = t;
    TDateTime r;
    if (!ParseTime(v, r) || !v.empty())
        throw EConvertError("'" + String(s) + "' is not a valid time");
    return r;
}

bool TryStrToDateTime(std::string_view s, TDateTime& result) {
    String t = Trim(s);
    std::string_view v = t;
    TDateTime d, tm;
    if (!ParseDate(v, d))
        return false;
    if (!v.empty()) {
        if (v[0] != ' ' && v[0] != 'T')
            return false;
        v.remove_prefix(1);
        if (!ParseTime(v, tm) || !v.empty())
            return false;
    }
    result = TDateTime(d < 0 ? d - tm : d + tm);
    return true;
}

TDateTime StrToDateTime(std::string_view s) {
    TDateTime r;
    if (!TryStrToDateTime(s, r))
        throw EConvertError("'" + String(s) + "' is not a valid date and time");
    return r;
}

} // namespace vantrel
