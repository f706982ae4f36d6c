#include "modbus/frame_analysis.h"

#include "common/text_format.h"
#include "modbus/frame_fields.h"
#include "modbus/frame_validation.h"
#include "modbus/length_direction.h"
#include "modbus/poll_analysis.h"
#include "modbus/response_analysis.h"

namespace {

const char* const kNoFurtherAnalysis = "\r\n No further analysis is possible.\r\n";
const char* const kInspectionLine =
    "\r\nCloser inspection of the frame indicates that it is not a Valid Modbus RTU Frame. ";

void AppendAddressLine(std::string& report, const char* format, const uint8_t* source,
                       const uint8_t* destination) {
    if (source == nullptr || destination == nullptr) {
        return;
    }
    AppendFormat(report, format, source[0], source[1], source[2], source[3], destination[0],
                 destination[1], destination[2], destination[3]);
}

const char* const kAddressLine = "Source:        =%d.%d.%d.%d\nDestination    =%d.%d.%d.%d\n";
// The poll section of an ambiguous frame carries this variant of the address line.
const char* const kAmbiguousPollAddressLine =
    "1Source:        =%d.%d.%d.%d\nDestination    =%d.%d.%d.%d\n";

void AppendLengthDetails(std::string& report, const FrameValues& frame, int n,
                         int declaredByteCount) {
    AppendFormat(report, "Function code=%d(dec)=%#x\r\n", frame[1],
                 static_cast<unsigned>(frame[1]));
    AppendFormat(report, "Count of bytes provided for analysis=%d\r\n", n);
    AppendFormat(report, "The message says there should be byte count=%lld\r\n",
                 static_cast<long long>(declaredByteCount) + 5);
}

// Appends why the frame cannot be decoded; false when the outcome lets decoding go on.
bool AppendRejection(std::string& report, int outcome, const FrameValues& frame, int n,
                     int declaredByteCount) {
    switch (outcome) {
        case LEN_IMPOSSIBLE:
        case LEN_BAD_PARITY:
            report += kInspectionLine;
            report +=
                "\r\nIt is not possible for a message with the function code specified below to "
                "have "
                "the number of bytes indicated.\r\n";
            AppendLengthDetails(report, frame, n, declaredByteCount);
            break;
        case LEN_MISMATCH:
            report += kInspectionLine;
            report +=
                "\r\nThe number of bytes supplied for anlysis do not match the number of bytes "
                "reported inside the message itself.\r\n";
            AppendLengthDetails(report, frame, n, declaredByteCount);
            break;
        case LEN_TOO_SHORT:
            report += kInspectionLine;
            AppendFormat(report, "There are too few bytes for this function code=%d(dec)=%#x",
                         frame[1], static_cast<unsigned>(frame[1]));
            break;
        case LEN_NOT_SUPPORTED:
            AppendFormat(report,
                         "We do not support analysis of of some functions in this version of the "
                         "application. Function code=%d(dec)=%#x",
                         frame[1], static_cast<unsigned>(frame[1]));
            break;
        default:
            return false;
    }
    report += kNoFurtherAnalysis;
    return true;
}

void AppendPollSection(std::string& report, const FrameValues& frame, int n,
                       const char* addressLine, const uint8_t* source, const uint8_t* destination) {
    report += "\r\nPoll Analysis\r\n-------------\r\n";
    AppendAddressLine(report, addressLine, source, destination);
    AnalysePoll(frame, n, report);
}

void AppendResponseSection(std::string& report, const FrameValues& frame, int n,
                           const FrameValues& previous, int m, const uint8_t* source,
                           const uint8_t* destination) {
    report += "\r\nResponse Analysis\r\n-----------------\r\n";
    AppendAddressLine(report, kAddressLine, source, destination);
    AnalyseResponse(frame, n, previous, m, report);
}

void AppendDirection(std::string& report, int flags, const FrameValues& frame, int n,
                     const FrameValues& previous, int m, const uint8_t* source,
                     const uint8_t* destination) {
    const bool poll = (flags & DIR_POLL) != 0;
    const bool response = (flags & DIR_RESPONSE) != 0;
    if (flags & DIR_INVALID) {
        report +=
            "\r\n Internal Error #1\r\nThe message direction cannot be determined because the "
            "frame is "
            "invalid. This should have been caught earlier. The function that evaluates length and "
            "direction should have returned a more approriate code.\r\n";
    } else if (poll && response && (flags & DIR_VALID)) {
        report +=
            "\r\nThe direction of the message is ambiguous. In isolation it cannot be determined "
            "if it "
            "is a poll or response. If information of about the previous or next message was known "
            "a "
            "best guess could have been made.\r\n\r\n";
        AppendPollSection(report, frame, n, kAmbiguousPollAddressLine, source, destination);
        AppendResponseSection(report, frame, n, previous, m, source, destination);
    } else if (poll && response) {
        report +=
            "\r\n Internal Error #2\r\nThe message direction cannot be determined because the "
            "frame is "
            "invalid. This should have been caught earlier. The function which evaluates length "
            "and "
            "direction should not set poll and response wihtout indicating that it is valid.\r\n";
    } else if (poll) {
        AppendPollSection(report, frame, n, kAddressLine, source, destination);
    } else if (response) {
        AppendResponseSection(report, frame, n, previous, m, source, destination);
    } else {
        report +=
            "\r\n Internal Error #3\r\nThe message direction was not determined. This should have "
            "been "
            "caught earlier.\r\n";
    }
}

void AnalyseParsedFrame(const std::string& frameText, const FrameValues& frame, int n,
                        const FrameValues& previous, int m, std::string& report,
                        const uint8_t* source, const uint8_t* destination) {
    AppendFormat(report, "\r\nFrame Analysis (%s)\r\n", frameText.c_str());
    report += "--------------\r\n";

    int isException = 0;
    const int validation = ValidateFrame(frame, n, report, isException);
    if (validation == RET_CODE_ERROR) {
        report +=
            "\r\nThe frame is not a Valid Modbus RTU Frame. Its contents cannot be analysed.\r\nAn "
            "example of an invalid frame is one that doesnt have enough bytes to form a full "
            "message.\r\n";
        return;
    }
    if (validation == RET_CODE_WARNING) {
        report +=
            "\r\nThe frame has errors but there may be sufficient information to analyse the "
            "message.\r\n. ";
    }

    int flags = 0;
    int declaredByteCount = 0;
    const int outcome = EvaluateLengthAndDirection(frame[1], frame[2], frame, n, flags,
                                                   declaredByteCount, isException);
    if (AppendRejection(report, outcome, frame, n, declaredByteCount)) {
        return;
    }
    if (validation == RET_CODE_OK) {
        report += "\r\nThe frame has no errors.\r\n";
    }
    AppendDirection(report, flags, frame, n, previous, m, source, destination);
}

}  // namespace

void AnalyseFrame(std::string frameText, std::string previousText, std::string& report, int finish,
                  const uint8_t* source, const uint8_t* destination) {
    FrameValues frame{};
    FrameValues previous{};
    const int n = ParseHexBytes(frameText, frame, kMaxFrameBytes);
    const int m = ParseHexBytes(previousText, previous, kMaxFrameBytes);
    AnalyseParsedFrame(frameText, frame, n, previous, m, report, source, destination);
    if (finish != 0) {
        report += "\r\n\r\nFinis.\r\n-----------------------------------------------------\r\n";
    }
}
