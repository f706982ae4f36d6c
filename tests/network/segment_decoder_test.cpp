// From records behind each link layer to TCP segments: offsets, declared lengths, and what is
// passed over.

#include "network/segment_decoder.h"

#include <gtest/gtest.h>

#include "network/link_types.h"
#include "tests/support/packet_builder.h"

namespace {

const Bytes kAdu = ModbusTcpAdu(1, {0x03, 0x00, 0x00, 0x00, 0x01});

TcpSpec Modbus() {
    TcpSpec tcp;
    tcp.payload = kAdu;
    return tcp;
}

LinkDecodeResult Decode(uint32_t linkType, const Bytes& record, TcpSegment& segment) {
    return DecodeTcpSegment(linkType, ByteView(record), segment);
}

}  // namespace

TEST(SegmentDecoder, EthernetIpv4OffsetsAndLengths) {
    // The same layout the Ethernet/IPv4 locator has always used: IP after 14 (or 18 with one
    // VLAN tag) bytes, payload after both headers with their options, length from the IPv4
    // total length.
    PacketOptions options;
    options.ipOptionBytes = 8;
    options.tcpOptionBytes = 12;
    options.ethernetPadding = 6;
    for (bool vlan : {false, true}) {
        options.vlanTag = vlan;
        const Bytes record = TcpPacket(kAdu, options);
        TcpSegment segment;
        ASSERT_EQ(Decode(1, record, segment), LinkDecodeResult::Segment);
        const size_t ip = vlan ? 18 : 14;
        EXPECT_EQ(segment.ipOffset, ip);
        EXPECT_EQ(segment.payloadOffset, ip + 28 + 32);
        EXPECT_EQ(segment.declaredPayloadLength, static_cast<int64_t>(kAdu.size()));
        EXPECT_EQ(segment.payload.ToVector(), kAdu);  // the Ethernet padding is not payload
        EXPECT_EQ(segment.source, IpAddress::V4(10, 0, 0, 9));
        EXPECT_EQ(segment.destination, IpAddress::V4(10, 0, 0, 5));
        EXPECT_EQ(segment.sourcePort, 40000);
        EXPECT_EQ(segment.destinationPort, 502);
        EXPECT_EQ(segment.sequence, 1u);
        EXPECT_EQ(segment.acknowledgement, 1u);
        EXPECT_EQ(segment.flags, tcp_flags::kPsh | tcp_flags::kAck);
    }
}

TEST(SegmentDecoder, DeclaredLengthMayDisagreeWithWhatWasCaptured) {
    PacketOptions longer;
    longer.totalLengthAdjust = 100;
    TcpSegment segment;
    const Bytes record = TcpPacket(kAdu, longer);
    ASSERT_EQ(Decode(1, record, segment), LinkDecodeResult::Segment);
    EXPECT_EQ(segment.declaredPayloadLength, static_cast<int64_t>(kAdu.size()) + 100);
    EXPECT_EQ(segment.payload.size(), kAdu.size());  // only what was captured

    PacketOptions broken;
    broken.totalLengthAdjust = -45;  // total length 7: less than its own headers
    ASSERT_EQ(Decode(1, TcpPacket(kAdu, broken), segment), LinkDecodeResult::Segment);
    EXPECT_EQ(segment.declaredPayloadLength, static_cast<int64_t>(kAdu.size()) - 45);
}

TEST(SegmentDecoder, StackOfThreeVlanTags) {
    const Bytes record =
        OverEthernet(Ipv4Datagram(TcpBytes(Modbus())), kEtherIpv4, {0x88A8, 0x8100, 0x9100});
    TcpSegment segment;
    ASSERT_EQ(Decode(1, record, segment), LinkDecodeResult::Segment);
    EXPECT_EQ(segment.ipOffset, 14u + 12u);
    EXPECT_EQ(segment.payloadOffset, 26u + 40u);
    EXPECT_EQ(segment.payload.ToVector(), kAdu);
}

