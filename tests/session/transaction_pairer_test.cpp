#include "session/transaction_pairer.h"

#include <gtest/gtest.h>

#include "modbus/rtu_frame.h"
#include "session/modbus_session.h"
#include "tests/session/session_test_support.h"

namespace {

class TransactionPairerTest : public ::testing::Test {
protected:
    TransactionPairerTest()
        : pairer_(Settings(), [this](Transaction&& t) { out_.push_back(std::move(t)); }) {}

    static PairingSettings Settings() {
        PairingSettings settings;
        settings.responseTimeoutNanoseconds = 1'000'000'000;
        return settings;
    }

    // A pairer with small bounds on waiting requests and held transactions.
    void Limit(size_t maxOutstanding, size_t maxHeld) {
        PairingSettings settings = Settings();
        settings.maxOutstandingRequests = maxOutstanding;
        settings.maxHeldTransactions = maxHeld;
        pairer_ =
            TransactionPairer(settings, [this](Transaction&& t) { out_.push_back(std::move(t)); });
    }

    // A message at `seconds` of capture time; ToServer is a request, ToClient a response.
    void Message(uint64_t connection, uint16_t transactionId, MessageDirection direction,
                 int64_t seconds = 0, uint8_t unit = 1, uint8_t function = 3) {
        Message(connection, transactionId, direction, Bytes{function, 0x02, 0x00, 0x07}, seconds,
                unit);
    }
    void Message(uint64_t connection, uint16_t transactionId, MessageDirection direction,
                 const Bytes& pdu, int64_t seconds = 0, uint8_t unit = 1) {
        CModbusMessage message;
        message.number = ++number_;
        message.connectionId = connection;
        const Endpoint client = At(static_cast<uint8_t>(connection), 40000);
        const Endpoint server = At(100, 502);
        const bool toServer = direction != MessageDirection::ToClient;
        message.source = toServer ? client : server;
        message.destination = toServer ? server : client;
        message.direction = direction;
        message.transactionId = transactionId;
        message.unit = unit;
        message.frame = RtuFrameOf(unit, ByteView(pdu));
        message.time.seconds = seconds;
        pairer_.OnMessage(message);
    }

    std::vector<uint64_t> ReportNumbers() const {
        std::vector<uint64_t> numbers;
        for (const Transaction& t : out_) {
            numbers.push_back(t.ReportNumber());
        }
        return numbers;
    }

