#pragma once
// One TCP segment as the link and network decoders find it in a captured record.

#include <cstddef>
#include <cstdint>

#include "common/byte_view.h"
#include "network/ip_address.h"

namespace tcp_flags {
constexpr uint8_t kFin = 0x01;
constexpr uint8_t kSyn = 0x02;
constexpr uint8_t kRst = 0x04;
constexpr uint8_t kPsh = 0x08;
constexpr uint8_t kAck = 0x10;
}  // namespace tcp_flags

struct TcpSegment {
    IpAddress source;
    IpAddress destination;
    uint16_t sourcePort = 0;
    uint16_t destinationPort = 0;
    uint32_t sequence = 0;
    uint32_t acknowledgement = 0;
    uint8_t flags = 0;
    // Where the IP header starts in the record: size thresholds are measured from here, so the
    // same packet counts alike behind any link layer.
    size_t ipOffset = 0;
    // Where the TCP payload starts in the record.
    size_t payloadOffset = 0;
    // Payload length as the IP header declares it (IPv4 total length or IPv6 payload length,
    // less the headers); it may claim more than was captured, or be negative on a broken header.
    int64_t declaredPayloadLength = 0;
    // The captured payload: at most declaredPayloadLength bytes from payloadOffset.
    ByteView payload;
};
