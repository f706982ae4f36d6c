#include "session/modbus_session.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>

#include "capture/capture_time.h"
#include "tests/session/session_test_support.h"

namespace {

const Bytes kReadPdu = {0x03, 0x00, 0x00, 0x00, 0x02};
const Bytes kAnswerPdu = {0x03, 0x04, 0x00, 0x2A, 0x00, 0x2B};

class StreamDecoderTest : public ::testing::Test {
protected:
    explicit StreamDecoderTest(SessionSettings settings = {})
        : decoder_(std::move(settings), sink_),
          feed_([this](const TcpSegment& s, const CaptureRecord& r) { decoder_.Add(s, r); }) {}

    std::vector<uint16_t> TransactionIds() const {
        std::vector<uint16_t> ids;
        for (const CModbusMessage& message : sink_.messages) {
            ids.push_back(message.transactionId);
        }
        return ids;
    }

    RecordingSink sink_;
    ModbusSession decoder_;
    SegmentFeeder feed_;
    Flow client_{At(10, 40000), At(20, 502), 1000};
    Flow server_ = client_.Reverse(9000);
};

TEST_F(StreamDecoderTest, JoinsAMessageSplitOverThreeSegments) {
    const Bytes request = Adu(7, 1, kReadPdu);
    feed_.Send(client_, Bytes(request.begin(), request.begin() + 4));
    feed_.Send(client_, Bytes(request.begin() + 4, request.begin() + 9));
    EXPECT_TRUE(sink_.messages.empty());
    feed_.Send(client_, Bytes(request.begin() + 9, request.end()));
    decoder_.Finish();
    ASSERT_EQ(sink_.messages.size(), 1u);
    const CModbusMessage& message = sink_.messages[0];
    EXPECT_EQ(message.number, 1u);
    EXPECT_EQ(message.captureRecord, 3u);
    EXPECT_EQ(message.unit, 1);
    EXPECT_EQ(PduOf(message.frame), kReadPdu);
    EXPECT_EQ(message.direction, MessageDirection::ToServer);
    EXPECT_EQ(message.source.ToString(), "192.168.0.10:40000");
    EXPECT_TRUE(sink_.ended);
}

TEST_F(StreamDecoderTest, SplitsThreeMessagesInOneSegmentInStreamOrder) {
    feed_.Send(server_,
               Join({Adu(1, 1, kAnswerPdu), Adu(2, 1, kAnswerPdu), Adu(3, 1, kAnswerPdu)}));
    decoder_.Finish();
    EXPECT_EQ(TransactionIds(), std::vector<uint16_t>({1, 2, 3}));
    ASSERT_EQ(sink_.messages.size(), 3u);
    EXPECT_EQ(sink_.messages[2].number, 3u);
    EXPECT_EQ(sink_.messages[2].captureRecord, 1u);
    EXPECT_EQ(sink_.messages[2].direction, MessageDirection::ToClient);
}

TEST_F(StreamDecoderTest, GapAcknowledgedByThePeerIsCountedAndFramingResumes) {
    feed_.Handshake(client_, server_);
    feed_.Send(client_, Adu(1, 1, kReadPdu));
    client_.sequence += 12;  // request 2 was never captured
    feed_.Send(client_, Adu(3, 1, kReadPdu));
    EXPECT_EQ(sink_.messages.size(), 1u);
    feed_.SendAt(server_, server_.sequence, {}, tcp_flags::kAck, -1, client_.sequence);
    EXPECT_EQ(TransactionIds(), std::vector<uint16_t>({1, 3}));
    decoder_.Finish();
    EXPECT_EQ(decoder_.counts().missingBytes, 12u);
}

TEST_F(StreamDecoderTest, SegmentCapturedShortLosesOnlyItsMessage) {
    const Bytes answer = Adu(1, 1, kAnswerPdu);
    feed_.SendAt(server_, server_.sequence, Bytes(answer.begin(), answer.begin() + 10),
                 tcp_flags::kAck, static_cast<int64_t>(answer.size()));
    server_.sequence += static_cast<uint32_t>(answer.size());
    feed_.Send(server_, Adu(2, 1, kAnswerPdu));
    decoder_.Finish();
    EXPECT_EQ(TransactionIds(), std::vector<uint16_t>({2}));
    EXPECT_EQ(decoder_.counts().missingBytes, answer.size() - 10);
    EXPECT_EQ(decoder_.counts().discardedBytes, 10u);
}

TEST_F(StreamDecoderTest, ClientAndServerOnOneAddressAreTellApartByPort) {
    const IpAddress loopback = IpAddress::V4(127, 0, 0, 1);
    Flow first{{loopback, 50001}, {loopback, 502}};
    Flow second{{loopback, 50002}, {loopback, 502}};
    feed_.Send(first, Adu(1, 1, kReadPdu));
    feed_.Send(second, Adu(1, 2, kReadPdu));
    Flow answer = first.Reverse(5000);
    feed_.Send(answer, Adu(1, 1, kAnswerPdu));
    decoder_.Finish();
    ASSERT_EQ(sink_.messages.size(), 3u);
    EXPECT_NE(sink_.messages[0].connectionId, sink_.messages[1].connectionId);
    EXPECT_EQ(sink_.messages[2].connectionId, sink_.messages[0].connectionId);
    EXPECT_EQ(sink_.messages[2].direction, MessageDirection::ToClient);
    EXPECT_EQ(sink_.messages[2].destination.ToString(), "127.0.0.1:50001");
}

TEST_F(StreamDecoderTest, OtherTrafficGivesNoMessagesAndIsCounted) {
    Flow browser{At(10, 51000), At(30, 80)};
    Flow web = browser.Reverse(7000);
    feed_.Handshake(browser, web);
    const std::string get = "GET /index.html HTTP/1.1\r\nHost: x\r\n\r\n";
    feed_.Send(browser, Bytes(get.begin(), get.end()));
    feed_.Send(client_, Adu(1, 1, kReadPdu));
    const std::string ok = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n";
    feed_.Send(web, Bytes(ok.begin(), ok.end()));
    decoder_.Finish();
    EXPECT_EQ(TransactionIds(), std::vector<uint16_t>({1}));
    EXPECT_EQ(decoder_.counts().nonModbusSegments, 2u);
    EXPECT_EQ(decoder_.counts().nonModbusConnections, 1u);
    EXPECT_EQ(decoder_.counts().modbusConnections, 1u);
}

TEST_F(StreamDecoderTest, RecognisesModbusOnAnotherPortByContent) {
    Flow device{At(10, 40100), At(40, 5020)};
    Flow reply = device.Reverse(3000);
    feed_.Handshake(device, reply);
    feed_.Send(device, Adu(1, 1, kReadPdu));
    feed_.Send(client_, Adu(9, 1, kReadPdu));  // on port 502, captured after the first
    feed_.Send(reply, Adu(1, 1, kAnswerPdu));
    EXPECT_TRUE(sink_.messages.empty());  // held: the first may not overtake the unproven one
    feed_.Send(device, Adu(2, 1, kReadPdu));
    EXPECT_EQ(TransactionIds(), std::vector<uint16_t>({1, 9, 1, 2}));
    EXPECT_EQ(sink_.messages[0].direction, MessageDirection::ToServer);  // from the handshake
    EXPECT_EQ(sink_.messages[2].direction, MessageDirection::ToClient);
    EXPECT_EQ(sink_.messages[3].number, 4u);
}

TEST_F(StreamDecoderTest, ConnectionEndsAfterTheDataBeforeItsFin) {
    feed_.Handshake(client_, server_);
    feed_.Send(client_, Adu(1, 1, kReadPdu));
    feed_.Close(client_, server_);
    EXPECT_EQ(TransactionIds(), std::vector<uint16_t>({1}));
    EXPECT_EQ(sink_.closed, std::vector<uint64_t>({1}));
    feed_.SendAt(client_, client_.sequence - 12, Adu(1, 1, kReadPdu), tcp_flags::kAck);
    decoder_.Finish();
    EXPECT_EQ(sink_.messages.size(), 1u);  // a late retransmission opens nothing
}

class ConfiguredDecoderTest : public StreamDecoderTest {
protected:
    static SessionSettings Settings() {
        SessionSettings settings;
        settings.modbusPorts.push_back(1502);
        return settings;
    }
    ConfiguredDecoderTest() : StreamDecoderTest(Settings()) {}
};

TEST_F(ConfiguredDecoderTest, ExtraPortIsModbusAtOnce) {
    Flow flow{At(10, 40200), At(50, 1502)};
    feed_.Send(flow, Adu(1, 1, kReadPdu));
    ASSERT_EQ(sink_.messages.size(), 1u);
    EXPECT_EQ(sink_.messages[0].direction, MessageDirection::ToServer);
}

TEST_F(ConfiguredDecoderTest, ContentDecidesTheServerWhenNothingElseDoes) {
    Flow a{At(10, 1502), At(20, 502)};  // both ends on Modbus ports, no handshake seen
    Flow b = a.Reverse(100);
    feed_.Send(b, Adu(4, 1, {0x08, 0x00, 0x00, 0x12, 0x34}));  // diagnostics: undecided
    feed_.Send(b, Adu(5, 1, kAnswerPdu));
    feed_.Send(a, Adu(6, 1, kReadPdu));
    ASSERT_EQ(sink_.messages.size(), 3u);
    // The diagnostics waited for the response that told its sender was the server.
    EXPECT_EQ(sink_.messages[0].direction, MessageDirection::ToClient);
    EXPECT_EQ(sink_.messages[1].direction, MessageDirection::ToClient);
    EXPECT_EQ(sink_.messages[2].direction, MessageDirection::ToServer);
}

// Writes of function 6 read either way: the end whose transaction id comes back is the client.
TEST_F(StreamDecoderTest, EchoedIdTellsTheServerWhenBothEndsUseTheModbusPort) {
    Flow a{At(10, 502), At(20, 502)};
    Flow b = a.Reverse(100);
    const Bytes write = {0x06, 0x00, 0x01, 0x00, 0x07};
    feed_.Send(b, Adu(1, 1, write));
    EXPECT_TRUE(sink_.messages.empty());  // waits for its direction
    feed_.Send(a, Adu(1, 1, write));
    feed_.Send(b, Adu(2, 1, write));
    decoder_.Finish();
    ASSERT_EQ(sink_.messages.size(), 3u);
    EXPECT_EQ(sink_.messages[0].direction, MessageDirection::ToServer);
    EXPECT_EQ(sink_.messages[1].direction, MessageDirection::ToClient);
    EXPECT_EQ(sink_.messages[2].direction, MessageDirection::ToServer);
}

// A read request (function 3 with a reference and a count) can only be a poll: with both ends on
// the Modbus port and no handshake, its receiver is the server.
TEST_F(StreamDecoderTest, APollMakesItsReceiverTheServerWhenBothEndsUseTheModbusPort) {
    Flow a{At(10, 502), At(20, 502)};
    feed_.Send(a, Adu(1, 1, kReadPdu));
    decoder_.Finish();
    ASSERT_EQ(sink_.messages.size(), 1u);
    EXPECT_EQ(sink_.messages[0].direction, MessageDirection::ToServer);
    EXPECT_EQ(sink_.messages[0].destination.ToString(), "192.168.0.20:502");
}

TEST_F(StreamDecoderTest, UndecidedServerReleasesItsMessagesWhenTheConnectionEnds) {
    Flow a{At(10, 502), At(20, 502)};
    feed_.Send(a, Adu(1, 1, {0x06, 0x00, 0x01, 0x00, 0x07}));
    decoder_.Finish();
    ASSERT_EQ(sink_.messages.size(), 1u);
    EXPECT_EQ(sink_.messages[0].direction, MessageDirection::Unknown);
}

// Another protocol's records on port 502 (an RPC record mark where the protocol id would be,
// then what frames by chance as length-2 reads): neither messages nor lost bytes.
TEST_F(StreamDecoderTest, OtherProtocolOnTheModbusPortIsPassedOver) {
    const Bytes record = {0x80, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02,
                          0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x01};
    feed_.Handshake(client_, server_);
    feed_.Send(client_, record);
    feed_.Send(server_, record);
    feed_.Send(client_, record);
    decoder_.Finish();
    EXPECT_TRUE(sink_.messages.empty());
    EXPECT_EQ(decoder_.passedOver().count, 1u);
    EXPECT_EQ(decoder_.counts().modbusConnections, 0u);
    EXPECT_EQ(decoder_.counts().discardedBytes, 0u);
    EXPECT_EQ(decoder_.counts().lostMessages, 0u);
}

// It is named with its ends (the server on the Modbus port), what each end sent and why: the
// client's first header has the record mark's low half, 0x0010, where the protocol id is.
TEST_F(StreamDecoderTest, APassedOverConnectionIsNamedWithItsEndsBytesAndWhy) {
    const Bytes record = {0x80, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02,
                          0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x01};
    feed_.Send(server_, Bytes(record.begin(), record.begin() + 8));
    feed_.Send(client_, record);
    feed_.Send(client_, record);
    decoder_.Finish();
    ASSERT_EQ(decoder_.passedOver().named.size(), 1u);
    const PassedOverConnection& named = decoder_.passedOver().named[0];
    EXPECT_EQ(named.client.ToString(), "192.168.0.10:40000");
    EXPECT_EQ(named.server.ToString(), "192.168.0.20:502");
    EXPECT_EQ(named.clientBytes, 40u);
    EXPECT_EQ(named.serverBytes, 8u);
    EXPECT_EQ(named.reason, "the client's first bytes are no MBAP header (protocol id 16, not 0)");
}

// Both ends on the Modbus port, no handshake, nothing framed: the server is the end seen second.
TEST_F(StreamDecoderTest, APassedOverConnectionWithNoServerKnownNamesTheEndSeenSecondServer) {
    const Bytes record = {0x80, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02,
                          0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x01};
    Flow first{At(10, 502), At(20, 502)};
    Flow second = first.Reverse(100);
    feed_.Send(first, record);
    feed_.Send(second, Bytes(record.begin(), record.begin() + 8));
    feed_.Send(first, record);
    decoder_.Finish();
    ASSERT_EQ(decoder_.passedOver().named.size(), 1u);
    const PassedOverConnection& named = decoder_.passedOver().named[0];
    EXPECT_EQ(named.client.ToString(), "192.168.0.10:502");
    EXPECT_EQ(named.server.ToString(), "192.168.0.20:502");
    EXPECT_EQ(named.clientBytes, 40u);
    EXPECT_EQ(named.serverBytes, 8u);
}

// Why, told of the client when both ends broke framing: a header too short to hold a function
// code.
TEST_F(StreamDecoderTest, TheReasonTellsAHeaderTooShort) {
    const Bytes tooShort = {0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x01, 0x00};
    feed_.Send(client_, tooShort);
    feed_.Send(server_, {0x00, 0x01, 0x00, 0x07, 0x00, 0x01, 0x01, 0x00});
    decoder_.Finish();
    ASSERT_EQ(decoder_.passedOver().named.size(), 1u);
    EXPECT_EQ(decoder_.passedOver().named[0].reason,
              "the client's first bytes are no MBAP header (length 1)");
}

TEST_F(StreamDecoderTest, OneBrokenMessageLeavesTheConnectionModbus) {
    Bytes broken = Adu(1, 1, kReadPdu);
    broken[3] = 1;  // protocol id 1
    feed_.Send(client_, broken);
    feed_.Send(client_, Adu(2, 1, kReadPdu));
    feed_.Send(server_, Adu(2, 1, kAnswerPdu));
    feed_.Send(client_, Adu(3, 1, kReadPdu));
    decoder_.Finish();
    EXPECT_EQ(TransactionIds(), std::vector<uint16_t>({2, 2, 3}));
    EXPECT_EQ(decoder_.passedOver().count, 0u);
    EXPECT_EQ(decoder_.counts().modbusConnections, 1u);
}

// Random segmentation, retransmission and reordering within the bounds, across the sequence
// number wrap: every message comes out once and in order, and every captured byte is framed or
// counted as repeated.
TEST_F(StreamDecoderTest, EveryPayloadByteIsFramedExactlyOnce) {
    client_.sequence = 0xFFFFF000u;
    std::vector<Bytes> sent;
    for (uint16_t id = 0; id < 300; ++id) {
        sent.push_back(Adu(id, 1, Bytes(1 + id % 50, static_cast<uint8_t>(id))));
        sent.back()[7] = 0x10;
    }
    const Bytes stream = Join(sent);
    std::mt19937 random(11);
    struct Piece {
        uint32_t offset;
        Bytes bytes;
    };
    std::vector<Piece> pieces;
    for (uint32_t at = 0; at < stream.size();) {
        const uint32_t size = std::min<uint32_t>(1 + random() % 90, stream.size() - at);
        pieces.push_back({at, Bytes(stream.begin() + at, stream.begin() + at + size)});
        at += size;
    }
    feed_.Handshake(client_, server_);
    uint64_t capturedBytes = 0;
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (i + 1 < pieces.size() && random() % 5 == 0) {
            std::swap(pieces[i], pieces[i + 1]);  // reordered
        }
        const Piece& piece = pieces[i];
        feed_.SendAt(client_, client_.sequence + piece.offset, piece.bytes, tcp_flags::kAck);
        capturedBytes += piece.bytes.size();
        if (random() % 7 == 0) {
            feed_.SendAt(client_, client_.sequence + piece.offset, piece.bytes, tcp_flags::kAck);
            capturedBytes += piece.bytes.size();
        }
    }
    decoder_.Finish();
    ASSERT_EQ(sink_.messages.size(), sent.size());
    for (size_t i = 0; i < sent.size(); ++i) {
        const CModbusMessage& message = sink_.messages[i];
        EXPECT_EQ(Adu(message.transactionId, message.unit, PduOf(message.frame)), sent[i]);
    }
    const SessionCounts& counts = decoder_.counts();
    EXPECT_EQ(counts.framedBytes, stream.size());
    EXPECT_EQ(counts.framedBytes + counts.repeatedBytes, capturedBytes);
    EXPECT_EQ(counts.missingBytes + counts.discardedBytes, 0u);
}

}  // namespace

