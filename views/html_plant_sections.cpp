#include "views/html_plant_sections.h"

#include <cmath>

#include "modbus/function_table.h"
#include "plant/poll_timing.h"
#include "views/html_cells.h"
#include "views/html_text.h"
#include "views/iso8601_time.h"
#include "views/talkers_diagram.h"

namespace {

// Rows of a table shown; the rest are counted in a note.
constexpr size_t kRows = 1000;
// Each change or write is listed open up to this many; more are folded away under their counts.
constexpr uint64_t kOpenRows = 20;

// Times and device names read as one piece: they are not broken over lines.
std::string Whole(const std::string& text) {
    return Cell(text, "w");
}

std::string Number(uint64_t value, const char* column = nullptr) {
    return NumberCell(value, column);
}

std::string Head(std::initializer_list<const char*> names) {
    return TableHead(names) + "<tbody>\r\n";
}

std::string Note(const std::string& text) {
    return "<p class=\"note\">" + text + "</p>\r\n";
}

std::string FirstRowsNote(uint64_t count, const char* what) {
    return count > kRows ? Note("The first " + std::to_string(kRows) + " of " +
                                std::to_string(count) + " " + what + " are shown.")
                         : std::string();
}

// A Modicon reference as written for its table: coils with five digits (00001).
std::string ReferenceText(int32_t reference) {
    std::string text = std::to_string(reference);
    return text.size() < 5 ? std::string(5 - text.size(), '0') + text : text;
}

std::string RangeText(int32_t first, uint64_t count) {
    return count > 1
               ? ReferenceText(first) + "-" + ReferenceText(first + static_cast<int32_t>(count) - 1)
               : ReferenceText(first);
}

std::string ValueText(const ChangeValue& value, const MapEntry* entry) {
    if (!value.number) {
        return value.text;
    }
    const double number = *value.number;
    std::string text = std::isnan(number)   ? "NaN"
                       : std::isinf(number) ? (number > 0 ? "inf" : "-inf")
                                            : DecimalText(number, 6);
    return entry != nullptr && !entry->unitOfMeasurement.empty()
               ? text + " " + entry->unitOfMeasurement
               : text;
}

}  // namespace

std::string ClientsSection(const PlantModel& model) {
    std::string html =
        "<section id=\"who-talks\"><h2>Who talks to whom</h2>\r\n"
        "<table class=\"sortable\" id=\"clients\">" +
        Head({"Client", "Requests", "Writes", "Exceptions", "Devices"});
    for (const auto& entry : model.Clients()) {
        const ClientStats& client = entry.second;
        // A scanning client is marked in its row and named as one.
        const bool scanning = client.devicesScanned > 0;
        html += "<tr data-client=\"" + HtmlEscape(entry.first.ToString()) + "\"" +
                (scanning ? " class=\"scanning\"" : "") + ">" +
                Cell(entry.first.ToString() +
                     (scanning ? " (address scan of " + std::to_string(client.devicesScanned) +
                                     (client.devicesScanned == 1 ? " device)" : " devices)")
                               : std::string())) +
                Number(Sum(client.requests), "requests") + Number(client.writes, "writes") +
                Number(client.exceptions, "exceptions") + Number(client.devices.size(), "devices") +
                "</tr>\r\n";
    }
    html += "</tbody></table>\r\n";
    TalkersLeftOut leftOut;
    html += "<figure>" + TalkersDiagram(model, leftOut) + "</figure>\r\n";
    if (leftOut.clients + leftOut.servers + leftOut.units > 0) {
        html +=
            Note(std::to_string(leftOut.clients) + " clients, " + std::to_string(leftOut.servers) +
                 " servers and " + std::to_string(leftOut.units) + " units are not drawn.");
    }
    return html + "</section>\r\n";
}

