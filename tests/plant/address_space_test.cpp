// A device has 65536 addresses per table (0 to 65535): a read or write running past the last one
// names points that do not exist.

#include <gtest/gtest.h>

#include <string>

#include "modbus/rtu_frame.h"
#include "plant/address_ranges.h"
#include "plant/anomalies.h"
#include "plant/derivation.h"
#include "plant/point_values.h"
#include "session/response_time.h"

namespace {

using Bytes = std::vector<uint8_t>;

CModbusMessage Message(const Bytes& pdu) {
    CModbusMessage message;
    message.transactionId = 1;
    message.unit = 1;
    message.frame = RtuFrameOf(1, ByteView(pdu));
    return message;
}

Transaction Pair(const Bytes& request, const Bytes& response) {
    Transaction t;
    t.request = Message(request);
    t.response = Message(response);
    DecodeFrames(t);
    return t;
}

bool HasAnomaly(const Transaction& t, const std::string& kind) {
    for (const Anomaly& anomaly : AnomaliesOf(t, ResponseTimeMs(t), 1000)) {
        if (AnomalyKindName(anomaly.kind) == kind) {
            return true;
        }
    }
    return false;
}

}  // namespace

TEST(AddressSpace, ARegisterReadPastTheLastAddressGivesOnlyTheRegistersThatExist) {
    // Function 3 from 65535 for 3 registers, answered with 3 registers anyway.
    const Transaction t =
        Pair({0x03, 0xFF, 0xFF, 0x00, 0x03}, {0x03, 0x06, 0x00, 0x0A, 0x00, 0x0B, 0x00, 0x0C});
    const std::vector<PointValue> points = PointValuesOf(t);
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(points[0].address, 65535);
    EXPECT_EQ(points[0].reference, 40001 + 65535);
    EXPECT_EQ(points[0].value, 0x0A);
    EXPECT_TRUE(HasAnomaly(t, "invalid_address"));
}

TEST(AddressSpace, WritesPastTheLastAddressAreInvalidToo) {
    // Function 15 from 65530 for 8 coils; function 23 writing 2 registers from 65535.
    const Transaction coils =
        Pair({0x0F, 0xFF, 0xFA, 0x00, 0x08, 0x01, 0xFF}, {0x0F, 0xFF, 0xFA, 0x00, 0x08});
    std::vector<PointValue> points = PointValuesOf(coils);
    EXPECT_EQ(points.size(), 6u);  // 65530 to 65535
    for (const PointValue& point : points) {
        EXPECT_GE(point.address, 65530);
        EXPECT_EQ(point.reference, point.address + 1);
    }
    EXPECT_TRUE(HasAnomaly(coils, "invalid_address"));

    const Transaction readWrite =
        Pair({0x17, 0x00, 0x00, 0x00, 0x01, 0xFF, 0xFF, 0x00, 0x02, 0x04, 0x00, 0x01, 0x00, 0x02},
             {0x17, 0x02, 0x00, 0x07});
    points = PointValuesOf(readWrite);
    ASSERT_EQ(points.size(), 2u);  // register 65535 written, register 0 read
    EXPECT_EQ(points[0].reference, 40001 + 65535);
    EXPECT_EQ(points[1].reference, 40001);
    EXPECT_TRUE(HasAnomaly(readWrite, "invalid_address"));
}

TEST(AddressSpace, TheLastAddressItselfIsValid) {
    const Transaction t =
        Pair({0x03, 0xFF, 0xFE, 0x00, 0x02}, {0x03, 0x04, 0x00, 0x01, 0x00, 0x02});
    EXPECT_EQ(PointValuesOf(t).size(), 2u);
    EXPECT_FALSE(HasAnomaly(t, "invalid_address"));
}

TEST(AddressSpace, RangesStopAtTheLastAddress) {
    AddressRanges ranges;
    ranges.Add(65535, 3);
    ranges.Add(0, 1);
    const std::vector<AddressRange> all = ranges.Ranges();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].first, 0u);
    EXPECT_EQ(all[0].last, 0u);
    EXPECT_EQ(all[1].first, 65535u);
    EXPECT_EQ(all[1].last, 65535u);
}

TEST(AddressSpace, ScatteredRangesAreKeptUpToTheirBoundAndTheRestCounted) {
    AddressRanges ranges;
    const uint32_t bound = static_cast<uint32_t>(AddressRanges::kRangesKept);
    for (uint32_t i = 0; i < bound + 3; ++i) {
        ranges.Add(4 * i, 2);  // 0-1, 4-5, 8-9, ...: none touches another
    }
    const std::vector<AddressRange> kept = ranges.Ranges();
    ASSERT_EQ(kept.size(), AddressRanges::kRangesKept);
    EXPECT_EQ(kept.back().first, 4 * (bound - 1));
    EXPECT_EQ(ranges.NotKept(), 3u);
    // What joins a kept range still widens it: the bound only refuses a range apart.
    ranges.Add(2, 2);  // 2-3 fills the gap between 0-1 and 4-5
    EXPECT_EQ(ranges.Ranges().size(), AddressRanges::kRangesKept - 1);
    EXPECT_EQ(ranges.Ranges().front().last, 5u);
    ranges.Add(4 * bound + 100, 1);  // apart again, and there is room for one
    EXPECT_EQ(ranges.Ranges().size(), AddressRanges::kRangesKept);
    EXPECT_EQ(ranges.NotKept(), 3u);
}

// What the device did with a write decides whether the plant takes its points; every point is
// listed all the same. A response without its request numbers its points instead.
TEST(PointStanding, TheAnswerDecidesWhatThePlantTakes) {
    const Bytes write = {0x06, 0x00, 0x05, 0x00, 0x2A};  // register 40006 := 42
    Derivation refused;
    PointValuesOf(Pair(write, {0x86, 0x02}), refused.points);
    ASSERT_EQ(refused.points.size(), 1u);
    EXPECT_EQ(refused.points[0].reference, 40006);
    EXPECT_EQ(refused.points[0].standing, PointStanding::Refused);
    EXPECT_TRUE(refused.PlantPoints().empty());

    Transaction lone;
    lone.request = Message(write);
    DecodeFrames(lone);
    Derivation unanswered;
    PointValuesOf(lone, unanswered.points);
    ASSERT_EQ(unanswered.PlantPoints().size(), 1u);  // it may have been written
    EXPECT_EQ(unanswered.points[0].standing, PointStanding::Unanswered);

    Derivation acknowledged;
    PointValuesOf(Pair(write, write), acknowledged.points);
    ASSERT_EQ(acknowledged.PlantPoints().size(), 1u);
    EXPECT_EQ(acknowledged.points[0].standing, PointStanding::Answered);

    Transaction unasked;
    unasked.response = Message({0x03, 0x04, 0x00, 0x07, 0x00, 0x08});
    DecodeFrames(unasked);
    Derivation read;
    PointValuesOf(unasked, read.points);
    ASSERT_EQ(read.points.size(), 2u);
    EXPECT_EQ(read.points[1].reference, 2);  // the second register, address unknown
    EXPECT_EQ(read.points[1].standing, PointStanding::Unaddressed);
    EXPECT_TRUE(read.PlantPoints().empty());
}
