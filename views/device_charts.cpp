#include "views/device_charts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

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

ChartAxis BitAxis() {
    ChartAxis axis;
    axis.label = "state";
    axis.ticks = {{0, "0"}, {1, "1"}};
    return axis;
}

// The plot's columns over the shared buckets: `perColumn` buckets each, so that there are no
// more columns than pixels.
struct TimeColumns {
    size_t perColumn = 1;
    size_t count = 0;
    double secondsPerBucket = 0;
    double X0(size_t column) const {
        return static_cast<double>(column * perColumn) * secondsPerBucket;
    }
};

TimeColumns ColumnsOf(const TimeBuckets& buckets) {
    TimeColumns columns;
    const size_t used = std::max<size_t>(buckets.Used(), 1);
    columns.perColumn = (used + SvgChart::kPlotWidth - 1) / SvgChart::kPlotWidth;
    columns.count = (used + columns.perColumn - 1) / columns.perColumn;
    columns.secondsPerBucket = static_cast<double>(buckets.WidthNs()) / 1e9;
    return columns;
}

CaptureTimestamp TimestampOf(int64_t ns) {
    const int64_t seconds = ns / 1000000000 - (ns % 1000000000 < 0 ? 1 : 0);
    return {seconds, static_cast<uint32_t>(ns - seconds * 1000000000), 9};
}

// Decimal seconds since the Unix epoch.
std::string EpochText(int64_t ns) {
    const CaptureTimestamp time = TimestampOf(ns);
    char fraction[16];
    std::snprintf(fraction, sizeof fraction, "%09u", static_cast<unsigned>(time.fraction));
    std::string text = std::to_string(time.seconds) + "." + fraction;
    text.erase(text.find_last_not_of('0') + 1);
    return text.back() == '.' ? text.substr(0, text.size() - 1) : text;
}

// The time axis, in seconds after the buckets' origin; its ends' times go on the chart.
ChartAxis TimeAxis(const TimeBuckets& buckets, const TimeColumns& columns) {
    CaptureTimestamp origin = TimestampOf(buckets.OriginNs());
    origin.fraction /= 1000;
    origin.fractionDigits = 6;
    // The capture's span exactly, its round ticks inside it.
    ChartAxis axis;
    axis.label = "s after " + Iso8601Utc(origin);
    axis.max = columns.X0(columns.count);
    for (const Tick& tick : LinearTicks(0, axis.max)) {
        if (tick.value <= axis.max * (1 + 1e-9)) {
            axis.ticks.push_back(tick);
        }
    }
    return axis;
}

// `ns` after the buckets' origin, saturated at the ends of int64_t: a capture's times may lie at
// the end of what nanoseconds since 1970 hold.
int64_t AfterOrigin(const TimeBuckets& buckets, int64_t ns) {
    int64_t sum = 0;
    if (__builtin_add_overflow(buckets.OriginNs(), ns, &sum)) {
        return ns > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
    }
    return sum;
}

void SetTimeData(SvgChart& chart, const ChartAxis& time, const TimeBuckets& buckets) {
    chart.SetData("t0", EpochText(AfterOrigin(buckets, std::llround(time.min * 1e9))));
    chart.SetData("t1", EpochText(AfterOrigin(buckets, std::llround(time.max * 1e9))));
}

// The steps of the capture's clock, each a mark at the first message after it with its size:
// the charts' time runs on, the capture's own clock jumped there.
void AddClockStepMarks(SvgChart& chart, const PlantTrends& trends) {
    const TimeBuckets& buckets = trends.Buckets();
    for (const ClockStepMark& step : trends.ClockSteps()) {
        const double seconds = static_cast<double>(step.step) / 1e9;
        const std::string size = (seconds < 0 ? "-" : "+") + DecimalText(std::fabs(seconds), 3);
        chart.AddClockStepMark(static_cast<double>(step.ns - buckets.OriginNs()) / 1e9, size + " s",
                               std::string("the capture clock stepped ") +
                                   (seconds < 0 ? "back " : "forward ") +
                                   DecimalText(std::fabs(seconds), 3) +
                                   " s here; the time shown runs on without the step");
    }
}

void SetValueData(SvgChart& chart, const ChartAxis& values) {
    chart.SetData("v0", ExactText(values.min));
    chart.SetData("v1", ExactText(values.max));
}

// The buckets a device was asked in: from its first request's to its last's, and half a poll
// period more on either side, which its first and last polls stand for.
struct Span {
    double from = 0;
    double to = 0;
};

