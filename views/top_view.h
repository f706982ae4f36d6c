#pragma once
// The live view (--top): a table of the devices, those that need attention first, and the
// newest anomalies, drawn from what the plant stage found (its model and each device's recent
// activity) each time the run refreshes its views and once more when it ends. On a terminal each
// frame replaces the one before; elsewhere each is printed as plain text after the one before, as
// `top -b` does.

#include <chrono>
#include <cstdint>
#include <string>

#include "plant/transaction_sink.h"
#include "views/top_screen.h"
#include "views/top_table.h"

class TopView : public TransactionSink {
public:
    explicit TopView(TopScreen& screen) : screen_(screen) {}

    PlantNeeds Needs() const override;
    bool Take(const Transaction&, const Derivation&) override { return true; }
    bool Refresh(const PlantResult& plant, bool requested) override;
    bool Close(const PlantResult& plant) override;
    std::string FileName() const override { return "standard output"; }

    // What a frame would show now; `nowNs` is the capture time the request rates end at.
    TopFrame Frame(const PlantResult& plant, int64_t nowNs, bool final) const;

private:
    bool Draw(const PlantResult& plant, int64_t nowNs, bool final);

    TopScreen& screen_;
    // The records read when a refresh last saw their number grow, and when on the wall clock:
    // while a live capture is silent its rates go on falling.
    uint64_t recordsSeen_ = 0;
    std::chrono::steady_clock::time_point recordsGrew_;
    bool drawn_ = false;
};
