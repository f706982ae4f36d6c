#pragma once
// The transaction log: one JSON object per line for each request with its response, lone request
// or lone response, for tools that read the pairing as data.

#include <string>

#include "common/buffered_text_file.h"
#include "plant/value_mapper.h"
#include "session/transaction_sink.h"
#include "views/mapped_values_text.h"

// One JSON object and its line end, "\r\n" as every file the tool writes.
// `mapper` (may be null) gives the typed values of a register map, `valuesText` writes them.
std::string TransactionLogLine(const Transaction& transaction, ValueMapper* mapper = nullptr,
                               MappedValuesText* valuesText = nullptr);

class TransactionLog : public TransactionSink {
public:
    // A log, like tshark's -w file, is written anew by every run.
    explicit TransactionLog(std::string path, ValueMapper* mapper = nullptr)
        : file_(std::move(path), true), mapper_(mapper) {}

    bool Take(const Transaction& transaction) override;
    bool Close() override { return file_.Close(); }
    std::string FileName() const override { return file_.Path(); }

private:
    BufferedTextFile file_;
    ValueMapper* mapper_;
    MappedValuesText valuesText_;
};
