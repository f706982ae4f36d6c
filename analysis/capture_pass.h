#pragma once
// The passes over a capture that turn its records into transactions for the views: the address
// pairing (a first pass to find the server, a second to report) and the transaction pairing
// (one pass).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/analysis_host.h"
#include "capture/capture_source.h"
#include "plant/plant_stage.h"
#include "plant/transaction_sink.h"

struct PassCounts {
    int32_t recordsRead = 0;
    int32_t messages = 0;
    int32_t ignored = 0;
    uint64_t connections = 0;  // Modbus/TCP connections
    std::optional<CaptureTimestamp> firstRecordTime;
    std::optional<CaptureTimestamp> lastRecordTime;
};

enum class PassEnd {
    Completed,
    NoMessages,     // the capture holds no Modbus message (nothing was written)
    WriteFailed,    // a view could not write a transaction; see failedSink
    Interrupted,    // the host asked to stop
    CaptureFailed,  // the capture is damaged or could not be read; see the source's Failure()
};

struct PassContext {
    AnalysisHost& host;
    CaptureSource& source;
    const AnalysisOptions& options;
    std::vector<TransactionSink*> sinks;  // in the order they see each transaction
    PassCounts counts;
    TransactionSink* failedSink = nullptr;
    PlantStage* stage = nullptr;  // none when no view shows the plant

    // Hands the transaction, with what the plant stage derives of it, to every view; false (and
    // failedSink set) when one could not take it.
    bool Deliver(const Transaction& transaction);
    // The next record, unless the user asked to stop (end becomes Interrupted) or the capture
    // has no more (outcome says why).
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
