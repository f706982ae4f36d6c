#pragma once
// The report, output.txt: one block per transaction, "Frame: NNN", the analysis of the frame it
// shows, what the pairing found, a blank line; each block written whole through one buffered
// handle, CR LF line ends on every platform.

#include <array>
#include <string>
#include <utility>

#include "common/buffered_text_file.h"
#include "network/ip_address.h"
#include "plant/transaction_sink.h"

class ReportFile : public TransactionSink {
public:
    explicit ReportFile(std::string path) : file_(std::move(path)) {}

    bool Take(const Transaction& transaction, const Derivation& derived) override;
    // What is buffered reaches the file, in whole pieces, while the run goes on.
    bool Refresh(const PlantResult&, bool) override { return file_.Flush(); }
    bool Close(const PlantResult&) override { return file_.Close(); }
    std::string FileName() const override { return file_.Path(); }

private:
    // The text of an address, remembered for the few addresses that follow each other.
    const std::string& AddressText(const IpAddress& address);

    BufferedTextFile file_;
    std::string block_;  // reused for every block
    std::array<std::pair<IpAddress, std::string>, 4> addressTexts_;
    size_t addressTextsUsed_ = 0;
};
