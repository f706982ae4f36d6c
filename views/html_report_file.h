#pragma once
// The HTML report: one self-contained page to read in a browser or print on A4, made of the
// transactions, the capture's file names and the register map alone (no time of its own, no
// request to anywhere): the capture, the devices, transactions per unit and function, per
// device its charts (inline SVG), the writes and the anomalies. Tables show their first
// kTableRows rows; charts are reduced to an envelope per pixel column.

#include <string>

#include "common/buffered_text_file.h"
#include "plant/plant_model.h"
#include "plant/plant_trends.h"
#include "session/transaction_sink.h"
#include "views/capture_facts.h"

class HtmlReportFile : public TransactionSink {
public:
    static constexpr uint64_t kTableRows = 1000;

    // `mapper` (may be null) gives the typed values of a register map.
    HtmlReportFile(std::string path, double slowResponseMs, ValueMapper* mapper = nullptr);

    bool Take(const Transaction& transaction) override;
    // Given before Close: the page is written then.
    void SetCaptureFacts(CaptureFacts facts) { facts_ = std::move(facts); }
    bool Close() override;
    std::string FileName() const override { return file_.Path(); }

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
    std::string Page();

    BufferedTextFile file_;
    PlantTrends trends_;  // gathered by the model
    PlantModel model_;
    Rows writes_;
    Rows anomalies_;
    CaptureFacts facts_;
    bool closed_ = false;
};
