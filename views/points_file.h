#pragma once
// The points file: CSV (RFC 4180, CR LF, a header row) with one row per point value read from a
// device or written to it, the register time series a spreadsheet or a database loads as it is.

#include <string>

#include "common/buffered_text_file.h"
#include "plant/value_mapper.h"
#include "session/transaction_sink.h"

// The rows of one transaction, each ending in CR LF; `mapper` (may be null) names the points of
// a register map.
std::string PointRows(const Transaction& transaction, ValueMapper* mapper = nullptr);

class PointsFile : public TransactionSink {
public:
    explicit PointsFile(std::string path, ValueMapper* mapper = nullptr)
        : file_(std::move(path), true), mapper_(mapper) {}

    bool Take(const Transaction& transaction) override;
    // A run without any point still gets the header.
    bool Close() override;
    std::string FileName() const override { return file_.Path(); }

private:
    bool WriteHeader();

    BufferedTextFile file_;
    ValueMapper* mapper_;
    bool headerWritten_ = false;
};
