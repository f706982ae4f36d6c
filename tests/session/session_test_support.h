#pragma once
// Modbus/TCP messages for the session tests, and a sink that records what the session hands on.

#include <cstdint>
#include <vector>

#include "session/modbus_session.h"
#include "tests/support/segment_feeder.h"

// The MBAP header (protocol id 0, length = unit + PDU) followed by the unit id and the PDU.
Bytes Adu(uint16_t transactionId, uint8_t unit, const Bytes& pdu);
Bytes Join(const std::vector<Bytes>& parts);
// The PDU of an RTU frame: the bytes between the unit id and the CRC.
Bytes PduOf(const std::vector<uint8_t>& rtuFrame);

struct RecordingSink : ModbusMessageSink {
    void OnMessage(CModbusMessage message) override { messages.push_back(std::move(message)); }
    void OnConnectionClosed(uint64_t connectionId, bool) override {
        closed.push_back(connectionId);
    }
    void OnTime(int64_t) override {}
    void OnCaptureEnd() override { ended = true; }

    std::vector<CModbusMessage> messages;
    std::vector<uint64_t> closed;
    bool ended = false;
};
