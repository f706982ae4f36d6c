#include "network/link_layer.h"

#include "network/link_types.h"

namespace {

constexpr uint16_t kEtherTypeIpv4 = 0x0800;
constexpr uint16_t kEtherTypeIpv6 = 0x86DD;
constexpr uint16_t kVlanTagTypes[] = {0x8100, 0x88A8, 0x9100};  // 802.1Q, 802.1ad, old QinQ
constexpr size_t kVlanTag = 4;                                  // tag control, then next type

bool IsVlanTag(uint16_t etherType) {
    for (uint16_t tag : kVlanTagTypes) {
        if (etherType == tag) {
            return true;
        }
    }
    return false;
}

// `typeAt`: the EtherType field; any stacked VLAN tags follow it.
NetworkLayer ByEtherType(const ByteView& record, size_t typeAt) {
    uint16_t etherType = record.Be16(typeAt);
    size_t offset = typeAt + 2;
    while (IsVlanTag(etherType) && record.Has(offset, kVlanTag)) {
        etherType = record.Be16(offset + 2);
        offset += kVlanTag;
    }
    NetworkLayer layer;
    layer.offset = offset;
    if (etherType == kEtherTypeIpv4) {
        layer.protocol = NetworkProtocol::Ipv4;
    } else if (etherType == kEtherTypeIpv6) {
        layer.protocol = NetworkProtocol::Ipv6;
    }
    return layer;
}

NetworkLayer Ethernet(const ByteView& record) {
    return record.Has(0, 14) ? ByEtherType(record, 12) : NetworkLayer();
}

// Linux cooked capture v1: packet type, ARPHRD type, address length, 8 address bytes, protocol.
NetworkLayer LinuxSll(const ByteView& record) {
    return record.Has(0, 16) ? ByEtherType(record, 14) : NetworkLayer();
}

// Linux cooked capture v2: protocol first, then reserved, interface, ARPHRD, type, address.
NetworkLayer LinuxSll2(const ByteView& record) {
    if (!record.Has(0, 20)) {
        return NetworkLayer();
    }
    NetworkLayer layer = ByEtherType(ByteView(record.data(), 2), 0);
    layer.offset = 20;
    return layer;
}

// The IP version is in the first nibble of the packet.
NetworkLayer RawIp(const ByteView& record) {
    NetworkLayer layer;
    const int version = record.At(0) >> 4;
    if (!record.empty() && version == 4) {
        layer.protocol = NetworkProtocol::Ipv4;
    } else if (!record.empty() && version == 6) {
        layer.protocol = NetworkProtocol::Ipv6;
    }
    return layer;
}

NetworkLayer RawIpv4(const ByteView&) {
    return NetworkLayer{NetworkProtocol::Ipv4, 0};
}

NetworkLayer RawIpv6(const ByteView&) {
    return NetworkLayer{NetworkProtocol::Ipv6, 0};
}

// BSD loopback: a 4-byte address family in the writer's byte order (LOOP says big-endian, but
// both kinds of file are found with either). IPv6 has a different value on each BSD.
NetworkLayer BsdLoopback(const ByteView& record) {
    NetworkLayer layer;
    layer.offset = 4;
    if (!record.Has(0, 4)) {
        return layer;
    }
    uint32_t family = record.Le32(0);
    if (family > 0xFFFF) {
        family = record.Be32(0);
    }
    if (family == 2) {
        layer.protocol = NetworkProtocol::Ipv4;
    } else if (family == 24 || family == 28 || family == 30) {
        layer.protocol = NetworkProtocol::Ipv6;
    }
    return layer;
}

struct LinkDecoder {
    uint32_t linkType;
    NetworkLayer (*decode)(const ByteView& record);
};

constexpr LinkDecoder kDecoders[] = {
    {0, BsdLoopback},   {1, Ethernet},   {12, RawIp},    {14, RawIp},    {101, RawIp},
    {108, BsdLoopback}, {113, LinuxSll}, {228, RawIpv4}, {229, RawIpv6}, {276, LinuxSll2},
};

const LinkDecoder* DecoderFor(uint32_t linkType) {
    for (const LinkDecoder& decoder : kDecoders) {
        if (decoder.linkType == linkType) {
            return &decoder;
        }
    }
    return nullptr;
}

}  // namespace

bool IsSupportedLinkType(uint32_t linkType) {
    return DecoderFor(linkType) != nullptr;
}

bool FindNetworkLayer(uint32_t linkType, const ByteView& record, NetworkLayer& layer) {
    const LinkDecoder* decoder = DecoderFor(linkType);
    if (decoder == nullptr) {
        return false;
    }
    layer = decoder->decode(record);
    return true;
}
