#pragma once
// What the run knows of the capture beyond its transactions, for the views that tell of it.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "capture/capture_record.h"
#include "capture/capture_source.h"
#include "session/passed_over.h"

// The warnings a run issued (see AnalysisHost::Warn), in order: the first kKept, the rest
// counted, so that a long run's summary and page stay small.
struct RunWarnings {
    static constexpr size_t kKept = 20;

    void Add(const std::string& text) {
        if (kept.size() < kKept) {
            kept.push_back(text);
        } else {
            ++notKept;
        }
    }

    std::vector<std::string> kept;
    uint64_t notKept = 0;
};

struct CaptureFacts {
    std::vector<std::string> files;
    std::optional<CaptureTimestamp> firstRecord;
    std::optional<CaptureTimestamp> lastRecord;
    uint64_t records = 0;
    uint64_t messages = 0;
    uint64_t connections = 0;                     // Modbus/TCP connections
    std::optional<CaptureStatistics> statistics;  // a live capture's packet counts
    PassedOverConnections passedOver;             // on a Modbus port, yet no Modbus/TCP
    RunWarnings warnings;                         // issued so far
    // From the first to the last record on the steady capture clock: a step of the capture's
    // clock neither shortens nor stretches it.
    int64_t spanNs = 0;
};
