#pragma once
// Where the Modbus/TCP session hands its messages, in capture order.

#include <cstdint>

#include "capture/capture_record.h"
#include "session/CModbusMessage.h"

class ModbusMessageSink {
public:
    virtual ~ModbusMessageSink() = default;
    virtual void OnMessage(CModbusMessage message) = 0;
    // No more messages will come on this connection: it closed, or the capture ended while it
    // was open (`captureEnded`).
    virtual void OnConnectionClosed(uint64_t connectionId, bool captureEnded) = 0;
    // Capture time has reached `steadyNanoseconds` on the clock that never goes back (see
    // SteadyCaptureClock).
    virtual void OnTime(int64_t steadyNanoseconds) = 0;
    // The capture is over.
    virtual void OnCaptureEnd() = 0;
};
