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
#include "plant/transaction_sink.h"

class HtmlReportFile : public TransactionSink {
public:
    static constexpr uint64_t kTableRows = 1000;

    explicit HtmlReportFile(std::string path) : file_(std::move(path), true) {}

    bool Take(const Transaction& transaction, const Derivation& derived) override;
    // The page is written then, from the plant model and its trends.
    bool Close(const PlantResult& plant) override;
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
    std::string Page(const PlantResult& plant);

    BufferedTextFile file_;
    Rows writes_;
    Rows anomalies_;
    bool closed_ = false;
};
