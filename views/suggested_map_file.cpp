#include "views/suggested_map_file.h"

#include <cctype>
#include <cmath>
#include <cstdio>

namespace {

constexpr const char* kHeader =
    "# Register map drafted by zep-modbus-parser from the traffic it saw: every register, coil\r\n"
    "# and discrete input read or written; registers as uint16 unless two read together were\r\n"
    "# judged to hold one 32-bit value (with the confidence of that guess).\r\n";

// In PointTable order.
const char* const kInputTypes[kPointTableCount] = {"coil", "discrete_input", "input", "holding"};
// In ByteOrder order.
const char* const kSwaps[] = {"none", "word", "byte", "word_byte"};
// Plain scalars YAML 1.1 or 1.2 would read as something else than text.
const char* const kReservedWords[] = {"true", "false", "yes", "no", "on", "off", "y", "n", "null"};

bool IsReserved(const std::string& text) {
    std::string lower;
    for (char c : text) {
        lower.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    }
    for (const char* word : kReservedWords) {
        if (lower == word) {
            return true;
        }
    }
    return false;
}

bool IsPlain(const std::string& text) {
    if (text.empty() || !(std::isalpha(static_cast<unsigned char>(text[0])) || text[0] == '_')) {
        return false;
    }
    for (char c : text) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '-' && c != '.') {
            return false;
        }
    }
    return !IsReserved(text);
}

// "0.87": two decimals, whatever the locale.
std::string Hundredths(double value) {
    const long hundredths = std::lround(value * 100);
    std::string digits = std::to_string(hundredths % 100);
    return std::to_string(hundredths / 100) + (digits.size() < 2 ? ".0" : ".") + digits;
}

std::string EntryYaml(const SuggestedEntry& suggested) {
    const MapEntry& entry = suggested.entry;
    std::string text = "- name: " + YamlScalar(entry.name) + "\r\n";
    text += "  host: " + YamlScalar(entry.host) + "\r\n";
    if (entry.unit) {
        text += "  slave: " + std::to_string(*entry.unit) + "\r\n";
    }
    text += std::string("  input_type: ") + kInputTypes[static_cast<int>(entry.table)] + "\r\n";
    text += "  address: " + std::to_string(entry.address) + "\r\n";
    if (entry.type != MapDataType::Bit) {
        text += std::string("  data_type: ") + MapDataTypeName(entry.type);
        if (suggested.confidence) {
            text += "  # confidence " + Hundredths(*suggested.confidence);
        }
        text += "\r\n";
    }
    if (entry.order != ByteOrder::ABCD) {
        text += std::string("  swap: ") + kSwaps[static_cast<int>(entry.order)] + "\r\n";
    }
    return text;
}

}  // namespace

std::string YamlScalar(const std::string& text) {
    if (IsPlain(text)) {
        return text;
    }
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned char>(c));
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

bool SuggestedMapFile::Take(const Transaction& transaction, const Derivation& derived) {
    suggester_.Take(transaction, derived.PlantPoints());
    return true;
}

bool SuggestedMapFile::Refresh(const PlantResult&, bool requested) {
    if (!document_.Replaceable() || !schedule_.Due(requested)) {
        return true;
    }
    return Store();
}

bool SuggestedMapFile::Close(const PlantResult&) {
    return Store();
}

bool SuggestedMapFile::Store() {
    const std::vector<SuggestedEntry> entries = suggester_.Suggest();
    // The bounds of a run of days, told only when reached.
    std::string header = kHeader;
    if (suggester_.ReadingsNotDrafted() > 0) {
        header += "# " + std::to_string(suggester_.ReadingsNotDrafted()) +
                  " readings of points past " + std::to_string(MapSuggester::kAddressesDrafted) +
                  " in their table were not drafted.\r\n";
    }
    if (suggester_.PairReadingsNotSampled() > 0) {
        header += "# " + std::to_string(suggester_.PairReadingsNotSampled()) +
                  " readings of register pairs past " +
                  std::to_string(MapSuggester::kPairsSampled) +
                  " pairs in their table were not judged (drafted as uint16).\r\n";
    }
    return document_.Write([&entries, &header](BufferedTextFile& file) {
        bool written = file.WriteBytes(header + (entries.empty() ? "[]\r\n" : ""));
        for (const SuggestedEntry& entry : entries) {
            written = written && file.WriteBytes(EntryYaml(entry));
        }
        return written;
    });
}
