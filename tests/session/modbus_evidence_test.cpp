// Each decision of the connection judgement (modbus_evidence.h): how a message fits the public
// functions; on a Modbus port MBAP framing in step, the proof of lengths that chain or of an
// answer carrying its request's transaction id and unit, and the weighing of a stream whose
// framing broke; off the ports the stricter proof.

#include "session/modbus_evidence.h"

#include <gtest/gtest.h>

#include "modbus/rtu_frame.h"

namespace {

constexpr int kClient = 0;
constexpr int kServer = 1;

// How a message of unit 1 and this PDU fits, its MBAP length `length` (unit + PDU unless given).
ModbusFit Fit(const std::vector<uint8_t>& pdu, int length = -1) {
    MbapHeader header;
    header.length = static_cast<uint16_t>(length >= 0 ? length : static_cast<int>(pdu.size()) + 1);
    header.unit = 1;
    return JudgeMessage(header, RtuFrameOf(1, ByteView(pdu)));
}

// What the session notes of a connection, event by event.
class Evidence {
public:
    Evidence& Framed(int side, uint16_t transactionId, ModbusFit fit = ModbusFit::Fits,
                     bool inStep = true, uint8_t unit = 1) {
        evidence_[side].sentData = true;
        TakeMessage(evidence_, side, inStep, transactionId, unit, fit);
        return *this;
    }
    // Framed after its direction lost step.
    Evidence& Resynced(int side, uint16_t transactionId, ModbusFit fit = ModbusFit::Fits) {
        return Framed(side, transactionId, fit, false);
    }
    Evidence& Broke(int side) {
        evidence_[side].sentData = true;
        ++evidence_[side].breaks;
        return *this;
    }
    Evidence& Lost(int side) {
        evidence_[side].sentData = true;
        evidence_[side].lostStep = true;
        return *this;
    }
    Evidence& SentUnframed(int side) {
        evidence_[side].sentData = true;
        return *this;
    }
    Recognition OnPort(bool decideNow = false) const {
        return JudgeOnModbusPort(evidence_, decideNow);
    }
    Recognition OffPorts(bool decideNow = false) const {
        return JudgeOffModbusPorts(evidence_, 3, decideNow);
    }
    const DirectionEvidence& operator[](int side) const { return evidence_[side]; }

private:
    ConnectionEvidence evidence_;
};

constexpr ModbusFit kForeign = ModbusFit::Foreign;
constexpr ModbusFit kBadLayout = ModbusFit::BadLayout;

}  // namespace

TEST(JudgeMessage, PublicFunctionsAreHeldToTheirLayouts) {
    EXPECT_EQ(Fit({0x03, 0x00, 0x00, 0x00, 0x02}), ModbusFit::Fits);
    EXPECT_EQ(Fit({0x03, 0x00, 0x00, 0x00}), ModbusFit::BadLayout);
}

// An exception response is the function code with its high bit and one exception code.
TEST(JudgeMessage, AnExceptionIsTwoPduBytes) {
    EXPECT_EQ(Fit({0x83, 0x02}), ModbusFit::Fits);
    EXPECT_EQ(Fit({0x83, 0x02, 0x00}), ModbusFit::BadLayout);
    EXPECT_EQ(Fit({0x83}), ModbusFit::BadLayout);
}

// 43 (encapsulated interface) and the user-defined codes have no layout to hold them to, their
// exceptions included.
TEST(JudgeMessage, FunctionsWithoutALengthRuleFitAtAnyLength) {
    EXPECT_EQ(Fit({0x2B, 0x0E, 0x01, 0x00, 0x01, 0x02, 0x03}), ModbusFit::Fits);
    EXPECT_EQ(Fit({0x41}), ModbusFit::Fits);
    EXPECT_EQ(Fit({0x64, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07}), ModbusFit::Fits);
    EXPECT_EQ(Fit({0xAB, 0x01, 0x00, 0x00}), ModbusFit::Fits);
}

