#pragma once
// The passes over a capture that turn its records into report blocks: the address pairing (a
// first pass to find the server, a second to report) and the transaction pairing (one pass).

#include <cstdint>

#include "analysis/analysis_host.h"
#include "analysis/progress_throttle.h"
#include "analysis/report_file.h"
#include "capture/capture_source.h"
#include "common/buffered_text_file.h"

struct PassCounts {
    int32_t recordsRead = 0;
    int32_t messages = 0;
    int32_t ignored = 0;
};

enum class PassEnd {
    Completed,
    NoMessages,     // the capture holds no Modbus message (nothing was written)
    WriteFailed,    // a report block (or the transaction log) could not be written
    Interrupted,    // the host asked to stop
    CaptureFailed,  // the capture is damaged or could not be read; see the source's Failure()
};

struct PassContext {
    AnalysisHost& host;
    CaptureSource& source;
    ReportFile& report;
    BufferedTextFile* transactionLog;  // null: none
    AnalysisOptions options;
    PassCounts counts;
    ProgressThrottle progress;
    bool logWriteFailed = false;  // WriteFailed came from the transaction log, not the report
};

PassEnd RunAddressPairing(PassContext& context);
PassEnd RunTransactionPairing(PassContext& context);
