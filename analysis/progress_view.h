#pragma once
// Progress as a view of the transactions: the latest one reported, handed to the host after
// every record as a ProgressUpdate (the host formats and throttles it).

#include <cstdint>
#include <vector>

#include "analysis/analysis_host.h"
#include "plant/transaction_sink.h"

class ProgressView : public TransactionSink {
public:
    explicit ProgressView(AnalysisHost& host) : host_(host) {}

    bool Take(const Transaction& transaction, const Derivation&) override {
        latest_ = static_cast<int32_t>(transaction.ReportNumber());
        frame_ = transaction.Shown().frame;
        return true;
    }
    // After each record: whether a transaction came since the last call is part of the update.
    void AfterRecord() {
        host_.Progress({latest_, ByteView(frame_), latest_ != shown_});
        shown_ = latest_;
    }

private:
    AnalysisHost& host_;
    int32_t latest_ = 0;
    int32_t shown_ = 0;
    std::vector<uint8_t> frame_;
};
