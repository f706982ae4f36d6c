#include "tcp/modbus_stream_decoder.h"

#include <algorithm>
#include <array>

namespace {

std::pair<Endpoint, Endpoint> KeyOf(const Endpoint& a, const Endpoint& b) {
    return a < b ? std::make_pair(a, b) : std::make_pair(b, a);
}

// The payload length the IP header declares, but never less than what was captured, and never
// more than half the sequence space (beyond that, sequence numbers cannot place the bytes).
uint64_t PayloadLength(const TcpSegment& segment) {
    constexpr uint64_t kLongest = 0x7FFFFFFF;
    const uint64_t captured = std::min<uint64_t>(segment.payload.size(), kLongest);
    if (segment.declaredPayloadLength < 0) {
        return captured;
    }
    return std::min(kLongest,
                    std::max(captured, static_cast<uint64_t>(segment.declaredPayloadLength)));
}

}  // namespace

ModbusStreamDecoder::ModbusStreamDecoder(DecoderSettings settings, ModbusMessageSink& sink)
    : settings_(std::move(settings)), sink_(sink) {}

void ModbusStreamDecoder::Add(const TcpSegment& segment, const CaptureRecord& record) {
    ++counts_.segments;
    lastTime_ = record.time;
    queue_.PushTime(record.time);
    const Endpoint source{segment.source, segment.sourcePort};
    const Endpoint destination{segment.destination, segment.destinationPort};
    const uint64_t length = PayloadLength(segment);
    TcpConnection* found = Find(source, destination, segment, length);
    if (found == nullptr) {
        Release();
        return;
    }
    TcpConnection& connection = *found;
    connection.lastActivity = counts_.segments;
    const int side = connection.SideOf(source);
    const uint8_t flags = segment.flags;
    if (length > 0) {
        ++connection.payloadSegments;
        connection.sides[side].sentData = true;
    }
    if (connection.recognition == Recognition::NotModbus) {
        counts_.nonModbusSegments += length > 0 ? 1 : 0;
        connection.sides[side].finSeen |= (flags & tcp_flags::kFin) != 0;
        if ((flags & tcp_flags::kRst) ||
            (connection.sides[0].finSeen && connection.sides[1].finSeen)) {
            Close(connection);
        }
        Release();
        return;
    }

    StreamSide& sender = connection.sides[side];
    const uint32_t payloadSequence = segment.sequence + ((flags & tcp_flags::kSyn) ? 1 : 0);
    TakeHandshake(connection, side, segment);
    if (length > 0) {
        sender.reassembler.Add(payloadSequence, segment.payload, length, record.number,
                               OutputFor(connection, side, record.time));
    }
    if (flags & tcp_flags::kFin) {
        if (!sender.reassembler.Started()) {
            sender.reassembler.Start(payloadSequence + static_cast<uint32_t>(length));
        }
        sender.finSeen = true;
        sender.finPosition =
            sender.reassembler.PositionOf(payloadSequence + static_cast<uint32_t>(length));
    }
    if (flags & tcp_flags::kAck) {
        TakeAcknowledgement(connection, 1 - side, segment.acknowledgement, record.time);
    }
    CheckRecognition(connection, false);
    if (connection.recognition == Recognition::NotModbus) {
        for (StreamSide& stream : connection.sides) {
            stream.reassembler = StreamReassembler(settings_.reassembly);  // frees what it held
            stream.framer = MbapFramer();
        }
    }
    if ((flags & tcp_flags::kRst) ||
        (connection.sides[0].Finished() && connection.sides[1].Finished())) {
        Close(connection);
    }
    Release();
}

void ModbusStreamDecoder::Finish() {
    std::vector<TcpConnection*> open;
    for (auto& entry : connections_) {
        if (!entry.second->closed) {
            open.push_back(entry.second.get());
        }
    }
    std::sort(open.begin(), open.end(),
              [](const TcpConnection* a, const TcpConnection* b) { return a->id < b->id; });
    for (TcpConnection* connection : open) {
        Close(*connection);
    }
    Release();
    sink_.OnCaptureEnd();
}