    std::vector<Transaction> out_;
    TransactionPairer pairer_;
    uint64_t number_ = 0;
};

constexpr auto kRequest = MessageDirection::ToServer;
constexpr auto kResponse = MessageDirection::ToClient;

TEST_F(TransactionPairerTest, PipelinedRequestsPairByTransactionId) {
    Message(1, 10, kRequest);
    Message(1, 11, kRequest);
    Message(1, 12, kRequest);
    Message(1, 11, kResponse);  // 4
    EXPECT_TRUE(out_.empty());  // request 10 may still close before it
    Message(1, 10, kResponse);  // 5
    Message(1, 12, kResponse);  // 6
    ASSERT_EQ(ReportNumbers(), std::vector<uint64_t>({4, 5, 6}));
    EXPECT_EQ(out_[0].request->number, 2u);
    EXPECT_EQ(out_[1].request->number, 1u);
    EXPECT_EQ(out_[2].request->transactionId, 12);
    EXPECT_EQ(out_[0].Server().ToString(), "192.168.0.100:502");
    EXPECT_FALSE(out_[0].unitMismatch || out_[0].functionMismatch);
}

TEST_F(TransactionPairerTest, ConnectionsPairSeparately) {
    Message(1, 5, kRequest);
    Message(2, 5, kRequest);
    Message(2, 5, kResponse);
    Message(1, 5, kResponse);
    ASSERT_EQ(out_.size(), 2u);
    EXPECT_EQ(out_[0].request->connectionId, 2u);
    EXPECT_EQ(out_[1].request->connectionId, 1u);
}

TEST_F(TransactionPairerTest, UnansweredRequestTimesOutAndHoldsBackLaterOnes) {
    Message(1, 1, kRequest, 0);
    Message(2, 1, kRequest, 0);
    Message(2, 1, kResponse, 0);
    EXPECT_TRUE(out_.empty());
    pairer_.OnTime(2'000'000'000);
    ASSERT_EQ(ReportNumbers(), std::vector<uint64_t>({1, 3}));
    EXPECT_FALSE(out_[0].response.has_value());
    EXPECT_EQ(out_[0].unanswered, Unanswered::TimedOut);
    Message(1, 1, kResponse, 2);  // too late: a response alone
    ASSERT_EQ(out_.size(), 3u);
    EXPECT_FALSE(out_[2].request.has_value());
    EXPECT_EQ(out_[2].Client().ToString(), "192.168.0.1:40000");
}

TEST_F(TransactionPairerTest, RequestsEndWithTheirConnectionOrTheCapture) {
    Message(1, 1, kRequest);
    Message(2, 1, kRequest);
    pairer_.OnConnectionClosed(1, false);
    ASSERT_EQ(out_.size(), 1u);
    EXPECT_EQ(out_[0].unanswered, Unanswered::ConnectionClosed);
    pairer_.OnCaptureEnd();
    ASSERT_EQ(out_.size(), 2u);
    EXPECT_EQ(out_[1].unanswered, Unanswered::CaptureEnded);
}

// Several requests with one transaction id before the answers: first in, first out, and the
// later ones flagged.
TEST_F(TransactionPairerTest, RequestsSharingAnIdArePairedOldestFirst) {
    Message(1, 504, kRequest);
    Message(1, 504, kRequest);
    Message(1, 504, kRequest);
    Message(1, 504, kResponse);
    Message(1, 504, kResponse);
    Message(1, 504, kResponse);
    ASSERT_EQ(ReportNumbers(), std::vector<uint64_t>({4, 5, 6}));
    for (size_t i = 0; i < 3; ++i) {
        ASSERT_TRUE(out_[i].request.has_value());
        EXPECT_EQ(out_[i].request->number, i + 1);
        EXPECT_EQ(out_[i].duplicateTransactionId, i > 0);
    }
}

// A write's echo goes to the request it repeats, whatever the order of the answers.
TEST_F(TransactionPairerTest, AnEchoFindsTheWriteItRepeats) {
    const Bytes first = {0x06, 0x00, 0x01, 0x00, 0x0A};
    const Bytes second = {0x06, 0x00, 0x02, 0x00, 0x0B};
    const Bytes coils = {0x0F, 0x00, 0x13, 0x00, 0x0A, 0x02, 0xCD, 0x01};
    Message(1, 9, kRequest, first);
    Message(1, 9, kRequest, second);
    Message(1, 9, kRequest, coils);
    Message(1, 9, kResponse, Bytes{0x0F, 0x00, 0x13, 0x00, 0x0A});
    Message(1, 9, kResponse, second);
    Message(1, 9, kResponse, first);
    ASSERT_EQ(out_.size(), 3u);
    EXPECT_EQ(out_[0].request->number, 3u);  // report numbers follow the responses
    EXPECT_EQ(out_[1].request->number, 2u);
    EXPECT_EQ(out_[2].request->number, 1u);
}

TEST_F(TransactionPairerTest, MismatchedUnitOrFunctionIsPairedAndFlagged) {
    Message(1, 1, kRequest, 0, 1, 3);
    Message(1, 1, kResponse, 0, 2, 0x83);  // an exception keeps its function
    Message(1, 2, kRequest, 0, 1, 3);
    Message(1, 2, kResponse, 0, 1, 4);
    ASSERT_EQ(out_.size(), 2u);
    EXPECT_TRUE(out_[0].unitMismatch);
    EXPECT_FALSE(out_[0].functionMismatch);
    EXPECT_FALSE(out_[1].unitMismatch);
    EXPECT_TRUE(out_[1].functionMismatch);
}

TEST_F(TransactionPairerTest, UnknownDirectionPairsWhenItComesBackTheOtherWay) {
    Message(1, 3, MessageDirection::Unknown);
    Message(1, 3, kResponse);
    ASSERT_EQ(out_.size(), 1u);
    EXPECT_TRUE(out_[0].request && out_[0].response);
}

TEST_F(TransactionPairerTest, PastTheWaitingBoundTheOldestRequestClosesAlone) {
    Limit(2, 100);
    Message(1, 1, kRequest);
    Message(1, 2, kRequest);
    EXPECT_TRUE(out_.empty());
    Message(1, 3, kRequest);
    ASSERT_EQ(ReportNumbers(), std::vector<uint64_t>({1}));
    EXPECT_EQ(out_[0].unanswered, Unanswered::TooManyWaiting);
    EXPECT_FALSE(out_[0].response.has_value());
    Message(1, 3, kResponse);
    Message(1, 2, kResponse);
    Message(1, 1, kResponse);  // its request was given up: a response alone
    ASSERT_EQ(ReportNumbers(), std::vector<uint64_t>({1, 4, 5, 6}));
    EXPECT_EQ(out_[1].request->number, 3u);
    EXPECT_EQ(out_[2].request->number, 2u);
    EXPECT_FALSE(out_[3].request.has_value());
}

TEST_F(TransactionPairerTest, PastTheHeldBoundTheOldestWaitingRequestIsGivenUp) {
    Limit(100, 3);
    Message(1, 1, kRequest);  // never answered: holds back what follows
    for (uint16_t id = 2; id < 6; ++id) {
        EXPECT_TRUE(out_.empty());
        Message(2, id, kRequest);
        Message(2, id, kResponse);
    }
    ASSERT_EQ(ReportNumbers(), std::vector<uint64_t>({1, 3, 5, 7, 9}));
    EXPECT_EQ(out_[0].unanswered, Unanswered::TooManyWaiting);
    for (size_t i = 1; i < out_.size(); ++i) {
        EXPECT_TRUE(out_[i].request && out_[i].response);
    }
}

// Two clients interleaved, each talking to three of six servers, from segments to transactions.
TEST(StreamToTransactions, InterleavedClientsAndSixServers) {
    std::vector<Transaction> out;
    TransactionPairer pairer({}, [&out](Transaction&& t) { out.push_back(std::move(t)); });
    ModbusSession decoder({}, pairer);
    SegmentFeeder feed(
        [&decoder](const TcpSegment& s, const CaptureRecord& r) { decoder.Add(s, r); });
    std::vector<Flow> requests;
    for (uint8_t server = 0; server < 6; ++server) {
        requests.push_back(
            {At(static_cast<uint8_t>(1 + server % 2), 40000), At(200 + server, 502)});
    }
    std::vector<Flow> responses;
    for (const Flow& flow : requests) {
        responses.push_back(flow.Reverse(50000));
    }
    for (uint16_t round = 0; round < 3; ++round) {
        for (size_t i = 0; i < requests.size(); ++i) {
            feed.Send(requests[i], Adu(round, static_cast<uint8_t>(i), {0x03, 0, 0, 0, 1}));
        }
        for (size_t i = requests.size(); i-- > 0;) {
            feed.Send(responses[i], Adu(round, static_cast<uint8_t>(i), {0x03, 2, 0, 0}));
        }
    }
    decoder.Finish();
    ASSERT_EQ(out.size(), 18u);
    for (size_t i = 0; i < out.size(); ++i) {
        ASSERT_TRUE(out[i].request && out[i].response);
        EXPECT_EQ(out[i].request->unit, out[i].response->unit);
        EXPECT_EQ(out[i].Server(), out[i].response->source);
        EXPECT_FALSE(out[i].unitMismatch);
        if (i > 0) {
            EXPECT_LT(out[i - 1].ReportNumber(), out[i].ReportNumber());
        }
    }
}

}  // namespace
