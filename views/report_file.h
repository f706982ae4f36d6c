#pragma once
// The report, output.txt: one block per transaction, "Frame: NNN", the analysis of the frame it
// shows, what the pairing found, a blank line; each block written whole through one buffered
// handle, CR LF line ends on every platform.

#include <string>

#include "common/buffered_text_file.h"
#include "views/transaction_sink.h"

// The analysis text of a transaction's block, after its "Frame: NNN" line.
std::string ReportBlockText(const Transaction& transaction);

class ReportFile : public TransactionSink {
public:
    explicit ReportFile(std::string path) : file_(std::move(path)) {}

    bool Take(const Transaction& transaction) override;
    bool Close() override { return file_.Close(); }
    std::string FileName() const override { return file_.Path(); }

private:
    BufferedTextFile file_;
};
