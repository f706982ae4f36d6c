// pcapng: sections in both byte orders, interfaces and their time units, the packet block kinds,
// blocks stepped over, and broken block lengths.

#include <gtest/gtest.h>

#include "tests/capture/capture_test_helpers.h"
#include "tests/support/capture_builder.h"

namespace {

constexpr uint16_t kEthernet = 1;
constexpr uint16_t kRawIp = 101;

}  // namespace

TEST(PcapngSource, SectionsInBothByteOrdersEachWithTheirOwnInterfaces) {
    PcapngBuilder builder;
    builder.Section(false).Interface(kEthernet).Interface(kRawIp);
    builder.Enhanced(1, 1700000000123456ull, Bytes(40, 0xA1)).Enhanced(0, 0, Bytes(60, 0xA0));
    const int64_t secondSection = static_cast<int64_t>(builder.Size());
    builder.Section(true).Interface(228, 0, 9).Enhanced(0, 1700000000000000001ull, Bytes(20, 0xB0));
    auto source = OpenBytes(builder.Build());
    ASSERT_TRUE(source);
    EXPECT_STREQ(source->ContainerName(), "pcapng");
    const ReadResult read = ReadAll(*source);
    EXPECT_EQ(read.last, CaptureOutcome::End);
    ASSERT_EQ(read.records.size(), 3u);
    EXPECT_EQ(read.records[0].linkType, kRawIp);
    EXPECT_EQ(read.records[0].time.seconds, 1700000000);
    EXPECT_EQ(read.records[0].time.fraction, 123456u);
    EXPECT_EQ(read.records[0].time.fractionDigits, 6);
    EXPECT_EQ(read.contents[0], Bytes(40, 0xA1));
    EXPECT_EQ(read.records[1].linkType, kEthernet);
    // The big-endian section: numbering goes on, interface 0 is its own.
    EXPECT_EQ(read.records[2].number, 3u);
    EXPECT_EQ(read.records[2].linkType, 228u);
    EXPECT_EQ(read.records[2].fileOffset, secondSection + 28 + 32);
    EXPECT_EQ(read.records[2].time.seconds, 1700000000);
    EXPECT_EQ(read.records[2].time.fraction, 1u);
    EXPECT_EQ(read.records[2].time.fractionDigits, 9);
    EXPECT_EQ(read.contents[2], Bytes(20, 0xB0));
}

TEST(PcapngSource, TimestampResolutions) {
    struct Case {
        int tsresol;
        uint64_t units;
        int64_t seconds;
        uint32_t fraction;
        int digits;
    };
    const Case cases[] = {
        {-1, 2500001ull, 2, 500001, 6},         // default: microseconds
        {3, 2500ull, 2, 500000, 6},             // milliseconds
        {9, 2000000007ull, 2, 7, 9},            // nanoseconds
        {12, 2000000007000ull, 2, 7, 9},        // picoseconds, cut to ns
        {0x80 | 10, 2048 + 512, 2, 500000, 6},  // 2^-10 s
        {0x80 | 30, (3ull << 30) + (1 << 29), 3, 500000000, 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tsresol);
        auto source = OpenBytes(PcapngBuilder()
                                    .Section()
                                    .Interface(kEthernet, 0, c.tsresol)
                                    .Enhanced(0, c.units, Bytes(14))
                                    .Build());
        const ReadResult read = ReadAll(*source);
        ASSERT_EQ(read.records.size(), 1u);
        EXPECT_EQ(read.records[0].time.seconds, c.seconds);
        EXPECT_EQ(read.records[0].time.fraction, c.fraction);
        EXPECT_EQ(read.records[0].time.fractionDigits, c.digits);
    }
    auto tooFine = OpenBytes(PcapngBuilder().Section().Interface(kEthernet, 0, 20).Build());
    EXPECT_EQ(ReadAll(*tooFine).last, CaptureOutcome::Damaged);
}

TEST(PcapngSource, OtherBlocksAreSteppedOver) {
    PcapngBuilder builder;
    builder.Section().Block(kNameResolutionBlock, Bytes(37, 0x33)).Interface(kEthernet);
    builder.Block(0x40000BAD, Bytes(10, 0x44)).Block(kDecryptionSecretsBlock, Bytes(16));
    builder.Enhanced(0, 0, Bytes(60, 0x55)).Block(kInterfaceStatisticsBlock, Bytes(24));
    builder.Block(0x12345678, {}).Enhanced(0, 0, Bytes(61, 0x66));
    const ReadResult read = ReadAll(*OpenBytes(builder.Build()));
    EXPECT_EQ(read.last, CaptureOutcome::End);
    ASSERT_EQ(read.records.size(), 2u);
    EXPECT_EQ(read.contents[0], Bytes(60, 0x55));
    EXPECT_EQ(read.contents[1], Bytes(61, 0x66));
    EXPECT_EQ(read.records[1].number, 2u);
}

