// The sample kept of two adjacent registers and the decoding of a pair in each order.

#include <gtest/gtest.h>

#include <cmath>

#include "plant/word_pair_scoring.h"

TEST(WordPairSample, StaysBoundedAndKnowsWhichWordChanged) {
    WordPairSample sample;
    for (uint16_t i = 0; i < 10000; ++i) {
        sample.Add({0, i});
    }
    EXPECT_EQ(sample.Polls(), 10000u);
    EXPECT_EQ(sample.Steps().size(), WordPairSample::kCapacity);
    EXPECT_FALSE(sample.FirstChanged());
    EXPECT_TRUE(sample.SecondChanged());
    // Drawn from the whole capture, not only its beginning.
    uint16_t latest = 0;
    for (const WordPairStep& step : sample.Steps()) {
        EXPECT_EQ(step.after.second, step.before.second + 1);
        latest = std::max(latest, step.after.second);
    }
    EXPECT_GT(latest, 5000);
    // A word that stayed 0: as likely an unused register as the high word of a small number.
    EXPECT_FALSE(JudgeWordPair(sample));
}

TEST(WordPairSample, DecodesEachOrder) {
    // 12.5f is 0x41480000; -2 as int32 is 0xFFFFFFFE.
    EXPECT_EQ(DecodePair(MapDataType::Float32, ByteOrder::ABCD, {0x4148, 0x0000}), 12.5);
    EXPECT_EQ(DecodePair(MapDataType::Float32, ByteOrder::CDAB, {0x0000, 0x4148}), 12.5);
    EXPECT_EQ(DecodePair(MapDataType::Float32, ByteOrder::BADC, {0x4841, 0x0000}), 12.5);
    EXPECT_EQ(DecodePair(MapDataType::Float32, ByteOrder::DCBA, {0x0000, 0x4841}), 12.5);
    EXPECT_EQ(DecodePair(MapDataType::Int32, ByteOrder::DCBA, {0xFEFF, 0xFFFF}), -2);
    EXPECT_EQ(DecodePair(MapDataType::Uint32, ByteOrder::CDAB, {0x0002, 0x0001}), 65538);
}

namespace {

// The words sent for 32 bits in an order: ABCD as they are, CDAB the words swapped, BADC the
// bytes of each word swapped, DCBA both.
WordPair Sent(uint32_t bits, ByteOrder order) {
    const auto high = static_cast<uint16_t>(bits >> 16);
    const auto low = static_cast<uint16_t>(bits);
    auto swap = [](uint16_t w) { return static_cast<uint16_t>(w << 8 | w >> 8); };
    switch (order) {
        case ByteOrder::CDAB:
            return {low, high};
        case ByteOrder::BADC:
            return {swap(high), swap(low)};
        case ByteOrder::DCBA:
            return {swap(low), swap(high)};
        default:
            return {high, low};
    }
}

const ByteOrder kAllOrders[] = {ByteOrder::ABCD, ByteOrder::CDAB, ByteOrder::BADC, ByteOrder::DCBA};

}  // namespace

TEST(WordPairJudgement, ReadsACounterInItsOwnOrderHoweverLong) {
    // 1234 a poll: the high word carries every 53 polls.
    for (ByteOrder order : kAllOrders) {
        WordPairSample sample;
        for (uint32_t i = 0; i < 500; ++i) {
            sample.Add(Sent(70000 + 1234 * i, order));
        }
        const std::optional<PairVerdict> verdict = JudgeWordPair(sample);
        ASSERT_TRUE(verdict) << ByteOrderName(order);
        EXPECT_EQ(verdict->type, MapDataType::Uint32) << ByteOrderName(order);
        EXPECT_EQ(verdict->order, order);
    }
}

TEST(WordPairJudgement, ReadsANegativeNumberWhoseHighWordStaysFFFF) {
    for (ByteOrder order : kAllOrders) {
        WordPairSample sample;
        for (int i = 0; i < 60; ++i) {
            const auto value = static_cast<int32_t>(-1500 + 40 * (i % 20));  // -1500 .. -740
            sample.Add(Sent(static_cast<uint32_t>(value), order));
        }
        const std::optional<PairVerdict> verdict = JudgeWordPair(sample);
        ASSERT_TRUE(verdict) << ByteOrderName(order);
        EXPECT_EQ(verdict->type, MapDataType::Int32) << ByteOrderName(order);
        EXPECT_EQ(verdict->order, order);
        EXPECT_TRUE(verdict->highHeld);
    }
}

TEST(WordPairJudgement, LeavesWordsThatMoveOnTheirOwn) {
    struct Words {
        const char* what;
        uint16_t (*first)(int);
        uint16_t (*second)(int);
    };
    const Words cases[] = {
        {"two ramps", [](int i) { return static_cast<uint16_t>(3000 * i); },
         [](int i) { return static_cast<uint16_t>(5000 + 1000 * i); }},
        {"a ramp up, one down", [](int i) { return static_cast<uint16_t>(700 * i); },
         [](int i) { return static_cast<uint16_t>(60000 - 1300 * i); }},
        {"a slow counter, a fast ramp", [](int i) { return static_cast<uint16_t>(100 + i); },
         [](int i) { return static_cast<uint16_t>(2200 * i); }},
        {"a fast ramp, a slow counter", [](int i) { return static_cast<uint16_t>(2200 * i); },
         [](int i) { return static_cast<uint16_t>(100 + i); }},
        {"a constant 0 beside a measurement", [](int) { return uint16_t{0}; },
         [](int i) { return static_cast<uint16_t>(500 + 7 * (i % 13)); }},
        {"a constant 7 beside a measurement", [](int) { return uint16_t{7}; },
         [](int i) { return static_cast<uint16_t>(2300 + 50 * std::sin(i / 7.0)); }},
        {"two counters in step", [](int i) { return static_cast<uint16_t>(16000 + i); },
         [](int i) { return static_cast<uint16_t>(16000 + i); }},
        // Read byte-swapped, the pair steps by 0x01000200 a poll, carrying now and then like a
        // number: but it goes round all 32 bits every 256 polls.
        {"two counters, one twice as fast", [](int i) { return static_cast<uint16_t>(0x4000 + i); },
         [](int i) { return static_cast<uint16_t>(0x4000 + 2 * i); }},
        {"a slow counter, a ramp of large steps",
         [](int i) { return static_cast<uint16_t>(0x4400 + i); },
         [](int i) { return static_cast<uint16_t>(40000 * i); }},
        {"a counter that steps now and then, a ramp",
         [](int i) { return static_cast<uint16_t>(1 + i / 10); },
         [](int i) { return static_cast<uint16_t>(700 * i); }},
    };
    for (const Words& words : cases) {
        WordPairSample sample;
        for (int i = 0; i < 1000; ++i) {
            sample.Add({words.first(i), words.second(i)});
        }
        EXPECT_FALSE(JudgeWordPair(sample)) << words.what;
    }
}
