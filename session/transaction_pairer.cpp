#include "session/transaction_pairer.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "capture/capture_time.h"
#include "modbus/function_table.h"

TransactionPairer::TransactionPairer(PairingSettings settings, Output output)
    : settings_(settings), output_(std::move(output)), now_(std::numeric_limits<int64_t>::min()) {}

void TransactionPairer::OnMessage(CModbusMessage message) {
    ExpireBefore(ToNanoseconds(message.time));
    if (const uint64_t request = AnsweredRequest(message)) {
        Pair(request, std::move(message));
    } else if (message.direction == MessageDirection::ToClient) {
        Transaction transaction;
        transaction.response = std::move(message);
        Hold(std::move(transaction));
    } else {
        std::deque<uint64_t>& waiting =
            byTransaction_[{message.connectionId, message.transactionId}];
        const uint64_t number = message.number;
        if (!waiting.empty()) {
            duplicates_.insert(number);
        }
        waiting.push_back(number);
        earliestWaiting_ = std::min(earliestWaiting_, ToNanoseconds(message.time));
        outstanding_[number] = std::move(message);
        while (outstanding_.size() > settings_.maxOutstandingRequests) {
            CloseAlone(outstanding_.begin()->first, Unanswered::TooManyWaiting);
        }
    }
    ReleaseHeld();
}

void TransactionPairer::OnConnectionClosed(uint64_t connectionId, bool captureEnded) {
    std::vector<uint64_t> ended;
    for (const auto& entry : outstanding_) {
        if (entry.second.connectionId == connectionId) {
            ended.push_back(entry.first);
        }
    }
    for (uint64_t number : ended) {
        CloseAlone(number, captureEnded ? Unanswered::CaptureEnded : Unanswered::ConnectionClosed);
    }
    ReleaseHeld();
}

void TransactionPairer::OnTime(const CaptureTimestamp& time) {
    ExpireBefore(ToNanoseconds(time));
    ReleaseHeld();
}

void TransactionPairer::OnCaptureEnd() {
    while (!outstanding_.empty()) {
        CloseAlone(outstanding_.begin()->first, Unanswered::CaptureEnded);
    }
    ReleaseHeld();
}

namespace {

// A write response that repeats its request as the function's echo rule asks.
bool Echoes(const CModbusMessage& response, const CModbusMessage& request) {
    return IsEchoOf(response.Pdu(), request.Pdu());
}

}  // namespace

// A response to the client, or a message of unknown direction that comes back the other way
// with the transaction id of a waiting request.
uint64_t TransactionPairer::AnsweredRequest(const CModbusMessage& message) const {
    if (message.direction == MessageDirection::ToServer) {
        return 0;
    }
    auto found = byTransaction_.find({message.connectionId, message.transactionId});
    if (found == byTransaction_.end() || found->second.empty()) {
        return 0;
    }
    const std::deque<uint64_t>& waiting = found->second;
    uint64_t chosen = waiting.front();
    for (uint64_t number : waiting) {
        if (Echoes(message, outstanding_.at(number))) {
            chosen = number;
            break;
        }
    }
    return outstanding_.at(chosen).source == message.destination ? chosen : 0;
}

void TransactionPairer::Pair(uint64_t requestNumber, CModbusMessage&& response) {
    auto request = outstanding_.find(requestNumber);
    Transaction transaction;
    transaction.request = std::move(request->second);
    transaction.unitMismatch = transaction.request->unit != response.unit;
    transaction.functionMismatch =
        transaction.request->FunctionCode() != BaseFunctionCode(response.FunctionCode());
    transaction.response = std::move(response);
    transaction.duplicateTransactionId = duplicates_.erase(requestNumber) > 0;
    outstanding_.erase(request);
    Forget(*transaction.request);
    Hold(std::move(transaction));
}

// Takes a request that is no longer waiting out of its transaction id's queue.
void TransactionPairer::Forget(const CModbusMessage& request) {
    auto found = byTransaction_.find({request.connectionId, request.transactionId});
    if (found == byTransaction_.end()) {
        return;
    }
    std::deque<uint64_t>& waiting = found->second;
    waiting.erase(std::remove(waiting.begin(), waiting.end(), request.number), waiting.end());
    if (waiting.empty()) {
        byTransaction_.erase(found);
    }
}

void TransactionPairer::CloseAlone(uint64_t requestNumber, Unanswered reason) {
    auto request = outstanding_.find(requestNumber);
    Transaction transaction;
    transaction.request = std::move(request->second);
    transaction.unanswered = reason;
    transaction.duplicateTransactionId = duplicates_.erase(requestNumber) > 0;
    outstanding_.erase(request);
    Forget(*transaction.request);
    Hold(std::move(transaction));
}

// Requests that saw no response for longer than the time-out, as of capture time `now`.
void TransactionPairer::ExpireBefore(int64_t now) {
    if (now > now_) {
        now_ = now;
    }
    constexpr int64_t kEarliest = std::numeric_limits<int64_t>::min();
    const int64_t timeout = settings_.responseTimeoutNanoseconds;
    if (timeout <= 0) {
        return;  // no time-out: requests wait for their answer, their connection or the end
    }
    const int64_t deadline = now_ < kEarliest + timeout ? kEarliest : now_ - timeout;
    if (earliestWaiting_ >= deadline) {
        return;  // nothing waits that long: no scan on every record
    }
    std::vector<uint64_t> expired;
    int64_t earliest = std::numeric_limits<int64_t>::max();
    for (const auto& entry : outstanding_) {
        const int64_t sent = ToNanoseconds(entry.second.time);
        if (sent < deadline) {
            expired.push_back(entry.first);
        } else if (sent < earliest) {
            earliest = sent;
        }
    }
    earliestWaiting_ = earliest;
    for (uint64_t number : expired) {
        CloseAlone(number, Unanswered::TimedOut);
    }
}

void TransactionPairer::Hold(Transaction&& transaction) {
    const uint64_t number = transaction.ReportNumber();
    held_.emplace(number, std::move(transaction));
}

// A transaction may go once no waiting request has a lower number: every transaction still to
// close will have a report number at least that of a waiting request or of a later message.
// Past the bound on held transactions, the oldest waiting request is given up.
void TransactionPairer::ReleaseHeld() {
    for (;;) {
        while (!held_.empty() &&
               (outstanding_.empty() || held_.begin()->first < outstanding_.begin()->first)) {
            Transaction transaction = std::move(held_.begin()->second);
            held_.erase(held_.begin());
            DecodeFrames(transaction);
            output_(std::move(transaction));
        }
        if (held_.size() <= settings_.maxHeldTransactions || outstanding_.empty()) {
            return;
        }
        CloseAlone(outstanding_.begin()->first, Unanswered::TooManyWaiting);
    }
}
