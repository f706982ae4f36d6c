#include "plant/word_pair_scoring.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <vector>

#include "plant/word_pair_carry.h"

namespace {

constexpr uint64_t kMinPolls = 8;
constexpr size_t kMinDistinct = 4;
constexpr double kMinPlausible = 0.95;
constexpr uint16_t kCounterStep = 64;
constexpr double kLowWordSpread = 16384;  // a quarter of the word's values
constexpr double kLowWordRoughness = 0.1;
constexpr double kTie = 0.02;
constexpr double kMinMargin = 0.5;
constexpr double kFullConfidenceSteps = 30;
// A high word that stays the same may be a register of its own: FFFF less likely than another.
constexpr double kSignExtensionDoubt = 0.75;
constexpr double kHeldHighDoubt = 0.6;

// Ties go to the earlier.
const ByteOrder kOrders[] = {ByteOrder::ABCD, ByteOrder::CDAB, ByteOrder::BADC, ByteOrder::DCBA};

bool SwapsWords(ByteOrder order) {
    return order == ByteOrder::CDAB || order == ByteOrder::DCBA;
}

uint16_t Word(const WordPair& words, bool second) {
    return second ? words.second : words.first;
}

// The least significant word of the value in this order, as the value means it.
uint16_t LowWord(ByteOrder order, const WordPair& words) {
    return static_cast<uint16_t>(PairBits(order, words));
}

// Root mean square of the steps relative to the range of all values; 0 for a constant.
double Roughness(const std::vector<double>& before, const std::vector<double>& after) {
    if (before.empty()) {
        return 0;
    }
    const auto [low, high] = std::minmax_element(before.begin(), before.end());
    const auto [lowAfter, highAfter] = std::minmax_element(after.begin(), after.end());
    const double range = std::max(*high, *highAfter) - std::min(*low, *lowAfter);
    if (range <= 0) {
        return 0;
    }
    double sum = 0;
    for (size_t i = 0; i < before.size(); ++i) {
        const double step = (after[i] - before[i]) / range;
        sum += step * step;
    }
    return std::sqrt(sum / static_cast<double>(before.size()));
}

double WordRoughness(const std::vector<WordPairStep>& steps, bool second) {
    std::vector<double> before, after;
    for (const WordPairStep& step : steps) {
        before.push_back(Word(step.before, second));
        after.push_back(Word(step.after, second));
    }
    return Roughness(before, after);
}

// Every step up by at most kCounterStep (or none), at least half of them up.
bool CountsUp(const std::vector<WordPairStep>& steps, bool second) {
    size_t up = 0;
    for (const WordPairStep& step : steps) {
        const uint16_t rise =
            static_cast<uint16_t>(Word(step.after, second) - Word(step.before, second));
        if (rise > kCounterStep) {
            return false;
        }
        up += rise > 0 ? 1 : 0;
    }
    return 2 * up >= steps.size();
}

// Changes on nearly every step (95%), always the same way (up, or down), by less than half a
// word each: a ramp or counter of its own, wrapping around at 65536. The high word of a 32-bit
// value changes only when its low word wraps around, not on every step.
bool MovesLikeARamp(const std::vector<WordPairStep>& steps, bool second) {
    size_t up = 0;
    size_t down = 0;
    for (const WordPairStep& step : steps) {
        const auto change =
            static_cast<int16_t>(Word(step.after, second) - Word(step.before, second));
        up += change > 0 ? 1 : 0;
        down += change < 0 ? 1 : 0;
    }
    return (up == 0 || down == 0) &&
           static_cast<double>(up + down) >= kMinPlausible * static_cast<double>(steps.size());
}

// The low half of a wider number takes many values, spreads over much of its range and wraps
// around or looks like noise; a word that moves within a band or smoothly is a register of its
// own, and one of two values (0 and FFFF) the sign of a small number in the other word.
bool LooksLikeALowWord(ByteOrder order, const std::vector<WordPairStep>& steps) {
    std::vector<double> before, after;
    std::set<uint16_t> distinct;
    for (const WordPairStep& step : steps) {
        before.push_back(LowWord(order, step.before));
        after.push_back(LowWord(order, step.after));
        distinct.insert(LowWord(order, step.after));
    }
    const auto [low, high] = std::minmax_element(before.begin(), before.end());
    const auto [lowAfter, highAfter] = std::minmax_element(after.begin(), after.end());
    const double spread = std::max(*high, *highAfter) - std::min(*low, *lowAfter);
    return distinct.size() >= kMinDistinct && spread >= kLowWordSpread &&
           Roughness(before, after) >= kLowWordRoughness;
}

size_t DistinctPairs(const WordPairSample& sample) {
    std::set<uint32_t> seen;
    for (const WordPairStep& step : sample.Steps()) {
        seen.insert(static_cast<uint32_t>(step.before.first) << 16 | step.before.second);
        seen.insert(static_cast<uint32_t>(step.after.first) << 16 | step.after.second);
    }
    return seen.size();
}

struct Score {
    double plausible = 0;  // share of steps with both values plausible
    double roughness = 0;
};

std::optional<Score> ScoreFloat(ByteOrder order, const std::vector<WordPairStep>& steps) {
    // The least significant word is the second sent, or the first when the words are swapped.
    if (!LooksLikeALowWord(order, steps) || CountsUp(steps, !SwapsWords(order))) {
        return std::nullopt;
    }
    std::vector<double> before, after;
    for (const WordPairStep& step : steps) {
        const double from = DecodePair(MapDataType::Float32, order, step.before);
        const double to = DecodePair(MapDataType::Float32, order, step.after);
        if (IsPlausibleFloat(from) && IsPlausibleFloat(to)) {
            before.push_back(from);
            after.push_back(to);
        }
    }
    Score score;
    score.plausible = static_cast<double>(before.size()) / static_cast<double>(steps.size());
    if (score.plausible < kMinPlausible) {
        return std::nullopt;
    }
    score.roughness = Roughness(before, after);
    return score;
}

double StepsConfidence(const std::vector<WordPairStep>& steps) {
    return std::min(1.0, static_cast<double>(steps.size()) / kFullConfidenceSteps);
}

// A number that carries: a float when nearly all of it reads as a plausible float (an integer
// read as a float is tiny, a denormal or not a number), else an int32 when it ever has the top
// bit set, else a uint32.
PairVerdict CarriedVerdict(const CarriedReading& reading, const std::vector<WordPairStep>& steps) {
    size_t floats = 0;
    bool topBit = false;
    for (const WordPairStep& step : steps) {
        const double value = DecodePair(MapDataType::Float32, reading.order, step.after);
        floats += IsPlausibleFloat(value) ? 1 : 0;
        topBit = topBit || PairBits(reading.order, step.after) >> 31 != 0;
    }
    PairVerdict verdict;
    verdict.order = reading.order;
    verdict.highHeld = reading.high != HighWord::Carried;
    verdict.type = static_cast<double>(floats) >= kMinPlausible * static_cast<double>(steps.size())
                       ? MapDataType::Float32
                       : (topBit ? MapDataType::Int32 : MapDataType::Uint32);
    const double doubt = reading.high == HighWord::SignExtension ? kSignExtensionDoubt
                         : reading.high == HighWord::Held        ? kHeldHighDoubt
                                                                 : 1;
    verdict.confidence = reading.smallShare * StepsConfidence(steps) * doubt;
    return verdict;
}

// A float whose value jumps too far between polls to carry: the smoothest order, when much
// smoother than the words read alone.
std::optional<PairVerdict> JudgeFloat(const std::vector<WordPairStep>& steps) {
    if (MovesLikeARamp(steps, false) && MovesLikeARamp(steps, true)) {
        return std::nullopt;
    }
    const double words = std::max(WordRoughness(steps, false), WordRoughness(steps, true));
    std::optional<PairVerdict> best;
    Score bestScore;
    for (ByteOrder order : kOrders) {
        const std::optional<Score> score = ScoreFloat(order, steps);
        if (score && (!best || score->roughness < bestScore.roughness * (1 - kTie))) {
            best = PairVerdict{MapDataType::Float32, order, 0, false};
            bestScore = *score;
        }
    }
    const double margin = best && words > 0 ? 1 - bestScore.roughness / words : 0;
    if (margin < kMinMargin) {
        return std::nullopt;
    }
    best->confidence = margin * bestScore.plausible * StepsConfidence(steps);
    return best;
}

}  // namespace

double DecodePair(MapDataType type, ByteOrder order, WordPair words) {
    const uint32_t bits = PairBits(order, words);
    switch (type) {
        case MapDataType::Float32:
            return PairFloat(order, words);
        case MapDataType::Int32:
            return static_cast<int32_t>(bits);
        default:
            return bits;
    }
}

std::optional<PairVerdict> JudgeWordPair(const WordPairSample& sample) {
    const std::vector<WordPairStep>& steps = sample.Steps();
    if (sample.Polls() < kMinPolls || DistinctPairs(sample) < kMinDistinct) {
        return std::nullopt;
    }
    if (const std::optional<CarriedReading> carried = FindCarriedReading(steps)) {
        return CarriedVerdict(*carried, steps);
    }
    if (!sample.FirstChanged() || !sample.SecondChanged()) {
        return std::nullopt;
    }
    if (const std::optional<PairVerdict> noisyFloat = JudgeFloat(steps)) {
        return noisyFloat;
    }
    if (const std::optional<CarriedReading> steady = FindSteadyReading(sample)) {
        return CarriedVerdict(*steady, steps);
    }
    return std::nullopt;
}
