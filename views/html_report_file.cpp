#include "views/html_report_file.h"

#include <set>

#include "capture/capture_time.h"
#include "common/text_file.h"
#include "modbus/exception_catalogue.h"
#include "modbus/function_details.h"
#include "views/device_charts.h"
#include "views/html_cells.h"
#include "views/html_page_assets.h"
#include "views/html_plant_sections.h"
#include "views/html_run_notes.h"
#include "views/html_text.h"
#include "views/iso8601_time.h"
#include "views/reported_quantile.h"

namespace {

// Points of one write listed in its row; the rest are counted.
constexpr size_t kPointsPerRow = 8;

std::string Number(uint64_t value) {
    return NumberCell(value);
}

std::string Table(const char* id, std::initializer_list<const char*> head,
                  const HtmlReportFile::Rows& rows, const char* what) {
    std::string html;
    if (rows.count > HtmlReportFile::kTableRows) {
        html += "<p class=\"note\">The first " + std::to_string(HtmlReportFile::kTableRows) +
                " of " + std::to_string(rows.count) + " " + what +
                " are shown; the summary (--summary) lists them all.</p>\r\n";
    }
    if (rows.count == 0) {
        return html + "<p>None.</p>\r\n";
    }
    return html + "<table class=\"sortable\" id=\"" + id + "\">" + TableHead(head) + "<tbody>\r\n" +
           rows.html + "</tbody></table>\r\n";
}

std::string Quantile(const QuantileSketch& sketch, double q) {
    return Cell(sketch.Count() > 0 ? DecimalText(ReportedQuantile(sketch, q), 3) : "-", "n");
}

std::string Identification(const DeviceStats& device) {
    std::string text;
    for (const auto& object : device.identification) {
        const char* name = DeviceIdObjectName(static_cast<uint8_t>(object.first));
        text += (text.empty() ? "" : "; ") +
                (name != nullptr ? std::string(name) : "object " + std::to_string(object.first)) +
                ": " + object.second;
    }
    return text;
}

// The connections on a Modbus port that carried another protocol, when there are any.
std::string PassedOverTable(const PassedOverConnections& passedOver) {
    if (passedOver.count == 0) {
        return "";
    }
    std::string html = "\r\n<h3>Passed over: no Modbus/TCP on a Modbus port</h3>\r\n";
    if (passedOver.count > passedOver.named.size()) {
        html += "<p class=\"note\">The first " + std::to_string(passedOver.named.size()) + " of " +
                std::to_string(passedOver.count) + " are named.</p>\r\n";
    }
    html += "<table class=\"sortable\" id=\"passed-over-table\">" +
            TableHead({"Client", "Server", "Client bytes", "Server bytes", "Why"}) + "<tbody>\r\n";
    for (const PassedOverConnection& named : passedOver.named) {
        html += "<tr>" + Cell(named.client.ToString()) + Cell(named.server.ToString()) +
                Number(named.clientBytes) + Number(named.serverBytes) + Cell(named.reason) +
                "</tr>\r\n";
    }
    return html + "</tbody></table>";
}

std::string CaptureSection(const CaptureFacts& facts, const PlantModel& model,
                           const HtmlReportFile::Rows& writes,
                           const HtmlReportFile::Rows& anomalies) {
    std::string files;
    for (const std::string& path : facts.files) {
        files += (files.empty() ? "" : ", ") + FileNameOnly(path);
    }
    const auto time = [](const std::optional<CaptureTimestamp>& t) {
        return t ? Iso8601Utc(*t) : std::string("-");
    };
    const std::string span =
        facts.firstRecord ? DecimalText(static_cast<double>(facts.spanNs) / 1e9, 3) + " s" : "-";
    const std::pair<const char*, std::string> rows[] = {
        {"Files", files},
        {"First record", time(facts.firstRecord)},
        {"Last record", time(facts.lastRecord)},
        {"Span", span},
        {"Records", std::to_string(facts.records)},
        {"Modbus messages", std::to_string(facts.messages)},
        {"Transactions", std::to_string(model.Transactions())},
        {"Connections", std::to_string(facts.connections)},
        {"Passed over", std::to_string(facts.passedOver.count)},
        {"Devices", std::to_string(model.Devices().size())},
        {"Clients", std::to_string(model.Clients().size())},
        {"Writes", std::to_string(writes.count)},
        {"Anomalies", std::to_string(anomalies.count)},
    };
    std::string html = "<section id=\"capture\"><h2>Capture</h2><table class=\"facts\">\r\n";
    for (const auto& row : rows) {
        html += "<tr><th>" + std::string(row.first) + "</th>" + Cell(row.second) + "</tr>\r\n";
    }
    if (facts.statistics) {
        const CaptureStatistics& packets = *facts.statistics;
        html += "<tr><th>Packets</th>" +
                Cell(std::to_string(packets.received) + " received, " +
                     std::to_string(packets.droppedByKernel) + " dropped by the kernel, " +
                     std::to_string(packets.droppedByInterface) + " dropped by the interface") +
                "</tr>\r\n";
    }
    return html + "</table>" + PassedOverTable(facts.passedOver) + "</section>\r\n";
}

// An exception code with its name ("2 Illegal Data Address"), or what a response that ends
// before its code gives.
std::string ExceptionText(int code) {
    return code >= 0 ? std::to_string(code) + " " + GetExceptionName(code)
                     : std::string("without a code");
}

// Why a device refused: "2 Illegal Data Address: 3329; 4 Server Device Failure: 1".
std::string ExceptionsByCode(const DeviceStats& device) {
    std::string text;
    for (const auto& entry : device.exceptions) {
        text += (text.empty() ? "" : "; ") + ExceptionText(entry.first) + ": " +
                std::to_string(entry.second);
    }
    return text;
}

std::string DevicesSection(const PlantModel& model) {
    std::string html =
        "<section id=\"devices\"><h2>Devices</h2><table class=\"sortable\" id=\"device-table\">" +
        TableHead({"Server", "Unit", "Identification", "Requests", "Exceptions", "Unanswered",
                   "p50 (ms)", "p99 (ms)", "Exceptions by code"}) +
        "<tbody>\r\n";
    for (const auto& entry : model.Devices()) {
        const DeviceStats& device = entry.second;
        html += "<tr>" + Cell(entry.first.server.ToString()) + Number(entry.first.unit) +
                Cell(Identification(device)) + Number(device.requests) +
                Number(Sum(device.exceptions)) + Number(Sum(device.unanswered)) +
                Quantile(device.responseTimesMs, 0.5) + Quantile(device.responseTimesMs, 0.99) +
                Cell(ExceptionsByCode(device)) + "</tr>\r\n";
    }
    return html + "</tbody></table></section>\r\n";
}

// Requests per device and function.
std::string FunctionsSection(const PlantModel& model) {
    std::set<int> functions;
    for (const auto& entry : model.Devices()) {
        for (const auto& function : entry.second.functions) {
            functions.insert(function.first);
        }
    }
    std::string head = "<thead><tr><th>Server</th><th>Unit</th>";
    for (int function : functions) {
        head += "<th>" + HtmlEscape(FunctionText(function)) + "</th>";
    }
    std::string html =
        "<section id=\"functions\"><h2>Transactions per unit and function</h2>"
        "<table class=\"sortable\" id=\"function-matrix\">" +
        head + "</tr></thead><tbody>\r\n";
    for (const auto& entry : model.Devices()) {
        html += "<tr>" + Cell(entry.first.server.ToString()) + Number(entry.first.unit);
        for (int function : functions) {
            const auto found = entry.second.functions.find(function);
            html += Number(found != entry.second.functions.end() ? found->second : 0);
        }
        html += "</tr>\r\n";
    }
    return html + "</tbody></table></section>\r\n";
}

std::string ChartsSection(const PlantTrends& trends) {
    std::string html = "<section id=\"device-charts\"><h2>Devices over time</h2>\r\n";
    const ResponseTimeRange range = ResponseTimeRangeOf(trends);  // one scale for all
    int n = 0;
    for (const auto& entry : trends.Devices()) {
        html += "<section class=\"device\" id=\"device-" + std::to_string(++n) + "\"><h3>" +
                HtmlEscape(DeviceName(entry.first)) + "</h3>" +
                DeviceChartsHtml(entry.second, trends, range) + "</section>\r\n";
    }
    return html + "</section>\r\n";
}

std::string PointsText(const WriteRecord& write) {
    std::string text;
    for (size_t i = 0; i < write.points.size() && i < kPointsPerRow; ++i) {
        const WrittenPoint& point = write.points[i];
        text += (text.empty() ? "" : "; ") + std::to_string(point.reference) + " = " +
                (point.value ? std::to_string(*point.value) : std::string("?")) +
                (point.previous ? " (was " + std::to_string(*point.previous) + ")" : "");
    }
    if (write.points.size() > kPointsPerRow) {
        text += "; ... (" + std::to_string(write.points.size()) + " points)";
    }
    for (const MappedValue& mapped : write.values) {
        const TypedValue& value = mapped.value;
        text +=
            (text.empty() ? "" : "; ") + value.entry->name + " = " +
            (value.isText   ? value.text
             : value.number ? DecimalText(*value.number, 6) + " " + value.entry->unitOfMeasurement
                            : std::string("?"));
    }
    return text;
}

std::string WriteRow(const Transaction& t, const WriteRecord& write) {
    return "<tr>" + Cell(Iso8601Utc(t.request->time)) + Cell(t.Client().ToString()) +
           Cell(t.Server().ToString()) + Number(t.request->unit) +
           Cell(FunctionText(write.function)) + Cell(PointsText(write)) +
           Cell(std::string(WriteOutcomeName(write.outcome)) +
                (write.outcome == WriteOutcome::Exception ? " " + ExceptionText(write.exceptionCode)
                                                          : std::string())) +
           Number(t.ReportNumber()) + "</tr>\r\n";
}

// A function code as sent: "4 Read Input Registers", marked when it carries the exception bit.
std::string SentFunctionText(int function) {
    constexpr int kExceptionBit = 0x80;
    return (function & kExceptionBit) != 0
               ? FunctionText(function & ~kExceptionBit) + " (exception)"
               : FunctionText(function);
}

std::string AnomalyRow(const Transaction& t, const Anomaly& anomaly) {
    const CModbusMessage& message = *anomaly.message;
    return "<tr>" + Cell(Iso8601Utc(message.time)) + Cell(AnomalyKindName(anomaly.kind)) +
           Cell(t.Client().ToString() + " -> " + t.Server().ToString()) + Number(message.unit) +
           Cell(SentFunctionText(message.FunctionCode())) + Cell(anomaly.detail) +
           Number(t.ReportNumber()) + "</tr>\r\n";
}

}  // namespace

