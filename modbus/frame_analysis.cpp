#include "modbus/frame_analysis.h"

#include "modbus/frame_validation.h"
#include "modbus/length_direction.h"
#include "modbus/poll_analysis.h"
#include "modbus/response_analysis.h"

namespace {

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

FrameReport AnalyseFrame(FrameView frame, FrameView poll) {
    FrameReport report;
    report.length = frame.size();
    report.function = frame[1];
    report.validation = ValidateFrame(frame);
    if (report.validation.outcome == ValidationOutcome::Error) {
        report.stage = FrameStage::Invalid;
        return report;
    }
    report.evaluation = EvaluateLengthAndDirection(frame, report.validation.isException);
    if (report.evaluation.outcome != LengthOutcome::Ok) {
        report.stage = FrameStage::Rejected;
        return report;
    }
    report.stage = FrameStage::Decoded;
    report.decision = DecideDirection(report.evaluation.direction);
    const bool ambiguous = report.decision == DirectionDecision::Ambiguous;
    if (ambiguous || report.decision == DirectionDecision::Poll) {
        report.poll = AnalysePoll(frame);
    }
    if (ambiguous || report.decision == DirectionDecision::Response) {
        report.response = AnalyseResponse(frame, poll);
    }
    return report;
}
