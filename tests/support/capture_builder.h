#pragma once
// Crafts pcapng captures for the tests: sections in either byte order, interfaces with their
// options, Enhanced / Simple / obsolete Packet Blocks, and any other block.

#include <cstdint>

#include "tests/support/pcap_builder.h"

class PcapngBuilder {
public:
    // A Section Header Block (version 1.0); later blocks are written in its byte order.
    PcapngBuilder& Section(bool bigEndian = false);
    // An Interface Description Block; `tsresol` < 0 leaves the option out.
    PcapngBuilder& Interface(uint16_t linkType, uint32_t snapLength = 0, int tsresol = -1);
    // `originalLength` 0: the packet's size.
    PcapngBuilder& Enhanced(uint32_t interfaceId, uint64_t timestamp, const Bytes& packet,
                            uint32_t originalLength = 0);
    PcapngBuilder& Simple(const Bytes& packet, uint32_t originalLength = 0);
    PcapngBuilder& Obsolete(uint16_t interfaceId, uint64_t timestamp, const Bytes& packet);
    // Any block: type, then `body` padded to 4 bytes between the two length fields.
    PcapngBuilder& Block(uint32_t type, const Bytes& body);
    PcapngBuilder& Raw(const Bytes& bytes);

    Bytes Build() const { return out_; }
    size_t Size() const { return out_.size(); }

private:
    void Put16(Bytes& out, uint16_t value) const;
    void Put32(Bytes& out, uint32_t value) const;
    Bytes PacketFields(uint64_t timestamp, uint32_t captured, uint32_t original) const;

    bool bigEndian_ = false;
    Bytes out_;
};

constexpr uint32_t kNameResolutionBlock = 4;
constexpr uint32_t kInterfaceStatisticsBlock = 5;
constexpr uint32_t kDecryptionSecretsBlock = 10;
