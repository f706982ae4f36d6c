#pragma once
// One view of the decoded transactions: the report, the transaction log, progress ... Each sees
// every transaction once, in report order, and adds nothing to what the others see.

#include <string>

#include "session/transaction.h"

class TransactionSink {
public:
    virtual ~TransactionSink() = default;

    // False when the transaction could not be written: the run stops.
    virtual bool Take(const Transaction& transaction) = 0;
    // The run is over: stores what was taken. False when some of it could not be stored.
    virtual bool Close() { return true; }
    // The file a failure is reported against; empty for views that write no file.
    virtual std::string FileName() const { return std::string(); }
};
