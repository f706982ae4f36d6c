#include "modbus/frame_analysis.h"

#include "modbus/frame_validation.h"
#include "modbus/length_direction.h"
#include "modbus/poll_analysis.h"
#include "modbus/response_analysis.h"

namespace {

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

FrameReport AnalyseFrame(FrameView frame, FrameView poll) {
    FrameReport report;
    report.length = frame.size();
    report.function = frame[1];
    report.validation = ValidateFrame(frame);
    if (report.validation.code == RET_CODE_ERROR) {
        report.stage = FrameStage::Invalid;
        return report;
    }
    report.evaluation = EvaluateLengthAndDirection(frame, report.validation.isException);
    if (report.evaluation.outcome != LEN_OK) {
        report.stage = FrameStage::Rejected;
        return report;
    }
    report.stage = FrameStage::Decoded;
    report.decision = DecideDirection(report.evaluation.flags);
    const bool ambiguous = report.decision == DirectionDecision::Ambiguous;
    if (ambiguous || report.decision == DirectionDecision::Poll) {
        report.poll = AnalysePoll(frame);
    }
    if (ambiguous || report.decision == DirectionDecision::Response) {
        report.response = AnalyseResponse(frame, poll);
    }
    return report;
}
