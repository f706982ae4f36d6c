#include "modbus/length_direction.h"

#include <initializer_list>

#include "modbus/frame_validation.h"
#include "modbus/function_table.h"

namespace {

// The frame length a PDU length of the function table gives: the address before the PDU and the
// CRC after it around a fixed PDU, or around one whose byte count (read from the frame) ends it;
// 0 for a variable length.
int FrameLengthOf(const PduLength& length, FrameView frame) {
    constexpr int kAroundPdu = 3;
    switch (length.kind) {
        case PduLength::Kind::Fixed:
            return kAroundPdu + length.bytes;
        case PduLength::Kind::ByteCount: {
            const int countIndex = 1 + length.bytes;  // past the address
            return countIndex + 1 + frame[countIndex] + 2;
        }
        case PduLength::Kind::Variable:
            break;
    }
    return 0;
}

// The lengths come from the function table; only the shortest lengths are the analyser's own.
enum class Test {
    Shorter,                            // n < length
    RequestLength,                      // n is the request's length
    ResponseLength,                     // n is the response's fixed length
    RequestLengthAndResponseByteCount,  // n is the request's length and the response's count
    ResponseByteCount,                  // n is what the response's (nonzero) byte count makes it
    OddWithResponseByteCount,           // n odd, and the response's byte count passes
    Odd,                                // n odd
    RequestByteCount,                   // n is what the request's byte count makes it
    Any,
};

struct LengthRule {
    Test test;
    int length;  // for Shorter
    int flags;   // DirectionFlag bits
    LengthOutcome outcome;
};

struct FunctionRules {
    std::initializer_list<int> functions;
    std::initializer_list<LengthRule> rules;
};

constexpr int kPoll = DIR_POLL;
constexpr int kResponse = DIR_RESPONSE;
constexpr int kInvalid = DIR_INVALID;
constexpr int kEither = DIR_POLL | DIR_RESPONSE;
constexpr int kEitherValid = DIR_POLL | DIR_RESPONSE | DIR_VALID;

// First matching rule wins.
const FunctionRules kLengthRules[] = {
    {{1, 2},
     {{Test::Shorter, 6, kEither, LengthOutcome::LEN_TOO_SHORT},
      {Test::RequestLengthAndResponseByteCount, 0, kEitherValid, LengthOutcome::LEN_OK},
      {Test::RequestLength, 0, kPoll, LengthOutcome::LEN_OK},
      {Test::ResponseByteCount, 0, kResponse, LengthOutcome::LEN_OK},
      {Test::Any, 0, kInvalid, LengthOutcome::LEN_MISMATCH}}},
    {{3, 4},
     {{Test::Shorter, 7, kEither, LengthOutcome::LEN_TOO_SHORT},
      {Test::RequestLength, 0, kPoll, LengthOutcome::LEN_OK},
      {Test::OddWithResponseByteCount, 0, kResponse, LengthOutcome::LEN_OK},
      {Test::Odd, 0, kInvalid, LengthOutcome::LEN_MISMATCH},
      {Test::Any, 0, kInvalid, LengthOutcome::LEN_BAD_PARITY}}},
    // Request and response have one length: either.
    {{5, 6},
     {{Test::RequestLength, 0, kEitherValid, LengthOutcome::LEN_OK},
      {Test::Any, 0, kInvalid, LengthOutcome::LEN_IMPOSSIBLE}}},
    // A frame longer than the 4-byte poll can only be meant as the fixed-length response.
    {{7, 11},
     {{Test::RequestLength, 0, kPoll, LengthOutcome::LEN_OK},
      {Test::ResponseLength, 0, kResponse, LengthOutcome::LEN_OK},
      {Test::Any, 0, kInvalid, LengthOutcome::LEN_IMPOSSIBLE}}},
    {{12},
     {{Test::RequestLength, 0, kPoll, LengthOutcome::LEN_OK},
      {Test::Shorter, 13, kInvalid, LengthOutcome::LEN_TOO_SHORT},
      {Test::OddWithResponseByteCount, 0, kResponse, LengthOutcome::LEN_OK},
      {Test::Odd, 0, kInvalid, LengthOutcome::LEN_MISMATCH},
      {Test::Any, 0, kInvalid, LengthOutcome::LEN_BAD_PARITY}}},
    {{15},
     {{Test::ResponseLength, 0, kResponse, LengthOutcome::LEN_OK},
      {Test::Shorter, 10, kInvalid, LengthOutcome::LEN_TOO_SHORT},
      {Test::RequestByteCount, 0, kPoll, LengthOutcome::LEN_OK},
      {Test::Any, 0, kInvalid, LengthOutcome::LEN_MISMATCH}}},
    {{16},
     {{Test::ResponseLength, 0, kResponse, LengthOutcome::LEN_OK},
      {Test::Shorter, 11, kInvalid, LengthOutcome::LEN_TOO_SHORT},
      {Test::RequestByteCount, 0, kPoll, LengthOutcome::LEN_OK},
      {Test::Any, 0, kInvalid, LengthOutcome::LEN_MISMATCH}}},
    {{17},
     {{Test::RequestLength, 0, kPoll, LengthOutcome::LEN_OK},
      {Test::Shorter, 7, kInvalid, LengthOutcome::LEN_TOO_SHORT},
      {Test::ResponseByteCount, 0, kResponse, LengthOutcome::LEN_OK},
      {Test::Any, 0, kInvalid, LengthOutcome::LEN_MISMATCH}}},
    // A correct server echoes a mask write: no length rule, always ambiguous.
    {{22}, {{Test::Any, 0, kEitherValid, LengthOutcome::LEN_OK}}},
};

// Whether a response's byte count is there and makes the frame `n` bytes long.
bool ResponseByteCountPasses(const FunctionInfo& info, int n, FrameView frame) {
    if (info.response.kind != PduLength::Kind::ByteCount) {
        return false;
    }
    return frame[1 + info.response.bytes] != 0 && FrameLengthOf(info.response, frame) == n;
}

bool Matches(const LengthRule& rule, const FunctionInfo& info, int n, FrameView frame) {
    const bool odd = (n % 2) != 0;
    switch (rule.test) {
        case Test::Shorter:
            return n < rule.length;
        case Test::RequestLength:
            return info.request.kind == PduLength::Kind::Fixed &&
                   n == FrameLengthOf(info.request, frame);
        case Test::ResponseLength:
            return info.response.kind == PduLength::Kind::Fixed &&
                   n == FrameLengthOf(info.response, frame);
        case Test::RequestLengthAndResponseByteCount:
            return info.request.kind == PduLength::Kind::Fixed &&
                   n == FrameLengthOf(info.request, frame) &&
                   ResponseByteCountPasses(info, n, frame);
        case Test::ResponseByteCount:
            return ResponseByteCountPasses(info, n, frame);
        case Test::OddWithResponseByteCount:
            return odd && ResponseByteCountPasses(info, n, frame);
        case Test::Odd:
            return odd;
        case Test::RequestByteCount:
            return info.request.kind == PduLength::Kind::ByteCount &&
                   n == FrameLengthOf(info.request, frame);
        case Test::Any:
            return true;
    }
    return false;
}

// The frame length that a rejected frame's own fields declare: the request's byte count where
// the request has one, else the response's byte count or fixed length; 0 when none is declared.
int DeclaredFrameLength(int32_t function, FrameView frame) {
    const FunctionInfo* info = FindFunction(function);
    if (info == nullptr) {
        return 0;
    }
    for (const PduLength& length : {info->request, info->response}) {
        if (length.kind == PduLength::Kind::ByteCount) {
            return FrameLengthOf(length, frame);
        }
    }
    return info->response.kind == PduLength::Kind::Fixed ? FrameLengthOf(info->response, frame) : 0;
}

// The report gives the declared length less address, function, byte count and CRC.
int32_t DeclaredByteCount(int32_t function, FrameView frame) {
    constexpr int kFrameOverhead = 5;
    const int length = DeclaredFrameLength(function, frame);
    return length > 0 ? length - kFrameOverhead : 0;
}

// Read or Write 4x Registers: the poll and response layouts overlap, so its rule is ordered.
int EvaluateReadWriteRegisters(int n, int32_t byte2, FrameView frame) {
    if (n >= 10 && (frame.Word(4) > 110 || frame.Word(8) > 110)) {
        return kResponse;
    }
    if (n >= 6 && byte2 == 0) {
        return kPoll;  // byte 2 of a poll is the high byte of the read address
    }
    int flags = 0;
    if (frame[10] + 13 == n) {
        flags |= DIR_POLL | DIR_VALID;
    }
    if (byte2 + 5 == n) {
        flags |= DIR_RESPONSE | DIR_VALID;
    } else {
        flags = kEitherValid;
    }
    return flags;
}

DirectionDecision DecideDirection(int flags) {
    const bool poll = (flags & DIR_POLL) != 0;
    const bool response = (flags & DIR_RESPONSE) != 0;
    if (flags & DIR_INVALID) {
        return DirectionDecision::Invalid;
    }
    if (poll && response) {
        return (flags & DIR_VALID) ? DirectionDecision::Ambiguous : DirectionDecision::Inconsistent;
    }
    if (poll) {
        return DirectionDecision::Poll;
    }
    return response ? DirectionDecision::Response : DirectionDecision::Undetermined;
}

}  // namespace

