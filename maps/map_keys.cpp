#include "maps/map_keys.h"

#include <algorithm>

namespace {

struct IgnoredKey {
    const char* key;
    KeyLevel level;
};

// Polling, display and connection settings of Home Assistant's Modbus integration.
const IgnoredKey kIgnoredKeys[] = {
    {"scan_interval", KeyLevel::Entry},
    {"device_class", KeyLevel::Entry},
    {"state_class", KeyLevel::Entry},
    {"unique_id", KeyLevel::Entry},
    {"slave_count", KeyLevel::Entry},
    {"virtual_count", KeyLevel::Entry},
    {"structure", KeyLevel::Entry},
    {"min_value", KeyLevel::Entry},
    {"max_value", KeyLevel::Entry},
    {"nan_value", KeyLevel::Entry},
    {"zero_suppress", KeyLevel::Entry},
    {"lazy_error_count", KeyLevel::Entry},
    {"name", KeyLevel::Hub},
    {"type", KeyLevel::Hub},
    {"timeout", KeyLevel::Hub},
    {"delay", KeyLevel::Hub},
    {"message_wait_milliseconds", KeyLevel::Hub},
    {"retries", KeyLevel::Hub},
    {"retry_on_empty", KeyLevel::Hub},
    {"close_comm_on_error", KeyLevel::Hub},
    {"baudrate", KeyLevel::Hub},
    {"bytesize", KeyLevel::Hub},
    {"method", KeyLevel::Hub},
    {"parity", KeyLevel::Hub},
    {"stopbits", KeyLevel::Hub},
    {"climates", KeyLevel::Hub},
    {"covers", KeyLevel::Hub},
    {"fans", KeyLevel::Hub},
    {"lights", KeyLevel::Hub},
};

// Levenshtein distance.
size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) {
        row[j] = j;
    }
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

bool IsIgnoredKey(const std::string& key, KeyLevel level) {
    return std::any_of(
        std::begin(kIgnoredKeys), std::end(kIgnoredKeys),
        [&](const IgnoredKey& ignored) { return ignored.level == level && key == ignored.key; });
}

std::string UnknownKeyText(const std::string& key, const std::vector<std::string>& known) {
    std::string text = "unknown key '" + key + "'";
    const std::string* nearest = nullptr;
    size_t best = 0;
    for (const std::string& candidate : known) {
        const size_t distance = EditDistance(key, candidate);
        if (nearest == nullptr || distance < best) {
            nearest = &candidate;
            best = distance;
        }
    }
    // Meant, when at most a third of the key is wrong.
    if (nearest != nullptr && best * 3 <= std::max(key.size(), nearest->size())) {
        text += " (did you mean '" + *nearest + "'?)";
    }
    return text;
}
