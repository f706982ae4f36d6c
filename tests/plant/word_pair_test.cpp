// The sample kept of two adjacent registers and the decoding of a pair in each order.

#include <gtest/gtest.h>

#include "plant/word_pair_scoring.h"

TEST(WordPairSample, StaysBoundedAndKnowsWhichWordChanged) {
    WordPairSample sample;
    for (uint16_t i = 0; i < 10000; ++i) {
        sample.Add({7, i});
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
    // A word that never changed: no 32-bit value is proposed.
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
