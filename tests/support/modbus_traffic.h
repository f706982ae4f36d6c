#pragma once
// Crafts a capture of Modbus/TCP traffic: requests and responses on TCP connections whose
// sequence numbers follow the bytes sent, each record at its own time.

#include <string>

#include "tests/support/pcap_builder.h"

// One TCP connection from a client to a server on port 502, its sequence numbers kept.
struct TrafficConnection {
    std::string client;
    uint16_t port;
    std::string server = "10.0.0.5";
    uint32_t clientSequence = 1000;
    uint32_t serverSequence = 9000;
};

class ModbusTraffic {
public:
    static constexpr uint32_t kStart = 1700000000;  // 2023-11-14T22:13:20Z

    // `ms`: milliseconds after kStart.
    ModbusTraffic& Request(TrafficConnection& c, int64_t ms, const Bytes& adu) {
        return Add(c, ms, adu, true);
    }
    ModbusTraffic& Response(TrafficConnection& c, int64_t ms, const Bytes& adu) {
        return Add(c, ms, adu, false);
    }
    Bytes Build() const { return builder_.Build(); }

private:
    ModbusTraffic& Add(TrafficConnection& c, int64_t ms, const Bytes& adu, bool toServer);

    PcapBuilder builder_;
};
