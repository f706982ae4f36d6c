// Golden lines of the transaction log, written by hand from the log's field rules; frame CRCs
// and dates were worked out apart from the code under test.

#include "views/transaction_log.h"

#include <gtest/gtest.h>

#include <limits>
#include <nlohmann/json.hpp>

#include "modbus/rtu_frame.h"
#include "plant/plant_stage.h"
#include "views/mapped_values_json.h"
#include "views/points_file.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr int64_t k20261207T135016 = 1796651416;

CaptureTimestamp Micros(int64_t seconds, uint32_t micros) {
    return {seconds, micros, 6};
}

CaptureTimestamp Nanos(int64_t seconds, uint32_t nanos) {
    return {seconds, nanos, 9};
}

Endpoint V4(uint8_t last, uint16_t port) {
    return {IpAddress::V4(192, 168, 0, last), port};
}

Endpoint V6(uint8_t last, uint16_t port) {
    uint8_t bytes[16] = {0x20, 0x01, 0x0d, 0xb8};
    bytes[15] = last;
    return {IpAddress::V6(bytes), port};
}

CModbusMessage Message(uint16_t transactionId, uint8_t unit, const Bytes& pdu, uint64_t record,
                       CaptureTimestamp time, uint32_t capture = 1) {
    CModbusMessage message;
    message.transactionId = transactionId;
    message.unit = unit;
    message.frame = RtuFrameOf(unit, ByteView(pdu));
    message.captureRecord = record;
    message.capture = capture;
    message.time = time;
    return message;
}

// A log line is exactly one JSON object and its CR LF line end.
void ExpectLine(const std::string& line, const std::string& expected) {
    EXPECT_EQ(line, expected + "\r\n");
    ASSERT_GE(line.size(), 2u);
    EXPECT_EQ(line.find('\n'), line.size() - 1);
    const nlohmann::json parsed = nlohmann::json::parse(line);
    EXPECT_TRUE(parsed.is_object());
}

// A transaction as the pairing hands it on: its frames decoded.
Transaction MakePair(Endpoint client, Endpoint server, std::optional<CModbusMessage> request,
                     std::optional<CModbusMessage> response, uint64_t reportFrame = 1) {
    Transaction t;
    if (request) {
        request->source = client;
        request->destination = server;
    }
    if (response) {
        response->source = server;
        response->destination = client;
    }
    t.request = std::move(request);
    t.response = std::move(response);
    (t.response ? *t.response : *t.request).number = reportFrame;
    DecodeFrames(t);
    return t;
}

// The line of the transaction as a run writes it: through the plant stage, with `map` if any.
std::string Logged(const Transaction& t, std::shared_ptr<const RegisterMap> map = nullptr) {
    PlantNeeds needs;
    needs.points = needs.anomalies = true;
    PlantStage stage(needs, 1000, std::move(map));
    return TransactionLogLine(t, stage.Derive(t));
}

TEST(TransactionLog, ReadHoldingRegistersPair) {
    const Transaction pair = MakePair(
        V4(10, 50000), V4(20, 502),
        Message(7, 1, {0x03, 0x00, 0x6B, 0x00, 0x02}, 4, Micros(k20261207T135016, 123456)),
        Message(7, 1, {0x03, 0x04, 0x00, 0x2A, 0x01, 0x00}, 6, Micros(k20261207T135016, 135956), 2),
        2);
    ExpectLine(Logged(pair),
               R"({"report_frame":2,"transaction_id":7,"unit":1,"function":3,)"
               R"("function_name":"Read Holding Registers","client":"192.168.0.10:50000",)"
               R"("server":"192.168.0.20:502",)"
               R"("request":{"capture":1,"capture_frame":4,"time":"2026-12-07T13:50:16.123456Z",)"
               R"("frame":"01 03 00 6B 00 02 B5 D7"},)"
               R"("response":{"capture":2,"capture_frame":6,"time":"2026-12-07T13:50:16.135956Z",)"
               R"("frame":"01 03 04 00 2A 01 00 DA 6B"},)"
               R"("response_time_ms":12.5,"exception":null,"unanswered":null,)"
               R"("unit_mismatch":false,"function_mismatch":false,)"
               R"("points":[{"reference":40108,"value":42},{"reference":40109,"value":256}],)"
               R"("details":null,"findings":[],"values":[],"anomalies":[]})");
}

