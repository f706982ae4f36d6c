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

// `value` in decimal, with leading zeros up to `width` digits ("%0*llu"); returns the end.
char* PutDigits(char* out, unsigned long long value, int width) {
    char digits[24];
    const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    for (int n = static_cast<int>(end - digits); n < width; ++n) {
        *out++ = '0';
    }
    for (const char* digit = digits; digit != end; ++digit) {
        *out++ = *digit;
    }
    return out;
}

// Two digits, "%02u" of a value below 100.
char* PutTwoDigits(char* out, unsigned value) {
    *out++ = static_cast<char>('0' + value / 10);
    *out++ = static_cast<char>('0' + value % 10);
    return out;
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
    char text[64];  // sign, 20 year digits, 15 for the rest, 1 + 9 for the fraction, 'Z'
    char* out = text;
    if (date.year < 0) {
        *out++ = '-';
    }
    const unsigned long long year = date.year < 0
                                        ? 0ULL - static_cast<unsigned long long>(date.year)
                                        : static_cast<unsigned long long>(date.year);
    out = PutDigits(out, year, 4);
    *out++ = '-';
    out = PutTwoDigits(out, date.month);
    *out++ = '-';
    out = PutTwoDigits(out, date.day);
    *out++ = 'T';
    out = PutTwoDigits(out, static_cast<unsigned>(secondOfDay / 3600));
    *out++ = ':';
    out = PutTwoDigits(out, static_cast<unsigned>(secondOfDay / 60 % 60));
    *out++ = ':';
    out = PutTwoDigits(out, static_cast<unsigned>(secondOfDay % 60));
    if (digits > 0) {
        *out++ = '.';
        out = PutDigits(out, fraction, digits);
    }
    *out++ = 'Z';
    return std::string(text, out);
}
