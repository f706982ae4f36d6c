// Validation of RTU frames and the length/direction rules.

#include "modbus/frame_validation.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "modbus/length_direction.h"
#include "modbus/modbus_crc.h"
#include "modbus/unit_id.h"
#include "tests/support/frame_helpers.h"
#include "tests/support/pcap_builder.h"
#include "views/report_text.h"

namespace {

struct Validation {
    ValidationCode result;
    bool isException;
    std::string report;
};

Validation Validate(const Bytes& bytes) {
    const ValidationResult result = ValidateFrame(FrameView(ByteView(bytes)));
    return {result.outcome, result.isException, ValidationText(result)};
}

LengthEvaluation Evaluate(const Bytes& frameWithCrc) {
    const FrameView frame{ByteView(frameWithCrc)};
    return EvaluateLengthAndDirection(frame, ValidateFrame(frame).isException);
}

std::string Hex2(uint8_t byte) {
    char text[3];
    std::snprintf(text, sizeof(text), "%02x", byte);
    return text;
}

std::string Hex4(uint16_t word) {
    char text[5];
    std::snprintf(text, sizeof(text), "%04x", word);
    return text;
}

FrameClass Classify(const Bytes& frame) {
    return ClassifyFrame(FrameView(ByteView(frame)));
}

// A frame of `length` bytes in all (CRC included) with the given leading bytes, zero-filled.
Bytes FrameOfLength(Bytes start, size_t length) {
    start.resize(length - 2, 0);
    return WithRtuCrc(start);
}

// {poll, response, valid, invalid}
const int kPoll = DIR_POLL;
const int kResponse = DIR_RESPONSE;
const int kResponseValid = DIR_RESPONSE | DIR_VALID;
const int kEither = DIR_POLL | DIR_RESPONSE;
const int kEitherValid = DIR_POLL | DIR_RESPONSE | DIR_VALID;

}  // namespace

TEST(ValidateFrame, MinimumLengthAndReportSlaveIdAllowance) {
    const Validation tooShort = Validate({0x01, 0x03, 0x00, 0x00});
    EXPECT_EQ(tooShort.result, ValidationCode::RET_CODE_ERROR);
    EXPECT_EQ(tooShort.report,
              "Error #0001\r\nThere are too few bytes in the message to form a valid Frame.");

    EXPECT_EQ(Validate(WithRtuCrc({0x11, 0x11})).result, ValidationCode::RET_CODE_OK);
    const Validation threeBytes = Validate({0x11, 0x11, 0x00});
    EXPECT_EQ(threeBytes.result, ValidationCode::RET_CODE_ERROR);
    EXPECT_EQ(threeBytes.report,
              "Error #0006\r\nThere are too few bytes in the message to form a valid Frame.");
    EXPECT_EQ(Validate({0x11}).report,
              "Error #0001\r\nThere are too few bytes in the message to form a valid Frame.");
}

TEST(ValidateFrame, FourBytePollsOfFunctions7_11_12ShareTheAllowance) {
    for (uint8_t function : {7, 11, 12}) {
        EXPECT_EQ(Validate(WithRtuCrc({0x01, function})).result, ValidationCode::RET_CODE_OK)
            << int(function);
        EXPECT_NE(Validate({0x01, function, 0x00}).report.find("Error #0006"), std::string::npos);
        EXPECT_EQ(Classify(WithRtuCrc({0x01, function})), FrameClass::Poll) << int(function);
    }
    EXPECT_EQ(Classify(WithRtuCrc({0x11, 0x11})), FrameClass::Poll);
}

TEST(ValidateFrame, BadCrcStopsFurtherChecks) {
    const Validation v = Validate({0x01, 0x03, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00});
    EXPECT_EQ(v.result, ValidationCode::RET_CODE_WARNING);
    EXPECT_EQ(v.report, "Error #0007\r\nThe checksum is invalid. Actual=0x0000 Required=0x840a");

    Bytes exception = WithRtuCrc({0xF8, 0x83, 0x02});
    exception.back() ^= 0xFF;
    const Validation e = Validate(exception);
    EXPECT_EQ(e.result, ValidationCode::RET_CODE_WARNING);
    EXPECT_FALSE(e.isException);
    EXPECT_EQ(e.report.find("Warning"), std::string::npos);
}

