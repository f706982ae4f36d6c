#include "session/transaction.h"

#include "modbus/frame_analysis.h"

namespace {

DecodedFrame Decode(const CModbusMessage& message, const CModbusMessage* request) {
    const FrameView poll = request != nullptr ? FrameView(ByteView(request->frame)) : FrameView();
    return AnalyseFrame(FrameView(ByteView(message.frame)), poll);
}

}  // namespace

void DecodeFrames(Transaction& t) {
    if (t.request) {
        t.requestFrame = Decode(*t.request, nullptr);
        t.requestDetails = DecodeFunctionDetails(t.request->Pdu(), PduKind::Request);
    }
    if (t.response) {
        t.responseFrame = Decode(*t.response, t.request ? &*t.request : nullptr);
        t.responseDetails = DecodeFunctionDetails(t.response->Pdu(), PduKind::Response);
    }
}
