#include "session/mbap_framer.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/session/session_test_support.h"

namespace {

struct Framed : MbapFramer::Output {
    std::vector<FramedMessage> messages;
    MbapFramer framer;
    void Message(FramedMessage&& message) override { messages.push_back(std::move(message)); }
    void Append(const Bytes& bytes, uint64_t record) {
        framer.Append(ByteView(bytes), record, *this);
    }
};

const Bytes kRead = Adu(1, 17, {0x03, 0x00, 0x6B, 0x00, 0x03});
const Bytes kWrite = Adu(2, 17, {0x06, 0x00, 0x01, 0x00, 0x03});
const Bytes kAnswer = Adu(3, 17, {0x03, 0x04, 0x02, 0x2B, 0x00, 0x00});

TEST(MbapFramer, SplitsAndJoinsByTheLengthField) {
    Framed split;
    const Bytes whole = Join({kRead, kWrite});
    split.Append(Bytes(whole.begin(), whole.begin() + 3), 1);
    split.Append(Bytes(whole.begin() + 3, whole.begin() + 9), 2);
    split.Append(Bytes(whole.begin() + 9, whole.end()), 3);
    ASSERT_EQ(split.messages.size(), 2u);
    EXPECT_EQ(split.messages[0].header.transactionId, 1);
    EXPECT_EQ(split.messages[0].header.unit, 17);
    EXPECT_EQ(PduOf(split.messages[0].frame), Bytes({0x03, 0x00, 0x6B, 0x00, 0x03}));
    EXPECT_EQ(split.messages[0].lastByte.number, 3u);  // its last byte came in record 3
    EXPECT_EQ(split.framer.counts().framedBytes, whole.size());
}

TEST(MbapFramer, GapInsideAMessageOfKnownLengthKeepsStep) {
    Framed framed;
    framed.Append(Bytes(kRead.begin(), kRead.begin() + 8), 1);
    framed.framer.MarkGap(2);
    // The read's last two bytes, then a message that begins with bytes no header has.
    framed.Append(Join({Bytes(kRead.end() - 2, kRead.end()), kAnswer}), 2);
    ASSERT_EQ(framed.messages.size(), 1u);
    EXPECT_EQ(framed.messages[0].header.transactionId, 3);
    EXPECT_EQ(framed.framer.counts().discardedBytes, 10u);
    EXPECT_EQ(framed.framer.counts().missingBytes, 2u);
    EXPECT_EQ(framed.framer.counts().implausibleHeaders, 0u);
}

TEST(MbapFramer, ResynchronisesAtTheNextPlausibleHeaderAfterGarbage) {
    Framed framed;
    framed.Append(kRead, 1);
    framed.framer.MarkGap(100);
    // Register values that begin like a header (protocol id 0) but carry an impossible length.
    const Bytes tail = {0x00, 0x00, 0x00, 0x00, 0x01, 0x2C, 0x11, 0x03, 0x09};
    framed.Append(Join({tail, kWrite, kAnswer}), 2);
    ASSERT_EQ(framed.messages.size(), 3u);
    EXPECT_EQ(framed.messages[1].header.transactionId, 2);
    EXPECT_EQ(framed.messages[2].header.transactionId, 3);
    EXPECT_EQ(framed.framer.counts().discardedBytes, tail.size());
}

TEST(MbapFramer, PicksUpAtAUserDefinedFunctionOnlyOnceTheStreamIsModbus) {
    const Bytes userDefined = Adu(4, 1, {0x41, 0x01, 0x02});  // function 65
    for (bool recognising : {false, true}) {
        Framed framed;
        framed.framer.SetRequireKnownFunction(recognising);
        framed.framer.MarkGap(5);
        framed.Append(Join({{0x01, 0x02}, userDefined, kRead}), 1);
        ASSERT_FALSE(framed.messages.empty());
        EXPECT_EQ(framed.messages[0].header.transactionId, recognising ? 1 : 4) << recognising;
    }
}

TEST(MbapFramer, ImplausibleHeaderIsCountedAndSkipped) {
    Framed framed;
    framed.framer.SetRequireKnownFunction(true);
    framed.Append(Join({Adu(9, 1, {0x64, 0x00}), kRead}), 1);  // function 100 is not Modbus
    ASSERT_EQ(framed.messages.size(), 1u);
    EXPECT_EQ(framed.messages[0].header.transactionId, 1);
    EXPECT_EQ(framed.framer.counts().implausibleHeaders, 1u);
}

// The shortest MBAP length is 2, the unit and the function code: a Read Exception Status
// request (function 7) has no data. It frames on a stream still being recognised and is where
// framing picks up again after bytes never captured.
TEST(MbapFramer, LengthTwoUnitAndFunctionOnlyIsAMessage) {
    const Bytes exceptionStatus = Adu(5, 17, {0x07});
    ASSERT_EQ(exceptionStatus[5], 2);
    Framed inStep;
    inStep.framer.SetRequireKnownFunction(true);
    inStep.Append(Join({exceptionStatus, kRead}), 1);
    ASSERT_EQ(inStep.messages.size(), 2u);
    EXPECT_EQ(inStep.messages[0].header.transactionId, 5);
    EXPECT_EQ(PduOf(inStep.messages[0].frame), Bytes({0x07}));
    EXPECT_EQ(inStep.framer.counts().implausibleHeaders, 0u);

    Framed afterGap;
    afterGap.framer.MarkGap(3);
    afterGap.Append(Join({exceptionStatus, kRead}), 1);
    ASSERT_EQ(afterGap.messages.size(), 2u);
    EXPECT_EQ(afterGap.messages[0].header.transactionId, 5);
    EXPECT_EQ(afterGap.framer.counts().discardedBytes, 0u);
}

// Every byte of the stream is framed once, discarded, or missing; the messages that come out
// are the ones sent, in order, each once.
TEST(MbapFramer, EveryByteIsFramedOnceOrCounted) {
    std::mt19937 random(7);
    for (int round = 0; round < 50; ++round) {
        std::vector<Bytes> sent;
        for (uint16_t id = 0; id < 40; ++id) {
            Bytes pdu(1 + random() % 30, static_cast<uint8_t>(random()));
            pdu[0] = static_cast<uint8_t>(1 + random() % 24);
            sent.push_back(Adu(id, 1, pdu));
        }
        const Bytes stream = Join(sent);
        Framed framed;
        uint64_t missing = 0;
        for (size_t at = 0; at < stream.size();) {
            const size_t piece = std::min<size_t>(1 + random() % 40, stream.size() - at);
            if (random() % 10 == 0) {
                framed.framer.MarkGap(piece);
                missing += piece;
            } else {
                framed.Append(Bytes(stream.begin() + at, stream.begin() + at + piece), at);
            }
            at += piece;
        }
        framed.framer.End();
        const FramingCounts& counts = framed.framer.counts();
        EXPECT_EQ(counts.framedBytes + counts.discardedBytes + counts.missingBytes, stream.size());
        EXPECT_EQ(counts.missingBytes, missing);
        int previous = -1;
        for (const FramedMessage& message : framed.messages) {
            const int id = message.header.transactionId;
            ASSERT_GT(id, previous);
            ASSERT_LT(id, 40);
            EXPECT_EQ(Join({Adu(message.header.transactionId, message.header.unit,
                                PduOf(message.frame))}),
                      sent[id]);
            previous = id;
        }
        if (missing == 0) {
            EXPECT_EQ(framed.messages.size(), sent.size());
        }
    }
}

}  // namespace