// The analyser looks at the first 1000 bytes of a longer frame; the CRC at the frame's end still
// covers every byte before it.
TEST(ValidateFrame, CrcOfAFrameLongerThanTheAnalyserLooksAt) {
    Bytes unitAndPdu(1101, 0x5A);
    unitAndPdu[0] = 0x01;
    unitAndPdu[1] = 100;  // user-defined
    const Bytes frame = WithRtuCrc(unitAndPdu);
    const Validation whole = Validate(frame);
    EXPECT_EQ(whole.report.find("Error #0007"), std::string::npos) << whole.report;
    EXPECT_NE(whole.report.find("Warning #0005"), std::string::npos) << whole.report;

    Bytes corrupt = frame;
    corrupt[1050] ^= 0x01;
    const Validation bad = Validate(corrupt);
    EXPECT_EQ(bad.result, ValidationCode::RET_CODE_WARNING);
    const uint16_t required =
        ModbusCRC16(corrupt.data(), static_cast<uint16_t>(corrupt.size() - 2));
    EXPECT_EQ(bad.report, "Error #0007\r\nThe checksum is invalid. Actual=0x" + Hex2(frame[1101]) +
                              Hex2(frame[1102]) + " Required=0x" + Hex4(required));
}

TEST(ValidateFrame, AddressAndFunctionWarnings) {
    const Validation address = Validate(WithRtuCrc({0xF8, 0x03, 0x00, 0x00, 0x00, 0x01}));
    EXPECT_EQ(address.result, ValidationCode::RET_CODE_WARNING);
    EXPECT_EQ(
        address.report,
        "Warning #0002\r\nAddress=248(decimal)=0xf8\r\n\r\nValid addresses are in the range "
        "0(Broadcast Address) and 247. Note the RET_CODE_WARNING but remember that most developers "
        "dont comply with this part of the standard.");

    const Validation none = Validate(WithRtuCrc({0x01, 0x00, 0x00}));
    EXPECT_EQ(none.result, ValidationCode::RET_CODE_ERROR);
    EXPECT_EQ(
        none.report,
        "Warning #0004\r\nFunction=0(decimal)=0000\r\n\r\nNo function has been specified. This "
        "message cannot be parsed.");

    const Validation beyond = Validate(WithRtuCrc({0x01, 0x99, 0x00}));
    EXPECT_EQ(beyond.result, ValidationCode::RET_CODE_ERROR);
    EXPECT_TRUE(beyond.isException);
    EXPECT_EQ(
        beyond.report,
        "This is an exception response.\r\n<Warning #0005\r\nFunction=25(decimal)=0x19\r\n\r\n"
        "Function is not part of the standard. This message cannot be parsed.");

    const Validation diagnostic = Validate(WithRtuCrc({0x01, 0x08, 0x00, 0x00, 0x12, 0x34}));
    EXPECT_EQ(diagnostic.result, ValidationCode::RET_CODE_OK);
    EXPECT_EQ(diagnostic.report, "");
}

// Serial lines address 0 (broadcast) to 247; 248 to 254 are reserved and 255 is Modbus/TCP's
// "no unit", so only those warn.
TEST(ValidateFrame, AddressWarningFollowsTheUnitIdRule) {
    int reserved = 0;
    for (int id = 0; id <= 255; ++id) {
        const Validation v = Validate(WithRtuCrc({static_cast<uint8_t>(id), 0x07}));
        EXPECT_EQ(v.report.find("Warning #0002") != std::string::npos, id > 247) << id;
        reserved += KindOfUnitId(id) == UnitIdKind::Reserved ? 1 : 0;
    }
    EXPECT_EQ(reserved, 7);
    EXPECT_EQ(KindOfUnitId(0), UnitIdKind::Broadcast);
    EXPECT_EQ(KindOfUnitId(247), UnitIdKind::Device);
    EXPECT_EQ(KindOfUnitId(248), UnitIdKind::Reserved);
    EXPECT_EQ(KindOfUnitId(255), UnitIdKind::NoUnit);
}

TEST(LengthAndDirection, ExceptionIsAlwaysAResponse) {
    const LengthEvaluation e = Evaluate(WithRtuCrc({0x01, 0x83, 0x02, 0x00, 0x00, 0x00}));
    EXPECT_EQ(e.outcome, LengthOutcome::LEN_OK);
    EXPECT_EQ(e.flags, kResponse);
    EXPECT_EQ(Classify(WithRtuCrc({0x0A, 0x83, 0x02})), FrameClass::Response);
}