LengthEvaluation EvaluateLengthAndDirection(FrameView frame, bool isException) {
    LengthEvaluation result;
    if (isException) {
        result.flags = kResponse;
        return result;
    }
    const int n = frame.size();
    const int32_t function = frame[1];
    const int32_t byte2 = frame[2];
    if (function == 23) {
        result.flags = EvaluateReadWriteRegisters(n, byte2, frame);
        return result;
    }
    const FunctionInfo* info = FindFunction(function);
    for (const FunctionRules& rules : kLengthRules) {
        for (int code : rules.functions) {
            if (code != function || info == nullptr) {
                continue;
            }
            for (const LengthRule& rule : rules.rules) {
                if (Matches(rule, *info, n, frame)) {
                    result.flags = rule.flags;
                    result.outcome = rule.outcome;
                    if (rule.outcome != LengthOutcome::LEN_OK) {
                        result.declaredByteCount = DeclaredByteCount(function, frame);
                    }
                    return result;
                }
            }
        }
    }
    result.outcome = LengthOutcome::LEN_NOT_SUPPORTED;
    return result;
}

DecodedFrame AssessFrame(FrameView frame) {
    DecodedFrame decoded;
    decoded.length = frame.size();
    decoded.function = frame[1];
    decoded.validation = ValidateFrame(frame);
    if (decoded.validation.outcome == ValidationCode::RET_CODE_ERROR) {
        decoded.stage = FrameStage::Invalid;
        return decoded;
    }
    decoded.evaluation = EvaluateLengthAndDirection(frame, decoded.validation.isException);
    if (decoded.evaluation.outcome != LengthOutcome::LEN_OK) {
        decoded.stage = FrameStage::Rejected;
        return decoded;
    }
    decoded.stage = FrameStage::Decoded;
    decoded.decision = DecideDirection(decoded.evaluation.flags);
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
