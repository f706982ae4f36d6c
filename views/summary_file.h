#pragma once
// The plant summary: one JSON document with the capture, its devices and clients, every write
// and every anomaly. Writes and anomalies are kept aside as they come and joined in at the end,
// so a long capture costs no memory for them; the rest is the plant model's, at the end.

#include <string>

#include "common/buffered_text_file.h"
#include "common/text_spool.h"
#include "plant/plant_model.h"
#include "plant/transaction_sink.h"

class SummaryFile : public TransactionSink {
public:
    explicit SummaryFile(std::string path) : file_(std::move(path), true) {}

    bool Take(const Transaction& transaction, const Derivation& derived) override;
    // The document is written then.
    bool Close(const PlantResult& plant) override;
    std::string FileName() const override { return file_.Path(); }

private:
    BufferedTextFile file_;
    TextSpool writes_;
    TextSpool anomalies_;
    bool spoolFailed_ = false;
    bool closed_ = false;
};