bool HtmlReportFile::Take(const Transaction& t, const Derivation& derived) {
    if (derived.write) {
        const WriteRecord& write = *derived.write;
        writes_.Add([&t, &write] { return WriteRow(t, write); });
    }
    for (const Anomaly& anomaly : derived.anomalies) {
        anomalies_.Add([&t, &anomaly] { return AnomalyRow(t, anomaly); });
    }
    return true;
}

std::string HtmlReportFile::Page(const PlantResult& plant) {
    const CaptureFacts& facts = plant.facts;
    const PlantModel& model = *plant.model;
    std::string title = "Modbus/TCP capture";
    if (!facts.files.empty()) {
        title +=
            " " + FileNameOnly(facts.files.front()) +
            (facts.files.size() > 1 ? " and " + std::to_string(facts.files.size() - 1) + " more"
                                    : std::string());
    }
    std::string page =
        "<!DOCTYPE html>\r\n<html lang=\"en\"><head><meta charset=\"utf-8\">\r\n"
        "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
        "style-src 'unsafe-inline'; script-src 'unsafe-inline'; img-src data:\">\r\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\r\n<title>" +
        HtmlEscape(title) + "</title>\r\n<style>" + ToTextModeLineEnds(kPageStyle) +
        "</style></head>\r\n<body>\r\n<h1>" + HtmlEscape(title) + "</h1>\r\n";
    page += WarningsSection(facts.warnings);
    page += UnmatchedEntriesSection(plant.mapper);
    page += CaptureSection(facts, model, writes_, anomalies_);
    page += DevicesSection(model);
    page += ClientsSection(model);
    page += PollingSection(model);
    page += FunctionsSection(model);
    page += ChartsSection(*plant.trends);
    // A result made without the change log (a view test, say) shows none.
    static const ChangeLog kNoChanges;
    static const WriteRanges kNoWriteRanges;
    page += ChangesSection(plant.changes != nullptr ? *plant.changes : kNoChanges);
    page += WritesSection(
        plant.writeRanges != nullptr ? *plant.writeRanges : kNoWriteRanges,
        Table("write-table",
              {"Time", "Client", "Server", "Unit", "Function", "Points", "Outcome", "Report frame"},
              writes_, "writes"));
    page += "<section id=\"anomalies\"><h2>Anomalies</h2>\r\n" +
            Table("anomaly-table",
                  {"Time", "Kind", "Connection", "Unit", "Function", "Detail", "Report frame"},
                  anomalies_, "anomalies") +
            "</section>\r\n";
    return page + "<script>" + ToTextModeLineEnds(kPageScript) + "</script>\r\n</body></html>\r\n";
}

bool HtmlReportFile::Refresh(const PlantResult& plant, bool requested) {
    if (plant.model == nullptr || plant.trends == nullptr || !document_.Replaceable() ||
        !schedule_.Due(requested)) {
        return true;
    }
    return Store(plant);
}

bool HtmlReportFile::Close(const PlantResult& plant) {
    if (!closed_) {
        closed_ = true;
        stored_ = Store(plant);
    }
    return stored_;
}

bool HtmlReportFile::Store(const PlantResult& plant) {
    const std::string page = Page(plant);
    return document_.Write([&page](BufferedTextFile& file) { return file.WriteBytes(page); });
}
