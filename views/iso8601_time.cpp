#include "views/iso8601_time.h"

#include "common/text_format.h"

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

    const long long year = static_cast<long long>(date.year);
    std::string text =
        Format("%s%04lld-%02u-%02uT%02d:%02d:%02d", year < 0 ? "-" : "", year < 0 ? -year : year,
               date.month, date.day, static_cast<int>(secondOfDay / 3600),
               static_cast<int>(secondOfDay / 60 % 60), static_cast<int>(secondOfDay % 60));
    if (digits > 0) {
        AppendFormat(text, ".%0*u", digits, static_cast<unsigned>(fraction));
    }
    return text + "Z";
}
