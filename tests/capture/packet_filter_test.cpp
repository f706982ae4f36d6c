// Capture filters on file records: libpcap's offline filter, compiled for each record's link
// type, narrows a capture as the same filter narrows a live one.

#include "capture/packet_filter.h"

#include <gtest/gtest.h>

#include "capture/filtered_source.h"
#include "tests/capture/capture_test_helpers.h"
#include "tests/support/capture_builder.h"
#include "tests/support/packet_builder.h"

namespace {

constexpr uint16_t kLinkTypeEthernet = 1;
constexpr uint16_t kLinkTypeRaw = 101;

class CaptureFilter : public ::testing::Test {
protected:
    void SetUp() override {
        if (!PacketFiltersAvailable()) {
            GTEST_SKIP() << "this build has no libpcap";
        }
    }

    // The numbers of the records of `capture` that pass `expression`.
    static std::vector<uint64_t> Passing(const Bytes& capture, const std::string& expression) {
        std::string error;
        std::unique_ptr<PacketFilter> filter = CompilePacketFilter(expression, error);
        EXPECT_TRUE(filter) << error;
        if (!filter) {
            return {};
        }
        FilteredSource source(OpenBytes(capture), std::move(filter));
        std::vector<uint64_t> numbers;
        for (const CaptureRecord& record : ReadAll(source).records) {
            numbers.push_back(record.number);
        }
        return numbers;
    }
};

PacketOptions From(const std::string& source, uint16_t port = 502) {
    PacketOptions options;
    options.source = source;
    options.destinationPort = port;
    return options;
}

const Bytes kPoll = ModbusTcpAdu(1, {0x03, 0x00, 0x00, 0x00, 0x01});

}  // namespace

TEST_F(CaptureFilter, KeepsOnlyMatchingRecordsUnderTheirOwnNumbers) {
    const Bytes capture = PcapBuilder()
                              .Record(TcpPacket(kPoll, From("10.0.0.7")))
                              .Record(TcpPacket(kPoll, From("10.0.0.8")))
                              .Record(TcpPacket(kPoll, From("10.0.0.7", 1502)))
                              .Record(TcpPacket(kPoll, From("10.0.0.8", 1502)))
                              .Build();
    EXPECT_EQ(Passing(capture, "host 10.0.0.8"), (std::vector<uint64_t>{2, 4}));
    EXPECT_EQ(Passing(capture, "src 10.0.0.7 and tcp dst port 1502"), (std::vector<uint64_t>{3}));
    EXPECT_EQ(Passing(capture, "udp"), (std::vector<uint64_t>{}));
}

TEST_F(CaptureFilter, CompilesAProgramForEachLinkTypeOfAPcapng) {
    const Bytes ip = Ipv4Datagram(TcpBytes(TcpSpec{}));  // 10.0.0.9 to 10.0.0.5
    const Bytes capture = PcapngBuilder()
                              .Section()
                              .Interface(kLinkTypeEthernet)
                              .Interface(kLinkTypeRaw)
                              .Enhanced(0, 1, OverEthernet(ip, kEtherIpv4))
                              .Enhanced(1, 2, ip)
                              .Enhanced(0, 3, TcpPacket(kPoll, From("10.0.0.1")))
                              .Build();
    // The same IPv4 packet passes whether it came in an Ethernet frame or as raw IP.
    EXPECT_EQ(Passing(capture, "host 10.0.0.9 and tcp port 502"), (std::vector<uint64_t>{1, 2}));
    // A filter on Ethernet addresses does not compile for raw IP: those records do not pass.
    EXPECT_EQ(Passing(capture, "ether dst 00:11:22:33:44:55"), (std::vector<uint64_t>{1, 3}));
}

TEST_F(CaptureFilter, AFilterThatDoesNotCompileGivesLibpcapsMessage) {
    std::string error;
    EXPECT_FALSE(CompilePacketFilter("tcp prot 502", error));
    EXPECT_NE(error.find("syntax error"), std::string::npos) << error;
    EXPECT_FALSE(CompilePacketFilter("host no.such.host.invalid", error));
    EXPECT_FALSE(error.empty());
}
