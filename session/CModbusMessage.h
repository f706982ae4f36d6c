#pragma once
// One Modbus/TCP message as it was carried on a TCP connection, with the Modbus RTU frame it
// stands for (unit id, PDU, CRC), made once when the message is framed.

#include <cstdint>
#include <optional>
#include <vector>

#include "capture/capture_record.h"
#include "capture/capture_time.h"
#include "common/byte_view.h"
#include "modbus/function_table.h"
#include "session/mbap.h"
#include "tcp/endpoint.h"

enum class MessageDirection : uint8_t { Unknown, ToServer, ToClient };

// The capture clock jumped between two records: set back or forward, or the next of several
// captures read as one began at another time.
struct ClockStep {
    int64_t nanoseconds = 0;  // how far: below 0 back, above 0 forward
    uint64_t record = 0;      // the record whose time stepped
};

struct CModbusMessage {
    uint64_t number = 0;        // 1-based, in the order the messages were completed
    uint64_t connectionId = 0;  // 1-based, in the order the connections were first seen
    Endpoint source;
    Endpoint destination;
    MessageDirection direction = MessageDirection::Unknown;
    uint16_t transactionId = 0;
    uint16_t protocolId = 0;
    uint8_t unit = 0;
    std::vector<uint8_t> frame;  // the RTU frame: unit id, PDU, CRC high, CRC low
    uint64_t captureRecord = 0;  // the record that held the message's last byte
    uint32_t capture = 1;        // the position of that record's file (several read as one)
    CaptureTimestamp time;       // of the record that completed the message
    // `time` on a clock that never steps back (see SteadyCaptureClock), in ns; where no such
    // clock is kept (the address pairing) it is `time` itself.
    std::optional<int64_t> steadyNanoseconds;
    // The steps of the capture clock seen after the message before this one was framed, in
    // record order (usually none).
    std::vector<ClockStep> clockSteps;

    int64_t SteadyNanoseconds() const {
        return steadyNanoseconds ? *steadyNanoseconds : ToNanoseconds(time);
    }
    // `time` on that clock, for the views that show times on it: `time` itself until the
    // capture clock first steps.
    CaptureTimestamp SteadyTime() const {
        return steadyNanoseconds ? SteadyTimestamp(time, *steadyNanoseconds) : time;
    }

    // Longer than a Modbus ADU may be: its MBAP length above 254, so its RTU frame (unit id, PDU,
    // CRC) above 256 bytes. Framed all the same, as its length field says.
    bool OverLong() const { return frame.size() > mbap::kLongestLength + 2; }

    // The function code and data: the frame without unit id and CRC.
    ByteView Pdu() const {
        return frame.size() < 3 ? ByteView() : ByteView(frame.data() + 1, frame.size() - 3);
    }
    uint8_t FunctionCode() const { return frame.size() > 3 ? frame[1] : 0; }
    // An exception response: its function code has the exception bit.
    bool IsException() const { return (FunctionCode() & kExceptionBit) != 0; }
    // The exception code of an exception response; -1 when it ends after the function code.
    int ExceptionCode() const {
        const ByteView pdu = Pdu();
        return pdu.size() >= 2 ? pdu.At(1) : -1;
    }
};
