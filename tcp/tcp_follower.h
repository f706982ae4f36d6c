#pragma once
// Follows every TCP connection of a capture in both directions, knowing no protocol: the table of
// connections (a new handshake on used ports starts a new one, the idlest are closed past a
// bound, closed ones are remembered a while for their late segments), the handshake, FIN, RST and
// acknowledgement state, and the reassembly of each direction. What it finds goes to a
// TcpStreamHandler.

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <unordered_map>
#include <utility>

#include "capture/capture_record.h"
#include "network/tcp_segment.h"
#include "tcp/tcp_connection.h"
#include "tcp/tcp_stream_handler.h"

struct FollowerSettings {
    ReassemblyLimits reassembly;
    size_t closedConnectionsKept = 1024;
    // Open connections followed at once; past it the idlest are closed.
    size_t maxOpenConnections = 2048;
};

class TcpFollower {
public:
    TcpFollower(FollowerSettings settings, TcpStreamHandler& handler);

    void Add(const TcpSegment& segment, const CaptureRecord& record);
    // The capture is over: every open connection closes, in the order they were opened.
    void Finish();

    // The open or remembered connection with this id; null when there is none.
    TcpConnection* FindById(uint64_t id);
    uint64_t segments() const { return segments_; }

private:
    using Key = std::pair<Endpoint, Endpoint>;
    struct KeyHash {
        size_t operator()(const Key& key) const;
    };

    TcpConnection* Find(const Endpoint& source, const Endpoint& destination,
                        const TcpSegment& segment, uint64_t payloadLength);
    TcpConnection& Open(const Endpoint& source, const Endpoint& destination);
    bool IsNewIncarnation(const TcpConnection& connection, const Endpoint& source,
                          const TcpSegment& segment) const;
    void CloseIdlest();
    void TakeHandshake(TcpConnection& connection, int side, const TcpSegment& segment);
    void TakeAcknowledgement(TcpConnection& connection, int side, uint32_t acknowledgement);
    void LetGo(TcpConnection& connection);
    void Close(TcpConnection& connection);

    FollowerSettings settings_;
    TcpStreamHandler& handler_;
    // Owned in key order (the order eviction has always seen them in), found by hash.
    std::map<Key, std::unique_ptr<TcpConnection>> connections_;
    std::unordered_map<Key, TcpConnection*, KeyHash> index_;
    std::deque<std::pair<Key, uint64_t>> closedOrder_;  // closed connections' keys and ids
    uint64_t lastConnectionId_ = 0;
    size_t openConnections_ = 0;
    uint64_t segments_ = 0;
};
