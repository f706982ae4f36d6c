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
    int flags;
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

constexpr int PR = DIR_POLL | DIR_RESPONSE;
constexpr int PRV = DIR_POLL | DIR_RESPONSE | DIR_VALID;

// First matching rule wins.
const FunctionRules kLengthRules[] = {
    {{1, 2},
     {{Test::Shorter, 6, PR, LEN_TOO_SHORT},
      {Test::ExactlyWithByteCount, 8, PRV, LEN_OK},
      {Test::Exactly, 8, DIR_POLL, LEN_OK},
      {Test::ByteCount, 0, DIR_RESPONSE, LEN_OK},
      {Test::Any, 0, DIR_INVALID, LEN_MISMATCH}},
     Declared::ResponseByteCount,
     0},
    {{3, 4},
     {{Test::Shorter, 7, PR, LEN_TOO_SHORT},
      {Test::Exactly, 8, DIR_POLL, LEN_OK},
      {Test::OddWithByteCount, 0, DIR_RESPONSE, LEN_OK},
      {Test::Odd, 0, DIR_INVALID, LEN_MISMATCH},
      {Test::Any, 0, DIR_INVALID, LEN_BAD_PARITY}},
     Declared::ResponseByteCount,
     0},
    {{5, 6},
     {{Test::Exactly, 8, PRV, LEN_OK}, {Test::Any, 0, DIR_INVALID, LEN_IMPOSSIBLE}},
     Declared::FixedLength,
     8},
    // A frame longer than the 4-byte poll can only be meant as the fixed-length response.
    {{7},
     {{Test::Exactly, 4, DIR_POLL, LEN_OK},
      {Test::Exactly, 5, DIR_RESPONSE, LEN_OK},
      {Test::Any, 0, DIR_INVALID, LEN_IMPOSSIBLE}},
     Declared::FixedLength,
     5},
    {{11},
     {{Test::Exactly, 4, DIR_POLL, LEN_OK},
      {Test::Exactly, 8, DIR_RESPONSE, LEN_OK},
      {Test::Any, 0, DIR_INVALID, LEN_IMPOSSIBLE}},
     Declared::FixedLength,
     8},
    {{12},
     {{Test::Exactly, 4, DIR_POLL, LEN_OK},
      {Test::Shorter, 13, DIR_INVALID, LEN_TOO_SHORT},
      {Test::OddWithByteCount, 0, DIR_RESPONSE, LEN_OK},
      {Test::Odd, 0, DIR_INVALID, LEN_MISMATCH},
      {Test::Any, 0, DIR_INVALID, LEN_BAD_PARITY}},
     Declared::ResponseByteCount,
     0},
    {{15},
     {{Test::Exactly, 8, DIR_RESPONSE, LEN_OK},
      {Test::Shorter, 10, DIR_INVALID, LEN_TOO_SHORT},
      {Test::PollByteCount, 0, DIR_POLL, LEN_OK},
      {Test::Any, 0, DIR_INVALID, LEN_MISMATCH}},
     Declared::PollByteCount,
     0},
    {{16},
     {{Test::Exactly, 8, DIR_RESPONSE, LEN_OK},
      {Test::Shorter, 11, DIR_INVALID, LEN_TOO_SHORT},
      {Test::PollByteCount, 0, DIR_POLL, LEN_OK},
      {Test::Any, 0, DIR_INVALID, LEN_MISMATCH}},
     Declared::PollByteCount,
     0},
    {{17},
     {{Test::Exactly, 4, DIR_POLL, LEN_OK},
      {Test::Shorter, 7, DIR_INVALID, LEN_TOO_SHORT},
      {Test::ByteCount, 0, DIR_RESPONSE, LEN_OK},
      {Test::Any, 0, DIR_INVALID, LEN_MISMATCH}},
     Declared::ResponseByteCount,
     0},
    // A correct server echoes a mask write: no length rule, always ambiguous.
    {{22}, {{Test::Any, 0, PRV, LEN_OK}}, Declared::None, 0},
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
int EvaluateReadWriteRegisters(int n, int32_t byte2, FrameView frame) {
    if (n >= 10 && (frame.Word(4) > 110 || frame.Word(8) > 110)) {
        return DIR_RESPONSE;
    }
    if (n >= 6 && byte2 == 0) {
        return DIR_POLL;  // byte 2 of a poll is the high byte of the read address
    }
    int flags = 0;
    if (frame[10] + 13 == n) {
        flags |= DIR_POLL | DIR_VALID;
    }
    if (byte2 + 5 == n) {
        flags |= DIR_RESPONSE | DIR_VALID;
    } else {
        flags |= PRV;
    }
    return flags;
}

}  // namespace

LengthEvaluation EvaluateLengthAndDirection(FrameView frame, bool isException) {
    LengthEvaluation result;
    if (isException) {
        result.flags = DIR_RESPONSE;
        return result;
    }
    const int n = frame.size();
    const int32_t function = frame[1];
    const int32_t byte2 = frame[2];
    if (function == 23) {
        result.flags = EvaluateReadWriteRegisters(n, byte2, frame);
        return result;
    }
    for (const FunctionRules& rules : kLengthRules) {
        for (int code : rules.functions) {
            if (code != function) {
                continue;
            }
            for (const LengthRule& rule : rules.rules) {
                if (Matches(rule, n, byte2, frame)) {
                    result.flags = rule.flags;
                    result.outcome = rule.outcome;
                    if (rule.outcome != LEN_OK) {
                        result.declaredByteCount = DeclaredByteCount(rules, byte2, frame);
                    }
                    return result;
                }
            }
        }
    }
    result.outcome = LEN_NOT_SUPPORTED;
    return result;
}

FrameClass ClassifyFrame(FrameView frame) {
    const ValidationResult validation = ValidateFrame(frame);
    if (validation.code == RET_CODE_ERROR) {
        return CLASS_UNDECIDED;
    }
    const LengthEvaluation evaluation = EvaluateLengthAndDirection(frame, validation.isException);
    const int flags = evaluation.flags;
    if (evaluation.outcome != LEN_OK || (flags & DIR_INVALID) ||
        ((flags & DIR_POLL) && (flags & DIR_RESPONSE))) {
        return CLASS_UNDECIDED;
    }
    if (flags & DIR_POLL) {
        return CLASS_POLL;
    }
    if (flags & DIR_RESPONSE) {
        return CLASS_RESPONSE;
    }
    return CLASS_UNDECIDED;
}
