#pragma once
// Pairs each response with an outstanding request of its connection that has the same
// transaction id: the one it echoes (a write whose function has an echo rule), else the oldest,
// since some clients send several requests with one id before the answers come. Hands the
// transactions on in order of their report numbers. Requests
// still waiting for an answer hold back later transactions, so both the waiting requests and
// the held transactions are bounded.

#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <map>
#include <set>
#include <utility>

#include "session/modbus_message_sink.h"
#include "session/response_defaults.h"
#include "session/transaction.h"

struct PairingSettings {
    int64_t responseTimeoutNanoseconds =  // 0: no time-out
        int64_t{kDefaultResponseTimeoutSeconds} * 1'000'000'000;
    size_t maxOutstandingRequests = 1024;
    size_t maxHeldTransactions = 4096;
};

class TransactionPairer : public ModbusMessageSink {
public:
    using Output = std::function<void(Transaction&&)>;

    TransactionPairer(PairingSettings settings, Output output);

    void OnMessage(CModbusMessage message) override;
    void OnConnectionClosed(uint64_t connectionId, bool captureEnded) override;
    void OnTime(const CaptureTimestamp& time) override;
    // Every request still waiting goes out alone.
    void OnCaptureEnd() override;

private:
    using TransactionKey = std::pair<uint64_t, uint16_t>;  // connection id, transaction id

    // The waiting request `message` answers; 0 when none.
    uint64_t AnsweredRequest(const CModbusMessage& message) const;
    void Pair(uint64_t requestNumber, CModbusMessage&& response);
    void Forget(const CModbusMessage& request);
    void CloseAlone(uint64_t requestNumber, Unanswered reason);
    void ExpireBefore(int64_t now);
    void Hold(Transaction&& transaction);
    void ReleaseHeld();

    PairingSettings settings_;
    Output output_;
    int64_t now_ = 0;
    std::map<uint64_t, CModbusMessage> outstanding_;  // requests by message number
    // No outstanding request was sent before this (a bound: it may be older than the oldest).
    int64_t earliestWaiting_ = std::numeric_limits<int64_t>::max();
    // The waiting requests' message numbers per transaction id, oldest first.
    std::map<TransactionKey, std::deque<uint64_t>> byTransaction_;
    std::set<uint64_t> duplicates_;  // waiting requests sent while another with their id waited
    std::map<uint64_t, Transaction> held_;  // by report number
};
