#include "tcp/tcp_follower.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/support/segment_feeder.h"

namespace {

Bytes Text(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// Logs what the follower reports: opens, closes (with what each side handed on, '#' for a
// missing byte) and segments passed over that carried payload.
struct Recorder : TcpStreamHandler {
    std::vector<std::string> events;
    std::vector<std::string> accepted;  // the end named as having accepted, per report
    std::map<std::pair<uint64_t, int>, std::string> tapes;
    std::set<uint64_t> letGo;  // connections KeepFollowing lets go

    std::string Tape(uint64_t id) { return tapes[{id, 0}] + "|" + tapes[{id, 1}]; }
    void OnOpen(TcpConnection& c) override { events.push_back("open " + std::to_string(c.id)); }
    void OnAccepted(TcpConnection& c, int end) override {
        accepted.push_back(c.ends[static_cast<size_t>(end)].ToString());
    }
    void OnBytes(TcpConnection& c, int side, ByteView bytes, const RecordMark&) override {
        tapes[{c.id, side}].append(bytes.begin(), bytes.end());
    }
    void OnGap(TcpConnection& c, int side, uint64_t count) override {
        tapes[{c.id, side}].append(count, '#');
    }
    bool KeepFollowing(TcpConnection& c) override { return letGo.count(c.id) == 0; }
    void OnClose(TcpConnection& c) override {
        events.push_back("close " + std::to_string(c.id) + " " + Tape(c.id));
    }
    void OnPassedOver(const TcpConnection& c, uint64_t length, uint64_t captured) override {
        if (length > 0) {
            events.push_back("passed " + std::to_string(c.id) + " " + std::to_string(length) + "/" +
                             std::to_string(captured));
        }
    }
    std::vector<std::string> Matching(const std::string& prefix) const {
        std::vector<std::string> found;
        std::copy_if(events.begin(), events.end(), std::back_inserter(found),
                     [&](const std::string& e) { return e.rfind(prefix, 0) == 0; });
        return found;
    }
};

struct Harness {
    explicit Harness(FollowerSettings settings = {}) : follower(settings, recorder) {}
    void Reset(Flow& flow) { feed.SendAt(flow, flow.sequence, {}, tcp_flags::kRst); }

    Recorder recorder;
    TcpFollower follower;
    SegmentFeeder feed{[this](const TcpSegment& s, const CaptureRecord& r) { follower.Add(s, r); }};
    Flow client{At(10, 40000), At(20, 502), 1000};
    Flow server = client.Reverse(9000);
};

TEST(TcpFollower, ResetClosesAtOnceWithWhatWasHeld) {
    for (const bool fromServer : {false, true}) {
        SCOPED_TRACE(fromServer);
        Harness h;
        h.feed.Handshake(h.client, h.server);
        h.feed.Send(h.client, Text("abc"));
        h.client.sequence += 3;  // "def" never captured
        h.feed.Send(h.client, Text("ghi"));
        h.feed.Send(h.server, Text("xyz"));
        h.Reset(fromServer ? h.server : h.client);
        h.feed.Send(h.client, Text("jkl"));
        h.Reset(h.client);
        EXPECT_EQ(h.recorder.events,
                  std::vector<std::string>({"open 1", "close 1 abc###ghi|xyz", "passed 1 3/3"}));
    }
}

TEST(TcpFollower, FinBothWaysClosesOnlyOnceTheDataBeforeTheFinIsIn) {
    for (const bool arrives : {true, false}) {
        SCOPED_TRACE(arrives ? "the missing data arrives" : "the FIN is acknowledged over it");
        Harness h;
        h.feed.Handshake(h.client, h.server);
        h.feed.Send(h.client, Text("abc"));
        const uint32_t missing = h.client.sequence;
        h.client.sequence += 3;
        const uint8_t finAck = tcp_flags::kFin | tcp_flags::kAck;
        h.feed.SendAt(h.client, h.client.sequence, {}, finAck, -1, h.server.sequence);
        h.feed.SendAt(h.server, h.server.sequence, {}, finAck, -1, missing);
        EXPECT_TRUE(h.recorder.Matching("close").empty());
        if (arrives) {
            h.feed.SendAt(h.client, missing, Text("def"), tcp_flags::kAck);
        } else {
            h.feed.SendAt(h.server, h.server.sequence + 1, {}, tcp_flags::kAck, -1,
                          h.client.sequence + 1);
        }
        EXPECT_EQ(
            h.recorder.events,
            std::vector<std::string>({"open 1", arrives ? "close 1 abcdef|" : "close 1 abc###|"}));
    }
}

TEST(TcpFollower, LateSegmentsArePassedOverAndOnlyANewHandshakeReusesThePorts) {
    Harness h;
    h.feed.Handshake(h.client, h.server);
    h.feed.Send(h.client, Text("abc"));
    h.feed.Close(h.client, h.server);
    h.feed.SendAt(h.client, h.client.sequence - 3, Text("abc"), tcp_flags::kAck);
    h.feed.SendAt(h.client, h.client.sequence - 3, Text("abc"), tcp_flags::kAck, 10);
    h.feed.SendAt(h.server, h.server.sequence - 1, {}, tcp_flags::kSyn | tcp_flags::kAck);
    Flow again{h.client.from, h.client.to, 555000};
    Flow answer = again.Reverse(777000);
    h.feed.Handshake(again, answer);
    h.feed.Send(again, Text("xy"));
    h.follower.Finish();
    EXPECT_EQ(h.recorder.events,
              std::vector<std::string>({"open 1", "close 1 abc|", "passed 1 3/3", "passed 1 10/3",
                                        "open 2", "close 2 xy|"}));
}

FollowerSettings Bounded(size_t maxOpen, size_t closedKept) {
    FollowerSettings settings;
    settings.maxOpenConnections = maxOpen;
    settings.closedConnectionsKept = closedKept;
    return settings;
}

Flow ClientNumber(int i) {
    return {At(10, static_cast<uint16_t>(41000 + i)), At(20, 502), 1000};
}

TEST(TcpFollower, PastTheBoundTheIdlestConnectionsCloseFirst) {
    Harness h(Bounded(4, 100));
    std::vector<Flow> flows;
    for (int i = 0; i < 6; ++i) {
        flows.push_back(ClientNumber(i));
    }
    for (const int i : {0, 1, 2, 3, 0, 1, 4, 5}) {  // 1 and 2 busier than 3 and 4
        h.feed.Send(flows[i], Text("a"));
        // Never more than the bound open at once.
        EXPECT_LE(h.recorder.Matching("open").size() - h.recorder.Matching("close").size(), 4u);
    }
    std::vector<std::string> closed = h.recorder.Matching("close");
    std::sort(closed.begin(), closed.end());
    EXPECT_EQ(closed, std::vector<std::string>({"close 3 a|", "close 4 a|"}));
    for (const uint64_t open : {1, 2, 5, 6}) {
        ASSERT_NE(h.follower.FindById(open), nullptr);
        EXPECT_FALSE(h.follower.FindById(open)->closed) << open;
    }
    h.feed.SendAt(flows[2], 1000, Text("a"), tcp_flags::kAck);
    EXPECT_EQ(h.recorder.events.back(), "passed 3 1/1");
}

TEST(TcpFollower, ClosedConnectionsPastTheKeptNumberAreForgotten) {
    Harness h(Bounded(100, 2));
    std::vector<Flow> flows;
    for (int i = 0; i < 3; ++i) {
        flows.push_back(ClientNumber(i));
        h.feed.Send(flows[i], Text("a"));
        h.Reset(flows[i]);
    }
    for (Flow& flow : flows) {
        h.feed.SendAt(flow, flow.sequence - 1, Text("a"), tcp_flags::kAck);
    }
    EXPECT_EQ(h.recorder.events,
              std::vector<std::string>({"open 1", "close 1 a|", "open 2", "close 2 a|", "open 3",
                                        "close 3 a|", "open 4", "passed 2 1/1", "passed 3 1/1"}));
}

// Reused ports count once among the closed kept: the newer connection is not forgotten early.
TEST(TcpFollower, ReusedPortsCountOnceAmongTheClosedKept) {
    Harness h(Bounded(100, 2));
    h.feed.Send(h.client, Text("a"));
    h.Reset(h.client);
    Flow again{h.client.from, h.client.to, 555000};
    Flow answer = again.Reverse(777000);
    h.feed.Handshake(again, answer);
    h.feed.Send(again, Text("b"));
    h.Reset(again);
    Flow other = ClientNumber(7);
    h.feed.Send(other, Text("c"));
    h.Reset(other);
    h.feed.SendAt(again, again.sequence - 1, Text("b"), tcp_flags::kAck);
    EXPECT_EQ(h.recorder.events.back(), "passed 2 1/1");
}

TEST(TcpFollower, ConnectionLetGoGetsNoBytesButStillCloses) {
    for (const bool byReset : {false, true}) {
        SCOPED_TRACE(byReset ? "RST" : "FIN");
        Harness h;
        h.feed.Handshake(h.client, h.server);
        h.feed.Send(h.client, Text("abc"));
        h.recorder.letGo.insert(1);
        h.feed.Send(h.server, Text("xyz"));  // handed on before KeepFollowing is asked
        h.feed.Send(h.client, Text("def"));
        h.feed.Send(h.server, Text("uv"));
        if (byReset) {
            h.Reset(h.server);
        } else {
            h.feed.Close(h.client, h.server);
        }
        h.feed.Send(h.client, Text("g"));
        h.follower.Finish();
        EXPECT_EQ(h.recorder.events,
                  std::vector<std::string>({"open 1", "passed 1 3/3", "passed 1 2/2",
                                            "close 1 abc|xyz", "passed 1 1/1"}));
    }
}

TEST(TcpFollower, AcceptingEndIsTheOneThatAnsweredTheSyn) {
    enum Segment { kSyn, kSynAck, kAck };
    const std::vector<std::vector<Segment>> captures = {
        {kSyn, kSynAck, kAck}, {kSynAck, kAck}, {kSyn, kAck}};
    for (const std::vector<Segment>& capture : captures) {
        SCOPED_TRACE(&capture - captures.data());
        Harness h;
        for (const Segment segment : capture) {
            if (segment == kSyn) {
                h.feed.SendAt(h.client, 999, {}, tcp_flags::kSyn);
            } else if (segment == kSynAck) {
                h.feed.SendAt(h.server, 8999, {}, tcp_flags::kSyn | tcp_flags::kAck, -1, 1000);
            } else {
                h.feed.SendAt(h.client, 1000, {}, tcp_flags::kAck, -1, 9000);
            }
        }
        ASSERT_FALSE(h.recorder.accepted.empty());
        for (const std::string& end : h.recorder.accepted) {
            EXPECT_EQ(end, "192.168.0.20:502");
        }
    }
}

}  // namespace