TEST(SegmentDecoder, Ipv6BehindExtensionHeaders) {
    TcpSpec tcp = Modbus();
    tcp.optionBytes = 4;
    const Bytes packet = Ipv6Packet(TcpBytes(tcp), {{0, 8}, {43, 24}, {60, 16}});
    const Bytes record = OverEthernet(packet, kEtherIpv6);
    TcpSegment segment;
    ASSERT_EQ(Decode(1, record, segment), LinkDecodeResult::Segment);
    EXPECT_EQ(segment.ipOffset, 14u);
    EXPECT_EQ(segment.payloadOffset, 14u + 40u + 48u + 24u);
    EXPECT_EQ(segment.declaredPayloadLength, static_cast<int64_t>(kAdu.size()));
    EXPECT_EQ(segment.payload.ToVector(), kAdu);
    EXPECT_EQ(segment.source.ToString(), "2001:db8::9");
    EXPECT_EQ(segment.destination.ToString(), "2001:db8::5");

    // A first fragment goes on; a later one carries no segment start.
    ASSERT_EQ(Decode(229, Ipv6Packet(TcpBytes(tcp), {{44, 8, 0}}), segment),
              LinkDecodeResult::Segment);
    EXPECT_EQ(segment.payloadOffset, 40u + 8u + 24u);
    EXPECT_EQ(Decode(229, Ipv6Packet(TcpBytes(tcp), {{44, 8, 185}}), segment),
              LinkDecodeResult::NotTcp);
    // The extension chain must be captured whole.
    Bytes cut = Ipv6Packet(TcpBytes(tcp), {{43, 24}});
    cut.resize(40 + 20);
    EXPECT_EQ(Decode(229, cut, segment), LinkDecodeResult::NotTcp);
}

TEST(SegmentDecoder, EveryLinkLayerFindsTheSamePacket) {
    const Bytes v4 = Ipv4Datagram(TcpBytes(Modbus()));
    const Bytes v6 = Ipv6Packet(TcpBytes(Modbus()));
    struct Case {
        uint32_t linkType;
        Bytes record;
        size_t ipOffset;
    };
    const Case cases[] = {
        {1, OverEthernet(v6, kEtherIpv6), 14},
        {113, OverSll(v4, kEtherIpv4), 16},
        {113, OverSll(v6, kEtherIpv6), 16},
        {276, OverSll2(v4, kEtherIpv4), 20},
        {276, OverSll2(v6, kEtherIpv6), 20},
        {101, v4, 0},
        {101, v6, 0},
        {12, v4, 0},
        {14, v6, 0},
        {228, v4, 0},
        {229, v6, 0},
        {0, OverLoopback(v4, 2, false), 4},
        {0, OverLoopback(v4, 2, true), 4},
        {108, OverLoopback(v4, 2, true), 4},
        {108, OverLoopback(v4, 2, false), 4},
        {0, OverLoopback(v6, 24, false), 4},
        {0, OverLoopback(v6, 28, true), 4},
        {108, OverLoopback(v6, 30, true), 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.linkType) + " at " + std::to_string(c.ipOffset));
        EXPECT_TRUE(IsSupportedLinkType(c.linkType));
        TcpSegment segment;
        ASSERT_EQ(Decode(c.linkType, c.record, segment), LinkDecodeResult::Segment);
        EXPECT_EQ(segment.ipOffset, c.ipOffset);
        EXPECT_EQ(segment.sourcePort, 40000);
        EXPECT_EQ(segment.sequence, 1000u);
        EXPECT_EQ(segment.acknowledgement, 2000u);
        EXPECT_EQ(segment.payload.ToVector(), kAdu);
        EXPECT_EQ(segment.declaredPayloadLength, static_cast<int64_t>(kAdu.size()));
    }
}

