#pragma once
// The charts of one device as inline SVG: its response times, its request and exception rates,
// and how its registers (or the entries of a register map) went over the capture's time.

#include <string>
#include <vector>

#include "plant/plant_trends.h"

// Register trends drawn per device without a map: the most changed of the candidates.
constexpr size_t kRegisterCharts = 4;
// With a map: its entries in map order, at most this many.
constexpr size_t kMappedCharts = 16;

// Empty when the device answered nothing.
std::string ResponseTimeChart(const LogHistogram& histogram);
std::string RateChart(DeviceTrends& device, TimeBuckets& buckets);
// The register or map entry trends; `more` is set to those left out.
std::vector<std::string> TrendCharts(DeviceTrends& device, TimeBuckets& buckets, size_t& more);