// The unit id and a 253-byte PDU make 254; one more is a vendor's miscount, two more no Modbus.
TEST(JudgeMessage, TheLongestBelievableLengthIs255) {
    const std::vector<uint8_t> userDefined = {0x41, 0x00};
    EXPECT_EQ(Fit(userDefined, 255), ModbusFit::Fits);
    EXPECT_EQ(Fit(userDefined, 256), ModbusFit::Foreign);
}

TEST(JudgeMessage, CodesNoDeviceUsesAreForeign) {
    EXPECT_EQ(Fit({0x00, 0x01}), ModbusFit::Foreign);
    EXPECT_EQ(Fit({0x5A, 0x00, 0x02}), ModbusFit::Foreign);  // a vendor's 90
}

TEST(TakeMessage, CountsAnAnswerOnlyInStepAndToAnIdAndUnitTheOtherEndSent) {
    EXPECT_TRUE(Evidence().Framed(kClient, 9).Framed(kServer, 9)[kServer].answered);
    EXPECT_FALSE(Evidence().Framed(kClient, 9).Framed(kServer, 10)[kServer].answered);
    EXPECT_FALSE(Evidence()
                     .Framed(kClient, 9, ModbusFit::Fits, true, 4)
                     .Framed(kServer, 9, ModbusFit::Fits, true, 5)[kServer]
                     .answered);
    // An answer comes after its request: the first message's sender answered nothing.
    EXPECT_FALSE(Evidence().Framed(kClient, 9).Framed(kServer, 9)[kClient].answered);
    // Framed after a break, a "response" is a guess; the request it answers may be one.
    EXPECT_FALSE(Evidence().Framed(kClient, 9).Resynced(kServer, 9)[kServer].answered);
    EXPECT_TRUE(Evidence().Resynced(kClient, 9).Framed(kServer, 9)[kServer].answered);
    const Evidence two = Evidence().Framed(kClient, 1, kForeign).Resynced(kClient, 2, kBadLayout);
    EXPECT_EQ(two[kClient].messagesInStep, 1u);
    EXPECT_EQ(two[kClient].fits, (std::array<uint64_t, 3>{0, 1, 1}));
}

// Well-framed MBAP is Modbus whatever it holds: a function code no device uses, twice.
TEST(JudgeOnModbusPort, MessagesInStepAreModbusWhileNothingBroke) {
    EXPECT_EQ(Evidence().SentUnframed(kClient).OnPort(), Recognition::Candidate);
    EXPECT_EQ(Evidence().Framed(kClient, 1, kForeign).OnPort(), Recognition::Modbus);
    EXPECT_EQ(Evidence().Framed(kServer, 1, kForeign).Framed(kServer, 2, kForeign).OnPort(),
              Recognition::Modbus);
}

TEST(JudgeOnModbusPort, WithoutABreakALossOrTheEndIsModbus) {
    EXPECT_EQ(Evidence().Lost(kClient).OnPort(), Recognition::Modbus);
    EXPECT_EQ(Evidence().Lost(kServer).OnPort(), Recognition::Modbus);
    EXPECT_EQ(Evidence().SentUnframed(kClient).OnPort(true), Recognition::Modbus);
}

// After a break: the second header sat where the first one's length said, in either direction.
TEST(JudgeOnModbusPort, TwoMessagesInStepProveMbapDespiteABreak) {
    const Evidence one = Evidence().Broke(kClient).Framed(kServer, 1, kBadLayout);
    EXPECT_EQ(one.OnPort(), Recognition::NotModbus);
    EXPECT_EQ(Evidence(one).Framed(kServer, 2, kBadLayout).OnPort(), Recognition::Modbus);
    EXPECT_EQ(Evidence().Broke(kClient).Framed(kServer, 1).OnPort(), Recognition::Candidate);
    EXPECT_EQ(Evidence().Broke(kClient).Framed(kServer, 1).Framed(kServer, 2, kForeign).OnPort(),
              Recognition::Modbus);
}

