#include "views/iso8601_time.h"

#include <charconv>

namespace {

struct CivilDate {
    int64_t year;
    unsigned month;
    unsigned day;
};

// The proleptic Gregorian date of a day number counted from 1970-01-01 (Howard Hinnant's
// days-to-civil algorithm): no gmtime, so every platform and every 64-bit second agrees.
CivilDate CivilFromDays(int64_t days) {
    days += 719468;  // count from 0000-03-01
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;  // 0 = March
    const unsigned day = static_cast<unsigned>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    const unsigned month =
        static_cast<unsigned>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    return {yearOfEra + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

// `value` in decimal, with leading zeros up to `width` digits ("%0*llu").
void AppendDigits(std::string& text, unsigned long long value, int width) {
    char digits[24];
    const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    for (int n = static_cast<int>(end - digits); n < width; ++n) {
        text += '0';
    }
    text.append(digits, static_cast<size_t>(end - digits));
}

}  // namespace

std::string Iso8601Utc(const CaptureTimestamp& time) {
    constexpr int64_t kSecondsPerDay = 86400;
    // Floor division by remainder, so that the earliest seconds cannot overflow.
    int64_t secondOfDay = time.seconds % kSecondsPerDay;
    int64_t days = time.seconds / kSecondsPerDay;
    if (secondOfDay < 0) {
        secondOfDay += kSecondsPerDay;
        --days;
    }
    const CivilDate date = CivilFromDays(days);

    const int digits = time.fractionDigits > 9 ? 9 : time.fractionDigits;
    uint32_t limit = 1;
    for (int i = 0; i < digits; ++i) {
        limit *= 10;
    }
    // A broken fraction stays inside its second.
    const uint32_t fraction = time.fraction < limit ? time.fraction : limit - 1;

    // Put together digit by digit: every line of the transaction log and the points file has
    // such times, and printf-style formatting was a large part of writing them.
    std::string text;
    text.reserve(32);
    if (date.year < 0) {
        text += '-';
    }
    const unsigned long long year = date.year < 0
                                        ? 0ULL - static_cast<unsigned long long>(date.year)
                                        : static_cast<unsigned long long>(date.year);
    AppendDigits(text, year, 4);
    text += '-';
    AppendDigits(text, date.month, 2);
    text += '-';
    AppendDigits(text, date.day, 2);
    text += 'T';
    AppendDigits(text, static_cast<unsigned long long>(secondOfDay / 3600), 2);
    text += ':';
    AppendDigits(text, static_cast<unsigned long long>(secondOfDay / 60 % 60), 2);
    text += ':';
    AppendDigits(text, static_cast<unsigned long long>(secondOfDay % 60), 2);
    if (digits > 0) {
        text += '.';
        AppendDigits(text, fraction, digits);
    }
    text += 'Z';
    return text;
}
