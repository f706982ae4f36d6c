#pragma once
// The state of one TCP connection as the follower keeps it: its two ends and, per direction, the
// reassembly of what that end sent and whether it has finished. A protocol layer above hangs its
// own state on `context`.

#include <array>
#include <cstdint>
#include <memory>

#include "tcp/endpoint.h"
#include "tcp/stream_reassembler.h"

// What a protocol layer keeps per connection; owned by the connection, freed with it.
struct TcpConnectionContext {
    virtual ~TcpConnectionContext() = default;
};

struct TcpDirection {
    explicit TcpDirection(const ReassemblyLimits& limits) : reassembler(limits) {}

    StreamReassembler reassembler;
    bool sentData = false;
    uint64_t payloadBytes = 0;  // what its segments carried, retransmissions included
    bool finSeen = false;
    int64_t finPosition = 0;  // stream position of the FIN

    bool Finished() const { return finSeen && reassembler.NextPosition() >= finPosition; }
};

struct TcpConnection {
    TcpConnection(uint64_t connectionId, const Endpoint& first, const Endpoint& second,
                  const ReassemblyLimits& limits)
        : id(connectionId),
          ends{first, second},
          sides{TcpDirection(limits), TcpDirection(limits)} {}

    uint64_t id;                        // 1-based, in the order the connections were first seen
    std::array<Endpoint, 2> ends;       // ends[0] sent the first segment seen
    std::array<TcpDirection, 2> sides;  // sides[i]: the bytes ends[i] sent
    uint64_t payloadSegments = 0;
    uint64_t lastActivity = 0;  // the follower's segment count when it last saw this one
    bool followed = true;       // false once the protocol layer let it go: bytes are not kept
    bool closed = false;
    std::unique_ptr<TcpConnectionContext> context;

    int SideOf(const Endpoint& source) const { return source == ends[0] ? 0 : 1; }
};
