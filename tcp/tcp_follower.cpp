#include "tcp/tcp_follower.h"

#include <algorithm>
#include <vector>

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

// The bytes of one direction, handed to the handler.
class DirectionOutput : public StreamReassembler::Output {
public:
    DirectionOutput(TcpStreamHandler& handler, TcpConnection& connection, int side)
        : handler_(handler), connection_(connection), side_(side) {}

    void Data(ByteView bytes, const RecordMark& record) override {
        handler_.OnBytes(connection_, side_, bytes, record);
    }
    void Gap(uint64_t count) override { handler_.OnGap(connection_, side_, count); }
    bool StartsMessage(ByteView bytes) override {
        return handler_.StartsMessage(connection_, side_, bytes);
    }
    void Break() override { handler_.OnBreak(connection_, side_); }
    bool BetweenMessages() override { return handler_.BetweenMessages(connection_, side_); }
    void Late(ByteView bytes, const RecordMark& record, bool joins) override {
        handler_.OnLateBytes(connection_, side_, bytes, record, joins);
    }

private:
    TcpStreamHandler& handler_;
    TcpConnection& connection_;
    int side_;
};

}  // namespace

size_t TcpFollower::KeyHash::operator()(const Key& key) const {
    // FNV-1a over both ends: family, address bytes and port.
    uint64_t hash = 14695981039346656037ull;
    auto mix = [&hash](uint8_t byte) { hash = (hash ^ byte) * 1099511628211ull; };
    for (const Endpoint* end : {&key.first, &key.second}) {
        mix(static_cast<uint8_t>(end->address.family));
        const size_t length = end->address.family == IpAddress::Family::V4 ? 4 : 16;
        for (size_t i = 0; i < length; ++i) {
            mix(end->address.bytes[i]);
        }
        mix(static_cast<uint8_t>(end->port >> 8));
        mix(static_cast<uint8_t>(end->port));
    }
    return static_cast<size_t>(hash);
}

TcpFollower::TcpFollower(FollowerSettings settings, TcpStreamHandler& handler)
    : settings_(settings), handler_(handler) {}

void TcpFollower::Add(const TcpSegment& segment, const CaptureRecord& record) {
    ++segments_;
    const Endpoint source{segment.source, segment.sourcePort};
    const Endpoint destination{segment.destination, segment.destinationPort};
    const uint64_t length = PayloadLength(segment);
    TcpConnection* found = Find(source, destination, segment, length);
    if (found == nullptr) {
        return;
    }
    TcpConnection& connection = *found;
    connection.lastActivity = segments_;
    const int side = connection.SideOf(source);
    const uint8_t flags = segment.flags;
    TcpDirection& sender = connection.sides[side];
    if (length > 0) {
        ++connection.payloadSegments;
        sender.sentData = true;
        sender.payloadBytes += length;
    }
    if (!connection.followed) {
        handler_.OnPassedOver(connection, length, segment.payload.size());
        sender.finSeen |= (flags & tcp_flags::kFin) != 0;
        if ((flags & tcp_flags::kRst) ||
            (connection.sides[0].finSeen && connection.sides[1].finSeen)) {
            Close(connection);
        }
        return;
    }

    const uint32_t payloadSequence = segment.sequence + ((flags & tcp_flags::kSyn) ? 1 : 0);
    TakeHandshake(connection, side, segment);
    if (length > 0) {
        // The other end's waiting segments came before this payload: first they may go on.
        DirectionOutput peer(handler_, connection, 1 - side);
        connection.sides[1 - side].reassembler.PeerSent(peer);
        DirectionOutput output(handler_, connection, side);
        sender.reassembler.Add(payloadSequence, segment.payload, length,
                               RecordMark(record.number, record.time), output);
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
        TakeAcknowledgement(connection, 1 - side, segment.acknowledgement);
    }
    if (!handler_.KeepFollowing(connection)) {
        LetGo(connection);
    }
    if ((flags & tcp_flags::kRst) ||
        (connection.sides[0].Finished() && connection.sides[1].Finished())) {
        Close(connection);
    }
}

void TcpFollower::Finish() {
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
}

TcpConnection* TcpFollower::FindById(uint64_t id) {
    auto it = std::find_if(connections_.begin(), connections_.end(),
                           [id](const auto& entry) { return entry.second->id == id; });
    return it == connections_.end() ? nullptr : it->second.get();
}

