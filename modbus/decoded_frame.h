#pragma once
// What the frame analyser finds in one frame, as data: validation findings, the length and
// direction evaluation, the direction decision and the decoded fields and points. Renderers turn
// it into report text or log records; nothing here is formatted.

#include <cstdint>
#include <optional>
#include <vector>

// Outcome of the validation.
enum class ValidationCode {
    RET_CODE_ERROR = -1,  // the frame cannot be analysed
    RET_CODE_OK = 0,      // no errors or warnings
    RET_CODE_WARNING = 1  // errors or warnings reported, analysis goes on
};

enum class FindingCode {
    TooFewBytes,           // Error #0001
    TooFewBytesShortPoll,  // Error #0006: a 4-byte-poll function with fewer than 4 bytes
    BadChecksum,           // Error #0007: values = actual high, actual low, required CRC
    AddressOutOfRange,     // Warning #0002: value = address
    ExceptionResponse,     // a note, not numbered: the exception bit is set
    NonStandardFunction,   // Warning #0005: value = function without the exception bit
    NoFunction,            // Warning #0004
};

struct Finding {
    FindingCode code;
    int32_t value = 0;
    int32_t value2 = 0;
    int32_t value3 = 0;
};

// The error or warning number of a finding; 0 for the exception note.
int FindingNumber(FindingCode code);

struct ValidationResult {
    ValidationCode outcome = ValidationCode::RET_CODE_OK;
    bool isException = false;
    std::vector<Finding> findings;
};

enum class LengthOutcome {
    LEN_OK = 0,
    LEN_IMPOSSIBLE = 1,     // the function has a fixed length and the frame has another
    LEN_NOT_SUPPORTED = 2,  // the analyser has no length rule for the function
    LEN_MISMATCH = 3,       // the frame's length differs from the one its byte count declares
    LEN_BAD_PARITY = 4,     // an even length where the layout allows odd ones only
    LEN_TOO_SHORT = 5,
};

// What the length evaluation lets a frame be.
// Direction flags of the length evaluation, or-ed together: bit flags, so a plain enum.
enum DirectionFlag : int {
    DIR_POLL = 1,
    DIR_RESPONSE = 2,
    DIR_VALID = 4,  // a well-formed frame: with poll and response, an ambiguous one
    DIR_INVALID = 8,
};

struct LengthEvaluation {
    LengthOutcome outcome = LengthOutcome::LEN_OK;
    int flags = 0;  // DirectionFlag bits
    // On LEN_IMPOSSIBLE, LEN_BAD_PARITY and LEN_MISMATCH, declaredByteCount + 5 is the frame length
    // that the frame itself declares.
    int32_t declaredByteCount = 0;
};

// What a frame can be, judged on its content alone.
enum class FrameClass {
    Undecided,  // invalid, or could be either
    Poll,
    Response,
};

enum class DirectionDecision {
    Invalid,       // the evaluation marked the frame invalid (Internal Error #1)
    Ambiguous,     // a valid frame that can be either: decoded both ways
    Inconsistent,  // poll and response without valid (Internal Error #2)
    Poll,
    Response,
    Undetermined,  // neither (Internal Error #3)
};

// The shape of a decoded section, which fields below mean something.
enum class FrameLayout {
    NotDecoded,         // a function the analyser does not decode: no lines
    AddressFunction,    // device address and function only (7, 11, 12, 17 polls ...)
    ReadRequest,        // 1-4 poll: reference, count
    SingleCoil,         // 5: reference, value = required state
    SingleRegister,     // 6: reference, value
    MultipleCoils,      // 15 poll: reference, count, coil points
    MultipleRegisters,  // 16 poll: reference, count, register points
    MaskWrite,          // 22: reference, andMask, orMask
    ReadWriteRequest,   // 23 poll: reference, count, writeReference, writeCount, points
    WriteConfirmation,  // 15/16 response: reference, count
    StatusBits,         // 1/2 response: coil points
    Registers,          // 3/4/23 response: register points
    ReportSlaveId,      // 17 response
    Exception,          // exception response
};

struct FramePoint {
    int32_t reference = 0;  // Modicon reference, or the 1-based index when addresses are unknown
    int32_t value = 0;      // register value, or coil state 0/1
    bool padding = false;   // a coil past the requested count, filling the last byte
    bool pastLastAddress = false;  // its address would be past 65535: no such point exists
};

struct FrameFields {
    FrameLayout layout = FrameLayout::NotDecoded;
    int32_t unit = 0;
    int32_t function = 0;  // without the exception bit for an exception response
    int32_t exceptionCode = 0;
    int32_t reference = 0;  // start reference (the read range for function 23)
    int32_t count = 0;
    int32_t byteCount = 0;
    int32_t value = 0;
    int32_t andMask = 0;
    int32_t orMask = 0;
    int32_t writeReference = 0;
    int32_t writeCount = 0;
    int32_t slaveId = 0;
    int32_t runIndicator = 0;
    std::vector<int32_t> additionalData;
    bool rangeFromPoll = false;  // reference and count were taken from the answered poll
    bool addressesKnown = true;  // false: points carry indexes, the poll was not supplied
    bool echo = false;           // the response is a copy of the poll
    std::vector<FramePoint> points;
};

enum class FrameStage {
    Invalid,   // validation found it unusable
    Rejected,  // the length evaluation refused it
    Decoded,   // past both: its sections are decoded as the direction decision says
};

struct DecodedFrame {
    int length = 0;        // frame values looked at, CRC included
    int32_t function = 0;  // byte 1 as it stands
    ValidationResult validation;
    FrameStage stage = FrameStage::Invalid;
    LengthEvaluation evaluation;
    DirectionDecision decision = DirectionDecision::Undetermined;
    std::optional<FrameFields> poll;
    std::optional<FrameFields> response;
};
