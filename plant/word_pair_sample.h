#pragma once
// What is kept of two adjacent registers read together: a bounded, evenly drawn sample of the
// changes from one poll to the next (a reservoir), how often they were polled and whether each
// word ever changed. Its size does not grow with the capture.

#include <cstdint>
#include <optional>
#include <vector>

#include "plant/register_map.h"

// The two words as sent: `first` at the lower address.
struct WordPair {
    uint16_t first = 0;
    uint16_t second = 0;
};

// One poll of the pair and the poll before it.
struct WordPairStep {
    WordPair before;
    WordPair after;
};

// The 32 bits two words hold when sent in `order`.
uint32_t PairBits(ByteOrder order, WordPair words);
// Those bits as a float.
float PairFloat(ByteOrder order, WordPair words);
// A value a register plausibly holds as a float: finite, 0 or within 1e-6 .. 1e9 in magnitude
// (which rules out denormal floats, and an integer's bits read as a float).
bool IsPlausibleFloat(double value);

class WordPairSample {
public:
    static constexpr size_t kCapacity = 128;  // steps kept: 1 KiB

    void Add(WordPair words);

    uint64_t Polls() const { return polls_; }
    bool FirstChanged() const { return firstChanged_; }
    bool SecondChanged() const { return secondChanged_; }
    // At most kCapacity steps, each step of the capture as likely as any other.
    const std::vector<WordPairStep>& Steps() const { return steps_; }

private:
    uint64_t NextRandom();

    std::optional<WordPair> last_;
    uint64_t polls_ = 0;
    bool firstChanged_ = false;
    bool secondChanged_ = false;
    std::vector<WordPairStep> steps_;
    uint64_t random_ = 0x9E3779B97F4A7C15u;  // fixed: the same capture gives the same sample
};
