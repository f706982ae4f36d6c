#include "views/html_run_notes.h"

#include "views/html_text.h"

namespace {

// Names listed; a map of thousands of spare entries is counted past them.
constexpr size_t kNamesListed = 1000;

std::string Item(const std::string& text) {
    return "<li>" + HtmlEscape(text) + "</li>\r\n";
}

}  // namespace

std::string WarningsSection(const RunWarnings& warnings) {
    if (warnings.kept.empty()) {
        return std::string();
    }
    std::string html = "<section id=\"warnings\"><h2>Warnings</h2><ul class=\"warnings\">\r\n";
    for (const std::string& warning : warnings.kept) {
        html += Item(warning);
    }
    html += "</ul>\r\n";
    if (warnings.notKept > 0) {
        html += "<p class=\"note\">" + std::to_string(warnings.notKept) +
                " more warnings are in log.txt.</p>\r\n";
    }
    return html + "</section>\r\n";
}

std::string UnmatchedEntriesSection(const ValueMapper* mapper) {
    if (mapper == nullptr) {
        return std::string();
    }
    const std::vector<const MapEntry*> unmatched = mapper->UnmatchedEntries();
    if (unmatched.empty()) {
        return std::string();
    }
    std::string html =
        "<section id=\"unmatched-entries\"><h2>Map entries that matched no "
        "transaction</h2>\r\n<p>" +
        std::to_string(unmatched.size()) + (unmatched.size() == 1 ? " entry" : " entries") +
        " of the map gave no value: no transaction read or wrote all their "
        "registers.</p>\r\n<ul class=\"unmatched\">\r\n";
    for (size_t i = 0; i < unmatched.size() && i < kNamesListed; ++i) {
        html += Item(unmatched[i]->name);
    }
    html += "</ul>\r\n";
    if (unmatched.size() > kNamesListed) {
        html += "<p class=\"note\">The first " + std::to_string(kNamesListed) +
                " are listed; the summary (--summary) names them all.</p>\r\n";
    }
    return html + "</section>\r\n";
}
