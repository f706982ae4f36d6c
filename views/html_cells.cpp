#include "views/html_cells.h"

#include "views/html_text.h"
#include "views/log_function_names.h"

std::string Cell(const std::string& text, const char* cssClass) {
    return (cssClass != nullptr ? "<td class=\"" + std::string(cssClass) + "\">" : "<td>") +
           HtmlEscape(text) + "</td>";
}

std::string NumberCell(uint64_t value, const char* column) {
    return std::string("<td class=\"n\"") +
           (column != nullptr ? " data-col=\"" + std::string(column) + "\"" : std::string()) + ">" +
           std::to_string(value) + "</td>";
}

std::string TableHead(std::initializer_list<const char*> names) {
    std::string row = "<thead><tr>";
    for (const char* name : names) {
        row += "<th>" + std::string(name) + "</th>";
    }
    return row + "</tr></thead>\r\n";
}

std::string DeviceName(const DeviceKey& key) {
    return key.server.ToString() + " unit " + std::to_string(key.unit);
}

std::string FunctionText(int function) {
    return std::to_string(function) + " " + LogFunctionName(function);
}
