#include "session/modbus_evidence.h"

#include <algorithm>

#include "modbus/frame_view.h"
#include "modbus/function_table.h"
#include "modbus/length_direction.h"

namespace {
// The unit id and a 253-byte PDU, and one byte of slack for a vendor's miscount.
constexpr uint16_t kLongestBelievable = mbap::kLongestLength + 1;
constexpr uint16_t kExceptionLength = 3;     // unit id, function code, exception code
constexpr uint8_t kLastPublicFunction = 24;  // the layouts the length rules know
// Transaction ids and units remembered per direction, for answers to them.
constexpr size_t kRememberedIds = 32;
// Framing events on a Modbus port after which recognition stops weighing them: Modbus.
constexpr uint64_t kEvidenceWindow = 8;

// Either direction framed two messages in step (the second header sat where the first one's
// length said, with protocol id 0), or answered the other in step.
bool ProvesMbapFraming(const ConnectionEvidence& evidence) {
    for (const DirectionEvidence& direction : evidence) {
        if (direction.messagesInStep >= 2 || direction.answered) {
            return true;
        }
    }
    return false;
}

}  // namespace

ModbusFit JudgeMessage(const MbapHeader& header, const std::vector<uint8_t>& rtuFrame) {
    const uint8_t function = rtuFrame.size() > 1 ? rtuFrame[1] : 0;
    if (header.length > kLongestBelievable || !IsResumableFunctionCode(function)) {
        return ModbusFit::Foreign;
    }
    const int base = BaseFunctionCode(function);
    if (base > kLastPublicFunction) {
        return ModbusFit::Fits;  // 43 and the user-defined ranges: no layout to check against
    }
    if ((function & kExceptionBit) != 0) {
        return header.length == kExceptionLength ? ModbusFit::Fits : ModbusFit::BadLayout;
    }
    const DecodedFrame assessed = AssessFrame(FrameView(ByteView(rtuFrame)));
    const bool refused = assessed.stage == FrameStage::Invalid ||
                         (assessed.stage == FrameStage::Rejected &&
                          assessed.evaluation.outcome != LengthOutcome::LEN_NOT_SUPPORTED);
    return refused ? ModbusFit::BadLayout : ModbusFit::Fits;
}

void TakeMessage(ConnectionEvidence& evidence, int side, bool inStep, uint16_t transactionId,
                 uint8_t unit, ModbusFit fit) {
    DirectionEvidence& own = evidence[side];
    const std::pair<uint16_t, uint8_t> id(transactionId, unit);
    ++own.fits[static_cast<size_t>(fit)];
    if (inStep) {
        ++own.messagesInStep;
        const std::vector<std::pair<uint16_t, uint8_t>>& asked = evidence[1 - side].ids;
        own.answered = own.answered || std::find(asked.begin(), asked.end(), id) != asked.end();
    }
    if (own.ids.size() < kRememberedIds) {
        own.ids.push_back(id);
    }
}

// Proof of MBAP framing settles it. While no header broke framing, the port stands: a message
// framed in step, bytes lost (what framing finds after is a guess) or the end are Modbus.
// Once framing broke, the messages are weighed by how they fit the public functions: another
// protocol once those that do not fit (breaks among them) lead by two; Modbus once those that fit
// outnumber them, or at a loss, at the end, or after kEvidenceWindow framing events. So one stray
// error, or a device that miscounts its lengths, leaves a connection Modbus.
Recognition JudgeOnModbusPort(const ConnectionEvidence& evidence, bool decideNow) {
    if (ProvesMbapFraming(evidence)) {
        return Recognition::Modbus;
    }
    uint64_t breaks = 0;
    uint64_t inStep = 0;
    bool lostStep = false;
    uint64_t fitting = 0;
    uint64_t misfits = 0;
    for (const DirectionEvidence& direction : evidence) {
        breaks += direction.breaks;
        inStep += direction.messagesInStep;
        lostStep = lostStep || direction.lostStep;
        fitting += direction.fits[static_cast<size_t>(ModbusFit::Fits)];
        misfits += direction.fits[static_cast<size_t>(ModbusFit::BadLayout)] +
                   direction.fits[static_cast<size_t>(ModbusFit::Foreign)];
    }
    if (breaks == 0) {
        return inStep > 0 || lostStep || decideNow ? Recognition::Modbus : Recognition::Candidate;
    }
    const uint64_t against = breaks + misfits;
    if (against >= fitting + 2 && !lostStep) {
        return Recognition::NotModbus;
    }
    const bool modbus =
        fitting > against || lostStep || decideNow || fitting + against >= kEvidenceWindow;
    return modbus ? Recognition::Modbus : Recognition::Candidate;
}

// Any break is another protocol; enough messages, with every end that sent something framing at
// least one, are Modbus; at the end, whatever framed is.
Recognition JudgeOffModbusPorts(const ConnectionEvidence& evidence, size_t messagesToRecognise,
                                bool decideNow) {
    if (evidence[0].breaks > 0 || evidence[1].breaks > 0) {
        return Recognition::NotModbus;
    }
    uint64_t messages = 0;
    bool everySenderFramed = true;
    for (const DirectionEvidence& direction : evidence) {
        messages += direction.Messages();
        everySenderFramed = everySenderFramed && (!direction.sentData || direction.Messages() > 0);
    }
    if ((messages >= messagesToRecognise && everySenderFramed) || (decideNow && messages > 0)) {
        return Recognition::Modbus;
    }
    return decideNow ? Recognition::NotModbus : Recognition::Candidate;
}
