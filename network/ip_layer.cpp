#include "network/ip_layer.h"

namespace {

constexpr size_t kIpv4MinimumHeader = 20;
constexpr uint16_t kIpv4FragmentOffsetMask = 0x1FFF;
constexpr size_t kIpv6Header = 40;

constexpr uint8_t kHopByHop = 0;
constexpr uint8_t kRouting = 43;
constexpr uint8_t kFragment = 44;
constexpr uint8_t kDestinationOptions = 60;
constexpr size_t kExtensionUnit = 8;  // extension header lengths count 8-byte units

}  // namespace

bool DecodeIpv4(const ByteView& record, size_t offset, IpPacket& packet) {
    const ByteView ip = record.Sub(offset);
    const size_t headerLength = (ip.At(0) & 0x0F) * 4u;
    if (!ip.Has(0, kIpv4MinimumHeader) || (ip.At(0) >> 4) != 4 ||
        headerLength < kIpv4MinimumHeader) {
        return false;
    }
    if ((ip.Be16(6) & kIpv4FragmentOffsetMask) != 0) {
        return false;
    }
    packet.protocol = ip.At(9);
    packet.source = IpAddress::V4(ip.data() + 12);
    packet.destination = IpAddress::V4(ip.data() + 16);
    packet.transportOffset = offset + headerLength;
    packet.declaredTransport =
        static_cast<int64_t>(ip.Be16(2)) - static_cast<int64_t>(headerLength);
    return true;
}

bool DecodeIpv6(const ByteView& record, size_t offset, IpPacket& packet) {
    const ByteView ip = record.Sub(offset);
    if (!ip.Has(0, kIpv6Header) || (ip.At(0) >> 4) != 6) {
        return false;
    }
    uint8_t next = ip.At(6);
    size_t at = kIpv6Header;
    for (;;) {
        if (next != kHopByHop && next != kRouting && next != kDestinationOptions &&
            next != kFragment) {
            break;
        }
        if (!ip.Has(at, kExtensionUnit)) {
            return false;
        }
        if (next == kFragment && (ip.Be16(at + 2) >> 3) != 0) {
            return false;  // not the first fragment
        }
        const size_t length =
            next == kFragment ? kExtensionUnit : (ip.At(at + 1) + 1u) * kExtensionUnit;
        next = ip.At(at);
        at += length;
    }
    packet.protocol = next;
    packet.source = IpAddress::V6(ip.data() + 8);
    packet.destination = IpAddress::V6(ip.data() + 24);
    packet.transportOffset = offset + at;
    packet.declaredTransport =
        static_cast<int64_t>(ip.Be16(4)) - static_cast<int64_t>(at - kIpv6Header);
    return true;
}