// The connection the segment belongs to, opened when it starts one; null when it is to be passed
// over (a late segment of a closed connection, or one that carries nothing).
TcpConnection* ModbusStreamDecoder::Find(const Endpoint& source, const Endpoint& destination,
                                         const TcpSegment& segment, uint64_t payloadLength) {
    const bool opening = (segment.flags & tcp_flags::kSyn) && !(segment.flags & tcp_flags::kAck);
    // Consecutive segments mostly belong to one connection: ask the map only on a change.
    const Key key = KeyOf(source, destination);
    if (!(recentValid_ && recentKey_ == key)) {
        recent_ = connections_.find(key);
        recentKey_ = key;
        recentValid_ = true;
    }
    auto it = recent_;
    if (it != connections_.end()) {
        TcpConnection& connection = *it->second;
        if (!connection.closed && opening && IsNewIncarnation(connection, source, segment)) {
            // The same ports again with a new initial sequence number: the old connection ended
            // without a FIN or RST the capture holds.
            Close(connection);
            return &Open(source, destination);
        }
        if (!connection.closed) {
            return &connection;
        }
        if (!opening) {
            // Late retransmissions after the close; only a new handshake reuses the ports.
            if (payloadLength > 0 && connection.recognition == Recognition::Modbus) {
                counts_.repeatedBytes += segment.payload.size();
            } else if (payloadLength > 0) {
                ++counts_.nonModbusSegments;
            }
            return nullptr;
        }
    }
    if (!opening && payloadLength == 0 && !(segment.flags & tcp_flags::kSyn)) {
        return nullptr;
    }
    return &Open(source, destination);
}

bool ModbusStreamDecoder::IsNewIncarnation(const TcpConnection& connection, const Endpoint& source,
                                           const TcpSegment& segment) const {
    const StreamReassembler& stream = connection.sides[connection.SideOf(source)].reassembler;
    return stream.Started() && stream.PositionOf(segment.sequence + 1) != 0;
}

// Past the limit of open connections, the quarter idle longest are closed (their messages are
// handed on): memory stays bounded whatever the capture holds.
void ModbusStreamDecoder::CloseIdlest() {
    if (openConnections_ <= settings_.maxOpenConnections) {
        return;
    }
    std::vector<TcpConnection*> open;
    for (auto& entry : connections_) {
        if (!entry.second->closed) {
            open.push_back(entry.second.get());
        }
    }
    const size_t closing = open.size() / 4 + 1;
    std::nth_element(open.begin(), open.begin() + static_cast<std::ptrdiff_t>(closing - 1),
                     open.end(), [](const TcpConnection* a, const TcpConnection* b) {
                         return a->lastActivity < b->lastActivity;
                     });
    for (size_t i = 0; i < closing; ++i) {
        Close(*open[i]);
    }
}

TcpConnection& ModbusStreamDecoder::Open(const Endpoint& source, const Endpoint& destination) {
    CloseIdlest();
    auto connection = std::make_unique<TcpConnection>(++lastConnectionId_, source, destination,
                                                      settings_.reassembly);
    const bool sourceOnPort = IsModbusPort(source.port);
    const bool destinationOnPort = IsModbusPort(destination.port);
    if (sourceOnPort || destinationOnPort) {
        connection->recognition = Recognition::Modbus;
        ++counts_.modbusConnections;
        if (sourceOnPort != destinationOnPort) {
            connection->serverEnd = sourceOnPort ? 0 : 1;
        }
    } else {
        for (StreamSide& side : connection->sides) {
            side.framer.SetRequireKnownFunction(true);
        }
    }
    connection->lastActivity = counts_.segments;
    ++openConnections_;
    recentValid_ = false;
    std::unique_ptr<TcpConnection>& slot = connections_[KeyOf(source, destination)];
    slot = std::move(connection);
    return *slot;
}