Span SpanOf(const std::vector<Count>& requests, const std::vector<Count>& exceptions, double period,
            size_t used) {
    Span span{static_cast<double>(requests.size()), 0};
    for (size_t i = 0; i < requests.size(); ++i) {
        if (requests[i].n > 0 || exceptions[i].n > 0) {
            span.from = std::min(span.from, static_cast<double>(i));
            span.to = static_cast<double>(i + 1);
        }
    }
    if (period == 0) {
        return {0, static_cast<double>(used)};  // no period: the whole capture
    }
    span.from -= period / 2;
    span.to += period / 2;
    return span;
}

// Events per second at each column: each bucket's count weighed by a triangle `half` buckets
// to either side of the column's middle, over the weights inside the device's span. The
// triangles of a poll period's multiples sum to one wherever they stand, so a regular poll,
// however slow, reads as its steady rate and not as a spike wherever its requests fall.
std::vector<std::pair<EnvelopeColumn, double>> Rates(const TimeColumns& columns,
                                                     const std::vector<Count>& counts,
                                                     const Span& span, double half) {
    std::vector<std::pair<EnvelopeColumn, double>> rates(columns.count);
    for (size_t c = 0; c < columns.count; ++c) {
        const double middle =
            (static_cast<double>(c) + 0.5) * static_cast<double>(columns.perColumn);
        double events = 0;
        double weights = 0;
        for (double i = std::ceil(middle - half - 0.5); i <= middle + half - 0.5; ++i) {
            const double weight = 1 - std::abs(i + 0.5 - middle) / half;
            if (weight > 0 && i + 0.5 >= span.from && i + 0.5 <= span.to) {
                weights += weight;
                if (i >= 0 && i < static_cast<double>(counts.size())) {
                    events += weight * static_cast<double>(counts[static_cast<size_t>(i)].n);
                }
            }
        }
        rates[c].first.x0 = columns.X0(c);
        rates[c].first.x1 = columns.X0(c + 1);
        rates[c].second = weights > 0 ? events / (weights * columns.secondsPerBucket) : 0;
    }
    return rates;
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

// The Modicon reference in five digits at least (00001 for the first coil), or the entry.
std::string PointName(const PointId& id) {
    if (id.entry != nullptr) {
        return id.entry->name;
    }
    char text[16];
    std::snprintf(text, sizeof text, "%05d", PointReference(id.key));
    return text;
}

std::string PointTitle(const FollowedPoint& point) {
    const PointId& id = point.id;
    std::string title = PointName(id);
    if (id.entry != nullptr) {
        title += " (" + std::to_string(EntryReference(*id.entry)) + ")";
    } else if (id.IsBit()) {
        title += id.Table() == PointTable::Coils ? " (coil)" : " (discrete input)";
    }
    return title + ": " + std::to_string(point.changes) +
           (point.changes == 1 ? " change" : " changes");
}

std::string ValueLabel(const PointId& id) {
    if (id.entry != nullptr) {
        return id.entry->unitOfMeasurement.empty() ? "value" : id.entry->unitOfMeasurement;
    }
    return "register value";
}

// The writes to a point, a mark for the first of those in each kMarkGroups-th of the capture,
// which tells how many more follow in it: periodic writes do not hide the line.
void AddWriteMarks(SvgChart& chart, const DeviceTrends& device, const PointId& id,
                   const TimeBuckets& buckets) {
    constexpr size_t kMarkGroups = 15;
    const auto found = std::find(device.writtenPoints.begin(), device.writtenPoints.end(), id);
    if (found == device.writtenPoints.end()) {
        return;
    }
    const auto series = static_cast<size_t>(found - device.writtenPoints.begin());
    const std::vector<WriteCell> cells = device.writes.Column(buckets, series);
    const size_t perGroup = std::max<size_t>(1, (buckets.Used() + kMarkGroups - 1) / kMarkGroups);
    for (size_t group = 0; group * perGroup < cells.size(); ++group) {
        WriteCell first;
        for (size_t i = group * perGroup; i < std::min(cells.size(), (group + 1) * perGroup); ++i) {
            first.Merge(cells[i]);
        }
        if (first.count == 0) {
            continue;
        }
        const std::string client = device.writers[first.writer].ToString();
        std::string hover = Iso8601Utc(TimestampOf(first.ns)) + " written by " + client;
        if (first.count > 1) {
            const double seconds = static_cast<double>(buckets.WidthNs() * perGroup) / 1e9;
            hover += ", " + std::to_string(first.count - 1) + " more writes within " +
                     DecimalText(seconds, 3) + " s";
        }
        chart.AddWriteMark(static_cast<double>(first.ns - buckets.OriginNs()) / 1e9,
                           EpochText(first.ns), client, hover);
    }
}

TrendFigure TrendChart(const DeviceTrends& device, size_t series, const PlantTrends& trends) {
    const TimeBuckets& buckets = trends.Buckets();
    const FollowedPoint& point = device.followed[series];
    const TimeColumns columns = ColumnsOf(buckets);
    Extent all;
    const std::vector<EnvelopeColumn> values =
        ValueColumns(columns, device.values.Column(buckets, series), all);
    const ChartAxis time = TimeAxis(buckets, columns);
    const ChartAxis y = point.id.IsBit() ? BitAxis()
                                         : ValueAxis(ValueLabel(point.id), all.Any() ? all.min : 0,
                                                     all.Any() ? all.max : 0);
    SvgChart chart(PointTitle(point), time, y);
    SetTimeData(chart, time, buckets);
    SetValueData(chart, y);
    chart.AddHeldSeries(PointName(point.id), "line value", values,
                        kGapIntervals * point.IntervalSeconds());
    AddWriteMarks(chart, device, point.id, buckets);
    AddClockStepMarks(chart, trends);
    return {chart.Svg(), point.leftOut};
}

std::string Counted(size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string KindNote(PointKind kind, bool mapped, size_t notDrawn, size_t constant) {
    const bool bits = kind == PointKind::Bits;
    const char* one = bits ? "coil or discrete input" : mapped ? "map entry" : "register";
    const char* many = bits ? "coils or discrete inputs" : mapped ? "map entries" : "registers";
    std::string note;
    if (notDrawn > 0) {
        note += Counted(notDrawn, "more changing ", "more changing ") +
                (notDrawn == 1 ? one + std::string(" is") : many + std::string(" are")) +
                " not drawn.";
    }
    if (constant > 0) {
        note += std::string(note.empty() ? "" : " ") + Counted(constant, one, many) +
                " read or written did not change.";
    }
    return note;
}

}  // namespace

ResponseTimeRange ResponseTimeRangeOf(const PlantTrends& trends) {
    int first = LogHistogram::kBins;
    int last = -1;
    for (const auto& device : trends.Devices()) {
        const auto& bins = device.second.responseTimesMs.Bins();
        for (int i = 0; i < LogHistogram::kBins; ++i) {
            if (bins[static_cast<size_t>(i)] > 0) {
                first = std::min(first, i);
                last = std::max(last, i);
            }
        }
    }
    if (last < 0) {
        return ResponseTimeRange();
    }
    // Whole decades: kLowestMs * 10^(bin / kPerDecade).
    const int perDecade = LogHistogram::kPerDecade;
    const int lowest = FloorLog10(LogHistogram::kLowestMs * 1.000001);
    return {PowerOfTen(lowest + first / perDecade), PowerOfTen(lowest + last / perDecade + 1)};
}

std::string ResponseTimeChart(const LogHistogram& histogram, const ResponseTimeRange& range) {
    const auto& bins = histogram.Bins();
    uint64_t most = 0;
    for (uint64_t count : bins) {
        most = std::max(most, count);
    }
    if (most == 0) {
        return std::string();
    }
    ChartAxis x;
    x.label = "response time (ms, log scale)";
    x.log = true;
    x.min = range.minMs;
    x.max = range.maxMs;
    x.ticks = DecadeTicks(x.min, x.max);
    if (x.ticks.size() > 6) {
        // Texts as wide as a decade: every other one.
        for (size_t i = 1; i < x.ticks.size(); i += 2) {
            x.ticks[i].text.clear();
        }
    }
    SvgChart chart("Response times", x, ValueAxis("transactions", 0, static_cast<double>(most)));
    chart.AddClass("histogram");
    chart.SetData("ms0", ExactText(range.minMs));
    chart.SetData("ms1", ExactText(range.maxMs));
    for (int i = 0; i < LogHistogram::kBins; ++i) {
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

std::string RateChart(const DeviceTrends& device, const PlantTrends& trends) {
    const TimeBuckets& buckets = trends.Buckets();
    const TimeColumns columns = ColumnsOf(buckets);
    const std::vector<Count> requestCounts =
        device.messages.Column(buckets, DeviceTrends::kRequests);
    const std::vector<Count> exceptionCounts =
        device.messages.Column(buckets, DeviceTrends::kExceptions);
    const size_t used = std::max<size_t>(buckets.Used(), 1);
    // The device's poll period (plant/poll_timing.h) in buckets.
    const double period = device.pollPeriodMs
                              ? *device.pollPeriodMs * 1e6 / static_cast<double>(buckets.WidthNs())
                              : 0;
    // Twice the poll period, a column at least. A device with no period (asked in one burst,
    // or once) has its requests drawn in the columns they came in: spread over the capture,
    // they would read as a rate falling off for hours after its last request.
    const double half = std::max(static_cast<double>(columns.perColumn), 2 * period);
    const Span span = SpanOf(requestCounts, exceptionCounts, period, used);
    const auto requests = Rates(columns, requestCounts, span, half);
    const auto exceptions = Rates(columns, exceptionCounts, span, half);
    double most = 0;
    bool anyException = false;
    for (size_t c = 0; c < columns.count; ++c) {
        most = std::max({most, requests[c].second, exceptions[c].second});
        anyException = anyException || exceptions[c].second > 0;
    }
    const ChartAxis time = TimeAxis(buckets, columns);
    const ChartAxis y = ValueAxis("per second", 0, most);
    SvgChart chart("Requests and exceptions", time, y);
    SetTimeData(chart, time, buckets);
    SetValueData(chart, y);
    chart.AddSteps("requests", "line requests", requests);
    chart.AddLegend("requests", "line requests");
    if (anyException) {
        chart.AddSteps("exceptions", "line exceptions", exceptions);
        chart.AddLegend("exceptions", "line exceptions");
    }
    AddClockStepMarks(chart, trends);
    return chart.Svg();
}

TrendFigures TrendCharts(const DeviceTrends& device, const PlantTrends& trends) {
    TrendFigures figures;
    for (PointKind kind : {PointKind::Values, PointKind::Bits}) {
        const auto k = static_cast<size_t>(kind);
        std::vector<size_t> order;
        for (size_t i = 0; i < device.followed.size(); ++i) {
            if (device.followed[i].id.IsBit() == (kind == PointKind::Bits)) {
                order.push_back(i);
            }
        }
        // The most changed first; among equals, in map or address order.
        std::sort(order.begin(), order.end(), [&device](size_t a, size_t b) {
            const FollowedPoint& pa = device.followed[a];
            const FollowedPoint& pb = device.followed[b];
            if (pa.changes != pb.changes) {
                return pa.changes > pb.changes;
            }
            return pa.id.entry != pb.id.entry
                       ? std::less<const MapEntry*>()(pa.id.entry, pb.id.entry)
                       : pa.id.key < pb.id.key;
        });
        const size_t most = kind == PointKind::Bits ? kBitCharts
                            : trends.Mapped()       ? kMappedCharts
                                                    : kRegisterCharts;
        const size_t drawn = std::min(order.size(), most);
        for (size_t i = 0; i < drawn; ++i) {
            figures.charts.push_back(TrendChart(device, order[i], trends));
        }
        figures.notDrawn[k] = device.changed[k] - drawn;
        figures.constant[k] = device.watched[k] - device.changed[k];
    }
    return figures;
}

std::string DeviceChartsHtml(const DeviceTrends& device, const PlantTrends& trends,
                             const ResponseTimeRange& range) {
    const auto figure = [](const std::string& svg, const std::string& note = std::string()) {
        return "<figure>" + svg + note + "</figure>\r\n";
    };
    std::string html = "<div class=\"charts\">\r\n";
    const std::string histogram = ResponseTimeChart(device.responseTimesMs, range);
    html += histogram.empty() ? std::string() : figure(histogram);
    html += figure(RateChart(device, trends));
    const TrendFigures trendFigures = TrendCharts(device, trends);
    for (const TrendFigure& chart : trendFigures.charts) {
        html += figure(chart.svg, chart.leftOut == 0
                                      ? std::string()
                                      : "<p class=\"note\">" +
                                            Counted(chart.leftOut, "value", "values") +
                                            " left out: not finite, or too large to draw.</p>");
    }
    html += "</div>";
    std::string notes;
    for (PointKind kind : {PointKind::Values, PointKind::Bits}) {
        const auto k = static_cast<size_t>(kind);
        const std::string note =
            KindNote(kind, trends.Mapped(), trendFigures.notDrawn[k], trendFigures.constant[k]);
        notes += (notes.empty() || note.empty() ? "" : " ") + note;
    }
    if (device.notWatched > 0) {
        notes += (notes.empty() ? "" : " ") +
                 Counted(device.notWatched, "more point", "more points") +
                 " read or written are not drawn: a device's first " +
                 std::to_string(PlantTrends::kWatchedPoints) + " are watched.";
    }
    return notes.empty() ? html : html + "<p class=\"note\">" + HtmlEscape(notes) + "</p>";
}
