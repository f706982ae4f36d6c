#include "views/transaction_log.h"

#include <nlohmann/json.hpp>

#include "modbus/exception_catalogue.h"
#include "modbus/function_table.h"
#include "modbus/rtu_frame.h"
#include "plant/point_values.h"
#include "session/mbap.h"
#include "session/response_time.h"
#include "views/function_details_json.h"
#include "views/iso8601_time.h"
#include "views/log_function_names.h"
#include "views/mapped_values_json.h"
#include "views/unanswered_text.h"

namespace {

using Json = nlohmann::ordered_json;

// The MEI type of a request of function 43: the byte after the function code; -1 without one.
int RequestMeiType(const Transaction& transaction) {
    if (!transaction.request) {
        return -1;
    }
    const ByteView pdu = transaction.request->Pdu();
    return pdu.size() >= 2 ? pdu.At(1) : -1;
}

Json TextOrNull(const char* text) {
    return text != nullptr ? Json(text) : Json(nullptr);
}

// The message as the RTU frame the report shows: unit, PDU, CRC; "%02X" per byte, one blank
// between bytes.
std::string RtuFrameText(const CModbusMessage& message) {
    std::string text = FrameTextOf(ByteView(message.frame));
    if (!text.empty()) {
        text.pop_back();  // the report's frame text has a blank after the last byte too
    }
    return text;
}

Json MessageJson(const std::optional<CModbusMessage>& adu) {
    if (!adu) {
        return nullptr;
    }
    Json message = Json::object();
    message["capture"] = adu->capture;
    message["capture_frame"] = adu->captureRecord;
    message["time"] = Iso8601Utc(adu->time);
    message["frame"] = RtuFrameText(*adu);
    return message;
}

Json ResponseTimeJson(const Transaction& transaction) {
    const std::optional<double> ms = ResponseTimeMs(transaction);
    return ms ? Json(*ms) : Json(nullptr);
}

Json ExceptionJson(const std::optional<CModbusMessage>& response) {
    if (!response || !response->IsException()) {
        return nullptr;
    }
    // Read from the message: the analyser decodes no fields of a frame it rejects.
    const int code = response->ExceptionCode();
    Json exception = Json::object();
    exception["code"] = code >= 0 ? Json(code) : Json(nullptr);
    exception["name"] = GetExceptionName(code);
    return exception;
}

// ---- Points

void AddPoint(Json& points, const char* key, int32_t reference, int32_t value) {
    Json point = Json::object();
    point[key] = reference;
    point["value"] = value;
    points.push_back(std::move(point));
}

// The listed points; padding coils and points past the last address are left out, points of a
// response without its request carry their 1-based index instead of a reference.
void AddListedPoints(Json& points, const FrameFields& fields) {
    const char* key = fields.addressesKnown ? "reference" : "index";
    for (const FramePoint& point : fields.points) {
        if (!point.padding && !point.pastLastAddress) {
            AddPoint(points, key, point.reference, point.value);
        }
    }
}

// The single write of functions 5 and 6.
bool AddSingleWrite(Json& points, const FrameFields& fields) {
    if (fields.layout == FrameLayout::SingleCoil) {
        AddPoint(points, "reference", fields.reference, CoilState(fields.value));
        return true;
    }
    if (fields.layout == FrameLayout::SingleRegister) {
        AddPoint(points, "reference", fields.reference, fields.value);
        return true;
    }
    return false;
}

void AddRequestPoints(Json& points, const FrameFields& request) {
    if (!AddSingleWrite(points, request) && request.layout != FrameLayout::ReadRequest) {
        AddListedPoints(points, request);  // 15, 16 and the write part of 23
    }
}

// Read values; the echo of a single write only when the request was not analysed.
void AddResponsePoints(Json& points, const FrameFields& response, bool requestAnalysed) {
    if (response.layout == FrameLayout::StatusBits || response.layout == FrameLayout::Registers) {
        AddListedPoints(points, response);
    } else if (!requestAnalysed) {
        AddSingleWrite(points, response);
    }
}

Json PointsJson(const Transaction& t) {
    Json points = Json::array();
    const bool requestAnalysed = t.requestFrame && t.requestFrame->poll.has_value();
    if (requestAnalysed) {
        AddRequestPoints(points, *t.requestFrame->poll);
    }
    if (t.responseFrame && t.responseFrame->response) {
        AddResponsePoints(points, *t.responseFrame->response, requestAnalysed);
    }
    return points;
}

// ---- Findings

bool IsError(FindingCode code) {
    return code == FindingCode::TooFewBytes || code == FindingCode::TooFewBytesShortPoll ||
           code == FindingCode::BadChecksum;
}

// The numbered findings of one message; the exception note is the "exception" field instead.
void AddFindings(Json& findings, const char* message, const std::optional<DecodedFrame>& report) {
    if (!report) {
        return;
    }
    for (const Finding& finding : report->validation.findings) {
        const int number = FindingNumber(finding.code);
        if (number == 0) {
            continue;
        }
        Json item = Json::object();
        item["message"] = message;
        item["kind"] = IsError(finding.code) ? "error" : "warning";
        item["number"] = number;
        findings.push_back(std::move(item));
    }
}

// What the framing and the pairing found: a finding with a name instead of a number.
void AddNamedFinding(Json& findings, const char* message, const char* name) {
    Json item = Json::object();
    item["message"] = message;
    item["kind"] = "warning";
    item["name"] = name;
    findings.push_back(std::move(item));
}

// The named findings of one message: longer than a Modbus ADU may be (its MBAP length above
// 254, so its RTU frame above 256 bytes).
void AddMessageFindings(Json& findings, const char* name, const std::optional<CModbusMessage>& m) {
    constexpr size_t kLongestRtuFrame = mbap::kLongestLength + 2;
    if (m && m->frame.size() > kLongestRtuFrame) {
        AddNamedFinding(findings, name, "over_long_message");
    }
}

}  // namespace

