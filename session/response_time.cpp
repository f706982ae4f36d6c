#include "session/response_time.h"

namespace {

bool Subtract(int64_t a, int64_t b, int64_t& difference) {
    return !__builtin_sub_overflow(a, b, &difference);
}

// How far the steady clock is ahead of the capture clock at the message: it moves at each step.
bool SteadyOffset(const CModbusMessage& message, int64_t& offset) {
    return Subtract(message.SteadyNanoseconds(), ToNanoseconds(message.time), offset);
}

}  // namespace

std::optional<double> ResponseTimeMs(const Transaction& transaction) {
    if (!transaction.request || !transaction.response) {
        return std::nullopt;
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
