#pragma once
// Where the stream decoder hands its results, in capture order.

#include <cstdint>

#include "capture/capture_record.h"
#include "tcp/modbus_adu.h"

class ModbusMessageSink {
public:
    virtual ~ModbusMessageSink() = default;
    virtual void OnMessage(const ModbusAdu& message) = 0;
    // No more messages will come on this connection.
    virtual void OnConnectionClosed(uint64_t connectionId) = 0;
    // Capture time has reached `time` (records come roughly in time order).
    virtual void OnTime(const CaptureTimestamp& time) = 0;
    // The capture is over.
    virtual void OnCaptureEnd() = 0;
};
