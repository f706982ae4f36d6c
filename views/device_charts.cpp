#include "views/device_charts.h"

#include <algorithm>
#include <cmath>

#include "views/html_text.h"
#include "views/iso8601_time.h"
#include "views/mapped_values_json.h"
#include "views/svg_chart.h"

namespace {

ChartAxis ValueAxis(std::string label, double min, double max) {
    ChartAxis axis;
    axis.label = std::move(label);
    axis.ticks = LinearTicks(min, max);
    axis.min = axis.ticks.front().value;
    axis.max = axis.ticks.back().value;
    return axis;
}

// The plot's columns over the shared buckets: `perColumn` buckets each, so that there are no
// more columns than pixels.
struct TimeColumns {
    size_t perColumn = 1;
    size_t count = 0;
    double secondsPerBucket = 0;
    double X0(size_t column) const { return column * perColumn * secondsPerBucket; }
};

TimeColumns ColumnsOf(const TimeBuckets& buckets) {
    TimeColumns columns;
    const size_t used = std::max<size_t>(buckets.Used(), 1);
    columns.perColumn = (used + SvgChart::kPlotWidth - 1) / SvgChart::kPlotWidth;
    columns.count = (used + columns.perColumn - 1) / columns.perColumn;
    columns.secondsPerBucket = static_cast<double>(buckets.WidthNs()) / 1e9;
    return columns;
}

ChartAxis TimeAxis(const TimeBuckets& buckets, const TimeColumns& columns) {
    const int64_t origin = buckets.OriginNs();
    const int64_t seconds = origin / 1000000000 - (origin % 1000000000 < 0 ? 1 : 0);
    const auto micros = static_cast<uint32_t>((origin - seconds * 1000000000) / 1000);
    ChartAxis axis =
        ValueAxis("s after " + Iso8601Utc({seconds, micros, 6}), 0, columns.X0(columns.count));
    return axis;
}

// Events per second in each column.
std::vector<EnvelopeColumn> RateColumns(const TimeColumns& columns,
                                        const std::vector<Count>& counts) {
    std::vector<EnvelopeColumn> result(columns.count);
    for (size_t c = 0; c < columns.count; ++c) {
        uint64_t sum = 0;
        for (size_t i = c * columns.perColumn; i < (c + 1) * columns.perColumn; ++i) {
            sum += i < counts.size() ? counts[i].n : 0;
        }
        result[c].x0 = columns.X0(c);
        result[c].x1 = columns.X0(c + 1);
        result[c].values.Add(static_cast<double>(sum) /
                             (columns.secondsPerBucket * static_cast<double>(columns.perColumn)));
    }
    return result;
}

std::vector<EnvelopeColumn> ValueColumns(const TimeColumns& columns,
                                         const std::vector<Extent>& extents, Extent& all) {
    std::vector<EnvelopeColumn> result(columns.count);
    for (size_t i = 0; i < extents.size(); ++i) {
        EnvelopeColumn& column = result[std::min(i / columns.perColumn, columns.count - 1)];
        column.values.Merge(extents[i]);
        all.Merge(extents[i]);
    }
    for (size_t c = 0; c < columns.count; ++c) {
        result[c].x0 = columns.X0(c);
        result[c].x1 = columns.X0(c + 1);
    }
    return result;
}

std::string TrendChart(const std::string& title, const std::string& valueLabel,
                       DeviceTrends& device, size_t series, TimeBuckets& buckets) {
    const TimeColumns columns = ColumnsOf(buckets);
    Extent all;
    const std::vector<EnvelopeColumn> values =
        ValueColumns(columns, device.values.Column(buckets, series), all);
    SvgChart chart(title, TimeAxis(buckets, columns), ValueAxis(valueLabel, all.min, all.max));
    chart.AddEnvelope(values, "line value");
    return chart.Svg();
}

std::string RegisterTitle(RegisterKey key, uint64_t changes) {
    return std::to_string(RegisterReference(key)) + ": " + std::to_string(changes) +
           (changes == 1 ? " change" : " changes");
}

std::string EntryTitle(const MapEntry& entry) {
    return entry.name + " (" + std::to_string(EntryReference(entry)) + ")";
}

}  // namespace

