#pragma once
// The Modbus/TCP MBAP header: transaction id, protocol id (0 for Modbus), length (the unit id
// plus the PDU), unit id. All fields big-endian.

#include <cstddef>
#include <cstdint>

#include "common/byte_view.h"

namespace mbap {
constexpr size_t kHeaderSize = 7;
constexpr size_t kLengthFieldEnd = 6;     // the length counts the bytes from here on
constexpr uint16_t kShortestLength = 2;   // unit id and function code
constexpr uint16_t kLongestLength = 254;  // unit id and a 253-byte PDU
}  // namespace mbap

struct MbapHeader {
    uint16_t transactionId = 0;
    uint16_t protocolId = 0;
    uint16_t length = 0;
    uint8_t unit = 0;

    size_t MessageSize() const { return mbap::kLengthFieldEnd + length; }
};

// The header at the start of `bytes`; a field they end before reads as 0 (a segment of the
// address pairing may end after the length field).
MbapHeader ReadMbapHeader(ByteView bytes);

// Protocol id 0 and a length a Modbus PDU can have: what a stream must show to be taken for
// Modbus, or to be picked up again after bytes that were never captured.
bool IsPlausibleMbapHeader(const MbapHeader& header);
// Protocol id 0 and at least a unit id and a function code: on a stream known to carry Modbus
// the length field frames the message whatever its size (vendor functions exceed 254).
bool IsFramableMbapHeader(const MbapHeader& header);

// A public function code or one of the ranges left to users (65..72, 100..110): where framing may
// pick up again after bytes that were never captured, on a stream already taken for Modbus.
bool IsResumableFunctionCode(uint8_t functionCode);
