#include "session/response_time.h"

namespace {

bool Subtract(int64_t a, int64_t b, int64_t& difference) {
    return !__builtin_sub_overflow(a, b, &difference);
}

// How far the steady clock is ahead of the capture clock at the message: it moves at each step.
bool SteadyOffset(const CModbusMessage& message, int64_t& offset) {
    return Subtract(message.SteadyNanoseconds(), ToNanoseconds(message.time), offset);
}

// From `sent` to `answered`, as captured, in ms; none when negative or beyond the seconds.
std::optional<double> CapturedDifferenceMs(const CaptureTimestamp& sent,
                                           const CaptureTimestamp& answered) {
    int64_t seconds = 0;
    if (!Subtract(answered.seconds, sent.seconds, seconds) || seconds < -1 ||
        seconds > 1'000'000'000) {
        return std::nullopt;
    }
    const int64_t fraction = ToNanoseconds({0, answered.fraction, answered.fractionDigits}) -
                             ToNanoseconds({0, sent.fraction, sent.fractionDigits});
    const int64_t nanoseconds = seconds * 1'000'000'000 + fraction;
    if (nanoseconds < 0) {
        return std::nullopt;
    }
    return static_cast<double>(nanoseconds) / 1e6;
}

}  // namespace

std::optional<double> ResponseTimeMs(const Transaction& transaction) {
    if (!transaction.request || !transaction.response) {
        return std::nullopt;
    }
    if (!FitsNanoseconds(transaction.request->time) ||
        !FitsNanoseconds(transaction.response->time)) {
        // Past 2262 (or before 1677) both read as the same end of nanoseconds, and no step is
        // seen there: the times as captured tell.
        return CapturedDifferenceMs(transaction.request->time, transaction.response->time);
    }
    int64_t sentOffset = 0;
    int64_t answeredOffset = 0;
    if (!SteadyOffset(*transaction.request, sentOffset) ||
        !SteadyOffset(*transaction.response, answeredOffset) || sentOffset != answeredOffset) {
        return std::nullopt;  // the clock stepped in between: how long it took is not known
    }
    int64_t nanoseconds = 0;
    if (!Subtract(transaction.response->SteadyNanoseconds(),
                  transaction.request->SteadyNanoseconds(), nanoseconds) ||
        nanoseconds < 0) {
        return std::nullopt;  // out of order within what the steady clock tolerates
    }
    return static_cast<double>(nanoseconds) / 1e6;
}
