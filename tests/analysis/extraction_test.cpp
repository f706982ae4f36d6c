// Taking Modbus/TCP messages out of captured packets, and finding the server.

#include <gtest/gtest.h>

#include "analysis/modbus_extraction.h"
#include "capture/capture_source.h"
#include "common/logging.h"
#include "modbus/rtu_frame.h"
#include "network/segment_decoder.h"
#include "tests/support/pcap_builder.h"
#include "tests/support/test_environment.h"

namespace {

const Bytes kReadTenRegisters = {0x03, 0x00, 0x00, 0x00, 0x0A};

struct Extraction {
    ExtractResult result;
    int32_t number = 0;
    int32_t ignored = 0;
    CModbusMessage message;
    std::string FrameText() const { return FrameTextOf(ByteView(message.frame)); }
};

// The message of one Ethernet record, counted as the pass counts it.
Extraction Extract(const Bytes& packet, ExtractPass pass = ExtractPass::Second) {
    Extraction e{};
    CaptureRecord record;
    record.linkType = 1;  // Ethernet
    record.bytes = ByteView(packet);
    MessageExtraction extraction = ExtractFromRecord(record, pass);
    MessageCounts counts;
    counts.Count(pass, extraction);
    e.result = extraction.outcome;
    e.number = counts.messages;
    e.ignored = counts.ignored;
    e.message = extraction.message;
    return e;
}

}  // namespace

TEST(FrameText, HexTokensAndCrcInRtuOrder) {
    const uint8_t frame[] = {0x01, 0x03, 0x00, 0x00, 0x00, 0x0A};
    EXPECT_EQ(FrameTextOf(ByteView(RtuFrameOf(ByteView(frame, 6)))), "01 03 00 00 00 0A C5 CD ");
    EXPECT_EQ(FrameTextOf(ByteView(RtuFrameOf(ByteView(frame, 0)))), "FF FF ");
}

TEST(Extraction, AcceptsAModbusTcpMessage) {
    const Extraction e = Extract(TcpPacket(ModbusTcpAdu(1, kReadTenRegisters)));
    ASSERT_EQ(e.result, ExtractResult::Accepted);
    EXPECT_EQ(e.number, 1);
    EXPECT_EQ(e.message.number, 1u);
    EXPECT_EQ(e.FrameText(), "01 03 00 00 00 0A C5 CD ");
    EXPECT_EQ(e.message.source.address, IpAddress::V4(10, 0, 0, 9));
    EXPECT_EQ(e.message.destination.address, IpAddress::V4(10, 0, 0, 5));
}

TEST(Extraction, PacketsWithoutTcpPayloadAreNotCounted) {
    PacketOptions arp;
    arp.etherType = 0x0806;
    EXPECT_EQ(Extract(TcpPacket(ModbusTcpAdu(1, kReadTenRegisters), arp)).result,
              ExtractResult::NoPayload);
    PacketOptions udp;
    udp.ipProtocol = 17;
    EXPECT_EQ(Extract(TcpPacket(ModbusTcpAdu(1, kReadTenRegisters), udp)).result,
              ExtractResult::NoPayload);
    PacketOptions padded;
    padded.ethernetPadding = 6;  // a bare acknowledgement padded to the Ethernet minimum
    const Extraction ack = Extract(TcpPacket(Bytes(), padded));
    EXPECT_EQ(ack.result, ExtractResult::NoPayload);
    EXPECT_EQ(ack.number, 0);
    EXPECT_EQ(Extract(Bytes(20, 0)).result, ExtractResult::NoPayload);
    Bytes cut = TcpPacket(ModbusTcpAdu(1, kReadTenRegisters));
    cut.resize(40);  // the TCP header is cut off
    EXPECT_EQ(Extract(cut).result, ExtractResult::NoPayload);
}

TEST(Extraction, HeaderOptionsAndVlanTagsAreSkipped) {
    PacketOptions options;
    options.tcpOptionBytes = 12;  // timestamps
    options.ipOptionBytes = 4;
    options.vlanTag = true;
    const Extraction e = Extract(TcpPacket(ModbusTcpAdu(1, kReadTenRegisters), options));
    ASSERT_EQ(e.result, ExtractResult::Accepted);
    EXPECT_EQ(e.FrameText(), "01 03 00 00 00 0A C5 CD ");
}

