#include "maps/yaml_map_reader.h"

#include <yaml-cpp/yaml.h>

#include <cstdlib>

#include "maps/map_keys.h"

namespace {

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
            return Entries(root, PointTable::HoldingRegisters, std::string());
        }
        if (!root.IsMap()) {
            return Fail(root,
                        "expected a list of entries, or a mapping with sensors, "
                        "binary_sensors or modbus");
        }
        if (root["modbus"]) {
            return Hubs(root["modbus"]);  // Home Assistant's configuration: the rest is not ours
        }
        return Sections(root, std::string(), {"sensors", "binary_sensors", "modbus"}, nullptr);
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
                return Fail(hub, "a hub is a mapping with host, port, sensors, binary_sensors");
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
        return Sections(hub, HubHost(host, port), {"host", "port", "sensors", "binary_sensors"},
                        &IsHubKey);
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

    // The `sensors` and `binary_sensors` of a mapping; its other keys are `passed` or refused.
    bool Sections(const YAML::Node& mapping, const std::string& host,
                  const std::vector<std::string>& known, bool (*passed)(const std::string&)) {
        for (const auto& pair : mapping) {
            const std::string key = pair.first.Scalar();
            if (key == "sensors" || key == "binary_sensors") {
                const PointTable table =
                    key == "sensors" ? PointTable::HoldingRegisters : PointTable::Coils;
                if (!Entries(pair.second, table, host)) {
                    return false;
                }
            } else if (passed == nullptr || !passed(key)) {
                return Fail(pair.first, UnknownKeyText(key, known));
            }
        }
        return true;
    }

    bool Entries(const YAML::Node& list, PointTable table, const std::string& host) {
        if (list.IsNull()) {
            return true;
        }
        if (!list.IsSequence()) {
            return Fail(list, "expected a list of entries");
        }
        for (const YAML::Node& node : list) {
            if (!Entry(node, table, host)) {
                return false;
            }
        }
        return true;
    }

    bool Entry(const YAML::Node& node, PointTable table, const std::string& host) {
        if (!node.IsMap()) {
            return Fail(node, "an entry is a mapping of keys (name, address, ...)");
        }
        EntryText entry;
        entry.at = PositionOf(node);
        entry.defaultTable = table;
        entry.defaultHost = host;
        for (const auto& pair : node) {
            FieldText field;
            field.key = pair.first.Scalar();
            field.keyAt = PositionOf(pair.first);
            field.valueAt = PositionOf(pair.second, field.keyAt);
            if (!pair.first.IsScalar() || !(pair.second.IsScalar() || pair.second.IsNull())) {
                return Fail(pair.first, "'" + field.key + "' takes one value");
            }
            field.value = pair.second.IsScalar() ? pair.second.Scalar() : std::string();
            entry.fields.push_back(field);
        }
        entries_.push_back(entry);
        return true;
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
