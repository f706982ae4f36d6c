#include "maps/yaml_map_reader.h"

#include <yaml-cpp/yaml.h>

#include <cstdlib>

#include "maps/map_keys.h"

namespace {

// The lists of entries a mapping may hold, and what their entries are when they do not say.
struct Section {
    const char* key;
    PointTable table;
    bool switches;  // Home Assistant's switches: write_type names the table
};

const Section kSections[] = {
    {"sensors", PointTable::HoldingRegisters, false},
    {"binary_sensors", PointTable::Coils, false},
    {"switches", PointTable::HoldingRegisters, true},
};

const Section kPlainList = {"", PointTable::HoldingRegisters, false};

// A switch's write_type: the table its state is written to, holding by default as in Home
// Assistant (the plural forms write with functions 15 and 16, to the same table).
struct WriteType {
    const char* name;
    PointTable table;
};

const WriteType kWriteTypes[] = {
    {"holding", PointTable::HoldingRegisters},
    {"holdings", PointTable::HoldingRegisters},
    {"coil", PointTable::Coils},
    {"coils", PointTable::Coils},
};

// What a switch writes to turn on or off, and the register Home Assistant reads back to verify
// it (a mapping of its own), say nothing about what the switch's own point means: passed over.
bool IsSwitchCommandKey(const std::string& key) {
    return key == "command_on" || key == "command_off" || key == "verify";
}

const Section* FindSection(const std::string& key) {
    for (const Section& section : kSections) {
        if (key == section.key) {
            return &section;
        }
    }
    return nullptr;
}

TextPosition PositionOf(const YAML::Node& node, TextPosition otherwise = {}) {
    const YAML::Mark mark = node.Mark();
    return mark.is_null() ? otherwise : TextPosition{mark.line + 1, mark.column + 1};
}

// "ip:port", "[ipv6]:port", or the host alone without a port.
std::string HubHost(const std::string& host, const std::string& port) {
    if (host.empty() || port.empty()) {
        return host;
    }
    return (host.find(':') == std::string::npos ? host : "[" + host + "]") + ":" + port;
}

class YamlMapReader {
public:
    YamlMapReader(std::vector<EntryText>& entries, MapProblem& problem)
        : entries_(entries), problem_(problem) {}

    bool Document(const YAML::Node& root) {
        if (root.IsNull()) {
            return true;  // nothing in it
        }
        if (root.IsSequence()) {
            return Entries(root, kPlainList, std::string());
        }
        if (!root.IsMap()) {
            return Fail(root,
                        "expected a list of entries, or a mapping with sensors, "
                        "binary_sensors, switches or modbus");
        }
        if (root["modbus"]) {
            return Hubs(root["modbus"]);  // Home Assistant's configuration: the rest is not ours
        }
        return Sections(root, std::string(), {"sensors", "binary_sensors", "switches", "modbus"},
                        nullptr);
    }

private:
    bool Fail(const YAML::Node& node, const std::string& text) {
        problem_ = {PositionOf(node), text};
        return false;
    }

    bool Hubs(const YAML::Node& hubs) {
        if (hubs.IsMap()) {
            return Hub(hubs);
        }
        if (!hubs.IsSequence()) {
            return Fail(hubs, "modbus takes a list of hubs");
        }
        for (const YAML::Node& hub : hubs) {
            if (!hub.IsMap()) {
                return Fail(hub,
                            "a hub is a mapping with host, port, sensors, binary_sensors, "
                            "switches");
            }
            if (!Hub(hub)) {
                return false;
            }
        }
        return true;
    }

    // A hub's host and port name the server of its entries.
    bool Hub(const YAML::Node& hub) {
        std::string host;
        std::string port;
        if (!ScalarOf(hub, "host", host) || !ScalarOf(hub, "port", port)) {
            return false;
        }
        const long number = std::strtol(port.c_str(), nullptr, 10);
        if (!port.empty() && (port.find_first_not_of("0123456789") != std::string::npos ||
                              number < 1 || number > 65535)) {
            return Fail(hub["port"], "port takes 1 to 65535, not '" + port + "'");
        }
        return Sections(hub, HubHost(host, port),
                        {"host", "port", "sensors", "binary_sensors", "switches"}, &IsHubKey);
    }

