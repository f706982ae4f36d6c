#pragma once
// The plant summary: one JSON document with the capture, its devices and clients, every write
// and every anomaly. Writes and anomalies are kept aside as they come and joined in at the end,
// so a long capture costs no memory for them.

#include <string>

#include "common/buffered_text_file.h"
#include "common/text_spool.h"
#include "plant/plant_model.h"
#include "session/transaction_sink.h"
#include "views/capture_facts.h"

class SummaryFile : public TransactionSink {
public:
    // `mapper` (may be null) gives the typed values of a register map.
    SummaryFile(std::string path, double slowResponseMs, ValueMapper* mapper = nullptr);

    bool Take(const Transaction& transaction) override;
    // Given before Close: the document is written then.
    void SetCaptureFacts(CaptureFacts facts) { facts_ = std::move(facts); }
    bool Close() override;
    std::string FileName() const override { return file_.Path(); }

private:
    BufferedTextFile file_;
    PlantModel model_;
    TextSpool writes_;
    TextSpool anomalies_;
    bool spoolFailed_ = false;
    bool closed_ = false;
    CaptureFacts facts_;
};
