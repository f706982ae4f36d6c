#include "views/function_details_json.h"

namespace {

using Json = nlohmann::ordered_json;

template <typename T>
Json OrNull(const std::optional<T>& value) {
    return value ? Json(*value) : Json(nullptr);
}

Json TextOrNull(const char* text) {
    return text != nullptr ? Json(text) : Json(nullptr);
}

Json Words(const std::vector<uint16_t>& words) {
    Json array = Json::array();
    for (const uint16_t word : words) {
        array.push_back(word);
    }
    return array;
}

Json ContentJson(const DeviceIdRequest& request) {
    Json json = Json::object();
    json["mei_type"] = kReadDeviceIdMeiType;
    json["read_device_id_code"] = OrNull(request.readDeviceIdCode);
    json["object_id"] = OrNull(request.objectId);
    return json;
}

Json ContentJson(const DeviceIdResponse& response) {
    Json json = Json::object();
    json["mei_type"] = kReadDeviceIdMeiType;
    json["read_device_id_code"] = OrNull(response.readDeviceIdCode);
    json["conformity_level"] = OrNull(response.conformityLevel);
    json["more_follows"] = OrNull(response.moreFollows);
    json["next_object_id"] = OrNull(response.nextObjectId);
    json["number_of_objects"] = OrNull(response.numberOfObjects);
    Json objects = Json::array();
    for (const DeviceIdObject& object : response.objects) {
        Json item = Json::object();
        item["id"] = object.id;
        item["name"] = TextOrNull(object.name);
        item["value"] = object.value;  // bytes that are no UTF-8 are replaced when the line is made
        objects.push_back(std::move(item));
    }
    json["objects"] = std::move(objects);
    return json;
}

Json ContentJson(const Diagnostics& diagnostics) {
    Json json = Json::object();
    json["sub_function"] = OrNull(diagnostics.subFunction);
    json["sub_function_name"] = TextOrNull(diagnostics.subFunctionName);
    json["data"] = Words(diagnostics.data);
    return json;
}

Json ContentJson(const FileRecords& records) {
    Json json = Json::object();
    json["byte_count"] = OrNull(records.byteCount);
    Json subRequests = Json::array();
    for (const FileSubRequest& sub : records.subRequests) {
        Json item = Json::object();
        item["reference_type"] = sub.referenceType;
        item["file"] = OrNull(sub.file);
        item["record"] = OrNull(sub.record);
        item["length"] = OrNull(sub.length);
        item["response_length"] = OrNull(sub.responseLength);
        item["data"] = Words(sub.data);
        subRequests.push_back(std::move(item));
    }
    json["sub_requests"] = std::move(subRequests);
    return json;
}

Json ContentJson(const FifoRequest& request) {
    Json json = Json::object();
    json["fifo_pointer_address"] = OrNull(request.pointerAddress);
    return json;
}

Json ContentJson(const FifoResponse& response) {
    Json json = Json::object();
    json["byte_count"] = OrNull(response.byteCount);
    json["fifo_count"] = OrNull(response.fifoCount);
    json["values"] = Words(response.values);
    return json;
}

Json DetailsJson(const std::optional<FunctionDetails>& details) {
    if (!details) {
        return nullptr;
    }
    Json json =
        std::visit([](const auto& content) { return ContentJson(content); }, details->content);
    json["malformed"] = details->malformed;
    return json;
}

}  // namespace

nlohmann::ordered_json FunctionDetailsJson(const Transaction& transaction) {
    if (!transaction.requestDetails && !transaction.responseDetails) {
        return nullptr;
    }
    Json json = Json::object();
    json["request"] = DetailsJson(transaction.requestDetails);
    json["response"] = DetailsJson(transaction.responseDetails);
    return json;
}