std::string PollingSection(const PlantModel& model) {
    std::string rows;
    uint64_t ranges = 0;
    uint64_t polledOnce = 0;
    for (const auto& device : model.Devices()) {
        for (const auto& poll : device.second.polling) {
            const std::optional<PollTiming> timing = PollTimingOf(poll.second);
            if (!timing) {
                ++polledOnce;
                continue;
            }
            if (ranges++ >= kRows) {
                continue;
            }
            const PollKey& key = poll.first;
            rows += "<tr data-device=\"" + HtmlEscape(DeviceName(device.first)) + "\">" +
                    Whole(DeviceName(device.first)) + Cell(key.client.ToString()) +
                    Cell(FunctionText(key.function)) +
                    Cell(RangeText(GetReferenceNumber(static_cast<int>(key.first), key.function),
                                   key.count)) +
                    Number(poll.second.polls) + "<td class=\"n\">" +
                    DecimalText(timing->periodMs, 3) + "</td><td class=\"n\">" +
                    DecimalText(timing->jitterMs, 3) + "</td></tr>\r\n";
        }
    }
    std::string html = "<section id=\"polling-section\"><h2>Polling</h2>\r\n" +
                       FirstRowsNote(ranges, "polled ranges");
    if (polledOnce > 0) {
        html += Note("Ranges read only once (a scan, or a look by hand), not listed: " +
                     std::to_string(polledOnce) + ".");
    }
    if (ranges == 0) {
        return html + "<p>No range was read more than once.</p></section>\r\n";
    }
    return html + "<table class=\"sortable\" id=\"polling\">" +
           Head({"Device", "Client", "Function", "References", "Polls", "Period (ms)",
                 "Jitter p90-p10 (ms)"}) +
           rows + "</tbody></table></section>\r\n";
}

std::string ChangesSection(const ChangeLog& changes) {
    std::string html = "<section id=\"changes-section\"><h2>Changes</h2>\r\n";
    if (changes.Count() == 0) {
        return html + "<p>No value read or written changed.</p></section>\r\n";
    }
    // A long log is folded away under its counts, as the writes are.
    const uint64_t written = changes.Written();
    html += "<p>" + std::to_string(changes.Count()) + " changes: " + std::to_string(written) +
            " written, " + std::to_string(changes.Count() - written) + " read.</p>\r\n<details" +
            (changes.Count() <= kOpenRows ? " open" : "") + "><summary>Each change</summary>\r\n" +
            FirstRowsNote(changes.Count(), "changes") +
            "<table class=\"sortable\" id=\"changes\">" +
            Head({"Time", "Device", "Point", "Old", "New", "Access", "By", "Report frame"});
    for (const ChangeRecord& row : changes.Rows()) {
        const bool written = row.access == PointAccess::Write;
        const std::string point = row.entry != nullptr
                                      ? row.entry->name + " (" + ReferenceText(row.reference) + ")"
                                      : ReferenceText(row.reference);
        html += "<tr>" + Whole(Iso8601Utc(row.time)) + Whole(DeviceName(row.device)) + Cell(point) +
                Cell(row.before ? ValueText(*row.before, row.entry) : "-") +
                Cell(ValueText(row.after, row.entry)) + Cell(written ? "written" : "read") +
                Cell(written ? row.client.ToString() : std::string()) + Number(row.reportFrame) +
                "</tr>\r\n";
    }
    return html + "</tbody></table></details></section>\r\n";
}

std::string WritesSection(const WriteRanges& ranges, const std::string& detailTable) {
    std::string html = "<section id=\"writes\"><h2>Write audit</h2>\r\n";
    if (ranges.Writes() == 0) {
        return html + "<p>No writes in this capture.</p></section>\r\n";
    }
    if (ranges.WritesLeftOut() > 0) {
        html += Note(std::to_string(ranges.WritesLeftOut()) + " writes to more than " +
                     std::to_string(WriteRanges::kRanges) + " ranges are not listed.");
    }
    html += FirstRowsNote(ranges.Ranges().size(), "written ranges");
    html += "<table class=\"sortable\" id=\"write-ranges\">" +
            Head({"Client", "Device", "Function", "References", "Writes", "Refused", "First write",
                  "First frame", "Last write", "Last values"});
    size_t shown = 0;
    for (const auto* range : ranges.ByFirstWrite()) {
        if (shown++ >= kRows) {
            break;
        }
        const WriteRangeKey& key = range->first;
        const WriteRangeStats& stats = range->second;
        std::string values;
        for (const std::optional<int32_t>& value : stats.lastValues) {
            values += (values.empty() ? "" : " ") + (value ? std::to_string(*value) : "?");
        }
        values += key.count > stats.lastValues.size() ? " ..." : "";
        html += "<tr>" + Cell(key.client.ToString()) + Whole(DeviceName(key.device)) +
                Cell(FunctionText(key.function)) + Cell(RangeText(key.reference, key.count)) +
                Number(stats.writes) + Number(stats.refused) + Whole(Iso8601Utc(stats.firstTime)) +
                Number(stats.firstFrame) + Whole(Iso8601Utc(stats.lastTime)) + Cell(values) +
                "</tr>\r\n";
    }
    return html + "</tbody></table>\r\n<details" + (ranges.Writes() <= kOpenRows ? " open" : "") +
           "><summary>Each write (" + std::to_string(ranges.Writes()) + ")</summary>\r\n" +
           detailTable + "</details></section>\r\n";
}
