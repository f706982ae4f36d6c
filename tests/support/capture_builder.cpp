#include "tests/support/capture_builder.h"

void PcapngBuilder::Put16(Bytes& out, uint16_t value) const {
    const uint8_t high = static_cast<uint8_t>(value >> 8);
    const uint8_t low = static_cast<uint8_t>(value);
    out.push_back(bigEndian_ ? high : low);
    out.push_back(bigEndian_ ? low : high);
}

void PcapngBuilder::Put32(Bytes& out, uint32_t value) const {
    const uint16_t high = static_cast<uint16_t>(value >> 16);
    const uint16_t low = static_cast<uint16_t>(value);
    Put16(out, bigEndian_ ? high : low);
    Put16(out, bigEndian_ ? low : high);
}

PcapngBuilder& PcapngBuilder::Block(uint32_t type, const Bytes& body) {
    Bytes padded = body;
    padded.resize((body.size() + 3) / 4 * 4, 0);
    const uint32_t total = static_cast<uint32_t>(padded.size() + 12);
    Put32(out_, type);
    Put32(out_, total);
    out_.insert(out_.end(), padded.begin(), padded.end());
    Put32(out_, total);
    return *this;
}

PcapngBuilder& PcapngBuilder::Section(bool bigEndian) {
    bigEndian_ = bigEndian;
    Bytes body;
    Put32(body, 0x1A2B3C4D);
    Put16(body, 1);
    Put16(body, 0);
    Put32(body, 0xFFFFFFFF);  // section length not given
    Put32(body, 0xFFFFFFFF);
    return Block(0x0A0D0D0A, body);
}

PcapngBuilder& PcapngBuilder::Interface(uint16_t linkType, uint32_t snapLength, int tsresol) {
    Bytes body;
    Put16(body, linkType);
    Put16(body, 0);
    Put32(body, snapLength);
    if (tsresol >= 0) {
        Put16(body, 9);
        Put16(body, 1);
        body.insert(body.end(), {static_cast<uint8_t>(tsresol), 0, 0, 0});
        Put32(body, 0);  // end of options
    }
    return Block(1, body);
}

Bytes PcapngBuilder::PacketFields(uint64_t timestamp, uint32_t captured, uint32_t original) const {
    Bytes fields;
    Put32(fields, static_cast<uint32_t>(timestamp >> 32));
    Put32(fields, static_cast<uint32_t>(timestamp));
    Put32(fields, captured);
    Put32(fields, original);
    return fields;
}

PcapngBuilder& PcapngBuilder::Enhanced(uint32_t interfaceId, uint64_t timestamp,
                                       const Bytes& packet, uint32_t originalLength) {
    const uint32_t size = static_cast<uint32_t>(packet.size());
    Bytes body;
    Put32(body, interfaceId);
    const Bytes fields = PacketFields(timestamp, size, originalLength ? originalLength : size);
    body.insert(body.end(), fields.begin(), fields.end());
    body.insert(body.end(), packet.begin(), packet.end());
    return Block(6, body);
}

PcapngBuilder& PcapngBuilder::Simple(const Bytes& packet, uint32_t originalLength) {
    Bytes body;
    Put32(body, originalLength ? originalLength : static_cast<uint32_t>(packet.size()));
    body.insert(body.end(), packet.begin(), packet.end());
    return Block(3, body);
}

PcapngBuilder& PcapngBuilder::Obsolete(uint16_t interfaceId, uint64_t timestamp,
                                       const Bytes& packet) {
    const uint32_t size = static_cast<uint32_t>(packet.size());
    Bytes body;
    Put16(body, interfaceId);
    Put16(body, 0);  // drops count
    const Bytes fields = PacketFields(timestamp, size, size);
    body.insert(body.end(), fields.begin(), fields.end());
    body.insert(body.end(), packet.begin(), packet.end());
    return Block(2, body);
}

PcapngBuilder& PcapngBuilder::Raw(const Bytes& bytes) {
    out_.insert(out_.end(), bytes.begin(), bytes.end());
    return *this;
}
