#include "modbus/frame_analysis.h"

#include "modbus/length_direction.h"
#include "modbus/poll_analysis.h"
#include "modbus/response_analysis.h"

DecodedFrame AnalyseFrame(FrameView frame, FrameView poll) {
    DecodedFrame decoded = AssessFrame(frame);
    if (decoded.stage != FrameStage::Decoded) {
        return decoded;
    }
    const bool ambiguous = decoded.decision == DirectionDecision::Ambiguous;
    if (ambiguous || decoded.decision == DirectionDecision::Poll) {
        decoded.poll = AnalysePoll(frame);
    }
    if (ambiguous || decoded.decision == DirectionDecision::Response) {
        decoded.response = AnalyseResponse(frame, poll);
    }
    return decoded;
}