TEST(LengthAndDirection, ReadRegisters) {
    EXPECT_EQ(Evaluate(FrameOfLength({1, 3}, 8)).flags, kPoll);
    const LengthEvaluation response = Evaluate(WithRtuCrc({1, 3, 2, 0, 0x2A}));
    EXPECT_EQ(response.outcome, LengthOutcome::LEN_OK);
    EXPECT_EQ(response.flags, kResponse);

    const LengthEvaluation mismatch = Evaluate(FrameOfLength({1, 3, 2}, 9));
    EXPECT_EQ(mismatch.outcome, LengthOutcome::LEN_MISMATCH);
    EXPECT_EQ(mismatch.declaredByteCount + 5, 7);  // the byte count declares 2 data bytes
    const LengthEvaluation parity = Evaluate(FrameOfLength({1, 3, 4}, 10));
    EXPECT_EQ(parity.outcome, LengthOutcome::LEN_BAD_PARITY);
    EXPECT_EQ(parity.declaredByteCount + 5, 9);
    const LengthEvaluation tooShort = Evaluate(FrameOfLength({1, 4}, 6));
    EXPECT_EQ(tooShort.outcome, LengthOutcome::LEN_TOO_SHORT);
    EXPECT_EQ(tooShort.flags, kEither);
}

TEST(LengthAndDirection, ReadCoils) {
    EXPECT_EQ(Evaluate(FrameOfLength({1, 1, 0}, 8)).flags, kPoll);
    EXPECT_EQ(Evaluate(FrameOfLength({1, 1, 3}, 8)).flags, kEitherValid);
    EXPECT_EQ(Evaluate(FrameOfLength({1, 2, 1}, 6)).flags, kResponse);
    EXPECT_EQ(Evaluate(FrameOfLength({1, 2, 1}, 5)).outcome, LengthOutcome::LEN_TOO_SHORT);
    const LengthEvaluation mismatch = Evaluate(FrameOfLength({1, 1, 4}, 7));
    EXPECT_EQ(mismatch.outcome, LengthOutcome::LEN_MISMATCH);
    EXPECT_EQ(mismatch.declaredByteCount + 5, 9);
}

TEST(LengthAndDirection, FixedLengthFunctions) {
    EXPECT_EQ(Evaluate(FrameOfLength({1, 5}, 8)).flags, kEitherValid);
    EXPECT_EQ(Evaluate(FrameOfLength({1, 6}, 8)).flags, kEitherValid);
    const LengthEvaluation impossible = Evaluate(FrameOfLength({1, 5}, 9));
    EXPECT_EQ(impossible.outcome, LengthOutcome::LEN_IMPOSSIBLE);
    EXPECT_EQ(impossible.declaredByteCount + 5, 8);

    EXPECT_EQ(Evaluate(FrameOfLength({1, 7}, 5)).flags, kResponse);
    EXPECT_EQ(Evaluate(FrameOfLength({1, 7}, 6)).declaredByteCount + 5, 5);
    EXPECT_EQ(Evaluate(FrameOfLength({1, 11}, 8)).flags, kResponse);
    EXPECT_EQ(Evaluate(FrameOfLength({1, 11}, 6)).outcome, LengthOutcome::LEN_IMPOSSIBLE);
    EXPECT_EQ(Evaluate(FrameOfLength({1, 11}, 6)).declaredByteCount + 5, 8);
}

TEST(LengthAndDirection, CommEventLog) {
    EXPECT_EQ(Evaluate(FrameOfLength({1, 12}, 4)).flags, kPoll);
    EXPECT_EQ(Evaluate(FrameOfLength({1, 12}, 6)).outcome, LengthOutcome::LEN_TOO_SHORT);
    EXPECT_EQ(Evaluate(FrameOfLength({1, 12, 8}, 13)).flags, kResponse);
    EXPECT_EQ(Evaluate(FrameOfLength({1, 12, 9}, 13)).outcome, LengthOutcome::LEN_MISMATCH);
    EXPECT_EQ(Evaluate(FrameOfLength({1, 12, 9}, 14)).outcome, LengthOutcome::LEN_BAD_PARITY);
}

