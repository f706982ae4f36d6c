#pragma once
// Crafts IPv4/IPv6 TCP packets and wraps them in the link layers a capture may have: Ethernet
// with stacked VLAN tags, Linux cooked (SLL, SLL2), BSD loopback, raw IP.

#include <array>
#include <cstdint>
#include <vector>

#include "tests/support/pcap_builder.h"

struct TcpSpec {
    uint16_t sourcePort = 40000;
    uint16_t destinationPort = 502;
    uint32_t sequence = 1000;
    uint32_t acknowledgement = 2000;
    uint8_t flags = 0x18;  // PSH ACK
    int optionBytes = 0;   // multiple of 4
    Bytes payload;
};

// TCP header and payload.
Bytes TcpBytes(const TcpSpec& tcp);

// IPv4 datagram (20-byte header) from 10.0.0.9 to 10.0.0.5; `lengthAdjust` is added to the
// total length field; `fragmentOffset` in 8-byte units.
Bytes Ipv4Datagram(const Bytes& transport, uint8_t protocol = 6, int lengthAdjust = 0,
                   uint16_t fragmentOffset = 0);

struct Ipv6Extension {
    uint8_t type;   // 0 hop-by-hop, 43 routing, 44 fragment, 60 destination options
    size_t length;  // bytes, a multiple of 8 (8 for a fragment header)
    uint16_t fragmentOffset = 0;
};

// IPv6 packet from 2001:db8::9 to 2001:db8::5 with the extension headers in order.
Bytes Ipv6Packet(const Bytes& transport, const std::vector<Ipv6Extension>& extensions = {},
                 uint8_t protocol = 6);

extern const std::array<uint8_t, 16> kIpv6Source;       // 2001:db8::9
extern const std::array<uint8_t, 16> kIpv6Destination;  // 2001:db8::5

constexpr uint16_t kEtherIpv4 = 0x0800;
constexpr uint16_t kEtherIpv6 = 0x86DD;

Bytes OverEthernet(const Bytes& ip, uint16_t etherType, const std::vector<uint16_t>& vlanTags = {});
Bytes OverSll(const Bytes& ip, uint16_t etherType);
Bytes OverSll2(const Bytes& ip, uint16_t etherType);
Bytes OverLoopback(const Bytes& ip, uint32_t family, bool bigEndian);
