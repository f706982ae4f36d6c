#pragma once
// A request and the response that answers it, or either one alone: the one record every output
// reads. Each message's frame is decoded once, when the pairing hands the transaction on.

#include <cstdint>
#include <optional>

#include "modbus/decoded_frame.h"
#include "modbus/function_details.h"
#include "session/CModbusMessage.h"

// Why a request stands alone.
enum class Unanswered : uint8_t {
    No,                // answered, or a response alone
    ConnectionClosed,  // its connection ended first
    TimedOut,          // no response within the response time-out
    CaptureEnded,
    TooManyWaiting,  // pushed out to keep memory bounded
};

struct Transaction {
    std::optional<CModbusMessage> request;
    std::optional<CModbusMessage> response;
    Unanswered unanswered = Unanswered::No;
    // A response matched its request by transaction id, yet names another unit or function.
    bool unitMismatch = false;
    bool functionMismatch = false;
    // The request was sent while another with its transaction id waited for an answer.
    bool duplicateTransactionId = false;
    // The request's frame on its own, and the response's frame read with the request it
    // answers (alone when there is none).
    std::optional<DecodedFrame> requestFrame;
    std::optional<DecodedFrame> responseFrame;
    // What functions 8, 20, 21, 24 and 43/14 carry beyond the frame's fields, read off each
    // message's PDU on its own.
    std::optional<FunctionDetails> requestDetails;
    std::optional<FunctionDetails> responseDetails;

    // The message that opens the transaction: the request, or a lone response. Its MBAP header
    // names the transaction and the unit; its record, time and capture are the transaction's first.
    const CModbusMessage& First() const { return request ? *request : *response; }
    // The message the report shows: the response when there is one (with the request as its
    // poll), else the request.
    const CModbusMessage& Shown() const { return response ? *response : *request; }
    const DecodedFrame& ShownFrame() const { return response ? *responseFrame : *requestFrame; }
    // The number of the report block: the shown message's own.
    uint64_t ReportNumber() const { return Shown().number; }
    // The ends, read off the request, or off a lone response.
    const Endpoint& Client() const { return request ? request->source : response->destination; }
    const Endpoint& Server() const { return request ? request->destination : response->source; }
};

// Decodes the frames of the transaction's messages and their function details.
void DecodeFrames(Transaction& transaction);
