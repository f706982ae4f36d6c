#include "views/top_table.h"

#include <algorithm>
#include <tuple>

#include "common/text_format.h"

namespace {

// At most this many anomalies, and at most a quarter of the screen's rows.
constexpr size_t kMostAnomalyLines = 10;

// Characters as a terminal shows them: UTF-8 continuation bytes take no column.
size_t Width(const std::string& text) {
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// The text cut after `columns` characters (0: whole), control characters shown as '?': nothing
// a capture or a map carries may move the cursor or wrap the line. That includes the C1 controls
// (U+0080-U+009F) in UTF-8, which some terminals obey (U+009B is CSI).
std::string Fit(std::string text, size_t columns) {
    size_t shown = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if ((c & 0xC0) != 0x80 && columns > 0 && shown++ == columns) {
            text.resize(i);
            break;
        }
        const bool c1 = c == 0xC2 && i + 1 < text.size() &&
                        static_cast<unsigned char>(text[i + 1]) <= 0x9F &&
                        static_cast<unsigned char>(text[i + 1]) >= 0x80;
        if (c1) {
            text.erase(i + 1, 1);
        }
        if (c < 0x20 || c == 0x7F || c1) {
            text[i] = '?';
        }
    }
    return text;
}

std::string Count(uint64_t n) {
    return std::to_string(n);
}

std::string Milliseconds(const std::optional<double>& ms) {
    return ms ? Format("%.1f", *ms) : std::string("-");
}

struct Column {
    const char* header;
    bool alignLeft;
    std::string (*cell)(const TopDeviceRow&);
};

// Unanswered requests, exceptions, anomalies and slow responses stand in the order the devices
// are sorted by.
const Column kColumns[] = {
    {"DEVICE", true, [](const TopDeviceRow& d) { return d.device; }},
    {"UNIT", false, [](const TopDeviceRow& d) { return std::to_string(d.unit); }},
    {"REQ/S", false, [](const TopDeviceRow& d) { return Format("%.1f", d.requestsPerSecond); }},
    {"REQUESTS", false, [](const TopDeviceRow& d) { return Count(d.requests); }},
    {"UNANS", false, [](const TopDeviceRow& d) { return Count(d.unanswered); }},
    {"EXC", false, [](const TopDeviceRow& d) { return Count(d.exceptions); }},
    {"ANOM", false, [](const TopDeviceRow& d) { return Count(d.anomalies); }},
    {"SLOW", false, [](const TopDeviceRow& d) { return Count(d.slowResponses); }},
    {"P50 ms", false, [](const TopDeviceRow& d) { return Milliseconds(d.p50Ms); }},
    {"P99 ms", false, [](const TopDeviceRow& d) { return Milliseconds(d.p99Ms); }},
    {"LAST WRITE", true, [](const TopDeviceRow& d) { return d.lastWrite; }},
};
constexpr size_t kColumnCount = sizeof(kColumns) / sizeof(kColumns[0]);

using Cells = std::vector<std::string>;

// The rows of cells, the header first, each column as wide as its widest cell.
std::vector<std::string> Aligned(const std::vector<Cells>& rows) {
    std::vector<size_t> widths(kColumnCount, 0);
    for (const Cells& cells : rows) {
        for (size_t c = 0; c < kColumnCount; ++c) {
            widths[c] = std::max(widths[c], Width(cells[c]));
        }
    }
    std::vector<std::string> lines;
    for (const Cells& cells : rows) {
        std::string line;
        for (size_t c = 0; c < kColumnCount; ++c) {
            const std::string padding(widths[c] - Width(cells[c]), ' ');
            const bool last = c + 1 == kColumnCount;
            line += c == 0 ? "" : "  ";
            line += kColumns[c].alignLeft ? cells[c] + (last ? "" : padding) : padding + cells[c];
        }
        lines.push_back(line);
    }
    return lines;
}

// "... 150 more devices, all answering", or what those not shown need.
std::string RestLine(std::vector<TopDeviceRow>::const_iterator first,
                     std::vector<TopDeviceRow>::const_iterator last) {
    const auto with = [&](uint64_t TopDeviceRow::*field) {
        return std::count_if(first, last, [field](const TopDeviceRow& d) { return d.*field > 0; });
    };
    const std::pair<long, const char*> parts[] = {
        {static_cast<long>(with(&TopDeviceRow::unanswered)), "unanswered requests"},
        {static_cast<long>(with(&TopDeviceRow::exceptions)), "exceptions"},
        {static_cast<long>(with(&TopDeviceRow::anomalies)), "anomalies"},
        {static_cast<long>(with(&TopDeviceRow::slowResponses)), "slow responses"},
    };
    const long rest = static_cast<long>(last - first);
    std::string line = Format("... %ld more device%s", rest, rest == 1 ? "" : "s");
    std::string needs;
    for (const auto& [count, what] : parts) {
        if (count > 0) {
            AppendFormat(needs, "%s%ld with %s", needs.empty() ? "" : ", ", count, what);
        }
    }
    return line + (needs.empty() ? ", all answering" : ": " + needs);
}

}  // namespace

