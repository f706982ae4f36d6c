#pragma once
// One Modbus/TCP application data unit as it was carried on a TCP connection.

#include <cstdint>
#include <vector>

#include "capture/capture_record.h"
#include "tcp/endpoint.h"

enum class MessageDirection : uint8_t { Unknown, ToServer, ToClient };

struct ModbusAdu {
    uint64_t messageNumber = 0;  // 1-based, in the order the messages were completed
    uint64_t connectionId = 0;   // 1-based, in the order the connections were first seen
    Endpoint source;
    Endpoint destination;
    MessageDirection direction = MessageDirection::Unknown;
    uint16_t transactionId = 0;
    uint16_t protocolId = 0;
    uint8_t unit = 0;
    std::vector<uint8_t> pdu;    // function code and data
    uint64_t captureRecord = 0;  // the record that held the message's last byte
    CaptureTimestamp time;       // of the record that completed the message

    uint8_t FunctionCode() const { return pdu.empty() ? 0 : pdu[0]; }
};
