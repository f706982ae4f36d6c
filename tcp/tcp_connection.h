#pragma once
// The state of one TCP connection: its two ends, and per direction the reassembly and framing
// of what that end sent.

#include <array>
#include <cstdint>

#include "tcp/endpoint.h"
#include "tcp/mbap_framer.h"
#include "tcp/stream_reassembler.h"

// Whether a connection carries Modbus/TCP.
enum class Recognition {
    Modbus,     // on a Modbus port, or its content proved it
    Candidate,  // content still being checked
    NotModbus,
};

struct StreamSide {
    explicit StreamSide(const ReassemblyLimits& limits) : reassembler(limits) {}

    StreamReassembler reassembler;
    MbapFramer framer;
    uint64_t messages = 0;
    bool sentData = false;
    bool finSeen = false;
    int64_t finPosition = 0;  // stream position of the FIN

    bool Finished() const { return finSeen && reassembler.NextPosition() >= finPosition; }
};

struct TcpConnection {
    TcpConnection(uint64_t connectionId, const Endpoint& first, const Endpoint& second,
                  const ReassemblyLimits& limits)
        : id(connectionId), ends{first, second}, sides{StreamSide(limits), StreamSide(limits)} {}

    uint64_t id;
    std::array<Endpoint, 2> ends;     // ends[0] sent the first segment seen
    std::array<StreamSide, 2> sides;  // sides[i]: the bytes ends[i] sent
    Recognition recognition = Recognition::Candidate;
    int serverEnd = -1;  // index into ends; -1 while unknown
    uint64_t payloadSegments = 0;
    uint64_t lastActivity = 0;  // the decoder's segment count when it last saw this one
    bool closed = false;

    int SideOf(const Endpoint& source) const { return source == ends[0] ? 0 : 1; }
};