// After a stray first header: a response in step carries the id and unit of a request the other
// end framed after its break.
TEST(JudgeOnModbusPort, AnAnswerProvesMbapDespiteABreak) {
    const auto answer = [](uint16_t id) {
        return Evidence()
            .Broke(kClient)
            .Resynced(kClient, 2, kForeign)
            .Framed(kServer, id, kForeign);
    };
    EXPECT_EQ(answer(2).OnPort(), Recognition::Modbus);
    EXPECT_EQ(answer(3).OnPort(), Recognition::NotModbus);
}

// Once framing broke, what does not fit (the breaks among it) must lead what fits by two.
TEST(JudgeOnModbusPort, ABrokenStreamIsAnotherProtocolOnceMisfitsLeadByTwo) {
    EXPECT_EQ(Evidence().Broke(kClient).OnPort(), Recognition::Candidate);
    EXPECT_EQ(Evidence().Broke(kClient).Broke(kServer).OnPort(), Recognition::NotModbus);
    EXPECT_EQ(Evidence().Broke(kClient).Resynced(kClient, 1, kBadLayout).OnPort(),
              Recognition::NotModbus);
    EXPECT_EQ(Evidence().Broke(kClient).Resynced(kClient, 1).Broke(kServer).OnPort(),
              Recognition::Candidate);
}

TEST(JudgeOnModbusPort, ABrokenStreamIsModbusOnceFitsLead) {
    EXPECT_EQ(Evidence().Broke(kClient).Resynced(kClient, 1).Resynced(kClient, 2).OnPort(),
              Recognition::Modbus);
}

// One stray error leaves a connection Modbus at its end, as does a loss however much broke.
TEST(JudgeOnModbusPort, ABrokenStreamIsModbusAtTheEndOrAfterALoss) {
    EXPECT_EQ(Evidence().Broke(kClient).OnPort(true), Recognition::Modbus);
    EXPECT_EQ(Evidence().Broke(kClient).Broke(kServer).Lost(kServer).OnPort(), Recognition::Modbus);
}

TEST(JudgeOnModbusPort, ABrokenStreamIsModbusAfterEightEvents) {
    Evidence evidence;
    evidence.Broke(kClient).Resynced(kClient, 1).Resynced(kClient, 2).Resynced(kClient, 3);
    evidence.Resynced(kClient, 4, kBadLayout).Resynced(kClient, 5, kBadLayout);
    evidence.Resynced(kClient, 6, kBadLayout);
    EXPECT_EQ(evidence.OnPort(), Recognition::Candidate);  // 3 fit, 4 against: 7 events
    EXPECT_EQ(evidence.Resynced(kClient, 7).OnPort(), Recognition::Modbus);
}

TEST(JudgeOffModbusPorts, AnyBreakIsAnotherProtocol) {
    Evidence evidence;
    for (uint16_t id = 1; id <= 5; ++id) {
        evidence.Framed(kClient, id).Framed(kServer, id);
    }
    EXPECT_EQ(evidence.Broke(kServer).OffPorts(), Recognition::NotModbus);
}

TEST(JudgeOffModbusPorts, EnoughMessagesFromEveryEndThatSentAreModbus) {
    EXPECT_EQ(Evidence().Framed(kClient, 1).Framed(kClient, 2).OffPorts(), Recognition::Candidate);
    EXPECT_EQ(Evidence().Framed(kClient, 1).Framed(kServer, 1).Framed(kClient, 2).OffPorts(),
              Recognition::Modbus);
    EXPECT_EQ(Evidence().Framed(kClient, 1).Framed(kClient, 2).Framed(kClient, 3).OffPorts(),
              Recognition::Modbus);
    // The server sent bytes, none of them a whole message yet.
    EXPECT_EQ(Evidence()
                  .Framed(kClient, 1)
                  .Framed(kClient, 2)
                  .Framed(kClient, 3)
                  .SentUnframed(kServer)
                  .OffPorts(),
              Recognition::Candidate);
}

TEST(JudgeOffModbusPorts, AtTheEndWhateverFramedIsModbus) {
    EXPECT_EQ(Evidence().Framed(kClient, 1).OffPorts(true), Recognition::Modbus);
    EXPECT_EQ(Evidence().SentUnframed(kClient).OffPorts(true), Recognition::NotModbus);
}
