#include "session/response_time.h"

#include <limits>

#include "capture/capture_time.h"

std::optional<double> ResponseTimeMs(const Transaction& transaction) {
    if (!transaction.request || !transaction.response) {
        return std::nullopt;
    }
    const int64_t sent = ToNanoseconds(transaction.request->time);
    const int64_t answered = ToNanoseconds(transaction.response->time);
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
    if ((sent < 0 && answered > kMax + sent) || (sent > 0 && answered < kMin + sent)) {
        return std::nullopt;
    }
    return static_cast<double>(answered - sent) / 1e6;
}
