#pragma once
// The transaction log: one JSON object per line for each request with its response, lone request
// or lone response, for tools that read the pairing as data.

#include <string>

#include "common/buffered_text_file.h"
#include "plant/transaction_sink.h"
#include "views/mapped_values_text.h"

// One JSON object and its line end, "\r\n" as every file the tool writes: the transaction with
// what the plant stage derived of it (response time, points, typed values, anomalies).
// `valuesText` (may be null) writes the values.
std::string TransactionLogLine(const Transaction& transaction, const Derivation& derived,
                               MappedValuesText* valuesText = nullptr);

class TransactionLog : public TransactionSink {
public:
    // A log, like tshark's -w file, is written anew by every run.
    explicit TransactionLog(std::string path) : file_(std::move(path), true) {}

    // Anomalies, points, and their typed values with a map.
    PlantNeeds Needs() const override {
        PlantNeeds needs;
        needs.anomalies = needs.points = needs.typedValues = true;
        return needs;
    }
    bool Take(const Transaction& transaction, const Derivation& derived) override;
    // What is buffered reaches the file, in whole pieces, while the run goes on.
    bool Refresh(const PlantResult&, bool) override { return file_.Flush(); }
    bool Close(const PlantResult&) override { return file_.Close(); }
    std::string FileName() const override { return file_.Path(); }

private:
    BufferedTextFile file_;
    MappedValuesText valuesText_;
};