TEST(LengthAndDirection, MultipleWrites) {
    EXPECT_EQ(Evaluate(FrameOfLength({1, 15}, 8)).flags, kResponse);
    EXPECT_EQ(Evaluate(FrameOfLength({1, 15, 0, 0x13, 0, 10, 2}, 11)).flags, kPoll);
    EXPECT_EQ(Evaluate(FrameOfLength({1, 15}, 9)).outcome, LengthOutcome::LEN_TOO_SHORT);
    const LengthEvaluation coilMismatch = Evaluate(FrameOfLength({1, 15, 0, 0, 0, 10, 2}, 12));
    EXPECT_EQ(coilMismatch.outcome, LengthOutcome::LEN_MISMATCH);
    EXPECT_EQ(coilMismatch.declaredByteCount + 5, 11);  // byte 6 + 9

    EXPECT_EQ(Evaluate(FrameOfLength({1, 16, 0, 1, 0, 2, 4}, 13)).flags, kPoll);
    EXPECT_EQ(Evaluate(FrameOfLength({1, 16}, 10)).outcome, LengthOutcome::LEN_TOO_SHORT);
    const LengthEvaluation registerMismatch = Evaluate(FrameOfLength({1, 16, 0, 1, 0, 2, 4}, 15));
    EXPECT_EQ(registerMismatch.outcome, LengthOutcome::LEN_MISMATCH);
    EXPECT_EQ(registerMismatch.declaredByteCount + 5, 13);
}

TEST(LengthAndDirection, ReportSlaveIdMaskWriteAndUnsupported) {
    EXPECT_EQ(Evaluate(FrameOfLength({1, 17, 5}, 10)).flags, kResponse);
    EXPECT_EQ(Evaluate(FrameOfLength({1, 17, 5}, 6)).outcome, LengthOutcome::LEN_TOO_SHORT);
    EXPECT_EQ(Evaluate(FrameOfLength({1, 17, 5}, 11)).outcome, LengthOutcome::LEN_MISMATCH);
    EXPECT_EQ(Evaluate(FrameOfLength({1, 22}, 7)).flags, kEitherValid);
    EXPECT_EQ(Evaluate(FrameOfLength({1, 22}, 10)).flags, kEitherValid);
    for (uint8_t f : {8, 9, 10, 13, 14, 18, 19, 20, 21, 24}) {
        EXPECT_EQ(Evaluate(FrameOfLength({1, f}, 8)).outcome, LengthOutcome::LEN_NOT_SUPPORTED)
            << int(f);
    }
    EXPECT_EQ(Classify(FrameOfLength({1, 8}, 8)), FrameClass::Undecided);
}

TEST(LengthAndDirection, ReadWriteRegisters) {
    // Read quantity word 4 = 200: only a response can carry that.
    EXPECT_EQ(Evaluate(FrameOfLength({1, 23, 0, 0, 0, 200}, 10)).flags, kResponse);
    EXPECT_EQ(Evaluate(FrameOfLength({1, 23, 0, 3, 0, 6, 0, 14, 0, 3}, 12)).flags, kPoll);
    // b2 = 8 and byte 10 = 0 in 13 bytes: both layouts fit.
    EXPECT_EQ(Evaluate(FrameOfLength({1, 23, 8, 0, 0, 0, 0, 0, 0, 0, 0}, 13)).flags, kEitherValid);
    EXPECT_EQ(Evaluate(WithRtuCrc({1, 23, 2, 0, 0xFF})).flags, kResponseValid);
    EXPECT_EQ(Classify(WithRtuCrc({1, 23, 2, 0, 0xFF})), FrameClass::Response);
    // Neither layout: ambiguous.
    EXPECT_EQ(Evaluate(FrameOfLength({1, 23, 9, 0, 1}, 9)).flags, kEitherValid);
}

TEST(ClassifyFrame, DecidesOnlyUnambiguousValidFrames) {
    EXPECT_EQ(Classify(BytesOfHex("01 03 00 00 00 01 84 0A")), FrameClass::Poll);
    EXPECT_EQ(Classify(BytesOfHex("01 03 00 00 00 01 00 00")),
              FrameClass::Poll);  // a bad CRC still classifies
    EXPECT_EQ(Classify(FrameOfLength({1, 6}, 8)), FrameClass::Undecided);
    EXPECT_EQ(Classify(BytesOfHex("01 03")), FrameClass::Undecided);
    EXPECT_EQ(Classify(Bytes()), FrameClass::Undecided);
}
