#include "net/http_date.h"

#include <array>

#include "net/ascii_case.h"
#include "net/http_headers.h"

namespace {
constexpr std::array<std::wstring_view, 12> kMonths{L"jan", L"feb", L"mar", L"apr", L"may", L"jun",
                                                    L"jul", L"aug", L"sep", L"oct", L"nov", L"dec"};
constexpr std::array<std::wstring_view, 7> kDays{L"mon", L"tue", L"wed", L"thu",
                                                 L"fri", L"sat", L"sun"};
constexpr std::array<std::wstring_view, 7> kLongDays{
    L"monday", L"tuesday", L"wednesday", L"thursday", L"friday", L"saturday", L"sunday"};

// Reads the text in order; every read fails once one has.
class Reader {
public:
    explicit Reader(std::wstring_view text) : rest(text) {}

    bool ok = true;

    bool AtEnd() const { return ok && rest.empty(); }

    void Literal(std::wstring_view expected) {
        if (ok && rest.substr(0, expected.size()) == expected) {
            rest.remove_prefix(expected.size());
        } else {
            ok = false;
        }
    }

    // Exactly `digits` digits (a leading space may stand for a zero where `spacePads`).
    int Number(std::size_t digits, bool spacePads = false) {
        int value = 0;
        for (std::size_t i = 0; ok && i < digits; ++i) {
            const wchar_t c = i < rest.size() ? rest[i] : L'\0';
            if (c >= L'0' && c <= L'9') {
                value = value * 10 + (c - L'0');
            } else if (!(spacePads && i == 0 && c == L' ')) {
                ok = false;
            }
        }
        if (ok) {
            rest.remove_prefix(digits);
        }
        return value;
    }

    // One of `names`, without regard to ASCII case; its index.
    template <std::size_t N> int Name(const std::array<std::wstring_view, N>& names) {
        for (std::size_t i = 0; ok && i < N; ++i) {
            if (rest.size() >= names[i].size() &&
                EqualsIgnoringAsciiCase(rest.substr(0, names[i].size()), names[i])) {
                rest.remove_prefix(names[i].size());
                return static_cast<int>(i);
            }
        }
        ok = false;
        return 0;
    }

    bool NextIs(wchar_t c) const { return ok && !rest.empty() && rest[0] == c; }

    // "HH:MM:SS" as seconds into the day.
    std::int64_t TimeOfDay() {
        const int hour = Number(2);
        Literal(L":");
        const int minute = Number(2);
        Literal(L":");
        const int second = Number(2);
        if (hour > 23 || minute > 59 || second > 60) { // 60: a leap second
            ok = false;
        }
        return hour * 3600 + minute * 60 + second;
    }

private:
    std::wstring_view rest;
};

bool IsLeap(std::int64_t year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// Days from 1970-01-01 to the given date of the proleptic Gregorian calendar, or
// nothing for a day the month does not have.
std::optional<std::int64_t> DaysSinceEpoch(std::int64_t year, int month, int day) {
    constexpr std::array<int, 12> kLengths{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int length = kLengths[month] + (month == 1 && IsLeap(year) ? 1 : 0);
    if (day < 1 || day > length) {
        return std::nullopt;
    }
    // Howard Hinnant's days_from_civil.
    const std::int64_t y = year - (month < 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yearOfEra = y - era * 400;
    const std::int64_t m = month + 1;
    const std::int64_t dayOfYear = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

std::optional<std::int64_t> Seconds(const Reader& reader, std::int64_t year, int month, int day,
                                    std::int64_t timeOfDay) {
    if (!reader.AtEnd()) {
        return std::nullopt;
    }
    const std::optional<std::int64_t> days = DaysSinceEpoch(year, month, day);
    if (!days) {
        return std::nullopt;
    }
    return *days * 86400 + timeOfDay;
}
} // namespace

std::optional<std::int64_t> ParseHttpDate(std::wstring_view text) {
    text = TrimHeaderBlanks(text);
    {
        // "Sun, 06 Nov 1994 08:49:37 GMT"
        Reader r(text);
        r.Name(kDays);
        r.Literal(L", ");
        const int day = r.Number(2);
        r.Literal(L" ");
        const int month = r.Name(kMonths);
        r.Literal(L" ");
        const int year = r.Number(4);
        r.Literal(L" ");
        const std::int64_t time = r.TimeOfDay();
        r.Literal(L" GMT");
        if (r.ok) {
            return Seconds(r, year, month, day, time);
        }
    }
    {
        // "Sunday, 06-Nov-94 08:49:37 GMT": read as 1970-2069, as no clock is at hand to
        // tell which century is meant.
        Reader r(text);
        r.Name(kLongDays);
        r.Literal(L", ");
        const int day = r.Number(2);
        r.Literal(L"-");
        const int month = r.Name(kMonths);
        r.Literal(L"-");
        const int shortYear = r.Number(2);
        r.Literal(L" ");
        const std::int64_t time = r.TimeOfDay();
        r.Literal(L" GMT");
        if (r.ok) {
            return Seconds(r, shortYear < 70 ? 2000 + shortYear : 1900 + shortYear, month, day,
                           time);
        }
    }
    {
        // "Sun Nov  6 08:49:37 1994"
        Reader r(text);
        r.Name(kDays);
        r.Literal(L" ");
        const int month = r.Name(kMonths);
        r.Literal(L" ");
        const int day = r.Number(2, true);
        r.Literal(L" ");
        const std::int64_t time = r.TimeOfDay();
        r.Literal(L" ");
        const int year = r.Number(4);
        if (r.ok) {
            return Seconds(r, year, month, day, time);
        }
    }
    return std::nullopt;
}
