#include "modbus/length_direction.h"

#include <initializer_list>

#include "modbus/frame_fields.h"
#include "modbus/frame_validation.h"

namespace {

enum class Test {
    Shorter,               // n < length
    Exactly,               // n == length
    ExactlyWithByteCount,  // n == length and the byte-count test passes
    ByteCount,             // the byte-count test passes (n == byte 2 + 5)
    OddWithByteCount,      // n odd and the byte-count test passes
    Odd,                   // n odd
    PollByteCount,         // n == byte 6 + 9 (function 15/16 poll layout)
    Any,
};

struct LengthRule {
    Test test;
    int length;
    DirectionFlags direction;
    LengthOutcome outcome;
};

// What a rejected frame declares as its own length.
enum class Declared { None, ResponseByteCount, PollByteCount, FixedLength };

struct FunctionRules {
    std::initializer_list<int> functions;
    std::initializer_list<LengthRule> rules;
    Declared declared;
    int fixedLength;
};

// {poll, response, valid, invalid}
constexpr DirectionFlags kPoll{true, false, false, false};
constexpr DirectionFlags kResponse{false, true, false, false};
constexpr DirectionFlags kInvalid{false, false, false, true};
constexpr DirectionFlags kEither{true, true, false, false};
constexpr DirectionFlags kEitherValid{true, true, true, false};

// First matching rule wins.
const FunctionRules kLengthRules[] = {
    {{1, 2},
     {{Test::Shorter, 6, kEither, LengthOutcome::TooShort},
      {Test::ExactlyWithByteCount, 8, kEitherValid, LengthOutcome::Ok},
      {Test::Exactly, 8, kPoll, LengthOutcome::Ok},
      {Test::ByteCount, 0, kResponse, LengthOutcome::Ok},
      {Test::Any, 0, kInvalid, LengthOutcome::Mismatch}},
     Declared::ResponseByteCount,
     0},
    {{3, 4},
     {{Test::Shorter, 7, kEither, LengthOutcome::TooShort},
      {Test::Exactly, 8, kPoll, LengthOutcome::Ok},
      {Test::OddWithByteCount, 0, kResponse, LengthOutcome::Ok},
      {Test::Odd, 0, kInvalid, LengthOutcome::Mismatch},
      {Test::Any, 0, kInvalid, LengthOutcome::BadParity}},
     Declared::ResponseByteCount,
     0},
    {{5, 6},
     {{Test::Exactly, 8, kEitherValid, LengthOutcome::Ok},
      {Test::Any, 0, kInvalid, LengthOutcome::Impossible}},
     Declared::FixedLength,
     8},
    // A frame longer than the 4-byte poll can only be meant as the fixed-length response.
    {{7},
     {{Test::Exactly, 4, kPoll, LengthOutcome::Ok},
      {Test::Exactly, 5, kResponse, LengthOutcome::Ok},
      {Test::Any, 0, kInvalid, LengthOutcome::Impossible}},
     Declared::FixedLength,
     5},
    {{11},
     {{Test::Exactly, 4, kPoll, LengthOutcome::Ok},
      {Test::Exactly, 8, kResponse, LengthOutcome::Ok},
      {Test::Any, 0, kInvalid, LengthOutcome::Impossible}},
     Declared::FixedLength,
     8},
    {{12},
     {{Test::Exactly, 4, kPoll, LengthOutcome::Ok},
      {Test::Shorter, 13, kInvalid, LengthOutcome::TooShort},
      {Test::OddWithByteCount, 0, kResponse, LengthOutcome::Ok},
      {Test::Odd, 0, kInvalid, LengthOutcome::Mismatch},
      {Test::Any, 0, kInvalid, LengthOutcome::BadParity}},
     Declared::ResponseByteCount,
     0},
    {{15},
     {{Test::Exactly, 8, kResponse, LengthOutcome::Ok},
      {Test::Shorter, 10, kInvalid, LengthOutcome::TooShort},
      {Test::PollByteCount, 0, kPoll, LengthOutcome::Ok},
      {Test::Any, 0, kInvalid, LengthOutcome::Mismatch}},
     Declared::PollByteCount,
     0},
    {{16},
     {{Test::Exactly, 8, kResponse, LengthOutcome::Ok},
      {Test::Shorter, 11, kInvalid, LengthOutcome::TooShort},
      {Test::PollByteCount, 0, kPoll, LengthOutcome::Ok},
      {Test::Any, 0, kInvalid, LengthOutcome::Mismatch}},
     Declared::PollByteCount,
     0},
    {{17},
     {{Test::Exactly, 4, kPoll, LengthOutcome::Ok},
      {Test::Shorter, 7, kInvalid, LengthOutcome::TooShort},
      {Test::ByteCount, 0, kResponse, LengthOutcome::Ok},
      {Test::Any, 0, kInvalid, LengthOutcome::Mismatch}},
     Declared::ResponseByteCount,
     0},
    // A correct server echoes a mask write: no length rule, always ambiguous.
    {{22}, {{Test::Any, 0, kEitherValid, LengthOutcome::Ok}}, Declared::None, 0},
};

bool Matches(const LengthRule& rule, int n, int32_t byte2, FrameView frame) {
    const bool byteCountPasses = CheckByteCount(byte2, n) == 0;
    const bool odd = (n % 2) != 0;
    switch (rule.test) {
        case Test::Shorter:
            return n < rule.length;
        case Test::Exactly:
            return n == rule.length;
        case Test::ExactlyWithByteCount:
            return n == rule.length && byteCountPasses;
        case Test::ByteCount:
            return byteCountPasses;
        case Test::OddWithByteCount:
            return odd && byteCountPasses;
        case Test::Odd:
            return odd;
        case Test::PollByteCount:
            return frame[6] + 9 == n;
        case Test::Any:
            return true;
    }
    return false;
}

int32_t DeclaredByteCount(const FunctionRules& rules, int32_t byte2, FrameView frame) {
    switch (rules.declared) {
        case Declared::ResponseByteCount:
            return byte2;
        case Declared::PollByteCount:  // byte 6 + 9 bytes in all
            return frame[6] + 4;
        case Declared::FixedLength:
            return rules.fixedLength - 5;
        case Declared::None:
            break;
    }
    return 0;
}

// Read or Write 4x Registers: the poll and response layouts overlap, so its rule is ordered.
DirectionFlags EvaluateReadWriteRegisters(int n, int32_t byte2, FrameView frame) {
    if (n >= 10 && (frame.Word(4) > 110 || frame.Word(8) > 110)) {
        return kResponse;
    }
    if (n >= 6 && byte2 == 0) {
        return kPoll;  // byte 2 of a poll is the high byte of the read address
    }
    DirectionFlags direction;
    if (frame[10] + 13 == n) {
        direction.poll = true;
        direction.valid = true;
    }
    if (byte2 + 5 == n) {
        direction.response = true;
        direction.valid = true;
    } else {
        direction = kEitherValid;
    }
    return direction;
}

DirectionDecision DecideDirection(DirectionFlags direction) {
    if (direction.invalid) {
        return DirectionDecision::Invalid;
    }
    if (direction.poll && direction.response) {
        return direction.valid ? DirectionDecision::Ambiguous : DirectionDecision::Inconsistent;
    }
    if (direction.poll) {
        return DirectionDecision::Poll;
    }
    return direction.response ? DirectionDecision::Response : DirectionDecision::Undetermined;
}

}  // namespace