std::string ResponseTimeChart(const LogHistogram& histogram) {
    const auto& bins = histogram.Bins();
    int first = LogHistogram::kBins;
    int last = -1;
    uint64_t most = 0;
    for (int i = 0; i < LogHistogram::kBins; ++i) {
        if (bins[static_cast<size_t>(i)] > 0) {
            first = std::min(first, i);
            last = i;
            most = std::max(most, bins[static_cast<size_t>(i)]);
        }
    }
    if (last < 0) {
        return std::string();
    }
    ChartAxis x;
    x.label = "response time (ms, log scale)";
    x.log = true;
    const int perDecade = LogHistogram::kPerDecade;
    x.min = LogHistogram::LowerEdge(first / perDecade * perDecade);
    x.max = LogHistogram::LowerEdge((last / perDecade + 1) * perDecade);
    x.ticks = DecadeTicks(x.min, x.max);
    SvgChart chart("Response times", x, ValueAxis("transactions", 0, static_cast<double>(most)));
    for (int i = first; i <= last; ++i) {
        const uint64_t count = bins[static_cast<size_t>(i)];
        if (count > 0) {
            const double low = LogHistogram::LowerEdge(i);
            const double high = LogHistogram::LowerEdge(i + 1);
            chart.AddBar(low, high, static_cast<double>(count),
                         DecimalText(low, 3) + " to " + DecimalText(high, 3) +
                             " ms: " + std::to_string(count));
        }
    }
    return chart.Svg();
}

std::string RateChart(DeviceTrends& device, TimeBuckets& buckets) {
    const TimeColumns columns = ColumnsOf(buckets);
    const std::vector<EnvelopeColumn> requests =
        RateColumns(columns, device.messages.Column(buckets, DeviceTrends::kRequests));
    const std::vector<EnvelopeColumn> exceptions =
        RateColumns(columns, device.messages.Column(buckets, DeviceTrends::kExceptions));
    double most = 0;
    for (const std::vector<EnvelopeColumn>* series : {&requests, &exceptions}) {
        for (const EnvelopeColumn& column : *series) {
            most = std::max(most, static_cast<double>(column.values.max));
        }
    }
    SvgChart chart("Requests and exceptions", TimeAxis(buckets, columns),
                   ValueAxis("per second", 0, most));
    chart.AddEnvelope(requests, "line requests");
    chart.AddEnvelope(exceptions, "line exceptions");
    chart.AddLegend(0, "requests", "line requests");
    chart.AddLegend(1, "exceptions", "line exceptions");
    return chart.Svg();
}

std::vector<std::string> TrendCharts(DeviceTrends& device, TimeBuckets& buckets, size_t& more) {
    std::vector<std::string> charts;
    more = 0;
    for (auto& entry : device.mapped) {
        if (charts.size() == kMappedCharts) {
            ++more;
            continue;
        }
        const MapEntry& map = *entry.first;
        charts.push_back(
            TrendChart(EntryTitle(map),
                       map.unitOfMeasurement.empty() ? std::string("value") : map.unitOfMeasurement,
                       device, entry.second, buckets));
    }
    std::vector<size_t> order(device.registerKeys.size());
    for (size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    // The most changed first; among equals, in address order.
    std::sort(order.begin(), order.end(), [&device](size_t a, size_t b) {
        const uint64_t changesA = device.registerChanges[a];
        const uint64_t changesB = device.registerChanges[b];
        return changesA != changesB ? changesA > changesB
                                    : device.registerKeys[a] < device.registerKeys[b];
    });
    for (size_t i : order) {
        if (charts.size() == kRegisterCharts) {
            ++more;
            continue;
        }
        charts.push_back(
            TrendChart(RegisterTitle(device.registerKeys[i], device.registerChanges[i]),
                       "register value", device, i, buckets));
    }
    return charts;
}
