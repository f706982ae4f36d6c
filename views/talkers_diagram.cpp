#include "views/talkers_diagram.h"

#include <algorithm>
#include <map>
#include <set>
#include <vector>

#include "views/html_text.h"

namespace {

constexpr int kRowHeight = 24;
constexpr int kNodeHeight = 18;
constexpr int kTop = 24;            // below the column headings
constexpr int kGap = 60;            // between columns, where the links run
constexpr double kCharWidth = 7.5;  // of the 12 px monospace text, rounded up

struct Column {
    const char* kind;
    const char* heading;
    std::vector<std::string> names;       // drawn, top to bottom
    std::set<std::string> scanning = {};  // clients that raised an address_scan anomaly
    int x = 0;
    int width = 0;
};

// Keeps the first kNodesPerColumn names, counting the rest.
void Add(Column& column, const std::string& name, size_t& leftOut) {
    if (column.names.size() < kNodesPerColumn) {
        column.names.push_back(name);
    } else {
        ++leftOut;
    }
}

}  // namespace

std::string TalkersDiagram(const PlantModel& model, TalkersLeftOut& leftOut) {
    const auto unitName = [](const DeviceKey& key) {
        return key.server.ToString() + " unit " + std::to_string(key.unit);
    };
    // Nodes in address order (units by number), links in the order of their ends.
    Column columns[] = {
        {"client", "Clients", {}}, {"server", "Servers", {}}, {"unit", "Units", {}}};
    std::vector<std::pair<std::string, std::string>> links;
    std::set<std::pair<std::string, std::string>> linked;
    for (const auto& client : model.Clients()) {
        Add(columns[0], client.first.ToString(), leftOut.clients);
        if (client.second.devicesScanned > 0) {
            columns[0].scanning.insert(client.first.ToString());
        }
        for (const DeviceKey& device : client.second.devices) {
            if (linked.insert({client.first.ToString(), device.server.ToString()}).second) {
                links.push_back({client.first.ToString(), device.server.ToString()});
            }
        }
    }
    std::set<Endpoint> servers;
    for (const auto& device : model.Devices()) {
        if (servers.insert(device.first.server).second) {
            Add(columns[1], device.first.server.ToString(), leftOut.servers);
        }
        Add(columns[2], unitName(device.first), leftOut.units);
        links.push_back({device.first.server.ToString(), unitName(device.first)});
    }
    // Each node's row and column, to join the links.
    std::map<std::string, std::pair<int, size_t>> where;
    int x = 0;
    size_t rows = 0;
    for (int c = 0; c < 3; ++c) {
        Column& column = columns[c];
        size_t longest = 8;
        for (size_t row = 0; row < column.names.size(); ++row) {
            longest = std::max(longest, column.names[row].size());
            where[column.names[row]] = {c, row};
        }
        column.x = x;
        column.width = static_cast<int>(static_cast<double>(longest) * kCharWidth) + 12;
        x += column.width + kGap;
        rows = std::max(rows, column.names.size());
    }
    const int width = x - kGap;
    const int height = kTop + static_cast<int>(rows) * kRowHeight;
    const auto middle = [](size_t row) { return kTop + static_cast<int>(row) * kRowHeight + 9; };
    std::string svg = "<svg class=\"talkers\" id=\"talkers\" viewBox=\"0 0 " +
                      std::to_string(width) + " " + std::to_string(height) + "\" width=\"" +
                      std::to_string(width) + "\" height=\"" + std::to_string(height) +
                      "\" font-family=\"monospace\" font-size=\"12\"><title>Who talks to "
                      "whom</title>\r\n";
    for (const auto& link : links) {
        const auto from = where.find(link.first);
        const auto to = where.find(link.second);
        if (from == where.end() || to == where.end()) {
            continue;  // an end not drawn
        }
        const Column& left = columns[from->second.first];
        svg += "<g class=\"edge\" data-from=\"" + HtmlEscape(link.first) + "\" data-to=\"" +
               HtmlEscape(link.second) + "\"><line x1=\"" + std::to_string(left.x + left.width) +
               "\" y1=\"" + std::to_string(middle(from->second.second)) + "\" x2=\"" +
               std::to_string(columns[to->second.first].x) + "\" y2=\"" +
               std::to_string(middle(to->second.second)) + "\" stroke=\"#8899aa\"/></g>\r\n";
    }
    for (const Column& column : columns) {
        svg += "<text class=\"heading\" x=\"" + std::to_string(column.x) + "\" y=\"14\">" +
               column.heading + "</text>\r\n";
        for (size_t row = 0; row < column.names.size(); ++row) {
            const std::string name = HtmlEscape(column.names[row]);
            const int top = kTop + static_cast<int>(row) * kRowHeight;
            // A scanning client stands out in red, and says why when pointed at.
            const bool scanning = column.scanning.count(column.names[row]) > 0;
            svg += "<g class=\"node" + std::string(scanning ? " scanning" : "") +
                   "\" data-kind=\"" + std::string(column.kind) + "\" data-name=\"" + name + "\">" +
                   (scanning ? "<title>" + name + ": address scan</title>" : std::string()) +
                   "<rect x=\"" + std::to_string(column.x) + "\" y=\"" + std::to_string(top) +
                   "\" width=\"" + std::to_string(column.width) + "\" height=\"" +
                   std::to_string(kNodeHeight) + "\" rx=\"3\" fill=\"" +
                   (scanning ? "#fbe3e3\" stroke=\"#b03030" : "#eef2f7\" stroke=\"#556677") +
                   "\"/><text x=\"" + std::to_string(column.x + 6) + "\" y=\"" +
                   std::to_string(top + 13) + "\">" + name + "</text></g>\r\n";
        }
    }
    return svg + "</svg>";
}
