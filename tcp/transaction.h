#pragma once
// A request and the response that answers it, or either one alone.

#include <cstdint>
#include <optional>

#include "tcp/modbus_adu.h"

// Why a request stands alone.
enum class Unanswered : uint8_t {
    No,                 // answered, or a response alone
    ConnectionClosed,   // its connection ended first
    TransactionReused,  // the client sent another request with the same transaction id
    TimedOut,           // no response within the response time-out
    CaptureEnded,
    TooManyWaiting,  // pushed out to keep memory bounded
};

struct Transaction {
    std::optional<ModbusAdu> request;
    std::optional<ModbusAdu> response;
    Unanswered unanswered = Unanswered::No;
    // A response matched its request by transaction id, yet names another unit or function.
    bool unitMismatch = false;
    bool functionMismatch = false;
    Endpoint client;
    Endpoint server;
    // The number of the message that closed it: the response's, or a lone request's own.
    uint64_t reportNumber = 0;
};
