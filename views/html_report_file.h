#pragma once
// The HTML report: one self-contained page to read in a browser or print on A4, made of the
// transactions, the capture's file names and the register map alone (no time of its own, no
// request to anywhere): the capture, the devices, transactions per unit and function, per
// device its charts (inline SVG), the writes and the anomalies. Tables show their first
// kTableRows rows; charts are reduced to an envelope per pixel column.

#include <string>

#include "common/update_schedule.h"
#include "common/whole_file.h"
#include "plant/plant_model.h"
#include "plant/plant_trends.h"
#include "plant/transaction_sink.h"

class HtmlReportFile : public TransactionSink {
public:
    static constexpr uint64_t kTableRows = 1000;

    // While a run goes on, the page is rewritten every `updateSeconds` (0: only at the end).
    explicit HtmlReportFile(std::string path, double updateSeconds = 0)
        : document_(std::move(path)), schedule_(updateSeconds) {}

    // Anomalies, the model with its polls, trends and change log.
    PlantNeeds Needs() const override {
        PlantNeeds needs;
        needs.anomalies = needs.model = needs.trends = needs.polls = needs.changes = true;
        return needs;
    }
    bool Take(const Transaction& transaction, const Derivation& derived) override;
    // The page so far, when it is due.
    bool Refresh(const PlantResult& plant, bool requested) override;
    // The page is written then, from the plant model and its trends.
    bool Close(const PlantResult& plant) override;
    std::string FileName() const override { return document_.Path(); }

    // The rows of a table kept so far: the first kTableRows, and how many there were.
    struct Rows {
        std::string html;
        uint64_t count = 0;
        template <class MakeRow>
        void Add(const MakeRow& make) {
            if (count++ < kTableRows) {
                html += make();
            }
        }
    };

private:
    std::string Page(const PlantResult& plant);
    bool Store(const PlantResult& plant);

    WholeFile document_;
    UpdateSchedule schedule_;
    Rows writes_;
    Rows anomalies_;
    bool closed_ = false;
    bool stored_ = false;
};
