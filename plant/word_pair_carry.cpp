#include "plant/word_pair_carry.h"

#include <cstdlib>

namespace {

constexpr int64_t kLargestStep = 32767;  // half a word: a carry is told from a jump
constexpr double kMinSmallShare = 0.95;
constexpr uint16_t kSignExtension = 0xFFFF;

const ByteOrder kOrders[] = {ByteOrder::ABCD, ByteOrder::CDAB, ByteOrder::BADC, ByteOrder::DCBA};

struct Fit {
    CarriedReading reading;
    uint64_t moved = 0;  // the steps' sizes summed
};

std::optional<Fit> FitOrder(ByteOrder order, const std::vector<WordPairStep>& steps) {
    Fit fit;
    fit.reading.order = order;
    size_t small = 0;
    size_t carries = 0;
    bool highStaysSign = true;
    for (const WordPairStep& step : steps) {
        const uint32_t before = PairBits(order, step.before);
        const uint32_t after = PairBits(order, step.after);
        highStaysSign =
            highStaysSign && before >> 16 == kSignExtension && after >> 16 == kSignExtension;
        const int64_t size = std::llabs(static_cast<int32_t>(after - before));
        if (size > kLargestStep) {
            continue;
        }
        ++small;
        fit.moved += static_cast<uint64_t>(size);
        carries += before >> 16 != after >> 16 ? 1 : 0;
    }
    fit.reading.smallShare = static_cast<double>(small) / static_cast<double>(steps.size());
    fit.reading.signExtended = highStaysSign;
    if (fit.reading.smallShare < kMinSmallShare || (carries == 0 && !highStaysSign)) {
        return std::nullopt;
    }
    return fit;
}

}  // namespace

std::optional<CarriedReading> FindCarriedReading(const std::vector<WordPairStep>& steps) {
    if (steps.empty()) {
        return std::nullopt;
    }
    std::optional<Fit> best;
    for (ByteOrder order : kOrders) {
        const std::optional<Fit> fit = FitOrder(order, steps);
        if (fit && (!best || fit->moved < best->moved)) {
            best = fit;
        }
    }
    if (!best) {
        return std::nullopt;
    }
    return best->reading;
}
