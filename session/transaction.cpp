#include "session/transaction.h"

#include "modbus/frame_analysis.h"

namespace {

FrameReport Decode(const ModbusMessage& message, const ModbusMessage* request) {
    const std::vector<int32_t> values = FrameValuesOf(ByteView(message.frame));
    std::vector<int32_t> requestValues;
    if (request != nullptr) {
        requestValues = FrameValuesOf(ByteView(request->frame));
    }
    return AnalyseFrameValues(FrameView(values), FrameView(requestValues));
}

}  // namespace

void DecodeFrames(Transaction& t) {
    if (t.request) {
        t.requestFrame = Decode(*t.request, nullptr);
    }
    if (t.response) {
        t.responseFrame = Decode(*t.response, t.request ? &*t.request : nullptr);
    }
}
