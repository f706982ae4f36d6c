#pragma once
// Crafted Modbus/TCP traffic to one gateway, 10.0.0.5:502, from clients on their own
// connections, each connection's TCP sequence numbers kept.

#include <cstdint>
#include <string>

#include "tests/support/pcap_builder.h"

constexpr uint32_t kPlantStart = 1700000000;  // 2023-11-14T22:13:20Z

struct Connection {
    std::string client;
    uint16_t port;
    uint32_t clientSequence = 1000;
    uint32_t serverSequence = 9000;
};

class Traffic {
public:
    // `ms`: milliseconds after kPlantStart.
    Traffic& Request(Connection& c, int ms, const Bytes& adu) { return Add(c, ms, adu, true); }
    Traffic& Response(Connection& c, int ms, const Bytes& adu) { return Add(c, ms, adu, false); }
    Bytes Build() const { return builder_.Build(); }

private:
    Traffic& Add(Connection& c, int ms, const Bytes& adu, bool toServer) {
        PacketOptions o;
        o.source = toServer ? c.client : "10.0.0.5";
        o.destination = toServer ? "10.0.0.5" : c.client;
        o.sourcePort = toServer ? c.port : 502;
        o.destinationPort = toServer ? 502 : c.port;
        uint32_t& own = toServer ? c.clientSequence : c.serverSequence;
        o.sequence = own;
        o.acknowledgement = toServer ? c.serverSequence : c.clientSequence;
        own += static_cast<uint32_t>(adu.size());
        builder_.Timestamp(kPlantStart + ms / 1000, static_cast<uint32_t>(ms % 1000) * 1000)
            .Record(TcpPacket(adu, o));
        return *this;
    }
    PcapBuilder builder_;
};