LengthEvaluation EvaluateLengthAndDirection(FrameView frame, bool isException) {
    LengthEvaluation result;
    if (isException) {
        result.direction = kResponse;
        return result;
    }
    const int n = frame.size();
    const int32_t function = frame[1];
    const int32_t byte2 = frame[2];
    if (function == 23) {
        result.direction = EvaluateReadWriteRegisters(n, byte2, frame);
        return result;
    }
    for (const FunctionRules& rules : kLengthRules) {
        for (int code : rules.functions) {
            if (code != function) {
                continue;
            }
            for (const LengthRule& rule : rules.rules) {
                if (Matches(rule, n, byte2, frame)) {
                    result.direction = rule.direction;
                    result.outcome = rule.outcome;
                    if (rule.outcome != LengthOutcome::Ok) {
                        result.declaredByteCount = DeclaredByteCount(rules, byte2, frame);
                    }
                    return result;
                }
            }
        }
    }
    result.outcome = LengthOutcome::NotSupported;
    return result;
}

DecodedFrame AssessFrame(FrameView frame) {
    DecodedFrame decoded;
    decoded.length = frame.size();
    decoded.function = frame[1];
    decoded.validation = ValidateFrame(frame);
    if (decoded.validation.outcome == ValidationOutcome::Error) {
        decoded.stage = FrameStage::Invalid;
        return decoded;
    }
    decoded.evaluation = EvaluateLengthAndDirection(frame, decoded.validation.isException);
    if (decoded.evaluation.outcome != LengthOutcome::Ok) {
        decoded.stage = FrameStage::Rejected;
        return decoded;
    }
    decoded.stage = FrameStage::Decoded;
    decoded.decision = DecideDirection(decoded.evaluation.direction);
    return decoded;
}

FrameClass ClassifyFrame(FrameView frame) {
    const DecodedFrame report = AssessFrame(frame);
    if (report.stage != FrameStage::Decoded) {
        return FrameClass::Undecided;  // invalid, or refused by the length evaluation
    }
    switch (report.decision) {
        case DirectionDecision::Poll:
            return FrameClass::Poll;
        case DirectionDecision::Response:
            return FrameClass::Response;
        case DirectionDecision::Invalid:
        case DirectionDecision::Ambiguous:
        case DirectionDecision::Inconsistent:
        case DirectionDecision::Undetermined:
            break;
    }
    return FrameClass::Undecided;
}