nlohmann::json Parsed(const Transaction& pair) {
    return nlohmann::json::parse(Logged(pair));
}

TEST(TransactionLog, LoneRequestTimedOutWithWritesAndAWarning) {
    // Unit 248 lies outside 0-247: warning #0002.
    Transaction pair =
        MakePair(V4(10, 50000), V4(20, 502),
                 Message(9, 248, {0x10, 0x00, 0x00, 0x00, 0x02, 0x04, 0x00, 0x0A, 0x00, 0x0B}, 12,
                         Micros(0, 5)),
                 std::nullopt);
    pair.unanswered = Unanswered::TimedOut;
    const nlohmann::json line = Parsed(pair);
    EXPECT_EQ(line["request"]["time"], "1970-01-01T00:00:00.000005Z");
    EXPECT_EQ(line["request"]["frame"], "F8 10 00 00 00 02 04 00 0A 00 0B BF F5");
    EXPECT_TRUE(line["response"].is_null());
    EXPECT_TRUE(line["response_time_ms"].is_null());
    EXPECT_EQ(line["unanswered"], "timed out");
    EXPECT_EQ(line["points"],
              nlohmann::json::parse(
                  R"([{"reference":40001,"value":10},{"reference":40002,"value":11}])"));
    EXPECT_EQ(line["findings"],
              nlohmann::json::parse(R"([{"message":"request","kind":"warning","number":2}])"));
}

TEST(TransactionLog, LoneResponseGivesIndexesNotReferences) {
    const Transaction pair = MakePair(V4(10, 50000), V4(20, 502), std::nullopt,
                                      Message(3, 1, {0x01, 0x01, 0x05}, 1, Micros(60, 0)));
    const nlohmann::json line = Parsed(pair);
    EXPECT_TRUE(line["request"].is_null());
    EXPECT_EQ(line["response"]["time"], "1970-01-01T00:01:00.000000Z");
    ASSERT_EQ(line["points"].size(), 8u);  // 05: 1 0 1 0 0 0 0 0, lowest bit first
    EXPECT_EQ(line["points"][2], nlohmann::json::parse(R"({"index":3,"value":1})"));
    EXPECT_EQ(line["points"][3], nlohmann::json::parse(R"({"index":4,"value":0})"));
}

TEST(TransactionLog, ExceptionResponse) {
    Transaction pair =
        MakePair(V4(10, 50000), V4(20, 502),
                 Message(1, 1, {0x03, 0x00, 0x00, 0x00, 0x01}, 2, Micros(100, 999999)),
                 Message(1, 1, {0x83, 0x02}, 3, Micros(101, 1999)));
    pair.unitMismatch = true;  // the flags are passed through as they are
    const nlohmann::json line = Parsed(pair);
    EXPECT_EQ(line["function"], 3);
    EXPECT_EQ(line["exception"],
              nlohmann::json::parse(R"({"code":2,"name":"Illegal Data Address"})"));
    EXPECT_EQ(line["response_time_ms"], 2.0);
    EXPECT_EQ(line["unit_mismatch"], true);
    EXPECT_TRUE(line["points"].empty());
}

