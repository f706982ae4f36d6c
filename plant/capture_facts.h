#pragma once
// What the run knows of the capture beyond its transactions, for the views that tell of it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "capture/capture_record.h"
#include "capture/capture_source.h"
#include "session/passed_over.h"

struct CaptureFacts {
    std::vector<std::string> files;
    std::optional<CaptureTimestamp> firstRecord;
    std::optional<CaptureTimestamp> lastRecord;
    uint64_t records = 0;
    uint64_t messages = 0;
    uint64_t connections = 0;                     // Modbus/TCP connections
    std::optional<CaptureStatistics> statistics;  // a live capture's packet counts
    PassedOverConnections passedOver;             // on a Modbus port, yet no Modbus/TCP
};