TEST(PcapngSource, SimpleAndObsoletePacketBlocks) {
    PcapngBuilder builder;
    builder.Section().Interface(kEthernet, 50);
    builder.Simple(Bytes(30, 0x01), 1000);  // whole block room: 30 of 1000 bytes captured
    builder.Simple(Bytes(64, 0x02));        // the snapshot length cuts it to 50
    builder.Obsolete(0, 1500000, Bytes(40, 0x03));
    const ReadResult read = ReadAll(*OpenBytes(builder.Build()));
    EXPECT_EQ(read.last, CaptureOutcome::End);
    ASSERT_EQ(read.records.size(), 3u);
    EXPECT_EQ(read.contents[0].size(), 30u + 2u);  // the block room includes its padding
    EXPECT_EQ(read.records[0].originalLength, 1000u);
    EXPECT_EQ(read.records[0].time.seconds, 0);
    EXPECT_EQ(read.contents[1], Bytes(50, 0x02));
    EXPECT_EQ(read.contents[2], Bytes(40, 0x03));
    EXPECT_EQ(read.records[2].time.seconds, 1);
    EXPECT_EQ(read.records[2].time.fraction, 500000u);
}

TEST(PcapngSource, BrokenBlockLengthsAreDamaged) {
    PcapngBuilder good;
    good.Section().Interface(kEthernet).Enhanced(0, 0, Bytes(60));
    const size_t second = good.Size();
    good.Enhanced(0, 0, Bytes(60));
    const Bytes file = good.Build();

    struct Case {
        size_t at;
        uint8_t value;
        const char* message;
    };
    const Case cases[] = {
        {second + 4, 94, "block length 94 is not a multiple of 4"},
        {second + 4, 24, "block length 24 is too small for block type 6"},
        {file.size() - 4, 96, "the block's two length fields disagree (92 and 96)"},
        {second + 8, 1, "packet of interface 1, which the section does not describe"},
        {second + 20, 200, "captured length 200 exceeds the 60 bytes its block holds"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        Bytes broken = file;
        broken[c.at] = c.value;
        auto source = OpenBytes(broken);
        const ReadResult read = ReadAll(*source);
        EXPECT_EQ(read.records.size(), 1u);
        EXPECT_EQ(read.last, CaptureOutcome::Damaged);
        EXPECT_EQ(source->Failure().recordNumber, 2u);
        EXPECT_EQ(source->Failure().fileOffset, static_cast<int64_t>(second));
        EXPECT_EQ(source->Failure().message, c.message);
    }
}

TEST(PcapngSource, FileEndingInsideABlockIsCut) {
    Bytes file = PcapngBuilder()
                     .Section()
                     .Interface(kEthernet)
                     .Enhanced(0, 0, Bytes(60))
                     .Enhanced(0, 0, Bytes(60))
                     .Build();
    file.resize(file.size() - 10);
    auto source = OpenBytes(file);
    const ReadResult read = ReadAll(*source);
    EXPECT_EQ(read.records.size(), 1u);
    EXPECT_EQ(read.last, CaptureOutcome::CutRecord);
    EXPECT_EQ(source->Failure().recordNumber, 2u);
}

TEST(PcapngSource, RefusesOtherVersionsAndRewinds) {
    Bytes file = PcapngBuilder().Section().Build();
    file[12] = 2;  // major version 2
    EXPECT_EQ(OpenError(file), "pcapng version 2.0 is not read");

    auto source = OpenBytes(
        PcapngBuilder().Section().Interface(kEthernet).Enhanced(0, 0, Bytes(9, 7)).Build());
    EXPECT_EQ(ReadAll(*source).records.size(), 1u);
    ASSERT_TRUE(source->Rewind());
    const ReadResult again = ReadAll(*source);
    ASSERT_EQ(again.records.size(), 1u);
    EXPECT_EQ(again.records[0].number, 1u);
    EXPECT_EQ(again.contents[0], Bytes(9, 7));
}