// Code 0 names no exception, but the byte is there: only a response that ends after its function
// code has no code.
TEST(TransactionLog, ExceptionCodeZeroIsStillACode) {
    const Transaction pair =
        MakePair(V4(10, 50000), V4(20, 502),
                 Message(1, 1, {0x03, 0x00, 0x00, 0x00, 0x01}, 2, Micros(100, 0)),
                 Message(1, 1, {0x83, 0x00}, 3, Micros(100, 1000)));
    const nlohmann::json line = Parsed(pair);
    EXPECT_EQ(line["exception"], nlohmann::json::parse(R"({"code":0,"name":"Unknown"})"));
    ASSERT_EQ(line["anomalies"].size(), 1u);
    EXPECT_EQ(line["anomalies"][0]["kind"], "invalid_exception_code");
    EXPECT_EQ(line["anomalies"][0]["message"], "response");
    EXPECT_NE(line["anomalies"][0]["detail"].get<std::string>().find("code 0"), std::string::npos);
}

// Each anomaly names the message it was found in.
TEST(TransactionLog, AnomaliesNameTheirMessage) {
    Transaction lone =
        MakePair(V4(10, 50000), V4(20, 502),
                 Message(7, 1, {0x03, 0x00, 0x00, 0x00, 0x01}, 2, Micros(100, 0)), std::nullopt);
    lone.unanswered = Unanswered::CaptureEnded;
    nlohmann::json line = Parsed(lone);
    ASSERT_EQ(line["anomalies"].size(), 1u);
    EXPECT_EQ(line["anomalies"][0]["kind"], "unanswered_request");
    EXPECT_EQ(line["anomalies"][0]["message"], "request");

    const Transaction unasked =
        MakePair(V4(10, 50000), V4(20, 502), std::nullopt,
                 Message(8, 1, {0x03, 0x02, 0x00, 0x07}, 3, Micros(100, 0)));
    line = Parsed(unasked);
    ASSERT_EQ(line["anomalies"].size(), 1u);
    EXPECT_EQ(line["anomalies"][0]["kind"], "unsolicited_response");
    EXPECT_EQ(line["anomalies"][0]["message"], "response");
}

TEST(TransactionLog, Ipv6PairWithNanosecondTimes) {
    const Transaction pair = MakePair(
        V6(0x10, 50001), V6(0x20, 502),
        Message(300, 0x11, {0x05, 0x00, 0xAC, 0xFF, 0x00}, 8, Nanos(k20261207T135016, 1)),
        Message(300, 0x11, {0x05, 0x00, 0xAC, 0xFF, 0x00}, 9, Nanos(k20261207T135016, 250000)));
    const nlohmann::json line = Parsed(pair);
    EXPECT_EQ(line["client"], "[2001:db8::10]:50001");
    EXPECT_EQ(line["request"]["time"], "2026-12-07T13:50:16.000000001Z");
    EXPECT_EQ(line["response_time_ms"], 0.249999);
    EXPECT_EQ(line["points"], nlohmann::json::parse(R"([{"reference":173,"value":1}])"));
}

TEST(TransactionLog, ForceMultipleCoilsLeavesPaddingOut) {
    Transaction pair =
        MakePair(V4(10, 50000), V4(20, 502),
                 Message(2, 1, {0x0F, 0x00, 0x13, 0x00, 0x0A, 0x02, 0xCD, 0x01}, 3, Micros(0, 0)),
                 std::nullopt);
    pair.unanswered = Unanswered::ConnectionClosed;
    const nlohmann::json line = Parsed(pair);
    EXPECT_EQ(line["unanswered"], "connection closed");
    EXPECT_EQ(line["request"]["frame"], "01 0F 00 13 00 0A 02 CD 01 72 CB");
    // CD 01: coils 20 to 29 are 1 0 1 1 0 0 1 1 1 0; the six bits after them are padding.
    EXPECT_EQ(line["points"], nlohmann::json::parse(R"([
        {"reference":20,"value":1},{"reference":21,"value":0},{"reference":22,"value":1},
        {"reference":23,"value":1},{"reference":24,"value":0},{"reference":25,"value":0},
        {"reference":26,"value":1},{"reference":27,"value":1},{"reference":28,"value":1},
        {"reference":29,"value":0}])"));
}

