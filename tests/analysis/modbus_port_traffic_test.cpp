// What a Modbus port carries that is not plain client-to-server Modbus/TCP: another protocol
// (here ONC RPC), a real connection with one broken message, and a connection between two ends
// on port 502 whose start was not captured. The expectations follow from the protocols.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
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

const Bytes kRead = {0x03, 0x00, 0x00, 0x00, 0x02};
const Bytes kAnswer = {0x03, 0x04, 0x00, 0x2A, 0x00, 0x2B};

// A client polling unit 1 of 10.0.0.5:502 `count` times, ids from `firstId`.
void Poll(Capture& capture, Link& link, uint16_t firstId, int count) {
    for (uint16_t id = firstId; id < firstId + count; ++id) {
        capture.Send(link, true, ModbusTcpAdu(1, kRead, id));
        capture.Send(link, false, ModbusTcpAdu(1, kAnswer, id));
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
