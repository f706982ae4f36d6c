#pragma once
// Builds TCP conversations segment by segment, as consecutive capture records 1 ms apart, for
// whatever takes segments (the TCP follower, the Modbus/TCP session).

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "capture/capture_record.h"
#include "network/tcp_segment.h"
#include "tcp/endpoint.h"

using Bytes = std::vector<uint8_t>;

// 192.168.0.<lastOctet>:<port>
Endpoint At(uint8_t lastOctet, uint16_t port);

// One direction of a connection: where the next byte's sequence number stands.
struct Flow {
    Endpoint from;
    Endpoint to;
    uint32_t sequence = 1000;
    Flow Reverse(uint32_t reverseSequence) const { return {to, from, reverseSequence}; }
};

class SegmentFeeder {
public:
    using Consumer = std::function<void(const TcpSegment&, const CaptureRecord&)>;

    explicit SegmentFeeder(Consumer consumer) : consumer_(std::move(consumer)) {}

    // Sends `bytes` at the flow's sequence number and moves the flow on past them.
    void Send(Flow& flow, const Bytes& bytes, uint8_t flags = tcp_flags::kAck | tcp_flags::kPsh);
    // Sends at an explicit sequence number; `declaredLength` < 0 means "as captured".
    void SendAt(const Flow& flow, uint32_t sequence, const Bytes& bytes, uint8_t flags,
                int64_t declaredLength = -1, uint32_t acknowledgement = 0);
    // SYN, SYN-ACK, ACK; the flows' sequence numbers then point at their first data byte.
    void Handshake(Flow& client, Flow& server);
    void Close(Flow& client, Flow& server);
    uint64_t records() const { return record_; }
    void AdvanceTime(int64_t microseconds) { microseconds_ += microseconds; }

private:
    Consumer consumer_;
    std::deque<Bytes> payloads_;  // keeps the bytes the segments view
    uint64_t record_ = 0;
    int64_t microseconds_ = 0;
};
