#pragma once
// The points file: CSV (RFC 4180, CR LF, a header row) with one row per point value read from a
// device or written to it, the register time series a spreadsheet or a database loads as it is.

#include <string>

#include "common/buffered_text_file.h"
#include "plant/transaction_sink.h"

// The rows of one transaction's derived points, each ending in CR LF, with the register map's
// names of its typed values.
std::string PointRows(const Transaction& transaction, const Derivation& derived);

class PointsFile : public TransactionSink {
public:
    explicit PointsFile(std::string path) : file_(std::move(path), true) {}

    // Point values.
    PlantNeeds Needs() const override {
        PlantNeeds needs;
        needs.points = true;
        return needs;
    }
    bool Take(const Transaction& transaction, const Derivation& derived) override;
    // What is buffered reaches the file, in whole pieces, while the run goes on.
    bool Refresh(const PlantResult&, bool) override { return file_.Flush(); }
    // A run without any point still gets the header.
    bool Close(const PlantResult& plant) override;
    std::string FileName() const override { return file_.Path(); }

private:
    bool WriteHeader();

    BufferedTextFile file_;
    bool headerWritten_ = false;
};
