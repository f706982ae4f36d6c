#include "network/segment_decoder.h"

#include "network/ip_layer.h"
#include "network/link_layer.h"

namespace {

constexpr uint8_t kProtocolTcp = 6;
constexpr size_t kTcpMinimumHeader = 20;

// False when the TCP header is not whole in the record.
bool DecodeTcpHeader(const ByteView& record, const IpPacket& ip, TcpSegment& out) {
    const ByteView tcp = record.Sub(ip.transportOffset);
    const size_t headerLength = (tcp.At(12) >> 4) * 4u;
    if (!tcp.Has(0, kTcpMinimumHeader) || headerLength < kTcpMinimumHeader ||
        !tcp.Has(0, headerLength)) {
        return false;
    }
    out.source = ip.source;
    out.destination = ip.destination;
    out.sourcePort = tcp.Be16(0);
    out.destinationPort = tcp.Be16(2);
    out.sequence = tcp.Be32(4);
    out.acknowledgement = tcp.Be32(8);
    out.flags = tcp.At(13);
    out.payloadOffset = ip.transportOffset + headerLength;
    out.declaredPayloadLength = ip.declaredTransport - static_cast<int64_t>(headerLength);
    // A negative declared length is a broken header: nothing is clipped, the reader decides.
    out.payload =
        out.declaredPayloadLength >= 0
            ? record.Sub(out.payloadOffset, static_cast<size_t>(out.declaredPayloadLength))
            : record.Sub(out.payloadOffset);
    return true;
}

}  // namespace

LinkDecodeResult DecodeTcpSegment(uint32_t linkType, ByteView record, TcpSegment& out) {
    NetworkLayer network;
    if (!FindNetworkLayer(linkType, record, network)) {
        return LinkDecodeResult::UnsupportedLink;
    }
    IpPacket ip;
    bool found = false;
    if (network.protocol == NetworkProtocol::Ipv4) {
        found = DecodeIpv4(record, network.offset, ip);
    } else if (network.protocol == NetworkProtocol::Ipv6) {
        found = DecodeIpv6(record, network.offset, ip);
    }
    if (!found || ip.protocol != kProtocolTcp) {
        return LinkDecodeResult::NotTcp;
    }
    TcpSegment segment;
    segment.ipOffset = network.offset;
    if (!DecodeTcpHeader(record, ip, segment)) {
        return LinkDecodeResult::NotTcp;
    }
    out = segment;
    return LinkDecodeResult::Segment;
}
