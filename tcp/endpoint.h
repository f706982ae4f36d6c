#pragma once
// One end of a TCP connection: an address and a port. Client and server may share an address
// (127.0.0.1), so the port is always part of the identity.

#include <cstdint>
#include <string>
#include <tuple>

#include "network/ip_address.h"

struct Endpoint {
    IpAddress address;
    uint16_t port = 0;

    // "192.168.0.20:502", or "[fe80::1]:502" for IPv6.
    std::string ToString() const;

    friend bool operator==(const Endpoint& a, const Endpoint& b) {
        return a.address == b.address && a.port == b.port;
    }
    friend bool operator!=(const Endpoint& a, const Endpoint& b) { return !(a == b); }
    friend bool operator<(const Endpoint& a, const Endpoint& b) {
        return std::tie(a.address, a.port) < std::tie(b.address, b.port);
    }
};
