#pragma once
// The table of the live view: the devices, those that need attention first, and the newest
// anomalies, fitted to a screen of so many rows and columns. Lines are cut at the right edge,
// never wrapped; devices that find no row are counted in a line of their own.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "views/top_screen.h"

// One device as the table shows it.
struct TopDeviceRow {
    std::string device;  // "10.0.0.5:502"
    int unit = 0;
    double requestsPerSecond = 0;  // over the last few seconds
    uint64_t requests = 0;
    uint64_t exceptions = 0;
    uint64_t unanswered = 0;
    uint64_t anomalies = 0;  // other than unanswered requests and slow responses
    uint64_t slowResponses = 0;
    std::optional<double> p50Ms;
    std::optional<double> p99Ms;
    std::string lastWrite;  // "22:13:24 10.0.0.9 fc6 40011=1234", or empty
};

struct TopFrame {
    std::string title;
    std::vector<TopDeviceRow> devices;         // in any order
    std::vector<std::string> newestAnomalies;  // newest first
    uint64_t anomaliesInAll = 0;
};

// Unanswered requests, then exceptions, anomalies and slow responses, then traffic: the device
// that needs attention most comes first.
bool NeedsAttentionBefore(const TopDeviceRow& a, const TopDeviceRow& b);

// The lines of the frame, at most `size.rows` of at most `size.columns` characters (0: no limit).
std::vector<std::string> TopTableLines(TopFrame frame, ScreenSize size);