std::string TransactionLogLine(const Transaction& transaction, const Derivation& derived,
                               MappedValuesText* valuesText) {
    const CModbusMessage& first =
        transaction.request ? *transaction.request : *transaction.response;
    Json line = Json::object();
    line["report_frame"] = transaction.ReportNumber();
    line["transaction_id"] = first.transactionId;
    line["unit"] = first.unit;
    const int function = BaseFunctionCode(first.FunctionCode());
    line["function"] = function;
    line["function_name"] = LogFunctionName(function, RequestMeiType(transaction));
    line["client"] = transaction.Client().ToString();
    line["server"] = transaction.Server().ToString();
    line["request"] = MessageJson(transaction.request);
    line["response"] = MessageJson(transaction.response);
    line["response_time_ms"] = ResponseTimeJson(transaction);
    line["exception"] = ExceptionJson(transaction.response);
    line["unanswered"] = TextOrNull(UnansweredText(transaction.unanswered));
    line["unit_mismatch"] = transaction.unitMismatch;
    line["function_mismatch"] = transaction.functionMismatch;
    line["points"] = PointsJson(transaction);
    line["details"] = FunctionDetailsJson(transaction);
    Json findings = Json::array();
    AddFindings(findings, "request", transaction.requestFrame);
    AddMessageFindings(findings, "request", transaction.request);
    if (transaction.duplicateTransactionId) {
        AddNamedFinding(findings, "request", "duplicate_transaction_id");
    }
    AddFindings(findings, "response", transaction.responseFrame);
    AddMessageFindings(findings, "response", transaction.response);
    line["findings"] = std::move(findings);
    // The typed values come last, written as text: there may be many.
    std::string text = line.dump(-1, ' ', false, Json::error_handler_t::replace);
    text.back() = ',';
    text += "\"values\":";
    MappedValuesText once;
    (valuesText != nullptr ? *valuesText : once).Append(text, derived.values);
    text += ",\"anomalies\":[";
    for (const Anomaly& anomaly : derived.anomalies) {
        text += text.back() == '[' ? "{\"kind\":\"" : ",{\"kind\":\"";
        text += AnomalyKindName(anomaly.kind);
        const bool ofRequest = transaction.request && anomaly.message == &*transaction.request;
        text += ofRequest ? "\",\"message\":\"request\",\"detail\":"
                          : "\",\"message\":\"response\",\"detail\":";
        text += Json(anomaly.detail).dump(-1, ' ', false, Json::error_handler_t::replace);
        text += '}';
    }
    return text + "]}\r\n";
}

bool TransactionLog::Take(const Transaction& transaction, const Derivation& derived) {
    return file_.WriteBytes(TransactionLogLine(transaction, derived, &valuesText_));
}