// Addresses stop at 65535: a read from 65535 for 3 registers has one register that exists.
TEST(TransactionLog, NoPointPastTheLastAddress) {
    const Transaction pair = MakePair(
        V4(10, 50000), V4(20, 502), Message(3, 1, {0x03, 0xFF, 0xFF, 0x00, 0x03}, 3, Micros(0, 0)),
        Message(3, 1, {0x03, 0x06, 0x00, 0x0A, 0x00, 0x0B, 0x00, 0x0C}, 4, Micros(0, 10)));
    EXPECT_EQ(Parsed(pair)["points"],
              nlohmann::json::parse(R"([{"reference":105536,"value":10}])"));
}

TEST(TransactionLog, TruncatedPduAndMissingTransactionStayValidJson) {
    Transaction pair = MakePair(V4(10, 50000), V4(20, 502), Message(4, 1, {}, 1, Micros(0, 0)),
                                Message(4, 1, {0x81}, 2, Micros(0, 0)));
    const nlohmann::json line = Parsed(pair);
    EXPECT_EQ(line["function"], 0);
    EXPECT_EQ(line["exception"], nlohmann::json::parse(R"({"code":null,"name":"Unknown"})"));
    // Both frames are too short: error #0001 each.
    EXPECT_EQ(line["findings"], nlohmann::json::parse(R"([
        {"message":"request","kind":"error","number":1},
        {"message":"response","kind":"error","number":1}])"));
}

// 43/14 with two objects, one of them not UTF-8: the line stays valid JSON, the byte replaced.
TEST(TransactionLog, DeviceIdentificationDetails) {
    const Transaction pair = MakePair(
        V4(10, 50000), V4(20, 502), Message(8, 1, {0x2B, 0x0E, 0x01, 0x00}, 1, Micros(0, 0)),
        Message(8, 1,
                {0x2B, 0x0E, 0x01, 0x01, 0xFF, 0x02, 0x02, 0x00, 0x02, 'Z', 'E', 0x01, 0x01, 0xE9},
                2, Micros(0, 1)));
    EXPECT_EQ(Parsed(pair)["details"], nlohmann::json::parse(R"({
        "request":{"mei_type":14,"read_device_id_code":1,"object_id":0,"malformed":false},
        "response":{"mei_type":14,"read_device_id_code":1,"conformity_level":1,
                    "more_follows":true,"next_object_id":2,"number_of_objects":2,
                    "objects":[{"id":0,"name":"VendorName","value":"ZE"},
                               {"id":1,"name":"ProductCode","value":"\uFFFD"}],
                    "malformed":false}})"));
}

// A cut FIFO request keeps its keys, empty ones null; an exception response has no details.
TEST(TransactionLog, FifoAndDiagnosticsDetails) {
    const Transaction fifo =
        MakePair(V4(10, 50000), V4(20, 502), Message(9, 1, {0x18, 0x04}, 1, Micros(0, 0)),
                 Message(9, 1, {0x98, 0x03}, 2, Micros(0, 1)));
    EXPECT_EQ(Parsed(fifo)["details"], nlohmann::json::parse(R"({
        "request":{"fifo_pointer_address":null,"malformed":true},"response":null})"));
    const Transaction diagnostics =
        MakePair(V4(10, 50000), V4(20, 502), std::nullopt,
                 Message(10, 1, {0x08, 0x00, 0x0B, 0x00, 0x2A}, 1, Micros(0, 0)));
    EXPECT_EQ(Parsed(diagnostics)["details"], nlohmann::json::parse(R"({"request":null,
        "response":{"sub_function":11,"sub_function_name":"Return Bus Message Count",
                    "data":[42],"malformed":false}})"));
}

