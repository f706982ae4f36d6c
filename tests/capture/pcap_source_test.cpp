// Classic pcap: byte orders, timestamp precision, and where and how a damaged file stops.

#include <gtest/gtest.h>

#include "tests/capture/capture_test_helpers.h"

namespace {

constexpr int64_t kFileHeader = 24;
constexpr int64_t kRecordHeader = 16;

// Byte order and precision are set before the records are written in that order.
PcapBuilder ThreeRecords(bool bigEndian = false, bool nanoseconds = false) {
    PcapBuilder builder;
    if (bigEndian) {
        builder.BigEndian();
    }
    if (nanoseconds) {
        builder.Nanoseconds();
    }
    builder.Timestamp(1700000000, 123456).Record(Bytes(60, 0x11));
    builder.Timestamp(1700000001, 5).Record(Bytes(1514, 0x22)).Record(Bytes{});
    return builder;
}

}  // namespace

TEST(PcapSource, ReadsBothByteOrdersWithMicroOrNanosecondStamps) {
    for (bool bigEndian : {false, true}) {
        for (bool nano : {false, true}) {
            SCOPED_TRACE(std::string(bigEndian ? "big" : "little") + (nano ? " ns" : " us"));
            PcapBuilder builder = ThreeRecords(bigEndian, nano);
            builder.LinkType(113);
            auto source = OpenBytes(builder.Build());
            ASSERT_TRUE(source);
            EXPECT_STREQ(source->ContainerName(), "pcap");
            const ReadResult read = ReadAll(*source);
            EXPECT_EQ(read.last, CaptureOutcome::End);
            ASSERT_EQ(read.records.size(), 3u);
            EXPECT_EQ(read.records[0].number, 1u);
            EXPECT_EQ(read.records[2].number, 3u);
            EXPECT_EQ(read.records[0].fileOffset, kFileHeader);
            EXPECT_EQ(read.records[1].fileOffset, kFileHeader + kRecordHeader + 60);
            EXPECT_EQ(read.records[0].linkType, 113u);
            EXPECT_EQ(read.records[0].time.seconds, 1700000000);
            EXPECT_EQ(read.records[0].time.fraction, 123456u);
            EXPECT_EQ(read.records[0].time.fractionDigits, nano ? 9 : 6);
            EXPECT_EQ(read.records[1].originalLength, 1514u);
            EXPECT_EQ(read.contents[1], Bytes(1514, 0x22));
            EXPECT_TRUE(read.contents[2].empty());
        }
    }
}

TEST(PcapSource, RefusesOtherVersions) {
    EXPECT_EQ(OpenError(PcapBuilder().Version(3, 0).Build()), "pcap version 3.0 is not read");
    EXPECT_EQ(OpenError(Bytes{0xD4, 0xC3, 0xB2, 0xA1, 2, 0}),
              "6 bytes, too short for a capture file header (24 bytes)");
}

TEST(PcapSource, SnapshotLengthBoundsRecordsAndZeroMeansTheLimit) {
    auto small =
        OpenBytes(PcapBuilder().SnapLength(100).Record(Bytes(100)).Record(Bytes(101)).Build());
    const ReadResult read = ReadAll(*small);
    EXPECT_EQ(read.records.size(), 1u);
    EXPECT_EQ(read.last, CaptureOutcome::Damaged);
    EXPECT_NE(small->Failure().message.find("101"), std::string::npos);

    auto unlimited = OpenBytes(PcapBuilder()
                                   .SnapLength(0)
                                   .Record(Bytes(200000))
                                   .Record(Bytes(kMaxRecordBytes + 1))
                                   .Build());
    const ReadResult big = ReadAll(*unlimited);
    ASSERT_EQ(big.records.size(), 1u);
    EXPECT_EQ(big.contents[0].size(), 200000u);
    EXPECT_EQ(big.last, CaptureOutcome::Damaged);
    EXPECT_EQ(unlimited->Failure().recordNumber, 2u);
}

