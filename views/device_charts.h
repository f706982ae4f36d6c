#pragma once
// The charts of one device as inline SVG: its response times, its request and exception rates,
// and how its changing points went over the capture's time (registers or the entries of a
// register map, coils and discrete inputs), with the writes to them marked.

#include <string>
#include <vector>

#include "plant/plant_trends.h"

// Value trends drawn per device, the most changed first: registers without a map, or its
// entries with one; and coils or discrete inputs.
constexpr size_t kRegisterCharts = 4;
constexpr size_t kMappedCharts = 16;
constexpr size_t kBitCharts = 8;
// A point not sampled for longer than this many times its mean interval is drawn with a gap.
constexpr double kGapIntervals = 4;

// The response-time range (ms, log scale) of every device's histogram, so that they compare.
struct ResponseTimeRange {
    double minMs = 0.1;
    double maxMs = 1000;
};
ResponseTimeRange ResponseTimeRangeOf(const PlantTrends& trends);

// Empty when the device answered nothing.
std::string ResponseTimeChart(const LogHistogram& histogram, const ResponseTimeRange& range);
// Weighed over twice the device's poll period (DeviceTrends::pollPeriodMs).
std::string RateChart(const DeviceTrends& device, const PlantTrends& trends);

// A trend chart with what it left out.
struct TrendFigure {
    std::string svg;
    uint64_t leftOut = 0;  // values not finite or beyond a float's range
};
struct TrendFigures {
    std::vector<TrendFigure> charts;  // value trends first, then coils and inputs
    // Per kind: changing points not drawn, and points sampled that did not change.
    size_t notDrawn[kPointKinds] = {};
    size_t constant[kPointKinds] = {};
};
TrendFigures TrendCharts(const DeviceTrends& device, const PlantTrends& trends);

// Every chart of the device in a <div class="charts">, each in a <figure>, then the notes on
// what is left out.
std::string DeviceChartsHtml(const DeviceTrends& device, const PlantTrends& trends,
                             const ResponseTimeRange& range);
