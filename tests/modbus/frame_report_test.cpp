// The decoded frame as data: what renderers other than the report text rely on.

#include <gtest/gtest.h>

#include "modbus/frame_analysis.h"
#include "tests/support/frame_helpers.h"
#include "tests/support/pcap_builder.h"

namespace {

FrameReport Analyse(const Bytes& frame, const Bytes& poll = Bytes()) {
    const FrameValues frameValues = Values(frame);
    const FrameValues pollValues = Values(poll);
    return AnalyseFrameValues(FrameView(frameValues, static_cast<int>(frame.size())),
                              FrameView(pollValues, static_cast<int>(poll.size())));
}

}  // namespace

TEST(FrameReport, CoilResponseWithItsPollHasReferencesAndPaddingMarks) {
    // Read 10 coils from 00020: two status bytes, the last 6 bits padding.
    const FrameReport report = Analyse(WithRtuCrc({0x01, 0x01, 0x02, 0xCD, 0x01}),
                                       WithRtuCrc({0x01, 0x01, 0x00, 0x13, 0x00, 0x0A}));
    ASSERT_EQ(report.stage, FrameStage::Decoded);
    EXPECT_EQ(report.decision, DirectionDecision::Response);
    ASSERT_TRUE(report.response.has_value());
    const FrameFields& fields = *report.response;
    EXPECT_EQ(fields.layout, FrameLayout::StatusBits);
    EXPECT_TRUE(fields.rangeFromPoll);
    EXPECT_EQ(fields.reference, 20);
    EXPECT_EQ(fields.count, 10);
    ASSERT_EQ(fields.points.size(), 16u);
    // 0xCD = 1100 1101, lowest bit first.
    const int states[] = {1, 0, 1, 1, 0, 0, 1, 1, 1, 0};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(fields.points[i].reference, 20 + i);
        EXPECT_EQ(fields.points[i].value, states[i]) << i;
        EXPECT_FALSE(fields.points[i].padding) << i;
    }
    for (int i = 10; i < 16; ++i) {
        EXPECT_TRUE(fields.points[i].padding) << i;
    }
}

TEST(FrameReport, RegistersWithoutPollAreIndexedAndFindingsCarryTheirNumbers) {
    const FrameReport alone = Analyse(WithRtuCrc({0x01, 0x03, 0x04, 0x00, 0x2A, 0x01, 0x00}));
    ASSERT_TRUE(alone.response.has_value());
    EXPECT_FALSE(alone.response->addressesKnown);
    ASSERT_EQ(alone.response->points.size(), 2u);
    EXPECT_EQ(alone.response->points[1].reference, 2);  // an index, not a reference
    EXPECT_EQ(alone.response->points[1].value, 256);

    Bytes badCrc = WithRtuCrc({0xF8, 0x03, 0x00, 0x00, 0x00, 0x01});
    badCrc.back() ^= 0xFF;
    const FrameReport broken = Analyse(badCrc);
    ASSERT_EQ(broken.validation.findings.size(), 1u);
    EXPECT_EQ(FindingNumber(broken.validation.findings[0].code), 7);
    EXPECT_EQ(broken.validation.findings[0].value2, badCrc.back());

    const FrameReport exception = Analyse(WithRtuCrc({0xF8, 0x83, 0x02}));
    ASSERT_EQ(exception.validation.findings.size(), 2u);
    EXPECT_EQ(FindingNumber(exception.validation.findings[0].code), 2);  // address 248
    EXPECT_EQ(FindingNumber(exception.validation.findings[1].code), 0);  // the exception note
    ASSERT_TRUE(exception.response.has_value());
    EXPECT_EQ(exception.response->layout, FrameLayout::Exception);
    EXPECT_EQ(exception.response->function, 3);
    EXPECT_EQ(exception.response->exceptionCode, 2);
}
