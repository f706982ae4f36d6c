#include "views/top_view.h"

#include <algorithm>
#include <numeric>

#include "common/text_format.h"
#include "views/iso8601_time.h"

namespace {

// "22:13:24" of the capture time, UTC.
std::string TimeOfDay(const CaptureTimestamp& time) {
    const std::string iso = Iso8601Utc(time);
    const size_t t = iso.find('T');
    return t == std::string::npos ? iso : iso.substr(t + 1, 8);
}

// "fc16 40001=12 +9 more", and how the device took it when it did not acknowledge it.
std::string WriteText(const WriteRecord& write) {
    std::string text = Format("fc%d", write.function);
    if (!write.points.empty()) {
        const WrittenPoint& point = write.points.front();
        AppendFormat(text, " %d", point.reference);
        if (point.value) {
            AppendFormat(text, "=%d", *point.value);
        }
        if (write.points.size() > 1) {
            text += " +" + std::to_string(write.points.size() - 1) + " more";
        }
    }
    if (write.outcome == WriteOutcome::Exception) {
        AppendFormat(text, " exception %d", write.exceptionCode);
    } else if (write.outcome == WriteOutcome::Unanswered) {
        text += " unanswered";
    }
    return text;
}

template <typename Map>
uint64_t Sum(const Map& counts) {
    return std::accumulate(counts.begin(), counts.end(), uint64_t{0},
                           [](uint64_t sum, const auto& entry) { return sum + entry.second; });
}

// Terminal frames leave the last column free: a character written there leaves the cursor
// waiting to wrap, and erasing from there would take the character away again.
std::string TerminalFrame(const std::vector<std::string>& lines, bool first) {
    std::string bytes = first ? "\x1b[H\x1b[2J" : "\x1b[H";
    for (size_t i = 0; i < lines.size(); ++i) {
        bytes += lines[i] + "\x1b[K" + (i + 1 < lines.size() ? "\r\n" : "");
    }
    return bytes + "\x1b[J";
}

std::string PlainFrame(const std::vector<std::string>& lines, bool first) {
    std::string bytes = first ? "" : "\n";
    for (const std::string& line : lines) {
        bytes += line + "\n";
    }
    return bytes;
}

}  // namespace

bool TopView::Take(const Transaction& t, const Derivation& derived) {
    const CModbusMessage& first = t.First();
    const DeviceKey key{t.Server(), first.unit};
    Activity& device = devices_[key];
    const int64_t ns = first.SteadyNanoseconds();
    if (t.request) {
        device.requests.Add(ns);
    }
    newestNs_ = std::max(newestNs_, ns);
    if (derived.write) {
        device.lastWrite = TimeOfDay(first.time) + " " + t.Client().address.ToString() + " " +
                           WriteText(*derived.write);
    }
    for (const Anomaly& anomaly : derived.anomalies) {
        if (anomaly.kind == AnomalyKind::SlowResponse) {
            ++device.slowResponses;
        } else if (anomaly.kind != AnomalyKind::UnansweredRequest) {
            ++device.anomalies;
        }
        ++anomalies_;
        const CaptureTimestamp& time = anomaly.message ? anomaly.message->time : first.time;
        newestAnomalies_.push_front(Format("%s  %s unit %u  %s  %s", TimeOfDay(time).c_str(),
                                           key.server.ToString().c_str(), key.unit,
                                           AnomalyKindName(anomaly.kind), anomaly.detail.c_str()));
        if (newestAnomalies_.size() > kKeptAnomalies) {
            newestAnomalies_.pop_back();
        }
    }
    return true;
}

TopFrame TopView::Frame(const PlantResult& plant, int64_t nowNs, bool final) const {
    TopFrame frame;
    frame.newestAnomalies.assign(newestAnomalies_.begin(), newestAnomalies_.end());
    frame.anomaliesInAll = anomalies_;
    const unsigned long long devices = plant.model ? plant.model->Devices().size() : 0;
    const uint64_t transactions = plant.model ? plant.model->Transactions() : 0;
    std::string newest = plant.facts.lastRecord ? Iso8601Utc(*plant.facts.lastRecord) : "-";
    newest = newest.substr(0, std::min(newest.find('.'), newest.find('Z')));
    // What matters most comes first: a narrow screen cuts the title's end.
    frame.title = Format(
        "zep-modbus-parser --top%s  %llu device%s  %llu transactions  %llu "
        "anomalies  newest %s UTC",
        final ? " (final)" : "", devices, devices == 1 ? "" : "s",
        static_cast<unsigned long long>(transactions), static_cast<unsigned long long>(anomalies_),
        newest.c_str());
    if (!plant.model) {
        return frame;
    }
    static const Activity kNone;
    for (const auto& [key, stats] : plant.model->Devices()) {
        const auto found = devices_.find(key);
        const Activity& activity = found != devices_.end() ? found->second : kNone;
        TopDeviceRow row;
        row.device = key.server.ToString();
        row.unit = key.unit;
        row.requestsPerSecond = activity.requests.PerSecond(nowNs);
        row.requests = stats.requests;
        row.exceptions = Sum(stats.exceptions);
        row.unanswered = Sum(stats.unanswered);
        row.anomalies = activity.anomalies;
        row.slowResponses = activity.slowResponses;
        if (stats.responseTimesMs.Count() > 0) {
            row.p50Ms = stats.responseTimesMs.Quantile(0.5);
            row.p99Ms = stats.responseTimesMs.Quantile(0.99);
        }
        row.lastWrite = activity.lastWrite;
        frame.devices.push_back(std::move(row));
    }
    return frame;
}

bool TopView::Refresh(const PlantResult& plant, bool /*requested*/) {
    // Transactions come in report order, some of them held back until the one before is
    // answered or timed out: only a capture that reads no record at all is silent.
    const auto now = std::chrono::steady_clock::now();
    if (!drawn_ || plant.facts.records != recordsSeen_) {
        recordsSeen_ = plant.facts.records;
        recordsGrew_ = now;
    }
    const int64_t silentNs =
        std::chrono::duration_cast<std::chrono::nanoseconds>(now - recordsGrew_).count();
    return Draw(plant, newestNs_ + silentNs, false);
}

bool TopView::Close(const PlantResult& plant) {
    if (!Draw(plant, newestNs_, true)) {
        return false;
    }
    // The shell's prompt comes below the final frame.
    return !screen_.IsTerminal() || screen_.Write("\r\n");
}

bool TopView::Draw(const PlantResult& plant, int64_t nowNs, bool final) {
    const bool terminal = screen_.IsTerminal();
    ScreenSize size = screen_.Size();
    if (terminal && size.columns > 1) {
        --size.columns;
    }
    const std::vector<std::string> lines = TopTableLines(Frame(plant, nowNs, final), size);
    const bool first = !drawn_;
    drawn_ = true;
    return screen_.Write(terminal ? TerminalFrame(lines, first) : PlainFrame(lines, first));
}
