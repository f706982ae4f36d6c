#include "modbus/frame_analysis.h"

#include "modbus/length_direction.h"
#include "modbus/poll_analysis.h"
#include "modbus/response_analysis.h"

FrameReport AnalyseFrame(FrameView frame, FrameView poll) {
    FrameReport report = AssessFrame(frame);
    if (report.stage != FrameStage::Decoded) {
        return report;
    }
    const bool ambiguous = report.decision == DirectionDecision::Ambiguous;
    if (ambiguous || report.decision == DirectionDecision::Poll) {
        report.poll = AnalysePoll(frame);
    }
    if (ambiguous || report.decision == DirectionDecision::Response) {
        report.response = AnalyseResponse(frame, poll);
    }
    return report;
}