    // The value of `key` in the mapping, empty when it is absent or null.
    bool ScalarOf(const YAML::Node& mapping, const char* key, std::string& value) {
        const YAML::Node node = mapping[key];
        if (node && !node.IsScalar() && !node.IsNull()) {
            return Fail(node, std::string(key) + " takes one value");
        }
        value = node && node.IsScalar() ? node.Scalar() : std::string();
        return true;
    }

    static bool IsHubKey(const std::string& key) {
        return key == "host" || key == "port" || IsIgnoredKey(key, KeyLevel::Hub);
    }

    // The `sensors`, `binary_sensors` and `switches` of a mapping; its other keys are `passed`
    // or refused.
    bool Sections(const YAML::Node& mapping, const std::string& host,
                  const std::vector<std::string>& known, bool (*passed)(const std::string&)) {
        for (const auto& pair : mapping) {
            const std::string key = pair.first.Scalar();
            if (const Section* section = FindSection(key)) {
                if (!Entries(pair.second, *section, host)) {
                    return false;
                }
            } else if (passed == nullptr || !passed(key)) {
                return Fail(pair.first, UnknownKeyText(key, known));
            }
        }
        return true;
    }

    bool Entries(const YAML::Node& list, const Section& section, const std::string& host) {
        if (list.IsNull()) {
            return true;
        }
        if (!list.IsSequence()) {
            return Fail(list, "expected a list of entries");
        }
        for (const YAML::Node& node : list) {
            if (!Entry(node, section, host)) {
                return false;
            }
        }
        return true;
    }

    bool Entry(const YAML::Node& node, const Section& section, const std::string& host) {
        if (!node.IsMap()) {
            return Fail(node, "an entry is a mapping of keys (name, address, ...)");
        }
        EntryText entry;
        entry.at = PositionOf(node);
        entry.defaultTable = section.table;
        entry.defaultHost = host;
        for (const auto& pair : node) {
            FieldText field;
            field.key = pair.first.Scalar();
            field.keyAt = PositionOf(pair.first);
            field.valueAt = PositionOf(pair.second, field.keyAt);
            if (section.switches && IsSwitchCommandKey(field.key)) {
                continue;
            }
            if (!pair.first.IsScalar() || !(pair.second.IsScalar() || pair.second.IsNull())) {
                return Fail(pair.first, "'" + field.key + "' takes one value");
            }
            field.value = pair.second.IsScalar() ? pair.second.Scalar() : std::string();
            if (section.switches && field.key == "write_type") {
                if (!ReadWriteType(pair.second, field.value, entry.defaultTable)) {
                    return false;
                }
                continue;
            }
            entry.fields.push_back(field);
        }
        // A switch's register holds the state Home Assistant compares with its commands.
        if (section.switches) {
            entry.defaultType = MapDataType::Uint16;
        }
        entries_.push_back(entry);
        return true;
    }

    bool ReadWriteType(const YAML::Node& node, const std::string& value, PointTable& table) {
        std::string names;
        for (const WriteType& type : kWriteTypes) {
            if (value == type.name) {
                table = type.table;
                return true;
            }
            names += (names.empty() ? "" : ", ") + std::string(type.name);
        }
        return Fail(node, "unknown write_type '" + value + "' (one of " + names + ")");
    }

    std::vector<EntryText>& entries_;
    MapProblem& problem_;
};

}  // namespace

bool ReadYamlMap(const std::string& text, std::vector<EntryText>& entries, MapProblem& problem) {
    YAML::Node root;
    try {
        root = YAML::Load(text);
    } catch (const YAML::Exception& error) {
        problem = {{error.mark.line + 1, error.mark.column + 1}, "YAML syntax error: " + error.msg};
        return false;
    }
    return YamlMapReader(entries, problem).Document(root);
}