TEST(SegmentDecoder, PassesOverWhatIsNotATcpSegment) {
    const Bytes tcp = TcpBytes(Modbus());
    Bytes badOffset = tcp;
    badOffset[12] = 0x40;  // data offset 4: shorter than the fixed header
    Bytes shortHeader = Ipv4Datagram(tcp);
    shortHeader.resize(20 + 19);
    Bytes ipv4Header5 = Ipv4Datagram(tcp);
    ipv4Header5[0] = 0x44;  // IHL 4
    struct Case {
        const char* what;
        uint32_t linkType;
        Bytes record;
    };
    const Case cases[] = {
        {"UDP", 1, OverEthernet(Ipv4Datagram(tcp, 17), kEtherIpv4)},
        {"ARP", 1, OverEthernet(Ipv4Datagram(tcp), 0x0806)},
        {"later fragment", 1, OverEthernet(Ipv4Datagram(tcp, 6, 0, 0x2000 | 185), kEtherIpv4)},
        {"TCP offset 4", 1, OverEthernet(Ipv4Datagram(badOffset), kEtherIpv4)},
        {"TCP header cut", 1, OverEthernet(shortHeader, kEtherIpv4)},
        {"IHL 4", 1, OverEthernet(ipv4Header5, kEtherIpv4)},
        {"IPv6 UDP", 1, OverEthernet(Ipv6Packet(tcp, {}, 17), kEtherIpv6)},
        {"IPv4 called IPv6", 1, OverEthernet(Ipv4Datagram(tcp), kEtherIpv6)},
        {"IPv6 on raw IPv4", 228, Ipv6Packet(tcp)},
        {"raw version 5", 101, Bytes{0x50, 1, 2, 3}},
        {"unknown family", 0, OverLoopback(Ipv4Datagram(tcp), 23, false)},
        {"runt", 1, Bytes{0x00, 0x11}},
        {"empty", 276, Bytes{}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TcpSegment segment;
        EXPECT_EQ(Decode(c.linkType, c.record, segment), LinkDecodeResult::NotTcp);
    }
}

TEST(SegmentDecoder, UnsupportedLinkTypesAreNamed) {
    TcpSegment segment;
    EXPECT_EQ(Decode(147, TcpPacket(kAdu), segment), LinkDecodeResult::UnsupportedLink);
    EXPECT_FALSE(IsSupportedLinkType(105));
    EXPECT_EQ(DescribeLinkType(147), "link type 147 (USER0)");
    EXPECT_EQ(DescribeLinkType(162), "link type 162 (USER15)");
    EXPECT_EQ(DescribeLinkType(127), "link type 127 (IEEE802_11_RADIOTAP)");
    EXPECT_EQ(LinkTypeName(276), "LINUX_SLL2");
    EXPECT_EQ(LinkTypeName(4000), "unknown");
}

// Every cut of a valid record, behind every link layer, is decoded or passed over; whatever is
// reported lies inside the record (the sanitizer build checks the reads).
TEST(SegmentDecoder, TruncatedRecordsStayInsideTheirBytes) {
    const Bytes v4 = Ipv4Datagram(TcpBytes(Modbus()));
    const Bytes v6 = Ipv6Packet(TcpBytes(Modbus()), {{0, 8}, {43, 16}});
    const std::pair<uint32_t, Bytes> records[] = {
        {1, OverEthernet(v4, kEtherIpv4, {0x8100, 0x8100})},
        {1, OverEthernet(v6, kEtherIpv6)},
        {113, OverSll(v4, kEtherIpv4)},
        {276, OverSll2(v6, kEtherIpv6)},
        {0, OverLoopback(v6, 30, false)},
    };
    for (const auto& entry : records) {
        for (size_t size = 0; size <= entry.second.size(); ++size) {
            const Bytes cut(entry.second.begin(), entry.second.begin() + size);
            TcpSegment segment;
            if (Decode(entry.first, cut, segment) == LinkDecodeResult::Segment) {
                EXPECT_LE(segment.payloadOffset, size);
                EXPECT_LE(segment.payload.size(), size - segment.payloadOffset);
            }
        }
    }
}
