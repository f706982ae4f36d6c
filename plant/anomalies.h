#pragma once
// What looks wrong in a transaction, each as a kind of its own. The kinds are named as Suricata
// names its Modbus events where the two overlap.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "session/transaction.h"

enum class AnomalyKind : uint8_t {
    InvalidProtocolId,       // an MBAP protocol id other than 0
    InvalidLength,           // a length the function does not allow, or beyond the Modbus limit
    InvalidUnitIdentifier,   // a unit id that serial lines reserve (248 to 254)
    InvalidFunctionCode,     // function 0, or a request with the exception bit set
    InvalidExceptionCode,    // an exception code Modbus does not define
    UnsolicitedResponse,     // a response with no request waiting for it
    ValueMismatch,           // a write's echo differs from the request
    UnitMismatch,            // the response names another unit than its request
    FunctionMismatch,        // the response names another function than its request
    DuplicateTransactionId,  // sent while a request with its transaction id was waiting
    UnansweredRequest,
    SlowResponse,    // answered later than the slow-response bound
    InvalidAddress,  // a request's address range runs past 65535
    AddressScan,     // a client drew many illegal-function or illegal-address answers
    ClockStep,       // the capture clock stepped back or forward before the message
};

struct Anomaly {
    AnomalyKind kind;
    const CModbusMessage* message;  // the message it is about, within the transaction
    std::string detail;
};

// "invalid_protocol_id", "slow_response", ...
const char* AnomalyKindName(AnomalyKind kind);

// Every anomaly of the transaction: those of each message, request first, then those of the
// pairing. `responseMs` is the transaction's response time (ResponseTimeMs), which a
// `slow_response` must exceed `slowResponseMs` for.
std::vector<Anomaly> AnomaliesOf(const Transaction& transaction, std::optional<double> responseMs,
                                 double slowResponseMs);
