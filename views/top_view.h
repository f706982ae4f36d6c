#pragma once
// The live view (--top): a table of the devices, those that need attention first, and the
// newest anomalies, drawn from what the plant stage found each time the run refreshes its views
// and once more when it ends. On a terminal each frame replaces the one before; elsewhere each
// is printed as plain text after the one before, as `top -b` does.

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <string>

#include "plant/plant_model.h"
#include "plant/transaction_sink.h"
#include "views/recent_rate.h"
#include "views/top_screen.h"
#include "views/top_table.h"

class TopView : public TransactionSink {
public:
    // The newest anomalies kept for the table.
    static constexpr size_t kKeptAnomalies = 10;

    explicit TopView(TopScreen& screen) : screen_(screen) {}

    bool Take(const Transaction& transaction, const Derivation& derived) override;
    bool Refresh(const PlantResult& plant, bool requested) override;
    bool Close(const PlantResult& plant) override;
    std::string FileName() const override { return "standard output"; }

    // What a frame would show now; `nowNs` is the capture time the request rates end at.
    TopFrame Frame(const PlantResult& plant, int64_t nowNs, bool final) const;

private:
    // What the plant model does not keep of a device.
    struct Activity {
        RecentRate requests;
        uint64_t anomalies = 0;  // other than unanswered requests and slow responses
        uint64_t slowResponses = 0;
        std::string lastWrite;
    };

    bool Draw(const PlantResult& plant, int64_t nowNs, bool final);

    TopScreen& screen_;
    std::map<DeviceKey, Activity> devices_;
    std::deque<std::string> newestAnomalies_;  // newest first
    uint64_t anomalies_ = 0;
    int64_t newestNs_ = 0;  // the newest capture time taken
    // The records read when a refresh last saw their number grow, and when on the wall clock:
    // while a live capture is silent its rates go on falling.
    uint64_t recordsSeen_ = 0;
    std::chrono::steady_clock::time_point recordsGrew_;
    bool drawn_ = false;
};
