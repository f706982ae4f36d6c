// Each kind of anomaly at its edge, on both sides: crafted exchanges between one client and one
// server run end to end, and exactly the anomalies the summary lists (kind, unit, function as
// sent, the time of the message concerned and the report block). Expectations follow from the
// Modbus application protocol and the rules the summary documents.

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

#include "plant/anomalies.h"
#include "session/response_time.h"
#include "session/transaction.h"
#include "tests/analysis/plant_run.h"

namespace {

struct Message {
    bool request;
    int ms;
    Bytes adu;
};

Message Req(int ms, uint8_t unit, const Bytes& pdu, uint16_t id = 1) {
    return {true, ms, ModbusTcpAdu(unit, pdu, id)};
}
Message Resp(int ms, uint8_t unit, const Bytes& pdu, uint16_t id = 1) {
    return {false, ms, ModbusTcpAdu(unit, pdu, id)};
}

// An anomaly as the summary lists it; `frame` is the report block (the response's number when
// answered, else the request's; messages are numbered in the order they came).
struct Expected {
    std::string kind;
    int unit;
    int function;
    int ms;
    int frame;
    friend bool operator<(const Expected& a, const Expected& b) {
        return std::tie(a.ms, a.kind, a.frame) < std::tie(b.ms, b.kind, b.frame);
    }
    friend bool operator==(const Expected& a, const Expected& b) {
        return std::tie(a.kind, a.unit, a.function, a.ms, a.frame) ==
               std::tie(b.kind, b.unit, b.function, b.ms, b.frame);
    }
};

std::ostream& operator<<(std::ostream& out, const Expected& e) {
    return out << "{" << e.kind << " unit " << e.unit << " function " << e.function << " at "
               << e.ms << " ms, frame " << e.frame << "}";
}

struct Case {
    const char* name;
    std::vector<Message> messages;
    std::vector<Expected> anomalies;
    double slowResponseMs = 1000;
};

const Bytes kRead = {0x03, 0x00, 0x00, 0x00, 0x01};
const Bytes kAnswer = {0x03, 0x02, 0x00, 0x07};

// A read of one holding register, answered after `after` ms.
std::vector<Message> Exchange(int ms, uint8_t unit, uint16_t id, int after = 1) {
    return {Req(ms, unit, kRead, id), Resp(ms + after, unit, kAnswer, id)};
}

std::vector<Message> Join(std::initializer_list<std::vector<Message>> parts) {
    std::vector<Message> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// A write request and its echo, as function `pdu[0]` sends them.
std::vector<Message> Echoed(int ms, const Bytes& request, const Bytes& echo, uint16_t id) {
    return {Req(ms, 1, request, id), Resp(ms + 1, 1, echo, id)};
}

const Bytes kWriteCoils = {0x0F, 0x00, 0x13, 0x00, 0x0A, 0x02, 0xCD, 0x01};  // coils 20-29
const Bytes kWriteRegisters = {0x10, 0x00, 0x01, 0x00, 0x02, 0x04, 0x00, 0x0A, 0x01, 0x02};

std::vector<Case> Cases() {
    std::vector<Case> cases;
    cases.push_back({"units 0, 247 and 255 are not reserved",
                     Join({Exchange(0, 0, 1), Exchange(10, 247, 2), Exchange(20, 255, 3)}),
                     {}});
    cases.push_back({"units 248 and 254 are reserved, in request and response",
                     Join({Exchange(0, 248, 1), Exchange(10, 254, 2)}),
                     {{"invalid_unit_identifier", 248, 3, 0, 2},
                      {"invalid_unit_identifier", 248, 3, 1, 2},
                      {"invalid_unit_identifier", 254, 3, 10, 4},
                      {"invalid_unit_identifier", 254, 3, 11, 4}}});
    // A connection whose first message contradicts Modbus is passed over: a read comes first.
    cases.push_back(
        {"function 0",
         Join({Exchange(0, 1, 1), {Req(10, 1, {0x00, 0x00}, 2), Resp(11, 1, {0x80, 0x01}, 2)}}),
         {{"invalid_function_code", 1, 0, 10, 4}}});
    // The response's 0x83 names function 3, not the request's 0x83.
    cases.push_back(
        {"a request with the exception bit",
         {Req(0, 1, {0x83, 0x00, 0x00, 0x00, 0x01}), Resp(1, 1, {0x83, 0x01})},
         {{"invalid_function_code", 1, 0x83, 0, 2}, {"function_mismatch", 1, 0x83, 1, 2}}});
    cases.push_back({"an exception response that ends after its function code",
                     {Req(0, 1, kRead), Resp(1, 1, {0x83})},
                     {{"invalid_exception_code", 1, 0x83, 1, 2}}});
    cases.push_back(
        {"a response of function 0 nobody asked for",
         {Resp(0, 1, {0x00, 0x00}, 9)},
         {{"invalid_function_code", 1, 0, 0, 1}, {"unsolicited_response", 1, 0, 0, 1}}});
    cases.push_back({"a response nobody asked for",
                     {Resp(0, 1, kAnswer, 9)},
                     {{"unsolicited_response", 1, 3, 0, 1}}});
    cases.push_back(
        {"echoes of 5 and 6: same, another value, another address",
         Join({Echoed(0, {0x05, 0x00, 0xAC, 0xFF, 0x00}, {0x05, 0x00, 0xAC, 0xFF, 0x00}, 1),
               Echoed(10, {0x05, 0x00, 0xAC, 0xFF, 0x00}, {0x05, 0x00, 0xAC, 0x00, 0x00}, 2),
               Echoed(20, {0x06, 0x00, 0x01, 0x00, 0x03}, {0x06, 0x00, 0x01, 0x00, 0x03}, 3),
               Echoed(30, {0x06, 0x00, 0x01, 0x00, 0x03}, {0x06, 0x00, 0x02, 0x00, 0x03}, 4)}),
         {{"value_mismatch", 1, 5, 11, 4}, {"value_mismatch", 1, 6, 31, 8}}});
    cases.push_back({"echoes of 15: same, another quantity, another address",
                     Join({Echoed(0, kWriteCoils, {0x0F, 0x00, 0x13, 0x00, 0x0A}, 1),
                           Echoed(10, kWriteCoils, {0x0F, 0x00, 0x13, 0x00, 0x09}, 2),
                           Echoed(20, kWriteCoils, {0x0F, 0x00, 0x14, 0x00, 0x0A}, 3)}),
                     {{"value_mismatch", 1, 15, 11, 4}, {"value_mismatch", 1, 15, 21, 6}}});
    cases.push_back({"echoes of 16: same, another quantity, another address, refused",
                     Join({Echoed(0, kWriteRegisters, {0x10, 0x00, 0x01, 0x00, 0x02}, 1),
                           Echoed(10, kWriteRegisters, {0x10, 0x00, 0x01, 0x00, 0x01}, 2),
                           Echoed(20, kWriteRegisters, {0x10, 0x01, 0x01, 0x00, 0x02}, 3),
                           Echoed(30, kWriteRegisters, {0x90, 0x02}, 4)}),
                     {{"value_mismatch", 1, 16, 11, 4}, {"value_mismatch", 1, 16, 21, 6}}});
    cases.push_back({"another unit in the response",
                     {Req(0, 1, kRead), Resp(1, 2, kAnswer)},
                     {{"unit_mismatch", 2, 3, 1, 2}}});
    cases.push_back(
        {"another function in the response, not its exception",
         {Req(0, 1, kRead, 1), Resp(1, 1, {0x04, 0x02, 0x00, 0x07}, 1), Req(10, 1, kRead, 2),
          Resp(11, 1, {0x83, 0x02}, 2), Req(20, 1, kRead, 3), Resp(21, 1, {0x84, 0x02}, 3)},
         {{"function_mismatch", 1, 4, 1, 2}, {"function_mismatch", 1, 0x84, 21, 6}}});
    // The first answer goes to the oldest request with the id.
    cases.push_back({"an id sent again while it waits, not once answered",
                     {Req(0, 1, kRead, 7), Req(1, 1, kRead, 7), Resp(2, 1, kAnswer, 7),
                      Resp(3, 1, kAnswer, 7), Req(10, 1, kRead, 7), Resp(11, 1, kAnswer, 7)},
                     {{"duplicate_transaction_id", 1, 3, 1, 4}}});
    cases.push_back({"a request the capture ends before answering",
                     {Req(0, 1, kRead, 1), Resp(1, 1, kAnswer, 1), Req(10, 1, kRead, 2)},
                     {{"unanswered_request", 1, 3, 10, 3}}});
    cases.push_back({"answers at the default bound of 1000 ms and 1 ms over",
                     Join({Exchange(0, 1, 1, 1000), Exchange(2000, 1, 2, 1001)}),
                     {{"slow_response", 1, 3, 3001, 4}}});
    Case bound{"answers at a bound of 50 ms and 1 ms over",
               Join({Exchange(0, 1, 1, 50), Exchange(100, 1, 2, 51)}),
               {{"slow_response", 1, 3, 151, 4}}};
    bound.slowResponseMs = 50;
    cases.push_back(bound);
    cases.push_back({"a read request one byte too long",
                     {Req(0, 1, kRead, 1), Resp(1, 1, kAnswer, 1),
                      Req(10, 1, {0x03, 0x00, 0x00, 0x00, 0x01, 0xFF}, 2), Resp(11, 1, kAnswer, 2)},
                     {{"invalid_length", 1, 3, 10, 4}}});
    // Function 100 (user-defined) has no layout: only the MBAP limit of 254 (unit and PDU)
    // applies.
    Bytes longest(253, 0x00);
    longest[0] = 100;
    Bytes tooLong(254, 0x00);
    tooLong[0] = 100;
    cases.push_back({"an MBAP length of 254 and of 255",
                     {Req(0, 1, longest, 1), Resp(1, 1, {100, 0x00}, 1), Req(10, 1, tooLong, 2),
                      Resp(11, 1, {100, 0x00}, 2)},
                     {{"invalid_length", 1, 100, 10, 4}}});
    // A header with protocol id 1 is no Modbus/TCP message: ignored, not an anomaly.
    cases.push_back({"protocol id 1 end to end",
                     {Req(0, 1, kRead, 1),
                      Resp(1, 1, kAnswer, 1),
                      {true, 10, ModbusTcpAdu(1, kRead, 2, -1, 1)}},
                     {}});
    return cases;
}

std::vector<Expected> AnomaliesListed(const Json& summary) {
    std::vector<Expected> found;
    for (const Json& anomaly : summary["anomalies"]) {
        // Times are whole milliseconds after the capture's start.
        const std::string time = anomaly["time"];
        const int ms = (std::stoi(time.substr(17, 2)) - 20) * 1000 + std::stoi(time.substr(20, 3));
        EXPECT_EQ(time, TimeAt(ms));
        EXPECT_EQ(anomaly["connection"], "10.0.0.9:40000 -> 10.0.0.5:502");
        found.push_back(
            {anomaly["kind"], anomaly["unit"], anomaly["function"], ms, anomaly["report_frame"]});
    }
    std::sort(found.begin(), found.end());
    return found;
}

class AnomalyCases : public InTempDirectory {};

}  // namespace

TEST_F(AnomalyCases, EachKindAtItsEdge) {
    for (Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        TrafficConnection connection{"10.0.0.9", 40000};
        ModbusTraffic traffic;
        for (const Message& m : c.messages) {
            if (m.request) {
                traffic.Request(connection, m.ms, m.adu);
            } else {
                traffic.Response(connection, m.ms, m.adu);
            }
        }
        AnalysisOptions options;
        options.slowResponseMs = c.slowResponseMs;
        const Json summary = RunForSummary(traffic.Build(), options);
        std::sort(c.anomalies.begin(), c.anomalies.end());
        EXPECT_EQ(AnomaliesListed(summary), c.anomalies);
    }
}

// The codes Modbus defines are 1-6, 8, 10 and 11; any other is an invalid exception code.
TEST_F(AnomalyCases, ExceptionCodesOutsideTheDefinedOnes) {
    const struct {
        uint8_t code;
        bool defined;
    } codes[] = {{0, false}, {1, true},  {6, true},  {7, false},  {8, true},
                 {9, false}, {10, true}, {11, true}, {12, false}, {255, false}};
    TrafficConnection connection{"10.0.0.9", 40000};
    ModbusTraffic traffic;
    std::vector<Expected> expected;
    int frame = 0;
    for (const auto& c : codes) {
        const int ms = 10 * frame;
        traffic.Request(connection, ms, ModbusTcpAdu(1, kRead, static_cast<uint16_t>(frame)));
        traffic.Response(connection, ms + 1,
                         ModbusTcpAdu(1, {0x83, c.code}, static_cast<uint16_t>(frame)));
        frame += 2;
        if (!c.defined) {
            expected.push_back({"invalid_exception_code", 1, 0x83, ms + 1, frame});
        }
    }
    const Json summary = RunForSummary(traffic.Build());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(AnomaliesListed(summary), expected);
}

// A header with another protocol id never reaches the summary (it is no Modbus/TCP message), but
// a transaction that carries one is an anomaly of the message concerned.
TEST(AnomaliesOf, ProtocolIdOtherThanZero) {
    const auto message = [](uint16_t protocolId, const Bytes& rtuFrame) {
        CModbusMessage m;
        m.protocolId = protocolId;
        m.unit = rtuFrame[0];
        m.frame = WithRtuCrc(rtuFrame);
        return m;
    };
    for (uint16_t requestId : {0, 1}) {
        for (uint16_t responseId : {0, 2}) {
            Transaction t;
            t.request = message(requestId, {0x01, 0x03, 0x00, 0x00, 0x00, 0x01});
            t.response = message(responseId, {0x01, 0x03, 0x02, 0x00, 0x07});
            DecodeFrames(t);
            std::vector<const CModbusMessage*> concerned;
            for (const Anomaly& anomaly : AnomaliesOf(t, ResponseTimeMs(t), 1000)) {
                EXPECT_EQ(anomaly.kind, AnomalyKind::InvalidProtocolId);
                EXPECT_STREQ(AnomalyKindName(anomaly.kind), "invalid_protocol_id");
                concerned.push_back(anomaly.message);
            }
            std::vector<const CModbusMessage*> expected;
            if (requestId != 0) {
                expected.push_back(&*t.request);
            }
            if (responseId != 0) {
                expected.push_back(&*t.response);
            }
            EXPECT_EQ(concerned, expected) << requestId << " " << responseId;
        }
    }
}
