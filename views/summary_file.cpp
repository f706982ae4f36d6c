#include "views/summary_file.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "modbus/exception_catalogue.h"
#include "modbus/function_details.h"
#include "modbus/function_table.h"
#include "plant/poll_timing.h"
#include "session/mbap.h"
#include "session/unanswered_text.h"
#include "views/iso8601_time.h"
#include "views/log_function_names.h"
#include "views/mapped_values_json.h"
#include "views/reported_quantile.h"

namespace {

using Json = nlohmann::ordered_json;

std::string Dump(const Json& json) {
    return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

Json TimeOrNull(const std::optional<CaptureTimestamp>& time) {
    return time ? Json(Iso8601Utc(*time)) : Json(nullptr);
}

Json ValueOrNull(const std::optional<int32_t>& value) {
    return value ? Json(*value) : Json(nullptr);
}

Json FunctionCounts(const std::map<int, uint64_t>& counts, const char* countName) {
    Json list = Json::array();
    for (const auto& entry : counts) {
        Json item = Json::object();
        item["function"] = entry.first;
        item["name"] = LogFunctionName(entry.first);
        item[countName] = entry.second;
        list.push_back(std::move(item));
    }
    return list;
}

Json RangesJson(const AddressRanges& ranges, PointTable table) {
    const int base = ReferenceBase(table);
    Json list = Json::array();
    for (const AddressRange& range : ranges.Ranges()) {
        Json item = Json::object();
        item["first"] = range.first;
        item["last"] = range.last;
        item["first_reference"] = base + static_cast<int>(range.first);
        item["last_reference"] = base + static_cast<int>(range.last);
        list.push_back(std::move(item));
    }
    return list;
}

Json QuantilesJson(const QuantileSketch& sketch, std::initializer_list<double> quantiles,
                   bool withExtremes) {
    const bool any = sketch.Count() > 0;
    Json json = Json::object();
    json["count"] = sketch.Count();
    json["exact"] = sketch.Exact();
    if (withExtremes) {
        json["min"] = any ? Json(sketch.Min()) : Json(nullptr);
    }
    for (double q : quantiles) {
        const std::string name = "p" + std::to_string(static_cast<int>(q * 100 + 0.5));
        json[name] = any ? Json(ReportedQuantile(sketch, q)) : Json(nullptr);
    }
    if (withExtremes) {
        json["max"] = any ? Json(sketch.Max()) : Json(nullptr);
    }
    return json;
}

Json DeviceRef(const DeviceKey& key) {
    Json json = Json::object();
    json["server"] = key.server.ToString();
    json["unit"] = key.unit;
    return json;
}

// The key an exception code is counted under: the code, or "null" for a response that ends
// before its code (the transaction log's `"code": null`).
std::string ExceptionKey(int code) {
    return code >= 0 ? std::to_string(code) : "null";
}

Json DeviceJson(const DeviceKey& key, const DeviceStats& device) {
    Json json = DeviceRef(key);
    Json clients = Json::array();
    for (const IpAddress& client : device.clients) {
        clients.push_back(client.ToString());
    }
    json["clients"] = std::move(clients);
    // The bounds of a long run show only when they were reached.
    if (device.clientsNotKept > 0) {
        json["client_connections_not_listed"] = device.clientsNotKept;
    }
    json["first_seen"] = Iso8601Utc(device.firstSeen);
    json["last_seen"] = Iso8601Utc(device.lastSeen);
    json["requests"] = device.requests;
    json["responses"] = device.responses;
    Json exceptions = Json::object();
    Json exceptionNames = Json::object();
    for (const auto& entry : device.exceptions) {
        exceptions[ExceptionKey(entry.first)] = entry.second;
        exceptionNames[ExceptionKey(entry.first)] = GetExceptionName(entry.first);
    }
    json["exceptions"] = std::move(exceptions);
    json["exception_names"] = std::move(exceptionNames);
    Json unanswered = Json::object();
    for (const auto& entry : device.unanswered) {
        unanswered[UnansweredText(entry.first)] = entry.second;
    }
    json["unanswered"] = std::move(unanswered);
    json["response_time_ms"] = QuantilesJson(device.responseTimesMs, {0.5, 0.9, 0.99}, true);
    json["functions"] = FunctionCounts(device.functions, "transactions");
    Json tables = Json::object();
    uint64_t rangesNotKept = 0;
    for (int i = 0; i < kPointTableCount; ++i) {
        const PointTable table = static_cast<PointTable>(i);
        Json entry = Json::object();
        entry["read"] = RangesJson(device.read[i], table);
        entry["written"] = RangesJson(device.written[i], table);
        tables[PointTableName(table)] = std::move(entry);
        rangesNotKept += device.read[i].NotKept() + device.written[i].NotKept();
    }
    json["tables"] = std::move(tables);
    if (rangesNotKept > 0) {
        json["ranges_not_kept"] = rangesNotKept;
    }
    // A range polled once is no polling (a scan, or a look by hand): counted, not listed.
    Json polling = Json::array();
    uint64_t polledOnce = 0;
    for (const auto& entry : device.polling) {
        const PollKey& poll = entry.first;
        if (entry.second.polls == 1) {
            ++polledOnce;
            continue;
        }
        Json item = Json::object();
        item["client"] = poll.client.ToString();
        item["function"] = poll.function;
        item["first"] = poll.first;
        item["count"] = poll.count;
        item["first_reference"] = GetReferenceNumber(static_cast<int>(poll.first), poll.function);
        item["polls"] = entry.second.polls;
        item["interval_ms"] = QuantilesJson(entry.second.intervalsMs, {0.5, 0.95}, false);
        const std::optional<PollTiming> timing = PollTimingOf(entry.second);
        item["period_ms"] = timing ? Json(timing->periodMs) : Json(nullptr);
        item["jitter_ms"] = timing ? Json(timing->jitterMs) : Json(nullptr);
        polling.push_back(std::move(item));
    }
    json["polling"] = std::move(polling);
    json["ranges_polled_once"] = polledOnce;
    if (device.pollsNotFollowed > 0) {
        json["polls_not_followed"] = device.pollsNotFollowed;
    }
    Json identification = Json::array();
    for (const auto& object : device.identification) {
        Json item = Json::object();
        item["id"] = object.first;
        const char* name = DeviceIdObjectName(static_cast<uint8_t>(object.first));
        item["name"] = name != nullptr ? Json(name) : Json(nullptr);
        item["value"] = object.second;
        identification.push_back(std::move(item));
    }
    json["identification"] = std::move(identification);
    return json;
}

Json ClientJson(const IpAddress& address, const ClientStats& client) {
    Json json = Json::object();
    json["address"] = address.ToString();
    Json devices = Json::array();
    for (const DeviceKey& key : client.devices) {
        devices.push_back(DeviceRef(key));
    }
    json["devices"] = std::move(devices);
    if (client.devicesNotKept > 0) {
        json["device_connections_not_listed"] = client.devicesNotKept;
    }
    json["requests"] = FunctionCounts(client.requests, "requests");
    json["writes"] = client.writes;
    json["exceptions"] = client.exceptions;
    return json;
}

std::string WriteLine(const Transaction& t, const WriteRecord& write) {
    Json json = Json::object();
    json["time"] = Iso8601Utc(t.request->time);
    json["client"] = t.Client().ToString();
    json["server"] = t.Server().ToString();
    json["unit"] = t.request->unit;
    json["function"] = write.function;
    json["function_name"] = LogFunctionName(write.function);
    json["transaction_id"] = t.request->transactionId;
    Json points = Json::array();
    for (const WrittenPoint& point : write.points) {
        Json item = Json::object();
        item["table"] = PointTableName(point.table);
        item["address"] = point.address;
        item["reference"] = point.reference;
        item["value"] = ValueOrNull(point.value);
        item["previous"] = ValueOrNull(point.previous);
        points.push_back(std::move(item));
    }
    json["points"] = std::move(points);
    json["outcome"] = WriteOutcomeName(write.outcome);
    json["exception_code"] = write.outcome == WriteOutcome::Exception && write.exceptionCode >= 0
                                 ? Json(write.exceptionCode)
                                 : Json(nullptr);
    json["values"] = MappedValuesJson(write.values);
    json["report_frame"] = t.ReportNumber();
    return Dump(json);
}

Json NumberOrNull(const std::optional<double>& number) {
    return number && std::isfinite(*number) ? Json(*number) : Json(nullptr);
}

Json TextOrNull(const MappedStats& stats, const std::string& text) {
    return stats.first ? Json(nullptr) : Json(text);
}

// How the value of one map entry went on one device.
Json MappedJson(const std::pair<const MapEntry*, DeviceKey>& key, const MappedStats& stats) {
    const MapEntry& map = *key.first;
    Json item = Json::object();
    item["name"] = map.name;
    item["server"] = key.second.server.ToString();
    item["unit"] = key.second.unit;
    item["table"] = PointTableName(map.table);
    item["reference"] = EntryReference(map);
    item["type"] = MapDataTypeName(map.type);
    item["unit_of_measurement"] = map.unitOfMeasurement;
    item["count"] = stats.count;
    item["changes"] = stats.changes;
    item["first"] = NumberOrNull(stats.first);
    item["last"] = NumberOrNull(stats.last);
    item["min"] = NumberOrNull(stats.min);
    item["max"] = NumberOrNull(stats.max);
    item["first_text"] = TextOrNull(stats, stats.firstText);
    item["last_text"] = TextOrNull(stats, stats.lastText);
    return item;
}

// The connections on a Modbus port that carried no Modbus/TCP: all counted, the first named.
Json PassedOverJson(const PassedOverConnections& passedOver) {
    Json named = Json::array();
    for (const PassedOverConnection& connection : passedOver.named) {
        Json json = Json::object();
        json["client"] = connection.client.ToString();
        json["server"] = connection.server.ToString();
        json["client_bytes"] = connection.clientBytes;
        json["server_bytes"] = connection.serverBytes;
        json["reason"] = connection.reason;
        named.push_back(std::move(json));
    }
    Json json = Json::object();
    json["count"] = passedOver.count;
    json["connections"] = std::move(named);
    return json;
}

std::string AnomalyLine(const Transaction& t, const Anomaly& anomaly) {
    const CModbusMessage& message = *anomaly.message;
    Json json = Json::object();
    json["time"] = Iso8601Utc(message.time);
    json["kind"] = AnomalyKindName(anomaly.kind);
    json["connection"] = t.Client().ToString() + " -> " + t.Server().ToString();
    json["unit"] = message.unit;
    json["function"] = message.FunctionCode();
    json["report_frame"] = t.ReportNumber();
    json["detail"] = anomaly.detail;
    return Dump(json);
}

// A value as the document shows it at `indent`: two more blanks per level, CR LF line ends.
std::string Indented(const Json& value, const std::string& indent) {
    std::string text;
    for (char c : value.dump(2, ' ', false, Json::error_handler_t::replace)) {
        text += c == '\n' ? "\r\n" + indent : std::string(1, c);
    }
    return text;
}

// Writes a list member element by element, so that no more than one element is held as JSON.
class ListWriter {
public:
    ListWriter(BufferedTextFile& file, std::string indent, const char* name)
        : file_(file), indent_(std::move(indent)) {
        ok_ = file_.WriteBytes(indent_ + "\"" + name + "\": [");
    }
    void Add(const Json& element) {
        ok_ = ok_ && file_.WriteBytes((count_++ > 0 ? ",\r\n" : "\r\n") + indent_ + "  " +
                                      Indented(element, indent_ + "  "));
    }
    bool End(bool last) {
        const std::string close = count_ > 0 ? "\r\n" + indent_ + "]" : "]";
        return ok_ && file_.WriteBytes(close + (last ? "\r\n" : ",\r\n"));
    }

private:
    BufferedTextFile& file_;
    std::string indent_;
    size_t count_ = 0;
    bool ok_ = true;
};

// "warnings": the run's warnings so far, and past their bound how many more there were.
std::string WarningsMembers(const RunWarnings& warnings) {
    std::string members = "  \"warnings\": " + Indented(Json(warnings.kept), "  ") + ",\r\n";
    if (warnings.notKept > 0) {
        members += "  \"warnings_not_listed\": " + std::to_string(warnings.notKept) + ",\r\n";
    }
    return members;
}

}  // namespace

bool SummaryFile::Take(const Transaction& t, const Derivation& derived) {
    if (derived.write && writes_.Keeps()) {
        spoolFailed_ |= !writes_.Add(WriteLine(t, *derived.write));
    }
    for (const Anomaly& anomaly : derived.anomalies) {
        if (anomalies_.Keeps()) {
            spoolFailed_ |= !anomalies_.Add(AnomalyLine(t, anomaly));
        }
    }
    return !spoolFailed_;
}

bool SummaryFile::Refresh(const PlantResult& plant, bool requested) {
    if (plant.model == nullptr || !document_.Replaceable() || !schedule_.Due(requested)) {
        return true;
    }
    return document_.Write([&](BufferedTextFile& file) { return WriteDocument(file, plant); });
}

bool SummaryFile::Close(const PlantResult& plant) {
    if (!closed_) {
        closed_ = true;
        stored_ =
            document_.Write([&](BufferedTextFile& file) { return WriteDocument(file, plant); });
    }
    return stored_;
}

bool SummaryFile::WriteDocument(BufferedTextFile& file, const PlantResult& plant) {
    const CaptureFacts& facts = plant.facts;
    const PlantModel& model = *plant.model;
    Json capture = Json::object();
    capture["files"] = facts.files;
    capture["first_time"] = TimeOrNull(facts.firstRecord);
    capture["last_time"] = TimeOrNull(facts.lastRecord);
    capture["records"] = facts.records;
    capture["messages"] = facts.messages;
    capture["transactions"] = model.Transactions();
    capture["connections"] = facts.connections;
    bool written = file.WriteBytes("{\r\n  \"capture\": " + Indented(capture, "  ") + ",\r\n");
    written = written && file.WriteBytes(WarningsMembers(facts.warnings));
    written =
        file.WriteBytes("  \"passed_over\": " + Indented(PassedOverJson(facts.passedOver), "  ") +
                        ",\r\n") &&
        written;
    ListWriter devices(file, "  ", "devices");
    for (const auto& entry : model.Devices()) {
        devices.Add(DeviceJson(entry.first, entry.second));
    }
    written = devices.End(false) && written;
    ListWriter clients(file, "  ", "clients");
    for (const auto& entry : model.Clients()) {
        clients.Add(ClientJson(entry.first, entry.second));
    }
    written = clients.End(false) && written;
    const ValueMapper* mapper = plant.mapper;
    const uint64_t split = mapper != nullptr ? mapper->SplitEntries() : 0;
    Json unmatched = Json::array();
    for (const MapEntry* entry :
         mapper != nullptr ? mapper->UnmatchedEntries() : std::vector<const MapEntry*>()) {
        unmatched.push_back(entry->name);
    }
    written = file.WriteBytes("  \"values\": {\r\n    \"split_entries\": " + std::to_string(split) +
                              ",\r\n    \"unmatched\": " + Dump(unmatched) + ",\r\n") &&
              written;
    ListWriter mapped(file, "    ", "entries");
    for (const auto& entry : model.Mapped()) {
        mapped.Add(MappedJson(entry.first, *entry.second));
    }
    written = mapped.End(true) && file.WriteBytes("  },\r\n") && written;
    const auto list = [&file, &written](const char* name, KeptList& kept, bool last) {
        TextSpool& spool = kept.spool;
        written = written && file.WriteBytes("  \"" + std::string(name) + "\": [");
        if (spool.Size() > 0) {
            written = written && file.WriteBytes("\r\n") &&
                      spool.ReadBack(
                          [&file](const std::string& piece) { return file.WriteBytes(piece); }) &&
                      file.WriteBytes("\r\n  ");
        }
        // Past the bound, the rest is counted (only then, so the document is as before).
        const bool counted = kept.notKept > 0;
        written = written && file.WriteBytes(last && !counted ? "]\r\n" : "],\r\n");
        if (counted) {
            written = written && file.WriteBytes("  \"" + std::string(name) +
                                                 "_not_listed\": " + std::to_string(kept.notKept) +
                                                 (last ? "\r\n" : ",\r\n"));
        }
    };
    list("writes", writes_, false);
    const std::optional<CaptureStatistics>& statistics = facts.statistics;
    list("anomalies", anomalies_, !statistics);
    if (statistics) {
        Json packets = Json::object();
        packets["received"] = statistics->received;
        packets["dropped_by_kernel"] = statistics->droppedByKernel;
        packets["dropped_by_interface"] = statistics->droppedByInterface;
        written = written && file.WriteBytes("  \"packets\": " + Indented(packets, "  ") + "\r\n");
    }
    written = written && file.WriteBytes("}\r\n");
    return written && !spoolFailed_;
}
