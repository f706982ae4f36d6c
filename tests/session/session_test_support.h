#pragma once
// Builds TCP conversations segment by segment and records what the decoder hands on.

#include <cstdint>
#include <deque>
#include <vector>

#include "network/tcp_segment.h"
#include "session/modbus_session.h"

using Bytes = std::vector<uint8_t>;

// The MBAP header (protocol id 0, length = unit + PDU) followed by the unit id and the PDU.
Bytes Adu(uint16_t transactionId, uint8_t unit, const Bytes& pdu);
Bytes Join(const std::vector<Bytes>& parts);
Endpoint At(uint8_t lastOctet, uint16_t port);

// One direction of a connection: where the next byte's sequence number stands.
struct Flow {
    Endpoint from;
    Endpoint to;
    uint32_t sequence = 1000;
    Flow Reverse(uint32_t reverseSequence) const { return {to, from, reverseSequence}; }
};

struct RecordingSink : ModbusMessageSink {
    void OnMessage(const ModbusAdu& message) override { messages.push_back(message); }
    void OnConnectionClosed(uint64_t connectionId) override { closed.push_back(connectionId); }
    void OnTime(const CaptureTimestamp&) override {}
    void OnCaptureEnd() override { ended = true; }

    std::vector<ModbusAdu> messages;
    std::vector<uint64_t> closed;
    bool ended = false;
};

// Feeds segments to a decoder as consecutive capture records, 1 ms apart.
class SegmentFeeder {
public:
    explicit SegmentFeeder(ModbusStreamDecoder& decoder) : decoder_(decoder) {}

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
    ModbusStreamDecoder& decoder_;
    std::deque<Bytes> payloads_;  // keeps the bytes the segments view
    uint64_t record_ = 0;
    int64_t microseconds_ = 0;
};

// Request: read functions 1..4 with a 5-byte PDU; response: a byte count that fits the PDU.
FrameDirection ClassifyByLength(ByteView unitAndPdu);