namespace {

class BoundedDecoderTest : public StreamDecoderTest {
protected:
    static SessionSettings Settings() {
        SessionSettings settings;
        settings.follower.maxOpenConnections = 8;
        return settings;
    }
    BoundedDecoderTest() : StreamDecoderTest(Settings()) {}
};

}  // namespace

TEST_F(StreamDecoderTest, PortsReusedWithANewHandshakeStartANewConnection) {
    // The first connection's FIN was not captured; the client comes back from the same port.
    feed_.Handshake(client_, server_);
    feed_.Send(client_, Adu(1, 1, kReadPdu));
    feed_.Send(server_, Adu(1, 1, kAnswerPdu));
    Flow again{client_.from, client_.to, 555000};
    Flow answer = again.Reverse(777000);
    feed_.Handshake(again, answer);
    feed_.Send(again, Adu(1, 1, kReadPdu));
    feed_.Send(answer, Adu(1, 1, kAnswerPdu));
    decoder_.Finish();
    ASSERT_EQ(sink_.messages.size(), 4u);
    EXPECT_NE(sink_.messages[0].connectionId, sink_.messages[3].connectionId);
    EXPECT_EQ(sink_.messages[3].direction, MessageDirection::ToClient);
}

TEST_F(BoundedDecoderTest, OpenConnectionsStayBoundedAndLoseNothing) {
    // Many clients each send a request and never close; past the bound the idlest are closed.
    for (uint16_t i = 0; i < 100; ++i) {
        Flow flow{At(10, static_cast<uint16_t>(41000 + i)), At(20, 502), 1000};
        feed_.Send(flow, Adu(i, 1, kReadPdu));
    }
    EXPECT_GE(sink_.closed.size(), 90u);  // closed along the way, not only at the end
    decoder_.Finish();
    EXPECT_EQ(sink_.messages.size(), 100u);
}

