#pragma once
// Crafts libpcap captures for the tests: global header, Ethernet/IPv4/TCP packets carrying
// Modbus/TCP messages, and raw records of any size.

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// The Modbus RTU CRC computed bit by bit (independent of the table-driven one under test),
// appended low byte first.
Bytes WithRtuCrc(Bytes frame);

// Modbus/TCP application data unit: MBAP header (Length = unit + PDU unless given) + unit + PDU.
Bytes ModbusTcpAdu(uint8_t unit, const Bytes& pdu, uint16_t transaction = 1, int lengthField = -1,
                   uint16_t protocol = 0);

struct PacketOptions {
    std::string source = "10.0.0.9";
    std::string destination = "10.0.0.5";
    uint16_t sourcePort = 40000;
    uint16_t destinationPort = 502;
    uint32_t sequence = 1;
    uint32_t acknowledgement = 1;
    int ipOptionBytes = 0;   // multiple of 4
    int tcpOptionBytes = 0;  // multiple of 4
    bool vlanTag = false;
    uint16_t etherType = 0x0800;
    uint8_t ipProtocol = 6;
    int totalLengthAdjust = 0;  // added to the IPv4 total length field
    int ethernetPadding = 0;    // trailing bytes after the IP datagram
};

// Ethernet II frame carrying IPv4 and TCP with `payload`.
Bytes TcpPacket(const Bytes& payload, const PacketOptions& options = PacketOptions());

class PcapBuilder {
public:
    PcapBuilder& Version(uint16_t major, uint16_t minor);
    PcapBuilder& LinkType(uint32_t linkType);
    PcapBuilder& BigEndian();
    // The nanosecond-timestamp magic a1b23c4d instead of a1b2c3d4.
    PcapBuilder& Nanoseconds();
    PcapBuilder& SnapLength(uint32_t snapLength);
    // The time stamp of the records added after this call.
    PcapBuilder& Timestamp(uint32_t seconds, uint32_t fraction);
    // A record whose captured length is the packet's size.
    PcapBuilder& Record(const Bytes& packet);
    // A record header claiming `declaredLength` bytes followed by only `packet`.
    PcapBuilder& TruncatedRecord(const Bytes& packet, uint32_t declaredLength);

    Bytes Build() const;
    void WriteTo(const std::string& path) const;

private:
    void Put16(Bytes& out, uint16_t value) const;
    void Put32(Bytes& out, uint32_t value) const;

    uint16_t major_ = 2;
    uint16_t minor_ = 4;
    uint32_t linkType_ = 1;
    bool bigEndian_ = false;
    bool nanoseconds_ = false;
    uint32_t snapLength_ = 65535;
    uint32_t seconds_ = 1700000000;
    uint32_t fraction_ = 0;
    Bytes records_;
};

void WriteFile(const std::string& path, const Bytes& bytes);
std::string ReadFileText(const std::string& path);