bool ModbusStreamDecoder::IsModbusPort(uint16_t port) const {
    const std::vector<uint16_t>& ports = settings_.modbusPorts;
    return std::find(ports.begin(), ports.end(), port) != ports.end();
}

// A SYN starts the stream of its sender and, when the ports did not decide it, names the server:
// the end that answers the handshake.
void ModbusStreamDecoder::TakeHandshake(TcpConnection& connection, int side,
                                        const TcpSegment& segment) {
    if (!(segment.flags & tcp_flags::kSyn)) {
        return;
    }
    StreamReassembler& reassembler = connection.sides[side].reassembler;
    if (!reassembler.Started()) {
        reassembler.Start(segment.sequence + 1);
    }
    if (connection.serverEnd < 0) {
        DecideServer(connection, (segment.flags & tcp_flags::kAck) ? side : 1 - side);
    }
}

// `side` is the stream being acknowledged. Acknowledged data will not be sent again, so a hole
// in it is final; an acknowledged FIN ends the stream.
void ModbusStreamDecoder::TakeAcknowledgement(TcpConnection& connection, int side,
                                              uint32_t acknowledgement,
                                              const CaptureTimestamp& time) {
    StreamSide& stream = connection.sides[side];
    if (!stream.reassembler.Started()) {
        return;
    }
    const StreamReassembler::Output output = OutputFor(connection, side, time);
    stream.reassembler.Acknowledged(acknowledgement, output);
    if (stream.finSeen && stream.reassembler.PositionOf(acknowledgement) > stream.finPosition) {
        stream.reassembler.SkipTo(stream.finPosition, output);
    }
}

StreamReassembler::Output ModbusStreamDecoder::OutputFor(TcpConnection& connection, int side,
                                                         const CaptureTimestamp& time) {
    StreamReassembler::Output output;
    output.data = [this, &connection, side, time](ByteView bytes, uint64_t record) {
        connection.sides[side].framer.Append(
            bytes, record, [this, &connection, side, time](FramedMessage&& framed) {
                OnFramed(connection, side, std::move(framed), time);
            });
    };
    output.gap = [&connection, side](uint64_t count) {
        connection.sides[side].framer.MarkGap(count);
    };
    return output;
}

void ModbusStreamDecoder::OnFramed(TcpConnection& connection, int side, FramedMessage&& framed,
                                   const CaptureTimestamp& time) {
    if (connection.recognition == Recognition::NotModbus) {
        return;
    }
    ModbusAdu message;
    message.connectionId = connection.id;
    message.source = connection.ends[side];
    message.destination = connection.ends[1 - side];
    message.transactionId = framed.header.transactionId;
    message.protocolId = framed.header.protocolId;
    message.unit = framed.header.unit;
    message.pdu = std::move(framed.pdu);
    message.captureRecord = framed.lastByteRecord;
    message.time = time;
    ++connection.sides[side].messages;

    if (connection.serverEnd < 0 && settings_.classifyFrame) {
        std::array<uint8_t, mbap::kLongestLength> unitAndPdu{};
        const size_t pduSize = std::min(message.pdu.size(), unitAndPdu.size() - 1);
        unitAndPdu[0] = message.unit;
        std::copy_n(message.pdu.begin(), pduSize, unitAndPdu.begin() + 1);
        const FrameDirection direction =
            settings_.classifyFrame(ByteView(unitAndPdu.data(), pduSize + 1));
        if (direction == FrameDirection::Request) {
            DecideServer(connection, 1 - side);
        } else if (direction == FrameDirection::Response) {
            DecideServer(connection, side);
        }
    }
    if (connection.serverEnd >= 0) {
        message.direction =
            side == connection.serverEnd ? MessageDirection::ToClient : MessageDirection::ToServer;
    }
    queue_.PushMessage(std::move(message), connection.recognition == Recognition::Modbus);
    CheckRecognition(connection, false);
}

