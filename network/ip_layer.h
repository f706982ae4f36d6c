#pragma once
// IPv4 and IPv6 headers: addresses, the transport protocol, and where its header starts.

#include <cstddef>
#include <cstdint>

#include "common/byte_view.h"
#include "network/ip_address.h"

struct IpPacket {
    IpAddress source;
    IpAddress destination;
    uint8_t protocol = 0;           // the transport protocol (6 = TCP)
    size_t transportOffset = 0;     // in the record
    int64_t declaredTransport = 0;  // transport bytes as the IP header declares them
};

// False when there is no whole IPv4 header at `offset`, or the packet is a fragment other than
// the first (its bytes continue a transport payload, they do not start one).
bool DecodeIpv4(const ByteView& record, size_t offset, IpPacket& packet);

// The same for IPv6, stepping over hop-by-hop, routing, destination options and fragment
// headers.
bool DecodeIpv6(const ByteView& record, size_t offset, IpPacket& packet);
