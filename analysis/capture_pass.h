#pragma once
// The passes over a capture that turn its records into transactions for the views: the address
// pairing (a first pass to find the server, a second to report) and the transaction pairing
// (one pass).

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/analysis_host.h"
#include "capture/capture_source.h"
#include "plant/plant_stage.h"
#include "plant/transaction_sink.h"
#include "session/passed_over.h"
#include "session/steady_capture_clock.h"

struct PassCounts {
    int32_t recordsRead = 0;
    int32_t messages = 0;
    int32_t ignored = 0;
    uint64_t connections = 0;  // Modbus/TCP connections
    PassedOverConnections passedOver;
    // The earliest and the latest record on the steady capture clock, their times on it: a step
    // of the capture's clock puts neither out of order.
    std::optional<CaptureTimestamp> firstRecordTime;
    std::optional<CaptureTimestamp> lastRecordTime;
    int64_t firstSteadyNs = 0;
    int64_t lastSteadyNs = 0;
};

enum class PassEnd {
    Completed,
    NoMessages,     // the capture holds no Modbus message (nothing was written)
    WriteFailed,    // a view could not write a transaction; see failedSink
    Interrupted,    // the host asked to stop
    CaptureFailed,  // the capture is damaged or could not be read; see the source's Failure()
};

struct PassContext {
    using Clock = std::chrono::steady_clock;
    // How often the views are refreshed while the run goes on.
    static constexpr Clock::duration kRefreshInterval = std::chrono::seconds(1);

    AnalysisHost& host;
    CaptureSource& source;
    const AnalysisOptions& options;
    std::vector<TransactionSink*> sinks;  // in the order they see each transaction
    PassCounts counts;
    TransactionSink* failedSink = nullptr;
    PlantStage* stage = nullptr;          // none when no view shows the plant
    std::vector<std::string> files = {};  // the capture files, for the views that name them
    Clock::time_point started = Clock::now();
    Clock::time_point nextRefresh = started + kRefreshInterval;
    SteadyCaptureClock recordClock = {};  // as the session keeps it, for the records' times
    bool timeRangeTold = false;           // a record's time beyond the nanoseconds was warned of

    // What the run knows of the capture so far.
    CaptureFacts Facts() const;
    // Hands every view what was found so far when a second has gone by since the last time,
    // or at once when the user asked for the periodic files; false (and failedSink set) when
    // one could not store it.
    bool RefreshIfDue(Clock::time_point now);
    // Whether the run has lasted the --duration it was given.
    bool DurationOver(Clock::time_point now) const;

    // Hands the transaction, with what the plant stage derives of it, to every view; false (and
    // failedSink set) when one could not take it.
    bool Deliver(const Transaction& transaction);
    // The next record, unless the user asked to stop (end becomes Interrupted), the run's
    // duration is over (outcome End), a view could not be refreshed (end WriteFailed) or the
    // capture has no more (outcome says why).
    bool NextRecord(CaptureRecord& record, CaptureOutcome& outcome, PassEnd& end);
    // How the capture ended: a cut last record is told and the run goes on; damage or a read
    // error ends it.
    PassEnd CaptureEnd(CaptureOutcome outcome);
};

// The warning for a capture that ends in a cut record; with a file named, whether the next file
// follows.
std::string CutRecordText(const CaptureFailure& cut, bool nextFollows);

PassEnd RunAddressPairing(PassContext& context);
PassEnd RunTransactionPairing(PassContext& context);