bool NeedsAttentionBefore(const TopDeviceRow& a, const TopDeviceRow& b) {
    const auto attention = [](const TopDeviceRow& d) {
        return std::tie(d.unanswered, d.exceptions, d.anomalies, d.slowResponses,
                        d.requestsPerSecond, d.requests);
    };
    if (attention(a) != attention(b)) {
        return attention(a) > attention(b);
    }
    return std::tie(a.device, a.unit) < std::tie(b.device, b.unit);
}

std::vector<std::string> TopTableLines(TopFrame frame, ScreenSize size) {
    std::vector<TopDeviceRow>& devices = frame.devices;
    std::sort(devices.begin(), devices.end(), NeedsAttentionBefore);

    const bool limited = size.rows > 0;
    const size_t rows = limited ? static_cast<size_t>(size.rows) : SIZE_MAX;
    const size_t belowTitles = rows > 2 ? rows - 2 : 0;
    const size_t anomalyLines = std::min({frame.newestAnomalies.size(), kMostAnomalyLines,
                                          limited ? belowTitles / 4 : kMostAnomalyLines});
    const size_t deviceRows = belowTitles - (anomalyLines > 0 ? anomalyLines + 2 : 0);
    const size_t shown =
        devices.size() <= deviceRows ? devices.size() : (deviceRows > 0 ? deviceRows - 1 : 0);

    std::vector<Cells> cells;
    cells.emplace_back();
    for (const Column& column : kColumns) {
        cells.back().push_back(column.header);
    }
    for (size_t i = 0; i < shown; ++i) {
        cells.emplace_back();
        for (const Column& column : kColumns) {
            cells.back().push_back(column.cell(devices[i]));
        }
    }
    std::vector<std::string> lines = {frame.title};
    for (std::string& line : Aligned(cells)) {
        lines.push_back(std::move(line));
    }
    if (devices.empty() && deviceRows > 0) {
        lines.push_back("(no Modbus device seen yet)");
    } else if (shown < devices.size() && deviceRows > 0) {
        lines.push_back(RestLine(devices.begin() + static_cast<long>(shown), devices.end()));
    }
    if (anomalyLines > 0) {
        lines.push_back(std::string());
        lines.push_back(Format("NEWEST ANOMALIES (%llu in all)",
                               static_cast<unsigned long long>(frame.anomaliesInAll)));
        lines.insert(lines.end(), frame.newestAnomalies.begin(),
                     frame.newestAnomalies.begin() + static_cast<long>(anomalyLines));
    }
    lines.resize(std::min(lines.size(), rows));
    for (std::string& line : lines) {
        line = Fit(line, static_cast<size_t>(std::max(size.columns, 0)));
    }
    return lines;
}
