#pragma once
// The plant summary: one JSON document with the capture, its devices and clients, every write
// and every anomaly. Writes and anomalies are kept aside as they come and joined in at the end,
// so a long capture costs no memory for them; the rest is the plant model's, at the end.

#include <string>

#include "common/text_spool.h"
#include "common/update_schedule.h"
#include "common/whole_file.h"
#include "plant/plant_model.h"
#include "plant/transaction_sink.h"

class SummaryFile : public TransactionSink {
public:
    // While a run goes on, the document is rewritten every `updateSeconds` (0: only at the end).
    explicit SummaryFile(std::string path, double updateSeconds = 0)
        : document_(std::move(path)), schedule_(updateSeconds) {}

    bool Take(const Transaction& transaction, const Derivation& derived) override;
    // The document so far, when it is due.
    bool Refresh(const PlantResult& plant, bool requested) override;
    // The document is written then.
    bool Close(const PlantResult& plant) override;
    std::string FileName() const override { return document_.Path(); }

private:
    bool WriteDocument(BufferedTextFile& file, const PlantResult& plant);

    WholeFile document_;
    UpdateSchedule schedule_;
    TextSpool writes_;
    TextSpool anomalies_;
    bool spoolFailed_ = false;
    bool closed_ = false;
    bool stored_ = false;
};
