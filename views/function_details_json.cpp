#include "views/function_details_json.h"

namespace {

void WriteWords(JsonWriter& json, const std::vector<uint16_t>& words) {
    json.BeginArray();
    for (const uint16_t word : words) {
        json.Number(word);
    }
    json.EndArray();
}

void WriteContent(JsonWriter& json, const DeviceIdRequest& request) {
    json.Key("mei_type").Number(kReadDeviceIdMeiType);
    json.Key("read_device_id_code").NumberOrNull(request.readDeviceIdCode);
    json.Key("object_id").NumberOrNull(request.objectId);
}

void WriteContent(JsonWriter& json, const DeviceIdResponse& response) {
    json.Key("mei_type").Number(kReadDeviceIdMeiType);
    json.Key("read_device_id_code").NumberOrNull(response.readDeviceIdCode);
    json.Key("conformity_level").NumberOrNull(response.conformityLevel);
    json.Key("more_follows").BoolOrNull(response.moreFollows);
    json.Key("next_object_id").NumberOrNull(response.nextObjectId);
    json.Key("number_of_objects").NumberOrNull(response.numberOfObjects);
    json.Key("objects").BeginArray();
    for (const DeviceIdObject& object : response.objects) {
        json.BeginObject();
        json.Key("id").Number(object.id);
        json.Key("name").TextOrNull(object.name);
        json.Key("value").String(object.value);  // bytes that are no UTF-8 are replaced
        json.EndObject();
    }
    json.EndArray();
}

void WriteContent(JsonWriter& json, const Diagnostics& diagnostics) {
    json.Key("sub_function").NumberOrNull(diagnostics.subFunction);
    json.Key("sub_function_name").TextOrNull(diagnostics.subFunctionName);
    WriteWords(json.Key("data"), diagnostics.data);
}

void WriteContent(JsonWriter& json, const FileRecords& records) {
    json.Key("byte_count").NumberOrNull(records.byteCount);
    json.Key("sub_requests").BeginArray();
    for (const FileSubRequest& sub : records.subRequests) {
        json.BeginObject();
        json.Key("reference_type").Number(sub.referenceType);
        json.Key("file").NumberOrNull(sub.file);
        json.Key("record").NumberOrNull(sub.record);
        json.Key("length").NumberOrNull(sub.length);
        json.Key("response_length").NumberOrNull(sub.responseLength);
        WriteWords(json.Key("data"), sub.data);
        json.EndObject();
    }
    json.EndArray();
}

void WriteContent(JsonWriter& json, const FifoRequest& request) {
    json.Key("fifo_pointer_address").NumberOrNull(request.pointerAddress);
}

void WriteContent(JsonWriter& json, const FifoResponse& response) {
    json.Key("byte_count").NumberOrNull(response.byteCount);
    json.Key("fifo_count").NumberOrNull(response.fifoCount);
    WriteWords(json.Key("values"), response.values);
}

void WriteDetails(JsonWriter& json, const std::optional<FunctionDetails>& details) {
    if (!details) {
        json.Null();
        return;
    }
    json.BeginObject();
    std::visit([&json](const auto& content) { WriteContent(json, content); }, details->content);
    json.Key("malformed").Bool(details->malformed);
    json.EndObject();
}

}  // namespace

void WriteFunctionDetails(JsonWriter& json, const Transaction& transaction) {
    if (!transaction.requestDetails && !transaction.responseDetails) {
        json.Null();
        return;
    }
    json.BeginObject();
    WriteDetails(json.Key("request"), transaction.requestDetails);
    WriteDetails(json.Key("response"), transaction.responseDetails);
    json.EndObject();
}
