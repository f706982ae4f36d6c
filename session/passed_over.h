#pragma once
// The connections on a Modbus port that were judged to carry no Modbus/TCP: all counted, the
// first ones named with their ends, their bytes and why, for the log, the summary and the page.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tcp/endpoint.h"

struct PassedOverConnection {
    // The server is the end taken for it as on a Modbus connection (the end on the Modbus port,
    // else the end that accepted the connection, else what the frames said), failing that the
    // end seen second; the client the other end.
    Endpoint client;
    Endpoint server;
    uint64_t clientBytes = 0;  // TCP payload each end sent, retransmissions included
    uint64_t serverBytes = 0;
    std::string reason;
};

struct PassedOverConnections {
    static constexpr size_t kNamed = 32;
    uint64_t count = 0;
    std::vector<PassedOverConnection> named;  // the first kNamed, in the order they ended
};
