// What a Modbus port carries that is not plain client-to-server Modbus/TCP: other protocols
// (ONC RPC, HTTP, TLS), which are passed over and named; real Modbus that fits no public layout
// (a scan of every function code, a vendor's function, fuzzed frames), which is kept as long as it
// comes in well-framed MBAP; a real connection with one broken message; connections between two
// ends on port 502 whose start was not captured. The expectations follow from the protocols.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/pcap_builder.h"
#include "tests/support/test_environment.h"

namespace {

using Json = nlohmann::json;

// One TCP connection whose sequence numbers follow the bytes each end sends.
struct Link {
    std::string client;
    uint16_t clientPort;
    std::string server;
    uint16_t serverPort;
    uint32_t clientSequence = 1000;
    uint32_t serverSequence = 9000;
};

class Capture {
public:
    Capture& Send(Link& link, bool toServer, const Bytes& payload) {
        PacketOptions o;
        o.source = toServer ? link.client : link.server;
        o.destination = toServer ? link.server : link.client;
        o.sourcePort = toServer ? link.clientPort : link.serverPort;
        o.destinationPort = toServer ? link.serverPort : link.clientPort;
        uint32_t& own = toServer ? link.clientSequence : link.serverSequence;
        o.sequence = own;
        o.acknowledgement = toServer ? link.serverSequence : link.clientSequence;
        own += static_cast<uint32_t>(payload.size());
        builder_.Timestamp(1700000000, micros_ += 1000).Record(TcpPacket(payload, o));
        return *this;
    }
    Bytes Build() const { return builder_.Build(); }

private:
    PcapBuilder builder_;
    uint32_t micros_ = 0;
};

// A portmapper GETPORT call (program 100003, version 3, TCP) and its reply (port 2049), each
// behind the record mark of RPC over TCP: last fragment, 56 and 28 bytes.
Bytes RpcCall(uint8_t xid) {
    return {0x80, 0x00, 0x00, 0x38, 0x12, 0x34, 0x56, xid,  0x00, 0x00, 0x00, 0x00,
            0x00, 0x00, 0x00, 0x02, 0x00, 0x01, 0x86, 0xA0, 0x00, 0x00, 0x00, 0x02,
            0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
            0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x86, 0xA3,
            0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x06, 0x00, 0x00, 0x00, 0x00};
}

Bytes RpcReply(uint8_t xid) {
    return {0x80, 0x00, 0x00, 0x1C, 0x12, 0x34, 0x56, xid,  0x00, 0x00, 0x00,
            0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
            0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x08, 0x01};
}

// A TLS 1.0 record carrying a ClientHello (41 bytes of body: version, random, no session id, one
// cipher suite, no compression), and the server's handshake_failure alert.
Bytes TlsClientHello() {
    Bytes hello = {0x16, 0x03, 0x01, 0x00, 0x2D, 0x01, 0x00, 0x00, 0x29, 0x03, 0x01};
    hello.insert(hello.end(), 32, 0x5A);
    const Bytes rest = {0x00, 0x00, 0x02, 0x00, 0x2F, 0x01, 0x00};
    hello.insert(hello.end(), rest.begin(), rest.end());
    return hello;
}

const Bytes kTlsAlert = {0x15, 0x03, 0x01, 0x00, 0x02, 0x02, 0x28};

Bytes Text(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// Where the MBAP protocol id would be: bytes 2 and 3.
std::string ProtocolIdOf(const Bytes& payload) {
    return std::to_string(payload[2] << 8 | payload[3]);
}

const Bytes kRead = {0x03, 0x00, 0x00, 0x00, 0x02};
const Bytes kAnswer = {0x03, 0x04, 0x00, 0x2A, 0x00, 0x2B};

// A client polling unit 1 of 10.0.0.5:502 `count` times, ids from `firstId`.
void Poll(Capture& capture, Link& link, uint16_t firstId, int count) {
    for (uint16_t id = firstId; id < firstId + count; ++id) {
        capture.Send(link, true, ModbusTcpAdu(1, kRead, id));
        capture.Send(link, false, ModbusTcpAdu(1, kAnswer, id));
    }
}

// What one connection carries, in order: true for the client's messages.
using Exchange = std::vector<std::pair<bool, Bytes>>;

// A client trying every function code on a real server, which refuses each as an illegal
// function (exception code 1).
Exchange FunctionScan() {
    Exchange exchange;
    for (int function = 0; function < 128; ++function) {
        const auto id = static_cast<uint16_t>(function + 1);
        const auto code = static_cast<uint8_t>(function);
        exchange.emplace_back(true, ModbusTcpAdu(1, {code, 0x00, 0x00, 0x00, 0x01}, id));
        exchange.emplace_back(false,
                              ModbusTcpAdu(1, {static_cast<uint8_t>(code | 0x80), 0x01}, id));
    }
    return exchange;
}

// A programming session in a vendor's function 90 (unit 0): sub-functions and answers of any
// length, one answer longer than a Modbus PDU may be.
Exchange VendorSession() {
    Exchange exchange;
    const Bytes subFunctions = {0x01, 0x02, 0x03, 0x04, 0x58, 0x12};
    for (size_t i = 0; i < subFunctions.size(); ++i) {
        const auto id = static_cast<uint16_t>(0x100 + i);
        exchange.emplace_back(true, ModbusTcpAdu(0, {0x5A, 0x00, subFunctions[i]}, id));
        Bytes answer = {0x5A, 0x00, 0xFE};
        answer.insert(answer.end(), i == 3 ? 300 : 4 + i, static_cast<uint8_t>(i));
        exchange.emplace_back(false, ModbusTcpAdu(0, answer, id));
    }
    return exchange;
}

// Frames of random function codes and lengths (1 to 300 PDU bytes) inside valid MBAP, each
// answered with its transaction id and unit.
Exchange FuzzedFrames(int count) {
    std::mt19937 random(7);
    auto pdu = [&random]() {
        Bytes bytes(1 + random() % 300);
        for (uint8_t& byte : bytes) {
            byte = static_cast<uint8_t>(random());
        }
        return bytes;
    };
    Exchange exchange;
    for (int i = 0; i < count; ++i) {
        const auto id = static_cast<uint16_t>(0x2000 + i);
        const auto unit = static_cast<uint8_t>(random());
        exchange.emplace_back(true, ModbusTcpAdu(unit, pdu(), id));
        exchange.emplace_back(false, ModbusTcpAdu(unit, pdu(), id));
    }
    return exchange;
}

const std::string kHttpGet = "GET / HTTP/1.1\r\nHost: 10.0.0.6\r\n\r\n";
const std::string kHttpRefusal = "HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n";

Exchange Http() {
    return {{true, Text(kHttpGet)}, {false, Text(kHttpRefusal)}};
}

Exchange Tls() {
    return {{true, TlsClientHello()}, {false, kTlsAlert}};
}

Exchange Rpc() {
    return {{true, RpcCall(1)}, {false, RpcReply(1)}, {true, RpcCall(2)}, {false, RpcReply(2)}};
}

uint64_t BytesSent(const Exchange& exchange, bool byClient) {
    uint64_t bytes = 0;
    for (const auto& message : exchange) {
        bytes += message.first == byClient ? message.second.size() : 0;
    }
    return bytes;
}

// The connections' messages interleaved, one of each in turn.
void Interleave(Capture& capture, std::vector<std::pair<Link*, Exchange>> connections) {
    for (size_t i = 0;; ++i) {
        bool sent = false;
        for (auto& connection : connections) {
            if (i < connection.second.size()) {
                const auto& message = connection.second[i];
                capture.Send(*connection.first, message.first, message.second);
                sent = true;
            }
        }
        if (!sent) {
            return;
        }
    }
}

class ModbusPortTraffic : public InTempDirectory {
protected:
    void Run(const Capture& capture) {
        WriteFile("port.pcap", capture.Build());
        host_.inputPath = "port.pcap";
        host_.options = AnalysisOptions();
        host_.options.summary = "summary.json";
        host_.options.transactionLog = "transactions.jsonl";
        host_.options.html = "report.html";
        ASSERT_EQ(RunAnalysis(host_, platform_), AnalysisResult::Completed);
        summary_ = Json::parse(ReadFileText("summary.json"));
        std::istringstream lines(ReadFileText("transactions.jsonl"));
        for (std::string line; std::getline(lines, line);) {
            transactions_.push_back(Json::parse(line));
        }
    }

    std::vector<std::string> Servers() const {
        std::vector<std::string> servers;
        for (const Json& device : summary_["devices"]) {
            servers.push_back(device["server"].get<std::string>() + " unit " +
                              std::to_string(device["unit"].get<int>()));
        }
        return servers;
    }

    // The transactions between these two ends, each with its request and its response.
    size_t Answered(const std::string& client, const std::string& server) const {
        size_t answered = 0;
        for (const Json& t : transactions_) {
            answered += t["client"] == client && t["server"] == server && !t["request"].is_null() &&
                        !t["response"].is_null();
        }
        return answered;
    }

    // The summary's entry for the connection passed over from this client; null when none.
    Json PassedOver(const std::string& client) const {
        for (const Json& connection : summary_["passed_over"]["connections"]) {
            if (connection["client"] == client) {
                return connection;
            }
        }
        return nullptr;
    }

    bool Warned(const std::string& text) const {
        for (const std::string& warning : host_.warnings) {
            if (warning.find(text) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    FakeHost host_;
    FakePlatform platform_;
    Json summary_;
    std::vector<Json> transactions_;
};

}  // namespace

TEST_F(ModbusPortTraffic, RpcOnPort502MakesNoDeviceNoTransactionAndNoAnomaly) {
    Capture capture;
    Link rpc{"10.0.0.7", 900, "10.0.0.6", 502};
    Link modbus{"10.0.0.9", 40000, "10.0.0.5", 502};
    capture.Send(rpc, true, RpcCall(1)).Send(rpc, false, RpcReply(1));
    Poll(capture, modbus, 1, 2);
    capture.Send(rpc, true, RpcCall(2)).Send(rpc, false, RpcReply(2));
    Run(capture);

    EXPECT_EQ(Servers(), std::vector<std::string>({"10.0.0.5:502 unit 1"}));
    EXPECT_EQ(summary_["anomalies"], Json::array());
    EXPECT_EQ(summary_["capture"]["connections"], 1);
    EXPECT_EQ(summary_["capture"]["messages"], 4);
    ASSERT_EQ(transactions_.size(), 2u);
    for (const Json& t : transactions_) {
        EXPECT_EQ(t["server"], "10.0.0.5:502");
    }
    EXPECT_TRUE(
        Warned("1 connections on a Modbus port carried no Modbus/TCP and were passed over"));
    EXPECT_FALSE(Warned("belong to no whole message"));
}

// Its first message has a protocol id of 1: one stray error does not make the rest another
// protocol.
TEST_F(ModbusPortTraffic, ModbusWithOneBrokenMessageStaysModbus) {
    Capture capture;
    Link modbus{"10.0.0.9", 40000, "10.0.0.5", 502};
    capture.Send(modbus, true, ModbusTcpAdu(1, kRead, 1, -1, 1));
    Poll(capture, modbus, 2, 3);
    Run(capture);

    EXPECT_EQ(Servers(), std::vector<std::string>({"10.0.0.5:502 unit 1"}));
    EXPECT_EQ(transactions_.size(), 3u);
    EXPECT_FALSE(Warned("carried no Modbus/TCP"));
}

// Both ends on port 502 and no handshake, and the capture begins with the echo of a write it
// missed: only the order in time tells the client (it sends an id first) from the server (it
// echoes the write with that id).
TEST_F(ModbusPortTraffic, BothEndsOnPort502WithWritesOnlyFindTheServerByTheEcho) {
    Capture capture;
    Link link{"10.0.0.9", 502, "10.0.0.5", 502};
    auto write = [](uint16_t id) {
        return ModbusTcpAdu(1, {0x06, 0x00, static_cast<uint8_t>(id), 0x00, 0x07}, id);
    };
    capture.Send(link, false, write(0));
    for (uint16_t id = 1; id <= 3; ++id) {
        capture.Send(link, true, write(id)).Send(link, false, write(id));
    }
    Run(capture);

    EXPECT_EQ(Servers(), std::vector<std::string>({"10.0.0.5:502 unit 1"}));
    ASSERT_EQ(transactions_.size(), 4u);
    EXPECT_TRUE(transactions_[0]["request"].is_null());  // the echo nobody was seen to ask for
    for (const Json& t : transactions_) {
        EXPECT_EQ(t["server"], "10.0.0.5:502");
        EXPECT_EQ(t["client"], "10.0.0.9:502");
        if (!t["request"].is_null()) {
            EXPECT_EQ(t["request"]["capture_frame"].get<int>() + 1,
                      t["response"]["capture_frame"].get<int>());
        }
    }
}

TEST_F(ModbusPortTraffic, AScanOfEveryFunctionCodeAnsweredWithExceptionsIsKept) {
    Capture capture;
    Link scan{"10.0.0.9", 40000, "10.0.0.5", 502};
    Interleave(capture, {{&scan, FunctionScan()}});
    Run(capture);

    ASSERT_EQ(transactions_.size(), 128u);
    EXPECT_EQ(Answered("10.0.0.9:40000", "10.0.0.5:502"), 128u);
    for (const Json& t : transactions_) {
        EXPECT_EQ(t["exception"]["code"], 1);
    }
    EXPECT_EQ(Servers(), std::vector<std::string>({"10.0.0.5:502 unit 1"}));
    EXPECT_EQ(summary_["capture"]["connections"], 1);
    EXPECT_EQ(summary_["passed_over"], Json::parse(R"({"count": 0, "connections": []})"));
    EXPECT_FALSE(Warned("passed over"));
}

TEST_F(ModbusPortTraffic, AVendorFunctionInChainedMbapIsKept) {
    Capture capture;
    Link plc{"10.0.0.9", 40000, "10.0.0.5", 502};
    Interleave(capture, {{&plc, VendorSession()}});
    Run(capture);

    ASSERT_EQ(transactions_.size(), 6u);
    EXPECT_EQ(Answered("10.0.0.9:40000", "10.0.0.5:502"), 6u);
    EXPECT_EQ(Servers(), std::vector<std::string>({"10.0.0.5:502 unit 0"}));
    EXPECT_EQ(summary_["passed_over"]["count"], 0);
}

TEST_F(ModbusPortTraffic, FuzzedFunctionsAndLengthsInsideValidMbapAreKept) {
    Capture capture;
    Link fuzzer{"10.0.0.9", 40000, "10.0.0.5", 502};
    Interleave(capture, {{&fuzzer, FuzzedFrames(60)}});
    Run(capture);

    EXPECT_EQ(transactions_.size(), 60u);
    EXPECT_EQ(Answered("10.0.0.9:40000", "10.0.0.5:502"), 60u);
    EXPECT_EQ(summary_["capture"]["connections"], 1);
    EXPECT_EQ(summary_["passed_over"]["count"], 0);
}

// Each is named with its ends, the bytes each end sent and the protocol id its first bytes
// would carry as an MBAP header.
TEST_F(ModbusPortTraffic, RpcHttpAndTlsOnPort502ArePassedOverAndNamed) {
    Capture capture;
    Link rpc{"10.0.0.7", 900, "10.0.0.6", 502};
    Link http{"10.0.0.8", 41000, "10.0.0.6", 502};
    Link tls{"10.0.0.10", 42000, "10.0.0.6", 502};
    Link modbus{"10.0.0.9", 40000, "10.0.0.5", 502};
    Interleave(capture, {{&rpc, Rpc()}, {&http, Http()}, {&tls, Tls()}});
    Poll(capture, modbus, 1, 1);
    Run(capture);

    EXPECT_EQ(summary_["capture"]["connections"], 1);
    EXPECT_EQ(summary_["passed_over"]["count"], 3);
    const struct {
        const char* client;
        Exchange exchange;
    } expected[] = {
        {"10.0.0.7:900", Rpc()}, {"10.0.0.8:41000", Http()}, {"10.0.0.10:42000", Tls()}};
    for (const auto& e : expected) {
        const Json named = PassedOver(e.client);
        ASSERT_FALSE(named.is_null()) << e.client;
        EXPECT_EQ(named["server"], "10.0.0.6:502");
        EXPECT_EQ(named["client_bytes"], BytesSent(e.exchange, true)) << e.client;
        EXPECT_EQ(named["server_bytes"], BytesSent(e.exchange, false)) << e.client;
        const std::string reason = named["reason"];
        EXPECT_NE(reason.find("protocol id " + ProtocolIdOf(e.exchange[0].second)),
                  std::string::npos)
            << reason;
        EXPECT_TRUE(Warned(std::string("passed over ") + e.client + " -> 10.0.0.6:502"));
    }
    EXPECT_TRUE(
        Warned("3 connections on a Modbus port carried no Modbus/TCP and were passed over"));
    // The page's capture section lists them.
    const std::string page = ReadFileText("report.html");
    const size_t table = page.find("id=\"passed-over-table\"");
    ASSERT_NE(table, std::string::npos);
    EXPECT_LT(page.find("<section id=\"capture\">"), table);
    EXPECT_GT(page.find("</section>", table), page.find("10.0.0.10:42000", table));
}

// A warning per connection up to the bound, then the count of them all.
TEST_F(ModbusPortTraffic, PassedOverConnectionsAreWarnedOfUpToTheBoundThenCounted) {
    Capture capture;
    std::vector<Link> links;
    for (uint16_t i = 0; i < 40; ++i) {
        links.push_back(Link{"10.0.0.8", static_cast<uint16_t>(41000 + i), "10.0.0.6", 502});
    }
    for (Link& link : links) {
        capture.Send(link, true, Text(kHttpGet)).Send(link, false, Text(kHttpRefusal));
    }
    Link modbus{"10.0.0.9", 40000, "10.0.0.5", 502};
    Poll(capture, modbus, 1, 1);
    Run(capture);

    size_t named = 0;
    for (const std::string& warning : host_.warnings) {
        named += warning.rfind("passed over 10.0.0.8:", 0) == 0;
    }
    EXPECT_EQ(named, 32u);
    EXPECT_TRUE(
        Warned("40 connections on a Modbus port carried no Modbus/TCP and were passed "
               "over (the first 32 are named)"));
    EXPECT_EQ(summary_["passed_over"]["count"], 40);
    EXPECT_EQ(summary_["passed_over"]["connections"].size(), 32u);
}

// A client's GET that the server never answers frames no Modbus/TCP message: no Modbus
// connection (one stray header alone does not pass a connection over, so it is not named either).
TEST_F(ModbusPortTraffic, AConnectionThatFramedNoMessageIsNoModbusConnection) {
    Capture capture;
    Link http{"10.0.0.8", 41000, "10.0.0.6", 502};
    Link modbus{"10.0.0.9", 40000, "10.0.0.5", 502};
    capture.Send(http, true, Text(kHttpGet));
    Poll(capture, modbus, 1, 2);
    Run(capture);

    EXPECT_EQ(summary_["capture"]["connections"], 1);
    EXPECT_EQ(transactions_.size(), 2u);
}

TEST_F(ModbusPortTraffic, KeptAndPassedOverConnectionsMixedInOneCapture) {
    Capture capture;
    Link scan{"10.0.0.9", 40000, "10.0.0.5", 502};
    Link plc{"10.0.0.9", 40001, "10.0.0.4", 502};
    Link fuzzer{"10.0.0.9", 40002, "10.0.0.3", 502};
    Link rpc{"10.0.0.7", 900, "10.0.0.6", 502};
    Link http{"10.0.0.8", 41000, "10.0.0.6", 502};
    Link tls{"10.0.0.10", 42000, "10.0.0.6", 502};
    Interleave(capture, {{&scan, FunctionScan()},
                         {&rpc, Rpc()},
                         {&plc, VendorSession()},
                         {&http, Http()},
                         {&fuzzer, FuzzedFrames(20)},
                         {&tls, Tls()}});
    Run(capture);

    EXPECT_EQ(Answered("10.0.0.9:40000", "10.0.0.5:502"), 128u);
    EXPECT_EQ(Answered("10.0.0.9:40001", "10.0.0.4:502"), 6u);
    EXPECT_EQ(Answered("10.0.0.9:40002", "10.0.0.3:502"), 20u);
    EXPECT_EQ(transactions_.size(), 154u);
    EXPECT_EQ(summary_["capture"]["connections"], 3);
    EXPECT_EQ(summary_["passed_over"]["count"], 3);
    for (const char* client : {"10.0.0.7:900", "10.0.0.8:41000", "10.0.0.10:42000"}) {
        EXPECT_FALSE(PassedOver(client).is_null()) << client;
    }
}

// Both ends on port 502, no handshake, and writes that read either way and are never echoed: no
// end is known to serve, and each transaction's server is the end its request went to. The
// summary's devices are those servers, as the transaction log has them.
TEST_F(ModbusPortTraffic, BothEndsOnPort502WithoutAnEchoGiveEachTransactionsServerItsDevice) {
    Capture capture;
    Link link{"10.0.0.9", 502, "10.0.0.5", 502};
    capture.Send(link, true, ModbusTcpAdu(1, {0x06, 0x00, 0x01, 0x00, 0x07}, 1));
    capture.Send(link, false, ModbusTcpAdu(1, {0x06, 0x00, 0x02, 0x00, 0x08}, 7));
    Run(capture);

    ASSERT_EQ(transactions_.size(), 2u);
    std::set<std::string> servers;
    for (const Json& t : transactions_) {
        servers.insert(t["server"].get<std::string>() + " unit 1");
    }
    EXPECT_EQ(servers, std::set<std::string>({"10.0.0.5:502 unit 1", "10.0.0.9:502 unit 1"}));
    const std::vector<std::string> devices = Servers();
    EXPECT_EQ(std::set<std::string>(devices.begin(), devices.end()), servers);
    for (const Json& device : summary_["devices"]) {
        EXPECT_EQ(device["requests"], 1) << device["server"];
    }
}
