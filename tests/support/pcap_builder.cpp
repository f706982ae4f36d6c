#include "tests/support/pcap_builder.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace {

void PutBe16(Bytes& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value & 0xFF));
}

Bytes ParseAddress(const std::string& text) {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (std::sscanf(text.c_str(), "%u.%u.%u.%u", &a, &b, &c, &d) != 4) {
        throw std::invalid_argument("bad IPv4 address " + text);
    }
    return {static_cast<uint8_t>(a), static_cast<uint8_t>(b), static_cast<uint8_t>(c),
            static_cast<uint8_t>(d)};
}

}  // namespace

Bytes WithRtuCrc(Bytes frame) {
    uint16_t crc = 0xFFFF;
    for (uint8_t byte : frame) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001)
                            : static_cast<uint16_t>(crc >> 1);
        }
    }
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
    return frame;
}

Bytes ModbusTcpAdu(uint8_t unit, const Bytes& pdu, uint16_t transaction, int lengthField,
                   uint16_t protocol) {
    Bytes adu;
    PutBe16(adu, transaction);
    PutBe16(adu, protocol);
    PutBe16(adu, static_cast<uint16_t>(lengthField >= 0 ? lengthField
                                                        : static_cast<int>(pdu.size()) + 1));
    adu.push_back(unit);
    adu.insert(adu.end(), pdu.begin(), pdu.end());
    return adu;
}

Bytes TcpPacket(const Bytes& payload, const PacketOptions& o) {
    Bytes packet = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x00, 0x66, 0x77, 0x88, 0x99, 0xAA};
    if (o.vlanTag) {
        PutBe16(packet, 0x8100);
        PutBe16(packet, 0x0005);
    }
    PutBe16(packet, o.etherType);

    const int ipHeader = 20 + o.ipOptionBytes;
    const int tcpHeader = 20 + o.tcpOptionBytes;
    packet.push_back(static_cast<uint8_t>(0x40 | (ipHeader / 4)));
    packet.push_back(0);
    PutBe16(packet, static_cast<uint16_t>(ipHeader + tcpHeader + static_cast<int>(payload.size()) +
                                          o.totalLengthAdjust));
    PutBe16(packet, 0x1234);  // identification
    PutBe16(packet, 0x4000);  // don't fragment
    packet.push_back(64);
    packet.push_back(o.ipProtocol);
    PutBe16(packet, 0);  // checksum: not examined
    const Bytes source = ParseAddress(o.source);
    const Bytes destination = ParseAddress(o.destination);
    packet.insert(packet.end(), source.begin(), source.end());
    packet.insert(packet.end(), destination.begin(), destination.end());
    packet.insert(packet.end(), static_cast<size_t>(o.ipOptionBytes), 0x01);  // NOP options

    PutBe16(packet, o.sourcePort);
    PutBe16(packet, o.destinationPort);
    PutBe16(packet, static_cast<uint16_t>(o.sequence >> 16));
    PutBe16(packet, static_cast<uint16_t>(o.sequence));
    PutBe16(packet, static_cast<uint16_t>(o.acknowledgement >> 16));
    PutBe16(packet, static_cast<uint16_t>(o.acknowledgement));
    packet.push_back(static_cast<uint8_t>((tcpHeader / 4) << 4));
    packet.push_back(0x18);  // PSH ACK
    PutBe16(packet, 0xFFFF);
    PutBe16(packet, 0);
    PutBe16(packet, 0);
    packet.insert(packet.end(), static_cast<size_t>(o.tcpOptionBytes), 0x01);

    packet.insert(packet.end(), payload.begin(), payload.end());
    packet.insert(packet.end(), static_cast<size_t>(o.ethernetPadding), 0x00);
    return packet;
}

PcapBuilder& PcapBuilder::Version(uint16_t major, uint16_t minor) {
    major_ = major;
    minor_ = minor;
    return *this;
}

PcapBuilder& PcapBuilder::LinkType(uint32_t linkType) {
    linkType_ = linkType;
    return *this;
}

PcapBuilder& PcapBuilder::BigEndian() {
    bigEndian_ = true;
    return *this;
}

PcapBuilder& PcapBuilder::Nanoseconds() {
    nanoseconds_ = true;
    return *this;
}

PcapBuilder& PcapBuilder::SnapLength(uint32_t snapLength) {
    snapLength_ = snapLength;
    return *this;
}

PcapBuilder& PcapBuilder::Timestamp(uint32_t seconds, uint32_t fraction) {
    seconds_ = seconds;
    fraction_ = fraction;
    return *this;
}

PcapBuilder& PcapBuilder::Record(const Bytes& packet) {
    return TruncatedRecord(packet, static_cast<uint32_t>(packet.size()));
}

PcapBuilder& PcapBuilder::TruncatedRecord(const Bytes& packet, uint32_t declaredLength) {
    Put32(records_, seconds_);
    Put32(records_, fraction_);
    Put32(records_, declaredLength);
    Put32(records_, declaredLength);
    records_.insert(records_.end(), packet.begin(), packet.end());
    return *this;
}

Bytes PcapBuilder::Build() const {
    Bytes out;
    Put32(out, nanoseconds_ ? 0xA1B23C4D : 0xA1B2C3D4);
    Put16(out, major_);
    Put16(out, minor_);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, snapLength_);
    Put32(out, linkType_);
    out.insert(out.end(), records_.begin(), records_.end());
    return out;
}

void PcapBuilder::WriteTo(const std::string& path) const {
    WriteFile(path, Build());
}

void PcapBuilder::Put16(Bytes& out, uint16_t value) const {
    if (bigEndian_) {
        PutBe16(out, value);
    } else {
        out.push_back(static_cast<uint8_t>(value & 0xFF));
        out.push_back(static_cast<uint8_t>(value >> 8));
    }
}

void PcapBuilder::Put32(Bytes& out, uint32_t value) const {
    if (bigEndian_) {
        Put16(out, static_cast<uint16_t>(value >> 16));
        Put16(out, static_cast<uint16_t>(value & 0xFFFF));
    } else {
        Put16(out, static_cast<uint16_t>(value & 0xFFFF));
        Put16(out, static_cast<uint16_t>(value >> 16));
    }
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    if (!file) {
        throw std::runtime_error("cannot write " + path);
    }
}

std::string ReadFileText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}
