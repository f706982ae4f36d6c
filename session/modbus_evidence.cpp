#include "session/modbus_evidence.h"

#include "modbus/frame_view.h"
#include "modbus/function_table.h"
#include "modbus/length_direction.h"

namespace {
// The unit id and a 253-byte PDU, and one byte of slack for a vendor's miscount.
constexpr uint16_t kLongestBelievable = mbap::kLongestLength + 1;
constexpr uint16_t kExceptionLength = 3;     // unit id, function code, exception code
constexpr uint8_t kLastPublicFunction = 24;  // the layouts the length rules know
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