// The connection the segment belongs to, opened when it starts one; null when it is to be passed
// over (a late segment of a closed connection, or one that carries nothing).
TcpConnection* TcpFollower::Find(const Endpoint& source, const Endpoint& destination,
                                 const TcpSegment& segment, uint64_t payloadLength) {
    const bool opening = (segment.flags & tcp_flags::kSyn) && !(segment.flags & tcp_flags::kAck);
    auto it = index_.find(KeyOf(source, destination));
    if (it != index_.end()) {
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
            handler_.OnPassedOver(connection, payloadLength, segment.payload.size());
            return nullptr;
        }
    }
    if (!opening && payloadLength == 0 && !(segment.flags & tcp_flags::kSyn)) {
        return nullptr;
    }
    return &Open(source, destination);
}

bool TcpFollower::IsNewIncarnation(const TcpConnection& connection, const Endpoint& source,
                                   const TcpSegment& segment) const {
    const StreamReassembler& stream = connection.sides[connection.SideOf(source)].reassembler;
    return stream.Started() && stream.PositionOf(segment.sequence + 1) != 0;
}

// At the limit of open connections, before one more opens, the quarter idle longest are closed
// (what they hold is handed on): memory stays bounded whatever the capture holds.
void TcpFollower::CloseIdlest() {
    if (openConnections_ < settings_.maxOpenConnections) {
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

TcpConnection& TcpFollower::Open(const Endpoint& source, const Endpoint& destination) {
    CloseIdlest();
    auto connection = std::make_unique<TcpConnection>(++lastConnectionId_, source, destination,
                                                      settings_.reassembly);
    connection->lastActivity = segments_;
    ++openConnections_;
    const Key key = KeyOf(source, destination);
    std::unique_ptr<TcpConnection>& slot = connections_[key];
    slot = std::move(connection);
    index_[key] = slot.get();
    handler_.OnOpen(*slot);
    return *slot;
}

// A SYN starts the stream of its sender; the end that answers it accepted the connection.
void TcpFollower::TakeHandshake(TcpConnection& connection, int side, const TcpSegment& segment) {
    if (!(segment.flags & tcp_flags::kSyn)) {
        return;
    }
    StreamReassembler& reassembler = connection.sides[side].reassembler;
    if (!reassembler.Started()) {
        reassembler.Start(segment.sequence + 1);
    }
    handler_.OnAccepted(connection, (segment.flags & tcp_flags::kAck) ? side : 1 - side);
}

// `side` is the stream being acknowledged. Acknowledged data will not be sent again, so a hole
// in it is final; an acknowledged FIN ends the stream.
void TcpFollower::TakeAcknowledgement(TcpConnection& connection, int side,
                                      uint32_t acknowledgement) {
    TcpDirection& stream = connection.sides[side];
    if (!stream.reassembler.Started()) {
        return;
    }
    DirectionOutput output(handler_, connection, side);
    stream.reassembler.Acknowledged(acknowledgement, output);
    if (stream.finSeen && stream.reassembler.PositionOf(acknowledgement) > stream.finPosition) {
        stream.reassembler.SkipTo(stream.finPosition, output);
    }
}

// The handler has no use for the connection's bytes: what the reassemblers hold is freed.
void TcpFollower::LetGo(TcpConnection& connection) {
    connection.followed = false;
    for (TcpDirection& side : connection.sides) {
        side.reassembler = StreamReassembler(settings_.reassembly);
    }
}

// Delivers what is left of both directions, then ends the connection.
void TcpFollower::Close(TcpConnection& connection) {
    if (connection.closed) {
        return;
    }
    if (connection.followed) {
        for (int side = 0; side < 2; ++side) {
            DirectionOutput output(handler_, connection, side);
            connection.sides[side].reassembler.Flush(output);
        }
    }
    handler_.OnClose(connection);
    connection.closed = true;
    --openConnections_;
    closedOrder_.emplace_back(KeyOf(connection.ends[0], connection.ends[1]), connection.id);
    while (closedOrder_.size() > settings_.closedConnectionsKept) {
        auto it = connections_.find(closedOrder_.front().first);
        const uint64_t id = closedOrder_.front().second;
        closedOrder_.pop_front();
        // Ports reused by a new handshake hold a newer connection under the same key.
        if (it != connections_.end() && it->second->closed && it->second->id == id) {
            index_.erase(it->first);
            connections_.erase(it);
        }
    }
}