TEST(Extraction, RejectionsAreCountedAndNumbered) {
    PacketOptions claimsMore;
    claimsMore.totalLengthAdjust = 10;  // the IPv4 header claims more than was captured
    const Extraction large = Extract(TcpPacket(ModbusTcpAdu(1, kReadTenRegisters), claimsMore));
    EXPECT_EQ(large.result, ExtractResult::Rejected);
    EXPECT_EQ(large.number, 1);
    EXPECT_EQ(large.ignored, 1);

    const Extraction shortPayload = Extract(TcpPacket(Bytes{0, 1, 0, 0, 0}));
    EXPECT_EQ(shortPayload.result, ExtractResult::Rejected);
    EXPECT_EQ(shortPayload.ignored, 1);

    const Extraction longLength = Extract(TcpPacket(ModbusTcpAdu(1, kReadTenRegisters, 1, 7)));
    EXPECT_EQ(longLength.result, ExtractResult::Rejected);

    const Extraction firstPass =
        Extract(TcpPacket(ModbusTcpAdu(1, kReadTenRegisters, 1, 7)), ExtractPass::First);
    EXPECT_EQ(firstPass.result, ExtractResult::Rejected);
    EXPECT_EQ(firstPass.number, 1);
    EXPECT_EQ(firstPass.ignored, 0);
}

TEST(Extraction, ZeroLengthAnyProtocolAndLargeMessages) {
    const Extraction zero = Extract(TcpPacket(Bytes{0, 1, 0, 0, 0, 0}));
    ASSERT_EQ(zero.result, ExtractResult::Accepted);
    EXPECT_EQ(zero.FrameText(), "FF FF ");

    EXPECT_EQ(Extract(TcpPacket(ModbusTcpAdu(1, kReadTenRegisters, 1, -1, 0x1234))).result,
              ExtractResult::Accepted);

    Bytes pdu = {0x03, 250};
    for (int i = 0; i < 250; ++i)
        pdu.push_back(static_cast<uint8_t>(i));
    const Extraction big = Extract(TcpPacket(ModbusTcpAdu(1, pdu)));
    ASSERT_EQ(big.result, ExtractResult::Accepted);
    EXPECT_EQ(big.FrameText().size(), (253u + 2u) * 3u);
    EXPECT_EQ(big.FrameText().substr(0, 12), "01 03 FA 00 ");
}

class ServerDiscoveryTest : public InTempDirectory {
protected:
    ServerDiscovery Discover(const PcapBuilder& builder) {
        builder.WriteTo("capture.pcap");
        CaptureOpenError error;
        const std::unique_ptr<CaptureSource> source = OpenCaptureSource("capture.pcap", error);
        EXPECT_TRUE(source);
        return FindServer(*source);
    }
};

TEST_F(ServerDiscoveryTest, FirstDecidableMessageFixesServerAndClient) {
    PacketOptions response;
    response.source = "10.0.0.5";
    response.destination = "10.0.0.9";
    PacketOptions ambiguous;
    ambiguous.source = "10.1.1.1";
    ambiguous.destination = "10.2.2.2";
    const ServerDiscovery found =
        Discover(PcapBuilder()
                     .Record(TcpPacket(ModbusTcpAdu(1, {0x06, 0, 1, 0, 3}), ambiguous))
                     .Record(TcpPacket(ModbusTcpAdu(1, {0x03, 2, 0, 42}), response))
                     .Record(TcpPacket(ModbusTcpAdu(1, kReadTenRegisters))));
    EXPECT_EQ(found.messageCount, 2);
    EXPECT_EQ(found.server, IpAddress::V4(10, 0, 0, 5));
    EXPECT_EQ(found.client, IpAddress::V4(10, 0, 0, 9));
}

TEST_F(ServerDiscoveryTest, ShortRecordsDoNotEndThePass) {
    Bytes arp(42, 0xAA);
    const ServerDiscovery found =
        Discover(PcapBuilder()
                     .Record(arp)
                     .Record(Bytes(2000, 0))
                     .Record(TcpPacket(ModbusTcpAdu(1, kReadTenRegisters))));
    EXPECT_EQ(found.messageCount, 1);
    EXPECT_EQ(found.server, IpAddress::V4(10, 0, 0, 5));
    EXPECT_TRUE(presenter_.boxes.empty());
}

TEST_F(ServerDiscoveryTest, NoDecidableMessage) {
    const ServerDiscovery found =
        Discover(PcapBuilder()
                     .Record(TcpPacket(ModbusTcpAdu(1, {0x06, 0, 1, 0, 3})))
                     .Record(TcpPacket(ModbusTcpAdu(1, {0x08, 0, 0, 0, 0}))));
    EXPECT_EQ(found.messageCount, 2);
    EXPECT_EQ(found.server, IpAddress());
    EXPECT_EQ(found.client, IpAddress());
}
