#include "views/mapped_values_json.h"

#include <cmath>

#include "modbus/function_catalogue.h"

namespace {

// A function that reads each table, for its reference base.
const int kReadFunctionOf[kPointTableCount] = {1, 2, 4, 3};

}  // namespace

int32_t EntryReference(const MapEntry& entry) {
    return GetReferenceNumber(entry.address, kReadFunctionOf[static_cast<int>(entry.table)]);
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

void AppendMappedValuesText(std::string& text, const std::vector<MappedValue>& values) {
    using Json = nlohmann::ordered_json;
    const auto quoted = [](const std::string& field) {
        return Json(field).dump(-1, ' ', false, Json::error_handler_t::replace);
    };
    text += '[';
    for (const MappedValue& mapped : values) {
        const TypedValue& value = mapped.value;
        const MapEntry& entry = *value.entry;
        if (&mapped != &values.front()) {
            text += ',';
        }
        const bool finite = value.number && std::isfinite(*value.number);
        text += "{\"name\":" + quoted(entry.name);
        text += ",\"reference\":" + std::to_string(EntryReference(entry));
        text += ",\"type\":\"" + std::string(MapDataTypeName(entry.type)) + '"';
        text += ",\"value\":" + (finite ? Json(*value.number).dump() : std::string("null"));
        text += ",\"text\":" + (value.isText ? quoted(value.text) : std::string("null"));
        text += ",\"unit\":" + quoted(entry.unitOfMeasurement);
        text += mapped.access == PointAccess::Write ? ",\"access\":\"write\"}"
                                                    : ",\"access\":\"read\"}";
    }
    text += ']';
}
