#include "tests/support/packet_builder.h"

namespace {

void Be16(Bytes& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

void Be32(Bytes& out, uint32_t value) {
    Be16(out, static_cast<uint16_t>(value >> 16));
    Be16(out, static_cast<uint16_t>(value));
}

Bytes Joined(Bytes head, const Bytes& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

}  // namespace

const std::array<uint8_t, 16> kIpv6Source = {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0,
                                             0,    0,    0,    0,    0, 0, 0, 9};
const std::array<uint8_t, 16> kIpv6Destination = {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0,
                                                  0,    0,    0,    0,    0, 0, 0, 5};

Bytes TcpBytes(const TcpSpec& tcp) {
    Bytes out;
    Be16(out, tcp.sourcePort);
    Be16(out, tcp.destinationPort);
    Be32(out, tcp.sequence);
    Be32(out, tcp.acknowledgement);
    out.push_back(static_cast<uint8_t>(((20 + tcp.optionBytes) / 4) << 4));
    out.push_back(tcp.flags);
    Be16(out, 0xFFFF);                                                  // window
    Be32(out, 0);                                                       // checksum, urgent pointer
    out.insert(out.end(), static_cast<size_t>(tcp.optionBytes), 0x01);  // NOP options
    return Joined(out, tcp.payload);
}

Bytes Ipv4Datagram(const Bytes& transport, uint8_t protocol, int lengthAdjust,
                   uint16_t fragmentOffset) {
    Bytes out = {0x45, 0};
    Be16(out, static_cast<uint16_t>(20 + static_cast<int>(transport.size()) + lengthAdjust));
    Be16(out, 0x1234);          // identification
    Be16(out, fragmentOffset);  // flags clear
    out.push_back(64);
    out.push_back(protocol);
    Be16(out, 0);  // checksum: not examined
    out.insert(out.end(), {10, 0, 0, 9, 10, 0, 0, 5});
    return Joined(out, transport);
}

Bytes Ipv6Packet(const Bytes& transport, const std::vector<Ipv6Extension>& extensions,
                 uint8_t protocol) {
    Bytes chain;
    for (size_t i = 0; i < extensions.size(); ++i) {
        const Ipv6Extension& e = extensions[i];
        const uint8_t next = i + 1 < extensions.size() ? extensions[i + 1].type : protocol;
        Bytes header(e.length, 0);
        header[0] = next;
        if (e.type == 44) {
            header[2] = static_cast<uint8_t>(e.fragmentOffset >> 5);
            header[3] = static_cast<uint8_t>(e.fragmentOffset << 3);
        } else {
            header[1] = static_cast<uint8_t>(e.length / 8 - 1);
        }
        chain = Joined(chain, header);
    }
    Bytes out = {0x60, 0, 0, 0};
    Be16(out, static_cast<uint16_t>(chain.size() + transport.size()));
    out.push_back(extensions.empty() ? protocol : extensions.front().type);
    out.push_back(64);  // hop limit
    out.insert(out.end(), kIpv6Source.begin(), kIpv6Source.end());
    out.insert(out.end(), kIpv6Destination.begin(), kIpv6Destination.end());
    return Joined(Joined(out, chain), transport);
}

Bytes OverEthernet(const Bytes& ip, uint16_t etherType, const std::vector<uint16_t>& vlanTags) {
    Bytes out = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x00, 0x66, 0x77, 0x88, 0x99, 0xAA};
    for (size_t i = 0; i < vlanTags.size(); ++i) {
        Be16(out, vlanTags[i]);
        Be16(out, static_cast<uint16_t>(100 + i));  // tag control: VLAN id
    }
    Be16(out, etherType);
    return Joined(out, ip);
}

Bytes OverSll(const Bytes& ip, uint16_t etherType) {
    Bytes out;
    Be16(out, 0);  // packet type: to us
    Be16(out, 1);  // ARPHRD_ETHER
    Be16(out, 6);  // address length
    out.insert(out.end(), {0x00, 0x66, 0x77, 0x88, 0x99, 0xAA, 0, 0});
    Be16(out, etherType);
    return Joined(out, ip);
}

Bytes OverSll2(const Bytes& ip, uint16_t etherType) {
    Bytes out;
    Be16(out, etherType);
    Be16(out, 0);      // reserved
    Be32(out, 3);      // interface index
    Be16(out, 1);      // ARPHRD_ETHER
    out.push_back(4);  // packet type: outgoing
    out.push_back(6);  // address length
    out.insert(out.end(), {0x00, 0x66, 0x77, 0x88, 0x99, 0xAA, 0, 0});
    return Joined(out, ip);
}

Bytes OverLoopback(const Bytes& ip, uint32_t family, bool bigEndian) {
    Bytes out;
    for (int i = 0; i < 4; ++i) {
        const int shift = bigEndian ? 24 - 8 * i : 8 * i;
        out.push_back(static_cast<uint8_t>(family >> shift));
    }
    return Joined(out, ip);
}