TEST(PcapSource, CutFinalRecordDeliversEveryWholeOneBefore) {
    Bytes file = ThreeRecords().Record(Bytes(80, 0x44)).Build();
    file.resize(file.size() - 30);
    auto source = OpenBytes(file);
    const ReadResult read = ReadAll(*source);
    EXPECT_EQ(read.records.size(), 3u);
    EXPECT_EQ(read.last, CaptureOutcome::CutRecord);
    EXPECT_EQ(source->Failure().recordNumber, 4u);
    EXPECT_EQ(source->Failure().fileOffset, kFileHeader + 3 * kRecordHeader + 60 + 1514);
    CaptureRecord record;
    EXPECT_EQ(source->Next(record), CaptureOutcome::CutRecord);  // and stays there

    Bytes cutHeader = ThreeRecords().Build();
    cutHeader.insert(cutHeader.end(), {1, 2, 3, 4, 5});
    auto second = OpenBytes(cutHeader);
    EXPECT_EQ(ReadAll(*second).last, CaptureOutcome::CutRecord);
    EXPECT_EQ(second->Failure().recordNumber, 4u);
}

TEST(PcapSource, CorruptLengthInTheMiddleIsDamagedWithItsPlace) {
    Bytes file = ThreeRecords().Build();
    const size_t secondHeader = kFileHeader + kRecordHeader + 60;
    file[secondHeader + 10] = 0x40;  // captured length 1514 + 0x400000
    auto source = OpenBytes(file);
    const ReadResult read = ReadAll(*source);
    EXPECT_EQ(read.records.size(), 1u);
    EXPECT_EQ(read.last, CaptureOutcome::Damaged);
    EXPECT_EQ(source->Failure().recordNumber, 2u);
    EXPECT_EQ(source->Failure().fileOffset, static_cast<int64_t>(secondHeader));
    EXPECT_EQ(source->Failure().message,
              "record length 4195818 exceeds the snapshot length of 65535 bytes");
    CaptureRecord record;
    EXPECT_EQ(source->Next(record), CaptureOutcome::Damaged);
}

TEST(PcapSource, GarbageAfterAValidHeaderIsDamagedAtTheFirstRecord) {
    Bytes file = PcapBuilder().Build();
    const std::string garbage = "GARBAGE GARBAGE GARBAGE GARBAGE GARBAGE";
    file.insert(file.end(), garbage.begin(), garbage.end());
    auto source = OpenBytes(file);
    const ReadResult read = ReadAll(*source);
    EXPECT_TRUE(read.records.empty());
    EXPECT_EQ(read.last, CaptureOutcome::Damaged);
    EXPECT_EQ(source->Failure().recordNumber, 1u);
    EXPECT_EQ(source->Failure().fileOffset, kFileHeader);
}

TEST(PcapSource, ReadErrorInTheMiddleStopsAfterTheWholeRecords) {
    const Bytes file = ThreeRecords().Build();
    MemoryStreamOptions options;
    options.failAt = kFileHeader + 2 * kRecordHeader + 60 + 700;  // inside record 2
    options.pieceSize = 64;
    auto source = OpenBytes(file, options);
    const ReadResult read = ReadAll(*source);
    EXPECT_EQ(read.records.size(), 1u);
    EXPECT_EQ(read.last, CaptureOutcome::ReadError);
    EXPECT_EQ(source->Failure().recordNumber, 2u);
    EXPECT_EQ(source->Failure().message, "reading failed: Input/output error");
}

TEST(PcapSource, RewindStartsOverAtTheFirstRecord) {
    auto source = OpenBytes(ThreeRecords().Build());
    ReadAll(*source);
    ASSERT_TRUE(source->Rewind());
    const ReadResult again = ReadAll(*source);
    ASSERT_EQ(again.records.size(), 3u);
    EXPECT_EQ(again.records[0].number, 1u);
    EXPECT_EQ(again.contents[1], Bytes(1514, 0x22));

    MemoryStreamOptions oneWay;
    oneWay.rewindable = false;
    auto pipe = OpenBytes(ThreeRecords().Build(), oneWay);
    EXPECT_FALSE(pipe->Rewind());
}
