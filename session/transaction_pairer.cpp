#include "session/transaction_pairer.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "capture/capture_time.h"
#include "session/mbap.h"

TransactionPairer::TransactionPairer(PairingSettings settings, Output output)
    : settings_(settings), output_(std::move(output)), now_(std::numeric_limits<int64_t>::min()) {}

void TransactionPairer::OnMessage(ModbusMessage message) {
    ExpireBefore(ToNanoseconds(message.time));
    if (AnswersOutstanding(message)) {
        Pair(std::move(message));
    } else if (message.direction == MessageDirection::ToClient) {
        Transaction transaction;
        transaction.client = message.destination;
        transaction.server = message.source;
        transaction.reportNumber = message.number;
        transaction.response = std::move(message);
        Hold(std::move(transaction));
    } else {
        const TransactionKey key{message.connectionId, message.transactionId};
        auto previous = byTransaction_.find(key);
        if (previous != byTransaction_.end()) {
            CloseAlone(previous->second, Unanswered::TransactionReused);
        }
        const uint64_t number = message.number;
        earliestWaiting_ = std::min(earliestWaiting_, ToNanoseconds(message.time));
        outstanding_[number] = std::move(message);
        byTransaction_[key] = number;
        while (outstanding_.size() > settings_.maxOutstandingRequests) {
            CloseAlone(outstanding_.begin()->first, Unanswered::TooManyWaiting);
        }
    }
    ReleaseHeld();
}

void TransactionPairer::OnConnectionClosed(uint64_t connectionId) {
    std::vector<uint64_t> ended;
    for (const auto& entry : outstanding_) {
        if (entry.second.connectionId == connectionId) {
            ended.push_back(entry.first);
        }
    }
    for (uint64_t number : ended) {
        CloseAlone(number, Unanswered::ConnectionClosed);
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

// A response to the client, or a message of unknown direction that comes back the other way
// with the transaction id of a waiting request.
bool TransactionPairer::AnswersOutstanding(const ModbusMessage& message) const {
    if (message.direction == MessageDirection::ToServer) {
        return false;
    }
    auto found = byTransaction_.find({message.connectionId, message.transactionId});
    return found != byTransaction_.end() &&
           outstanding_.at(found->second).source == message.destination;
}

void TransactionPairer::Pair(ModbusMessage&& response) {
    auto key = byTransaction_.find({response.connectionId, response.transactionId});
    auto request = outstanding_.find(key->second);
    Transaction transaction;
    transaction.request = std::move(request->second);
    transaction.unitMismatch = transaction.request->unit != response.unit;
    transaction.functionMismatch =
        transaction.request->FunctionCode() != (response.FunctionCode() & ~mbap::kExceptionBit);
    transaction.client = transaction.request->source;
    transaction.server = transaction.request->destination;
    transaction.reportNumber = response.number;
    transaction.response = std::move(response);
    outstanding_.erase(request);
    byTransaction_.erase(key);
    Hold(std::move(transaction));
}

void TransactionPairer::CloseAlone(uint64_t requestNumber, Unanswered reason) {
    auto request = outstanding_.find(requestNumber);
    Transaction transaction;
    transaction.request = std::move(request->second);
    transaction.unanswered = reason;
    transaction.client = transaction.request->source;
    transaction.server = transaction.request->destination;
    transaction.reportNumber = requestNumber;
    byTransaction_.erase({transaction.request->connectionId, transaction.request->transactionId});
    outstanding_.erase(request);
    Hold(std::move(transaction));
}

// Requests that saw no response for longer than the time-out, as of capture time `now`.
void TransactionPairer::ExpireBefore(int64_t now) {
    if (now > now_) {
        now_ = now;
    }
    constexpr int64_t kEarliest = std::numeric_limits<int64_t>::min();
    const int64_t timeout = settings_.responseTimeoutNanoseconds;
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
    const uint64_t number = transaction.reportNumber;
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
