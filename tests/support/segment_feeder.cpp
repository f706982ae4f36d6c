#include "tests/support/segment_feeder.h"

Endpoint At(uint8_t lastOctet, uint16_t port) {
    return {IpAddress::V4(192, 168, 0, lastOctet), port};
}

void SegmentFeeder::Send(Flow& flow, const Bytes& bytes, uint8_t flags) {
    SendAt(flow, flow.sequence, bytes, flags);
    flow.sequence += static_cast<uint32_t>(bytes.size());
}

void SegmentFeeder::SendAt(const Flow& flow, uint32_t sequence, const Bytes& bytes, uint8_t flags,
                           int64_t declaredLength, uint32_t acknowledgement) {
    payloads_.push_back(bytes);
    if (payloads_.size() > 64) {
        payloads_.pop_front();  // what is kept is copied by the consumer
    }
    TcpSegment segment;
    segment.source = flow.from.address;
    segment.sourcePort = flow.from.port;
    segment.destination = flow.to.address;
    segment.destinationPort = flow.to.port;
    segment.sequence = sequence;
    segment.acknowledgement = acknowledgement;
    segment.flags = flags;
    segment.payload = ByteView(payloads_.back());
    segment.declaredPayloadLength =
        declaredLength < 0 ? static_cast<int64_t>(bytes.size()) : declaredLength;
    CaptureRecord record;
    record.number = ++record_;
    microseconds_ += 1000;
    record.time.seconds = microseconds_ / 1000000;
    record.time.fraction = static_cast<uint32_t>(microseconds_ % 1000000);
    consumer_(segment, record);
}

void SegmentFeeder::Handshake(Flow& client, Flow& server) {
    SendAt(client, client.sequence - 1, {}, tcp_flags::kSyn);
    SendAt(server, server.sequence - 1, {}, tcp_flags::kSyn | tcp_flags::kAck, -1, client.sequence);
    SendAt(client, client.sequence, {}, tcp_flags::kAck, -1, server.sequence);
}

void SegmentFeeder::Close(Flow& client, Flow& server) {
    SendAt(client, client.sequence, {}, tcp_flags::kFin | tcp_flags::kAck, -1, server.sequence);
    SendAt(server, server.sequence, {}, tcp_flags::kFin | tcp_flags::kAck, -1, client.sequence + 1);
    SendAt(client, client.sequence + 1, {}, tcp_flags::kAck, -1, server.sequence + 1);
}
