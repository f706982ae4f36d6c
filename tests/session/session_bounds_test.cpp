#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "modbus/rtu_frame.h"
#include "session/modbus_session.h"
#include "session/release_queue.h"
#include "tests/session/session_test_support.h"

namespace {

const Bytes kReadPdu = {0x03, 0x00, 0x00, 0x00, 0x02};
const Endpoint kClient = At(1, 40000);
const Endpoint kServer = At(2, 502);

// What a release hands on, in order: "#number c<connection> t<transaction> <direction>".
struct LogSink : ModbusMessageSink {
    void OnMessage(CModbusMessage m) override {
        const char* direction[] = {"?", ">S", ">C"};
        log.push_back("#" + std::to_string(m.number) + " c" + std::to_string(m.connectionId) +
                      " t" + std::to_string(m.transactionId) + " " +
                      direction[static_cast<int>(m.direction)]);
    }
    void OnConnectionClosed(uint64_t id, bool) override {
        log.push_back("closed c" + std::to_string(id));
    }
    void OnTime(int64_t steadyNanoseconds) override {
        log.push_back("time " + std::to_string(steadyNanoseconds / 1'000'000'000));
    }
    void OnCaptureEnd() override {}
    std::vector<std::string> log;
};

CModbusMessage Queued(uint64_t connection, uint16_t transactionId, const Endpoint& source = kClient,
                      MessageDirection direction = MessageDirection::Unknown) {
    CModbusMessage message;
    message.connectionId = connection;
    message.transactionId = transactionId;
    message.source = source;
    message.direction = direction;
    return message;
}

TEST(ReleaseQueue, WaitingConnectionHoldsBackEverythingBehindIt) {
    struct Case {
        const char* name;
        std::function<void(ReleaseQueue&)> decide;
        std::vector<std::string> released;
    };
    const Case cases[] = {
        {"recognised",
         [](ReleaseQueue& q) { q.MarkReady(1); },
         {"#1 c1 t1 ?", "#2 c2 t1 ?", "time 5", "closed c2", "#3 c1 t2 ?", "#4 c3 t1 ?",
          "#5 c3 t2 ?"}},
        {"dropped",
         [](ReleaseQueue& q) { q.Drop(1); },
         {"#1 c2 t1 ?", "time 5", "closed c2", "#2 c3 t1 ?", "#3 c3 t2 ?"}},
        {"another one made ready", [](ReleaseQueue& q) { q.MarkReady(3); }, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReleaseQueue queue;
        LogSink sink;
        queue.PushMessage(Queued(1, 1), false);  // connection 1 is still being recognised
        queue.PushMessage(Queued(2, 1), true);
        queue.PushTime(5'000'000'000);
        queue.PushConnectionClosed(2);
        queue.PushMessage(Queued(1, 2), false);
        queue.PushMessage(Queued(3, 1), true);
        queue.Release(sink);
        EXPECT_TRUE(sink.log.empty());
        EXPECT_EQ(queue.FirstWaitingConnection(), 1u);
        c.decide(queue);
        queue.Release(sink);
        queue.PushMessage(Queued(3, 2), true);  // numbering goes on from the last release
        queue.Release(sink);
        EXPECT_EQ(sink.log, c.released);
        EXPECT_EQ(queue.messagesReleased(), c.released.empty() ? 0u : c.released.size() - 2);
    }
}

TEST(ReleaseQueue, ServerFoundLaterGivesWaitingMessagesTheirDirection) {
    ReleaseQueue queue;
    LogSink sink;
    queue.PushMessage(Queued(1, 1, kClient), false);
    queue.PushMessage(Queued(1, 2, kServer), false);
    queue.PushMessage(Queued(1, 3, kServer, MessageDirection::ToServer), false);  // kept
    queue.PushMessage(Queued(2, 4, kServer), true);                               // another one
    queue.SetServer(1, kServer);
    queue.MarkReady(1);
    queue.Release(sink);
    EXPECT_EQ(sink.log, std::vector<std::string>(
                            {"#1 c1 t1 >S", "#2 c1 t2 >C", "#3 c1 t3 >S", "#4 c2 t4 ?"}));
}

// The clock steps a dropped connection's messages carried go to the next message pushed, ahead
// of its own.
TEST(ReleaseQueue, StepsOfADroppedConnectionGoToTheNextMessagePushed) {
    ReleaseQueue queue;
    RecordingSink sink;
    CModbusMessage dropped = Queued(1, 1);
    dropped.clockSteps = {ClockStep{-5'000'000'000, 3}};
    queue.PushMessage(dropped, false);
    queue.Drop(1);
    CModbusMessage next = Queued(2, 1);
    next.clockSteps = {ClockStep{-7'000'000'000, 8}};
    queue.PushMessage(next, true);
    queue.Release(sink);
    ASSERT_EQ(sink.messages.size(), 1u);
    const std::vector<ClockStep>& steps = sink.messages[0].clockSteps;
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[0].record, 3u);
    EXPECT_EQ(steps[1].record, 8u);
}

// A connection off the Modbus ports that frames one message proves nothing and holds back all
// that comes after it; past maxHeldEvents it is taken as Modbus, with nothing lost.
TEST(ModbusSessionBounds, UnprovenConnectionIsTakenAsModbusPastTheHeldBound) {
    for (const size_t bound : {size_t{6}, size_t{4096}}) {
        SCOPED_TRACE(bound);
        SessionSettings settings;
        settings.maxHeldEvents = bound;
        RecordingSink sink;
        ModbusSession session(settings, sink);
        SegmentFeeder feed([&](const TcpSegment& s, const CaptureRecord& r) { session.Add(s, r); });
        Flow device{At(10, 40100), At(40, 5020), 3000};
        Flow reply = device.Reverse(7000);
        feed.Handshake(device, reply);
        feed.Send(device, Adu(1, 1, kReadPdu));
        Flow client{At(11, 40000), At(20, 502)};
        std::vector<uint16_t> expected = {1};
        for (uint16_t id = 100; id < 120; ++id) {
            feed.Send(client, Adu(id, 1, kReadPdu));
            expected.push_back(id);
            ASSERT_LE(expected.size() - sink.messages.size(), std::min<size_t>(bound, 21));
        }
        EXPECT_EQ(sink.messages.empty(), bound > 21);
        feed.Send(device, Adu(2, 1, kReadPdu));
        expected.push_back(2);
        session.Finish();
        ASSERT_EQ(sink.messages.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(sink.messages[i].transactionId, expected[i]);
            EXPECT_EQ(sink.messages[i].number, i + 1);
        }
        EXPECT_EQ(sink.messages.back().direction, MessageDirection::ToServer);
        EXPECT_EQ(session.counts().modbusConnections, 2u);
        EXPECT_EQ(session.counts().nonModbusConnections, 0u);
    }
}

// One direction of a random conversation: its stream, the pieces the capture holds (in stream
// order, as (position, size)) and which of them have been fed.
struct RandomDirection {
    Flow flow;  // at the first data byte
    uint32_t first = 0;
    std::vector<Bytes> messages;
    std::vector<size_t> starts;      // per message: where it begins in the stream
    std::vector<uint64_t> firstFed;  // per message: the record that first held a byte of it
    Bytes stream;
    std::vector<bool> whole;        // per message: every byte captured
    std::vector<bool> confirmable;  // and the next header's first 6 bytes, or the stream ends
    std::vector<std::pair<size_t, size_t>> pieces;
    std::vector<bool> fed;
    bool finFed = false;

    // The peer may acknowledge up to here: every captured byte before it has been fed.
    uint32_t SafeAcknowledgement() const {
        const auto unfed = std::find(fed.begin(), fed.end(), false);
        const size_t at =
            unfed == fed.end() ? stream.size() + finFed : pieces[unfed - fed.begin()].first;
        return first + static_cast<uint32_t>(at);
    }

    void Fed(size_t at, size_t size, uint64_t record) {
        for (size_t k = 0; k < messages.size(); ++k) {
            if (starts[k] < at + size && at < starts[k] + messages[k].size()) {
                firstFed[k] = std::min(firstFed[k], record);
            }
        }
    }
    // A later message had bytes in the capture before message k had any.
    bool Overtaken(size_t k) const {
        return std::any_of(firstFed.begin() + static_cast<std::ptrdiff_t>(k) + 1, firstFed.end(),
                           [&](uint64_t record) { return record < firstFed[k]; });
    }
};

// No three zero bytes follow one another but in the header, so a search after a gap can only
// stop at a real header.
Bytes RandomMessage(std::mt19937& random, size_t index, uint8_t unit) {
    Bytes pdu = {static_cast<uint8_t>(random() % 2 ? 0x03 : 0x10)};
    for (size_t n = 1 + random() % 40; n > 0; --n) {
        pdu.push_back(static_cast<uint8_t>(1 + random() % 255));
    }
    return Adu(static_cast<uint16_t>(((index / 200 + 1) << 8) | (index % 200 + 1)), unit, pdu);
}

enum : int { kFin = -1, kAckOnly = -2, kReset = -3 };
struct Item {
    size_t direction;
    int piece;  // or kFin, kAckOnly, kReset
};

// Merges the lists at random, keeping the order within each.
std::vector<Item> Interleave(std::vector<std::vector<Item>> lists, std::mt19937& random) {
    std::vector<Item> merged;
    for (size_t left = lists.size(); left > 0;) {
        std::vector<Item>& list = lists[random() % lists.size()];
        if (!list.empty()) {
            merged.push_back(list.front());
            list.erase(list.begin());
            left -= list.empty() ? 1 : 0;
        }
    }
    return merged;
}

// Several connections interleaved, each direction cut at random, with pieces reordered, repeated
// or never captured (the peer's acknowledgements later pass over them), closed by FIN, RST or the
// end of the capture: every message held whole comes out once (unless nothing after it confirms
// its header), in order unless the capture held a later one first, and every byte sent is
// framed, discarded or missing.
TEST(ModbusSessionProperty, RandomCapturesKeepEveryWholeMessageAndAccountForEveryByte) {
    for (unsigned seed = 1; seed <= 300 && !HasFailure(); ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        RecordingSink sink;
        ModbusSession session({}, sink);
        SegmentFeeder feed([&](const TcpSegment& s, const CaptureRecord& r) { session.Add(s, r); });
        const size_t connections = 1 + random() % 3;
        std::vector<RandomDirection> directions(2 * connections);
        std::vector<std::vector<Item>> perConnection;
        uint64_t streamBytes = 0;
        for (size_t c = 0; c < connections; ++c) {
            auto isn = [&random] {
                return random() % 3 ? random() : 0xFFFFFFFFu - random() % 3000;
            };
            Flow client{At(10, static_cast<uint16_t>(40000 + c)),
                        At(static_cast<uint8_t>(20 + c), 502), static_cast<uint32_t>(isn() + 1)};
            Flow server = client.Reverse(static_cast<uint32_t>(isn() + 1));
            feed.Handshake(client, server);
            std::vector<std::vector<Item>> lists(2);
            for (size_t side = 0; side < 2; ++side) {
                const size_t d = 2 * c + side;
                RandomDirection& dir = directions[d];
                dir.flow = side == 0 ? client : server;
                dir.first = dir.flow.sequence;
                std::vector<size_t>& starts = dir.starts;
                for (size_t k = 1 + random() % 8; k > 0; --k) {
                    starts.push_back(dir.stream.size());
                    dir.messages.push_back(
                        RandomMessage(random, dir.messages.size(), static_cast<uint8_t>(d + 1)));
                    dir.stream.insert(dir.stream.end(), dir.messages.back().begin(),
                                      dir.messages.back().end());
                }
                streamBytes += dir.stream.size();
                dir.firstFed.assign(dir.messages.size(), UINT64_MAX);
                std::vector<bool> captured(dir.stream.size(), true);
                std::vector<Item>& list = lists[side];
                // Half the directions send a message a segment, as Modbus devices do.
                const bool segmentPerMessage = random() % 2;
                for (size_t at = 0, size = 0, k = 0; at < dir.stream.size(); at += size, ++k) {
                    size = segmentPerMessage
                               ? dir.messages[k].size()
                               : std::min<size_t>(1 + random() % 50, dir.stream.size() - at);
                    if (random() % 8 == 0 && at + size < dir.stream.size()) {
                        std::fill_n(captured.begin() + static_cast<std::ptrdiff_t>(at), size,
                                    false);
                    } else {
                        list.push_back({d, static_cast<int>(dir.pieces.size())});
                        dir.pieces.emplace_back(at, size);
                    }
                }
                dir.fed.assign(dir.pieces.size(), false);
                auto held = [&captured](size_t from, size_t to) {
                    return std::find(captured.begin() + static_cast<std::ptrdiff_t>(from),
                                     captured.begin() + static_cast<std::ptrdiff_t>(to),
                                     false) == captured.begin() + static_cast<std::ptrdiff_t>(to);
                };
                for (size_t k = 0; k < starts.size(); ++k) {
                    const size_t end = starts[k] + dir.messages[k].size();
                    dir.whole.push_back(held(starts[k], end));
                    dir.confirmable.push_back(
                        held(starts[k], std::min(end + 6, dir.stream.size())));
                }
                for (size_t i = 0; i + 1 < list.size(); ++i) {
                    if (random() % 4 == 0) {
                        std::swap(list[i], list[i + 1]);
                    }
                    if (random() % 8 == 0) {  // repeated a little later
                        const Item repeat = list[i];
                        list.insert(list.begin() + static_cast<std::ptrdiff_t>(
                                                       std::min(list.size(), i + 2 + random() % 3)),
                                    repeat);
                    }
                }
                if (random() % 2) {
                    list.push_back({d, kFin});
                }
                if (random() % 3 == 0) {  // late, maybe after the close
                    list.push_back({d, static_cast<int>(random() % dir.pieces.size())});
                }
            }
            perConnection.push_back(Interleave(lists, random));
            perConnection.back().push_back({2 * c, kAckOnly});
            perConnection.back().push_back({2 * c + 1, kAckOnly});
            if (random() % 3 == 0) {
                perConnection.back().push_back({2 * c + random() % 2, kReset});
            }
        }
        uint64_t fedBytes = 0;
        for (const Item& item : Interleave(perConnection, random)) {
            RandomDirection& dir = directions[item.direction];
            const uint32_t ack = directions[item.direction ^ 1].SafeAcknowledgement();
            const uint32_t end = dir.first + static_cast<uint32_t>(dir.stream.size()) + dir.finFed;
            if (item.piece >= 0) {
                const auto [at, size] = dir.pieces[static_cast<size_t>(item.piece)];
                const auto from = dir.stream.begin() + static_cast<std::ptrdiff_t>(at);
                const bool acknowledges = random() % 4 != 0;
                feed.SendAt(dir.flow, dir.first + static_cast<uint32_t>(at),
                            Bytes(from, from + static_cast<std::ptrdiff_t>(size)),
                            acknowledges ? tcp_flags::kAck | tcp_flags::kPsh : tcp_flags::kPsh, -1,
                            acknowledges ? ack : 0);
                dir.fed[static_cast<size_t>(item.piece)] = true;
                dir.Fed(at, size, feed.records());
                fedBytes += size;
            } else if (item.piece == kFin) {
                feed.SendAt(dir.flow, end, {}, tcp_flags::kFin | tcp_flags::kAck, -1, ack);
                dir.finFed = true;
            } else {
                feed.SendAt(dir.flow, end, {},
                            item.piece == kReset ? tcp_flags::kRst : tcp_flags::kAck, -1, ack);
            }
        }
        session.Finish();

        uint64_t framed = 0;
        std::vector<size_t> next(directions.size(), 0);  // per direction: past the furthest out
        std::vector<std::vector<bool>> out(directions.size());
        for (size_t i = 0; i < sink.messages.size(); ++i) {
            const CModbusMessage& message = sink.messages[i];
            ASSERT_EQ(message.number, i + 1);
            ASSERT_TRUE(message.unit >= 1 && message.unit <= directions.size());
            const size_t d = message.unit - 1u;
            const RandomDirection& dir = directions[d];
            EXPECT_EQ(message.source, dir.flow.from);
            EXPECT_EQ(message.direction,
                      d % 2 ? MessageDirection::ToClient : MessageDirection::ToServer);
            const Bytes content = Adu(message.transactionId, message.unit, PduOf(message.frame));
            const auto found = std::find(dir.messages.begin(), dir.messages.end(), content);
            ASSERT_NE(found, dir.messages.end()) << "never sent: " << i;
            const size_t k = static_cast<size_t>(found - dir.messages.begin());
            out[d].resize(dir.messages.size());
            EXPECT_FALSE(out[d][k]) << d << " twice " << k;
            out[d][k] = true;
            EXPECT_TRUE(dir.whole[k]);
            // Behind one already out only when the capture held a later one first.
            EXPECT_TRUE(k >= next[d] || dir.Overtaken(k)) << d << " out of order " << k;
            next[d] = std::max(next[d], k + 1);
            framed += content.size();
        }
        // Messages that never came out must have lacked bytes to be found.
        for (size_t d = 0; d < directions.size(); ++d) {
            out[d].resize(directions[d].messages.size());
            for (size_t k = 0; k < out[d].size(); ++k) {
                EXPECT_TRUE(out[d][k] || !directions[d].confirmable[k]) << d << " lost " << k;
            }
        }
        const SessionCounts& counts = session.counts();
        EXPECT_EQ(counts.modbusConnections, connections);
        EXPECT_EQ(sink.closed.size(), connections);
        EXPECT_EQ(counts.framedBytes, framed);
        EXPECT_EQ(counts.framedBytes + counts.discardedBytes + counts.missingBytes, streamBytes);
        EXPECT_EQ(counts.framedBytes + counts.discardedBytes + counts.repeatedBytes, fedBytes);
    }
}

}  // namespace
