#include "views/transaction_log.h"

#include <charconv>
#include <string_view>

#include "modbus/exception_catalogue.h"
#include "modbus/function_table.h"
#include "modbus/rtu_frame.h"
#include "plant/point_values.h"
#include "session/unanswered_text.h"
#include "views/function_details_json.h"
#include "views/iso8601_time.h"
#include "views/json_writer.h"
#include "views/log_function_names.h"

namespace {

// The MEI type of a request of function 43: the byte after the function code; -1 without one.
int RequestMeiType(const Transaction& transaction) {
    if (!transaction.request) {
        return -1;
    }
    const ByteView pdu = transaction.request->Pdu();
    return pdu.size() >= 2 ? pdu.At(1) : -1;
}

// The message as the RTU frame the report shows: unit, PDU, CRC; "%02X" per byte, one blank
// between bytes.
void WriteRtuFrameText(JsonWriter& json, const CModbusMessage& message) {
    std::string text;
    text.reserve(message.frame.size() * 3);
    AppendFrameText(text, ByteView(message.frame));
    if (!text.empty()) {
        text.pop_back();  // the report's frame text has a blank after the last byte too
    }
    json.String(text);
}

void WriteMessage(JsonWriter& json, const std::optional<CModbusMessage>& adu) {
    if (!adu) {
        json.Null();
        return;
    }
    json.BeginObject();
    json.Key("capture").Number(adu->capture);
    json.Key("capture_frame").Number(adu->captureRecord);
    json.Key("time").String(Iso8601Utc(adu->time));
    WriteRtuFrameText(json.Key("frame"), *adu);
    json.EndObject();
}

void WriteResponseTime(JsonWriter& json, const std::optional<double>& ms) {
    if (ms) {
        json.Number(*ms);
    } else {
        json.Null();
    }
}

void WriteException(JsonWriter& json, const std::optional<CModbusMessage>& response) {
    if (!response || !response->IsException()) {
        json.Null();
        return;
    }
    // Read from the message: the analyser decodes no fields of a frame it rejects.
    const int code = response->ExceptionCode();
    json.BeginObject();
    if (code >= 0) {
        json.Key("code").Number(code);
    } else {
        json.Key("code").Null();
    }
    json.Key("name").String(GetExceptionName(code));
    json.EndObject();
}

// ---- Points

// {"reference":40001,"value":7} appended as text: a line may carry a hundred points, and a
// member at a time through the writer cost more than the rest of the line.
void WritePoint(JsonWriter& json, const PointValue& point) {
    json.Value([&point](std::string& text) {
        const std::string_view key = point.standing == PointStanding::Unaddressed
                                         ? std::string_view("{\"index\":")
                                         : std::string_view("{\"reference\":");
        constexpr std::string_view kValue = ",\"value\":";
        char number[12];  // an int32_t in decimal: a sign and 10 digits
        text.append(key);
        text.append(number, std::to_chars(number, number + sizeof number, point.reference).ptr);
        text.append(kValue);
        text.append(number, std::to_chars(number, number + sizeof number, point.value).ptr);
        text += '}';
    });
}

// The stage's points: without the request's addresses, each by its 1-based index.
void WritePoints(JsonWriter& json, const std::vector<PointValue>& points) {
    json.BeginArray();
    for (const PointValue& point : points) {
        WritePoint(json, point);
    }
    json.EndArray();
}

// ---- Findings

bool IsError(FindingCode code) {
    return code == FindingCode::TooFewBytes || code == FindingCode::TooFewBytesShortPoll ||
           code == FindingCode::BadChecksum;
}

// The numbered findings of one message; the exception note is the "exception" field instead.
void WriteFindings(JsonWriter& json, const char* message,
                   const std::optional<DecodedFrame>& report) {
    if (!report) {
        return;
    }
    for (const Finding& finding : report->validation.findings) {
        const int number = FindingNumber(finding.code);
        if (number == 0) {
            continue;
        }
        json.BeginObject();
        json.Key("message").String(message);
        json.Key("kind").String(IsError(finding.code) ? "error" : "warning");
        json.Key("number").Number(number);
        json.EndObject();
    }
}

// What the framing and the pairing found: a finding with a name instead of a number.
void WriteNamedFinding(JsonWriter& json, const char* message, const char* name) {
    json.BeginObject();
    json.Key("message").String(message);
    json.Key("kind").String("warning");
    json.Key("name").String(name);
    json.EndObject();
}

// The named findings of one message: longer than a Modbus ADU may be.
void WriteMessageFindings(JsonWriter& json, const char* name,
                          const std::optional<CModbusMessage>& m) {
    if (m && m->OverLong()) {
        WriteNamedFinding(json, name, "over_long_message");
    }
}

void WriteAllFindings(JsonWriter& json, const Transaction& transaction) {
    json.BeginArray();
    WriteFindings(json, "request", transaction.requestFrame);
    WriteMessageFindings(json, "request", transaction.request);
    if (transaction.duplicateTransactionId) {
        WriteNamedFinding(json, "request", "duplicate_transaction_id");
    }
    WriteFindings(json, "response", transaction.responseFrame);
    WriteMessageFindings(json, "response", transaction.response);
    json.EndArray();
}

}  // namespace

std::string TransactionLogLine(const Transaction& transaction, const Derivation& derived,
                               MappedValuesText* valuesText) {
    const CModbusMessage& first = transaction.First();
    // Written as text, member by member: a line is about 700 bytes, and building it as a JSON
    // document first cost several times the rest of the run.
    std::string text;
    text.reserve(1024);
    JsonWriter line(text);
    line.BeginObject();
    line.Key("report_frame").Number(transaction.ReportNumber());
    line.Key("transaction_id").Number(first.transactionId);
    line.Key("unit").Number(first.unit);
    const int function = BaseFunctionCode(first.FunctionCode());
    line.Key("function").Number(function);
    line.Key("function_name").String(LogFunctionName(function, RequestMeiType(transaction)));
    line.Key("client").String(transaction.Client().ToString());
    line.Key("server").String(transaction.Server().ToString());
    WriteMessage(line.Key("request"), transaction.request);
    WriteMessage(line.Key("response"), transaction.response);
    WriteResponseTime(line.Key("response_time_ms"), derived.responseMs);
    WriteException(line.Key("exception"), transaction.response);
    line.Key("unanswered").TextOrNull(UnansweredText(transaction.unanswered));
    line.Key("unit_mismatch").Bool(transaction.unitMismatch);
    line.Key("function_mismatch").Bool(transaction.functionMismatch);
    WritePoints(line.Key("points"), derived.points);
    WriteFunctionDetails(line.Key("details"), transaction);
    WriteAllFindings(line.Key("findings"), transaction);
    MappedValuesText once;
    MappedValuesText& values = valuesText != nullptr ? *valuesText : once;
    line.Key("values").Value([&](std::string& out) { values.Append(out, derived.values); });
    line.Key("anomalies").BeginArray();
    for (const Anomaly& anomaly : derived.anomalies) {
        const bool ofRequest = transaction.request && anomaly.message == &*transaction.request;
        line.BeginObject();
        line.Key("kind").String(AnomalyKindName(anomaly.kind));
        line.Key("message").String(ofRequest ? "request" : "response");
        line.Key("detail").String(anomaly.detail);
        line.EndObject();
    }
    line.EndArray();
    line.EndObject();
    text += "\r\n";
    return text;
}

bool TransactionLog::Take(const Transaction& transaction, const Derivation& derived) {
    return file_.WriteBytes(TransactionLogLine(transaction, derived, &valuesText_));
}