// A write the server refuses wrote nothing, yet the log shows what it asked for: its points and
// the typed values a map makes of them. The points file, a record of what the devices hold,
// has no row for it.
TEST(TransactionLog, RefusedWriteListsItsPointsAndTypedValues) {
    auto map = std::make_shared<RegisterMap>();
    MapEntry flow;
    flow.name = "flow";
    flow.type = MapDataType::Uint32;
    flow.count = 2;  // 40001 and 40002, high word first
    map->entries.push_back(flow);
    const Transaction refused =
        MakePair(V4(10, 50000), V4(20, 502),
                 Message(4, 1, {0x10, 0x00, 0x00, 0x00, 0x02, 0x04, 0x12, 0x34, 0x56, 0x78}, 1,
                         Micros(0, 0)),
                 Message(4, 1, {0x90, 0x02}, 2, Micros(0, 10)));
    const nlohmann::json line = nlohmann::json::parse(Logged(refused, map));
    EXPECT_EQ(line["points"],
              nlohmann::json::parse(
                  R"([{"reference":40001,"value":4660},{"reference":40002,"value":22136}])"));
    ASSERT_EQ(line["values"].size(), 1u);
    EXPECT_EQ(line["values"][0]["name"], "flow");
    EXPECT_EQ(line["values"][0]["value"], 0x12345678);
    EXPECT_EQ(line["values"][0]["access"], "write");

    PlantNeeds needs;
    needs.points = true;
    PlantStage stage(needs, 1000, map);
    EXPECT_EQ(PointRows(refused, stage.Derive(refused)), "");
}

TEST(TransactionLog, TimesTooFarApartGiveNoResponseTime) {
    const Transaction pair =
        MakePair(V4(10, 50000), V4(20, 502),
                 Message(5, 1, {0x03, 0x00, 0x00, 0x00, 0x01}, 1, Nanos(INT64_MIN, 0)),
                 Message(5, 1, {0x03, 0x02, 0x00, 0x01}, 2, Nanos(INT64_MAX, 0)));
    const nlohmann::json line = Parsed(pair);
    EXPECT_TRUE(line["response_time_ms"].is_null());
}

}  // namespace

namespace {

// Findings of the framing and the pairing carry a name instead of a number.
TEST(TransactionLog, NamedFindingsForOverLongMessagesAndSharedIds) {
    Bytes vendor(300, 0x01);
    vendor[0] = 90;
    Transaction pair = MakePair(V4(10, 50000), V4(20, 502), Message(6, 1, vendor, 1, Micros(0, 0)),
                                Message(6, 1, {0x5A, 0x00}, 2, Micros(0, 1)));
    pair.duplicateTransactionId = true;
    const nlohmann::json findings = Parsed(pair)["findings"];
    // Function 90 is no standard function: warning #0005 for both messages.
    EXPECT_EQ(findings, nlohmann::json::parse(R"([
        {"message":"request","kind":"warning","number":5},
        {"message":"request","kind":"warning","name":"over_long_message"},
        {"message":"request","kind":"warning","name":"duplicate_transaction_id"},
        {"message":"response","kind":"warning","number":5}])"));
}

}  // namespace

// The typed values are written as text; they must read as the JSON they stand for, whatever the
// names, texts and numbers hold.
TEST(TransactionLog, TypedValuesTextIsTheirJson) {
    MapEntry plain;
    plain.name = "level";
    plain.type = MapDataType::Float32;
    plain.unitOfMeasurement = "m";
    MapEntry hostile;
    hostile.name = "a \"quoted\"\tname\x01\xff";
    hostile.type = MapDataType::String;
    hostile.table = PointTable::Coils;
    hostile.address = 9;
    std::vector<MappedValue> values(4);
    values[0].value = {&plain, 0.1, "", false};
    values[1].value = {&plain, std::numeric_limits<double>::quiet_NaN(), "", false};
    values[2].value = {&plain, -3e300, "", false};
    values[2].access = PointAccess::Write;
    values[3].value = {&hostile, std::nullopt, "P\"\\\xc3", true};
    for (size_t n : {0, 1, 4}) {
        const std::vector<MappedValue> some(values.begin(), values.begin() + n);
        std::string text;
        MappedValuesText().Append(text, some);
        EXPECT_EQ(text, MappedValuesJson(some).dump(
                            -1, ' ', false, nlohmann::ordered_json::error_handler_t::replace));
    }
}
