#pragma once
// The plant summary: one JSON document with the capture, its devices and clients, every write
// and every anomaly (the first kListedAtMost of each). Writes and anomalies are kept aside as
// they come and joined in when the document is written, so a long capture costs no memory for
// them; the rest is the plant model's.

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

    // Anomalies and the model with its polling statistics.
    PlantNeeds Needs() const override {
        PlantNeeds needs;
        needs.anomalies = needs.model = needs.polling = true;
        return needs;
    }
    bool Take(const Transaction& transaction, const Derivation& derived) override;
    // The document so far, when it is due.
    bool Refresh(const PlantResult& plant, bool requested) override;
    // The document is written then.
    bool Close(const PlantResult& plant) override;
    std::string FileName() const override { return document_.Path(); }

    // Writes and anomalies listed at most: a run of days keeps its summary to a size a reader
    // can load; the rest are counted.
    static constexpr uint64_t kListedAtMost = 100000;

    // The elements of a list kept aside, each "    {...}" after ",\r\n" from the second on.
    struct KeptList {
        TextSpool spool;
        uint64_t kept = 0;
        uint64_t notKept = 0;
        bool Keeps() {
            if (kept < kListedAtMost) {
                return true;
            }
            ++notKept;
            return false;
        }
        bool Add(const std::string& element) {
            return spool.Append((kept++ == 0 ? "    " : ",\r\n    ") + element);
        }
    };

private:
    bool WriteDocument(BufferedTextFile& file, const PlantResult& plant);

    WholeFile document_;
    UpdateSchedule schedule_;
    KeptList writes_;
    KeptList anomalies_;
    bool spoolFailed_ = false;
    bool closed_ = false;
    bool stored_ = false;
};