void ModbusStreamDecoder::DecideServer(TcpConnection& connection, int serverEnd) {
    connection.serverEnd = serverEnd;
    queue_.SetServer(connection.id, connection.ends[serverEnd]);
}

// A connection off the Modbus ports counts as Modbus once both directions frame cleanly for a
// few messages, and as something else as soon as either does not.
void ModbusStreamDecoder::CheckRecognition(TcpConnection& connection, bool atEnd) {
    if (connection.recognition != Recognition::Candidate) {
        return;
    }
    uint64_t messages = 0;
    bool everySenderFramed = true;
    for (const StreamSide& side : connection.sides) {
        if (side.framer.counts().implausibleHeaders > 0) {
            Recognise(connection, Recognition::NotModbus);
            return;
        }
        messages += side.messages;
        everySenderFramed = everySenderFramed && (!side.sentData || side.messages > 0);
    }
    if ((messages >= settings_.messagesToRecognise && everySenderFramed) ||
        (atEnd && messages > 0)) {
        Recognise(connection, Recognition::Modbus);
    } else if (atEnd) {
        Recognise(connection, Recognition::NotModbus);
    }
}

void ModbusStreamDecoder::Recognise(TcpConnection& connection, Recognition recognition) {
    connection.recognition = recognition;
    if (recognition == Recognition::Modbus) {
        ++counts_.modbusConnections;
        for (StreamSide& side : connection.sides) {
            side.framer.SetRequireKnownFunction(false);
        }
        queue_.MarkReady(connection.id);
        return;
    }
    ++counts_.nonModbusConnections;
    counts_.nonModbusSegments += connection.payloadSegments;
    queue_.Drop(connection.id);
}

// Delivers what is left of both directions, then ends the connection.
void ModbusStreamDecoder::Close(TcpConnection& connection) {
    if (connection.closed) {
        return;
    }
    if (connection.recognition != Recognition::NotModbus) {
        for (int side = 0; side < 2; ++side) {
            connection.sides[side].reassembler.Flush(OutputFor(connection, side, lastTime_));
            connection.sides[side].framer.End();
        }
    }
    CheckRecognition(connection, true);
    if (connection.recognition == Recognition::Modbus) {
        for (const StreamSide& side : connection.sides) {
            const ReassemblyCounts& reassembly = side.reassembler.counts();
            const FramingCounts& framing = side.framer.counts();
            counts_.repeatedBytes += reassembly.repeatedBytes;
            counts_.outOfOrderSegments += reassembly.outOfOrderSegments;
            counts_.missingBytes += framing.missingBytes;
            counts_.discardedBytes += framing.discardedBytes;
            counts_.lostMessages += framing.lostMessages;
            counts_.framedBytes += framing.framedBytes;
        }
        queue_.PushConnectionClosed(connection.id);
    }
    connection.closed = true;
    --openConnections_;
    closedOrder_.push_back(KeyOf(connection.ends[0], connection.ends[1]));
    while (closedOrder_.size() > settings_.closedConnectionsKept) {
        auto it = connections_.find(closedOrder_.front());
        closedOrder_.pop_front();
        if (it != connections_.end() && it->second->closed) {
            recentValid_ = false;
            connections_.erase(it);
        }
    }
}

// Hands on what may go; a connection whose recognition holds up too much is taken as Modbus.
void ModbusStreamDecoder::Release() {
    while (queue_.size() > settings_.maxHeldEvents) {
        const uint64_t waiting = queue_.FirstWaitingConnection();
        auto it = std::find_if(connections_.begin(), connections_.end(),
                               [waiting](auto& entry) { return entry.second->id == waiting; });
        if (waiting == 0 || it == connections_.end()) {
            break;
        }
        Recognise(*it->second, Recognition::Modbus);
    }
    queue_.Release(sink_);
}
