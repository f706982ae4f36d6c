#include "plant/word_pair_carry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>

namespace {

constexpr int64_t kLargestStep = 32767;  // half a word: a carry is told from a jump
constexpr double kMinSmallShare = 0.95;
constexpr uint16_t kSignExtension = 0xFFFF;
constexpr double kHighWordUnit = 65536;
constexpr double kSteadyWindow = 0.25;  // of a high word's unit, either side of the median step
constexpr int kFloatMantissaBits = 23;

// Ties go to the earlier.
const ByteOrder kOrders[] = {ByteOrder::ABCD, ByteOrder::CDAB, ByteOrder::BADC, ByteOrder::DCBA};

// A high word held while the low word moves: a number within +-16 million past +-65536.
bool IsHeldHigh(uint16_t high) {
    return high != 0 && high != kSignExtension && (high <= 0x00FF || high >= 0xFF01);
}

uint16_t HighOf(ByteOrder order, WordPair words) {
    return static_cast<uint16_t>(PairBits(order, words) >> 16);
}

// Moving one way, on all but a few steps: a counter or a ramp, not a register that wanders.
bool OneWay(size_t up, size_t down, size_t steps) {
    return static_cast<double>(std::min(up, down)) <=
           (1 - kMinSmallShare) * static_cast<double>(steps);
}

struct Fit {
    CarriedReading reading;
    uint64_t moved = 0;  // the steps' sizes summed
};

std::optional<Fit> FitSmallSteps(ByteOrder order, const std::vector<WordPairStep>& steps) {
    Fit fit;
    fit.reading.order = order;
    size_t small = 0;
    size_t carries = 0;
    size_t up = 0;
    size_t down = 0;
    const uint16_t firstHigh = HighOf(order, steps.front().before);
    bool highHeld = true;
    for (const WordPairStep& step : steps) {
        const uint32_t before = PairBits(order, step.before);
        const uint32_t after = PairBits(order, step.after);
        highHeld = highHeld && before >> 16 == firstHigh && after >> 16 == firstHigh;
        const int64_t size = std::llabs(static_cast<int32_t>(after - before));
        if (size > kLargestStep) {
            continue;
        }
        ++small;
        up += after > before ? 1 : 0;
        down += after < before ? 1 : 0;
        fit.moved += static_cast<uint64_t>(size);
        carries += before >> 16 != after >> 16 ? 1 : 0;
    }
    fit.reading.smallShare = static_cast<double>(small) / static_cast<double>(steps.size());
    if (fit.reading.smallShare < kMinSmallShare) {
        return std::nullopt;
    }
    if (carries > 0) {
        fit.reading.high = HighWord::Carried;
    } else if (highHeld && firstHigh == kSignExtension) {
        fit.reading.high = HighWord::SignExtension;
    } else if (highHeld && IsHeldHigh(firstHigh) && OneWay(up, down, steps.size())) {
        fit.reading.high = HighWord::Held;
    } else {
        return std::nullopt;
    }
    return fit;
}

// One step of the value read in an order, in units of its high word: for an integer 65536, for
// a float 65536 units in the last place at the smaller of its two values.
struct ScaledStep {
    double change = 0;
    double unit = 0;
};

std::optional<ScaledStep> ScaleStep(ByteOrder order, const WordPairStep& step, bool asFloat) {
    if (!asFloat) {
        const auto change =
            static_cast<int32_t>(PairBits(order, step.after) - PairBits(order, step.before));
        return ScaledStep{static_cast<double>(change), kHighWordUnit};
    }
    const double before = PairFloat(order, step.before);
    const double after = PairFloat(order, step.after);
    if (!IsPlausibleFloat(before) || !IsPlausibleFloat(after) || before == 0 || after == 0) {
        return std::nullopt;
    }
    int exponent = 0;
    std::frexp(std::min(std::fabs(before), std::fabs(after)), &exponent);
    const double lastPlace = std::ldexp(1.0, exponent - 1 - kFloatMantissaBits);
    return ScaledStep{after - before, kHighWordUnit * lastPlace};
}

// The share of steps near the median step, when the high word's change differs among them.
std::optional<double> SteadyShare(ByteOrder order, const WordPairSample& sample) {
    const std::vector<WordPairStep>& steps = sample.Steps();
    size_t floats = 0;
    for (const WordPairStep& step : steps) {
        floats += IsPlausibleFloat(PairFloat(order, step.after)) ? 1 : 0;
    }
    const bool asFloat =
        static_cast<double>(floats) >= kMinSmallShare * static_cast<double>(steps.size());
    std::vector<std::optional<ScaledStep>> scaled;
    std::vector<double> changes;
    for (const WordPairStep& step : steps) {
        scaled.push_back(ScaleStep(order, step, asFloat));
        if (scaled.back()) {
            changes.push_back(scaled.back()->change);
        }
    }
    if (changes.empty()) {
        return std::nullopt;
    }
    std::nth_element(changes.begin(), changes.begin() + changes.size() / 2, changes.end());
    const double median = changes[changes.size() / 2];
    size_t steady = 0;
    bool lowMoved = false;  // else the value moved only by whole units of its high word
    std::set<uint16_t> highChanges;
    for (size_t i = 0; i < steps.size(); ++i) {
        if (scaled[i] && std::fabs(scaled[i]->change - median) < kSteadyWindow * scaled[i]->unit) {
            ++steady;
            lowMoved = lowMoved || static_cast<uint16_t>(PairBits(order, steps[i].after)) !=
                                       static_cast<uint16_t>(PairBits(order, steps[i].before));
            highChanges.insert(static_cast<uint16_t>(HighOf(order, steps[i].after) -
                                                     HighOf(order, steps[i].before)));
        }
    }
    const double share = static_cast<double>(steady) / static_cast<double>(steps.size());
    // An integer that went round all its 32 bits while polled is more likely two registers.
    const double travelled = std::fabs(median) * static_cast<double>(sample.Polls() - 1);
    if ((!asFloat && travelled >= kHighWordUnit * kHighWordUnit) || median == 0 ||
        share < kMinSmallShare || !lowMoved || highChanges.size() < 2) {
        return std::nullopt;
    }
    return share;
}

}  // namespace

std::optional<CarriedReading> FindCarriedReading(const std::vector<WordPairStep>& steps) {
    if (steps.empty()) {
        return std::nullopt;
    }
    // A held high word is the weaker evidence: taken only when no order carries.
    std::optional<Fit> best;
    for (ByteOrder order : kOrders) {
        const std::optional<Fit> fit = FitSmallSteps(order, steps);
        const bool held = fit && fit->reading.high == HighWord::Held;
        const bool bestHeld = best && best->reading.high == HighWord::Held;
        if (fit && (!best || (held == bestHeld ? fit->moved < best->moved : bestHeld))) {
            best = fit;
        }
    }
    if (!best) {
        return std::nullopt;
    }
    return best->reading;
}

std::optional<CarriedReading> FindSteadyReading(const WordPairSample& sample) {
    std::optional<CarriedReading> steadiest;
    for (ByteOrder order : kOrders) {
        const std::optional<double> share =
            sample.Steps().empty() ? std::nullopt : SteadyShare(order, sample);
        if (share && (!steadiest || *share > steadiest->smallShare)) {
            steadiest = CarriedReading{order, *share, HighWord::Carried};
        }
    }
    return steadiest;
}