// A retransmission that fills a hole seconds later does not move the messages behind the hole:
// each keeps the record and time that first carried its last byte.
TEST_F(StreamDecoderTest, MessagesKeepTheTimeTheirLastByteWasFirstCaptured) {
    feed_.Handshake(client_, server_);
    const Bytes first = Adu(1, 1, kAnswerPdu);
    const Bytes second = Adu(2, 1, kAnswerPdu);
    feed_.SendAt(server_, server_.sequence + static_cast<uint32_t>(first.size()), second,
                 tcp_flags::kAck);
    const uint64_t secondRecord = feed_.records();
    feed_.AdvanceTime(4'000'000);
    feed_.SendAt(server_, server_.sequence, first, tcp_flags::kAck);
    decoder_.Finish();
    ASSERT_EQ(TransactionIds(), std::vector<uint16_t>({1, 2}));
    EXPECT_EQ(sink_.messages[1].captureRecord, secondRecord);
    EXPECT_GE(ToNanoseconds(sink_.messages[0].time) - ToNanoseconds(sink_.messages[1].time),
              4'000'000'000);
}

// A vendor function longer than Modbus allows (MBAP length 255 and 1000) is framed by its
// length field and the stream stays in step for what follows.
TEST_F(StreamDecoderTest, MessagesLongerThanModbusAllowsKeepTheStreamInStep) {
    Bytes vendor(254, 0x5A);
    vendor[0] = 90;
    Bytes longer(999, 0x11);
    longer[0] = 90;
    feed_.Send(client_, Join({Adu(1, 1, vendor), Adu(2, 1, kReadPdu)}));
    feed_.Send(client_, Adu(3, 1, longer));
    feed_.Send(client_, Adu(4, 1, kReadPdu));
    decoder_.Finish();
    ASSERT_EQ(TransactionIds(), std::vector<uint16_t>({1, 2, 3, 4}));
    EXPECT_EQ(PduOf(sink_.messages[0].frame), vendor);
    EXPECT_EQ(PduOf(sink_.messages[2].frame), longer);
    EXPECT_EQ(decoder_.counts().lostMessages, 0u);
}

// The first request was never captured and the 599 behind it overflow what may wait (512
// segments), so its hole is given up; late retransmissions of the first requests are repeats,
// never new messages, and only the hole counts as never captured.
TEST_F(StreamDecoderTest, RetransmissionsAfterAGivenUpHoleAreRepeats) {
    feed_.Handshake(client_, server_);
    std::vector<Bytes> requests;
    for (uint16_t id = 1; id <= 600; ++id) {
        requests.push_back(Adu(id, 1, kReadPdu));
    }
    const uint32_t start = client_.sequence;
    const uint32_t size = static_cast<uint32_t>(requests[0].size());
    const uint32_t cut = 299;  // request 300 is captured short: its last 2 bytes are missing
    for (uint32_t i = 1; i < requests.size(); ++i) {
        const Bytes& bytes = requests[i];
        feed_.SendAt(client_, start + i * size,
                     i == cut ? Bytes(bytes.begin(), bytes.end() - 2) : bytes, tcp_flags::kAck,
                     size);
    }
    for (uint32_t i : {0u, 1u, 2u, cut}) {
        feed_.SendAt(client_, start + i * size, requests[i], tcp_flags::kAck);
    }
    decoder_.Finish();
    ASSERT_EQ(sink_.messages.size(), 598u);
    EXPECT_EQ(sink_.messages.front().transactionId, 2);
    EXPECT_EQ(sink_.messages.back().transactionId, 600);
    for (const CModbusMessage& message : sink_.messages) {
        EXPECT_EQ(PduOf(message.frame), kReadPdu) << message.transactionId;
        EXPECT_NE(message.transactionId, 300);
    }
    EXPECT_EQ(decoder_.counts().missingBytes, size + 2);
}

// Sequence numbers that jump forward or back further than any segment may wait (a fuzzed or
// rewritten capture): framing goes on at the next message at once, in capture order, with
// nothing counted as never captured.
TEST_F(StreamDecoderTest, JumpsInTheSequenceNumbersGoOnAtTheNextMessage) {
    feed_.Handshake(client_, server_);
    feed_.Send(client_, Adu(1, 1, kReadPdu));
    feed_.Send(server_, Adu(1, 1, kAnswerPdu));
    client_.sequence += 0x40000000;
    feed_.Send(client_, Adu(2, 1, kReadPdu));
    feed_.Send(server_, Adu(2, 1, kAnswerPdu));
    client_.sequence -= 0x60000000;
    feed_.Send(client_, Adu(3, 1, kReadPdu));
    feed_.Send(server_, Adu(3, 1, kAnswerPdu));
    decoder_.Finish();
    EXPECT_EQ(TransactionIds(), std::vector<uint16_t>({1, 1, 2, 2, 3, 3}));
    for (size_t i = 0; i < sink_.messages.size(); ++i) {
        EXPECT_EQ(sink_.messages[i].direction,
                  i % 2 == 0 ? MessageDirection::ToServer : MessageDirection::ToClient);
    }
    EXPECT_EQ(decoder_.counts().sequenceJumps, 2u);
    EXPECT_EQ(decoder_.counts().missingBytes, 0u);
    EXPECT_EQ(decoder_.counts().lostMessages, 0u);
}

// Requests ("q1") and responses ("r1") in capture order, one a segment, request 2 reordered
// behind 3 later ones; nothing acknowledges. Once the server has sent past the hole, the client's
// stream goes on at the next request, and request 2, come late, is framed then: once, whole.
TEST_F(StreamDecoderTest, RequestReorderedBehindLaterOnesIsNeitherLostNorFramedTwice) {
    struct Case {
        const char* sent;
        const char* framed;  // in release order
        uint64_t repeated;
    };
    const Case cases[] = {
        {"q1 q3 q4 q5 q2 r1 r2 r3 r4 r5", "q1 q2 q3 q4 q5 r1 r2 r3 r4 r5", 0},
        {"q1 q3 r1 q4 q5 q2 q2 r2 r3 r4 r5", "q1 q3 r1 q4 q5 q2 r2 r3 r4 r5", 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sent);
        RecordingSink sink;
        ModbusSession session({}, sink);
        SegmentFeeder feed([&](const TcpSegment& s, const CaptureRecord& r) { session.Add(s, r); });
        Flow client = client_;
        Flow server = server_;
        feed.Handshake(client, server);
        std::istringstream sent(c.sent);
        for (std::string step; sent >> step;) {
            const bool request = step[0] == 'q';
            const uint16_t id = static_cast<uint16_t>(std::stoi(step.substr(1)));
            const Bytes message = Adu(id, 1, request ? kReadPdu : kAnswerPdu);
            const Flow& flow = request ? client : server;
            feed.SendAt(flow, flow.sequence + (id - 1u) * static_cast<uint32_t>(message.size()),
                        message, tcp_flags::kAck | tcp_flags::kPsh);
        }
        session.Finish();
        std::string framed;
        for (const CModbusMessage& m : sink.messages) {
            framed += (framed.empty() ? "" : " ") +
                      std::string(m.direction == MessageDirection::ToServer ? "q" : "r") +
                      std::to_string(m.transactionId);
        }
        EXPECT_EQ(framed, c.framed);
        const SessionCounts& counts = session.counts();
        EXPECT_EQ(counts.repeatedBytes, c.repeated);
        EXPECT_EQ(counts.missingBytes + counts.discardedBytes + counts.lostMessages, 0u);
    }
}
