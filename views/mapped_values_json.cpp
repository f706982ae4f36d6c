#include "views/mapped_values_json.h"

#include <cmath>

#include "views/json_writer.h"

namespace {}  // namespace

int32_t EntryReference(const MapEntry& entry) {
    return ReferenceBase(entry.table) + entry.address;
}

nlohmann::ordered_json MappedValuesJson(const std::vector<MappedValue>& values) {
    using Json = nlohmann::ordered_json;
    Json list = Json::array();
    for (const MappedValue& mapped : values) {
        const TypedValue& value = mapped.value;
        const MapEntry& entry = *value.entry;
        Json item = Json::object();
        item["name"] = entry.name;
        item["reference"] = EntryReference(entry);
        item["type"] = MapDataTypeName(entry.type);
        const bool finite = value.number && std::isfinite(*value.number);
        item["value"] = finite ? Json(*value.number) : Json(nullptr);
        item["text"] = value.isText ? Json(value.text) : Json(nullptr);
        item["unit"] = entry.unitOfMeasurement;
        item["access"] = mapped.access == PointAccess::Write ? "write" : "read";
        list.push_back(std::move(item));
    }
    return list;
}

const MappedValuesText::Parts& MappedValuesText::PartsOf(const MapEntry& entry) {
    auto found = parts_.find(&entry);
    if (found != parts_.end()) {
        return found->second;
    }
    using Json = nlohmann::ordered_json;
    const auto quoted = [](const std::string& field) {
        return Json(field).dump(-1, ' ', false, Json::error_handler_t::replace);
    };
    Parts parts;
    parts.head = "{\"name\":" + quoted(entry.name) +
                 ",\"reference\":" + std::to_string(EntryReference(entry)) + ",\"type\":\"" +
                 MapDataTypeName(entry.type) + "\",\"value\":";
    parts.unit = ",\"unit\":" + quoted(entry.unitOfMeasurement);
    return parts_.emplace(&entry, std::move(parts)).first->second;
}

void MappedValuesText::Append(std::string& text, const std::vector<MappedValue>& values) {
    text += '[';
    for (const MappedValue& mapped : values) {
        const TypedValue& value = mapped.value;
        const Parts& parts = PartsOf(*value.entry);
        if (&mapped != &values.front()) {
            text += ',';
        }
        text += parts.head;
        JsonWriter json(text);
        if (value.number) {
            json.Number(*value.number);  // null when not finite
        } else {
            json.Null();
        }
        json.Key("text");
        if (value.isText) {
            json.String(value.text);
        } else {
            json.Null();
        }
        text += parts.unit;
        text += mapped.access == PointAccess::Write ? ",\"access\":\"write\"}"
                                                    : ",\"access\":\"read\"}";
    }
    text += ']';
}
