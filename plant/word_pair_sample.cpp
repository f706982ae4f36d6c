#include "plant/word_pair_sample.h"

#include <cmath>
#include <cstring>

namespace {

uint16_t SwapBytes(uint16_t word) {
    return static_cast<uint16_t>(word << 8 | word >> 8);
}

}  // namespace

uint32_t PairBits(ByteOrder order, WordPair words) {
    const bool swapWords = order == ByteOrder::CDAB || order == ByteOrder::DCBA;
    const bool swapBytes = order == ByteOrder::BADC || order == ByteOrder::DCBA;
    uint16_t high = swapWords ? words.second : words.first;
    uint16_t low = swapWords ? words.first : words.second;
    if (swapBytes) {
        high = SwapBytes(high);
        low = SwapBytes(low);
    }
    return static_cast<uint32_t>(high) << 16 | low;
}

float PairFloat(ByteOrder order, WordPair words) {
    const uint32_t bits = PairBits(order, words);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

bool IsPlausibleFloat(double value) {
    const double size = std::fabs(value);
    return value == 0 || (size >= 1e-6 && size <= 1e9);  // false for NaN too
}

void WordPairSample::Add(WordPair words) {
    ++polls_;
    if (!last_) {
        last_ = words;
        return;
    }
    firstChanged_ = firstChanged_ || words.first != last_->first;
    secondChanged_ = secondChanged_ || words.second != last_->second;
    const WordPairStep step{*last_, words};
    last_ = words;
    const uint64_t seen = polls_ - 1;  // steps so far, this one included
    if (steps_.size() < kCapacity) {
        steps_.push_back(step);
        return;
    }
    // Reservoir sampling: the n-th step replaces a kept one with probability kCapacity / n.
    const uint64_t slot = NextRandom() % seen;
    if (slot < kCapacity) {
        steps_[slot] = step;
    }
}

// xorshift64
uint64_t WordPairSample::NextRandom() {
    random_ ^= random_ << 13;
    random_ ^= random_ >> 7;
    random_ ^= random_ << 17;
    return random_;
}
