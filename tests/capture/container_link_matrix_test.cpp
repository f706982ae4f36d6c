// The same TCP segment, written in every container and behind every link layer, comes out of
// the capture source and the decoder alike.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "network/segment_decoder.h"
#include "tests/capture/capture_test_helpers.h"
#include "tests/support/capture_builder.h"
#include "tests/support/packet_builder.h"

namespace {

struct Framed {
    uint32_t linkType;
    Bytes record;
};

std::vector<Framed> EveryLinkLayer(const Bytes& v4, const Bytes& v6) {
    return {
        {1, OverEthernet(v4, kEtherIpv4)},
        {1, OverEthernet(v6, kEtherIpv6, {0x8100})},
        {113, OverSll(v4, kEtherIpv4)},
        {276, OverSll2(v6, kEtherIpv6)},
        {101, v4},
        {229, v6},
        {0, OverLoopback(v4, 2, false)},
        {108, OverLoopback(v6, 30, true)},
    };
}

// Each record in its own file: pcap in both byte orders and with nanoseconds, pcapng in both
// byte orders with each packet block kind.
std::vector<Bytes> EveryContainer(const Framed& packet) {
    std::vector<Bytes> files;
    for (int variant = 0; variant < 3; ++variant) {
        PcapBuilder pcap;
        pcap.LinkType(packet.linkType);
        if (variant == 1) {
            pcap.BigEndian();
        }
        if (variant == 2) {
            pcap.Nanoseconds();
        }
        files.push_back(pcap.Record(packet.record).Build());
    }
    const uint16_t link = static_cast<uint16_t>(packet.linkType);
    for (bool bigEndian : {false, true}) {
        files.push_back(PcapngBuilder()
                            .Section(bigEndian)
                            .Interface(link)
                            .Enhanced(0, 0, packet.record)
                            .Build());
        files.push_back(PcapngBuilder()
                            .Section(bigEndian)
                            .Interface(link)
                            .Obsolete(0, 0, packet.record)
                            .Build());
    }
    // A Simple Packet Block takes its padding as captured bytes unless the original length says
    // less: the decoder still clips the payload to what IP declares.
    files.push_back(PcapngBuilder().Section().Interface(link).Simple(packet.record).Build());
    return files;
}

}  // namespace

TEST(ContainerLinkMatrix, SameSegmentFromEveryContainerAndLinkLayer) {
    TcpSpec tcp;
    tcp.payload = ModbusTcpAdu(7, {0x03, 0x00, 0x10, 0x00, 0x02}, 0x1234);
    const Bytes v4 = Ipv4Datagram(TcpBytes(tcp));
    const Bytes v6 = Ipv6Packet(TcpBytes(tcp), {{0, 8}});
    for (const Framed& packet : EveryLinkLayer(v4, v6)) {
        int container = 0;
        for (const Bytes& file : EveryContainer(packet)) {
            SCOPED_TRACE("link " + std::to_string(packet.linkType) + ", container " +
                         std::to_string(container++));
            auto source = OpenBytes(file);
            ASSERT_TRUE(source);
            CaptureRecord record;
            ASSERT_EQ(source->Next(record), CaptureOutcome::Record);
            EXPECT_EQ(record.linkType, packet.linkType);
            TcpSegment segment;
            ASSERT_EQ(DecodeTcpSegment(record.linkType, record.bytes, segment),
                      LinkDecodeResult::Segment);
            EXPECT_EQ(segment.payload.ToVector(), tcp.payload);
            EXPECT_EQ(segment.declaredPayloadLength, static_cast<int64_t>(tcp.payload.size()));
            EXPECT_EQ(segment.sourcePort, tcp.sourcePort);
            EXPECT_EQ(segment.destinationPort, tcp.destinationPort);
            EXPECT_EQ(segment.sequence, tcp.sequence);
            EXPECT_EQ(segment.payloadOffset + tcp.payload.size(), packet.record.size());
            EXPECT_EQ(source->Next(record), CaptureOutcome::End);
        }
    }
}

// Real captures beside the project, when present: every record is read and decoded, and there
// are as many as Wireshark's capinfos counts.
TEST(ContainerLinkMatrix, SharedCapturesReadToTheEnd) {
    namespace fs = std::filesystem;
    const char* sourceDir = std::getenv("ZEP_SOURCE_DIR");
    const fs::path folder =
        fs::path(sourceDir != nullptr ? sourceDir : ".") / ".." / "shared" / "captures";
    std::error_code error;
    if (!fs::is_directory(folder, error) || std::system("capinfos -h > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "no shared captures or no capinfos";
    }
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string path = entry.path().string();
        if (entry.path().extension() != ".pcap" && entry.path().extension() != ".pcapng") {
            continue;
        }
        SCOPED_TRACE(path);
        long expected = -1;
        if (FILE* pipe = popen(("capinfos -c -M '" + path + "' 2>/dev/null").c_str(), "r")) {
            char line[512];
            while (std::fgets(line, sizeof(line), pipe) != nullptr) {
                std::sscanf(line, "Number of packets: %ld", &expected);
            }
            pclose(pipe);
        }
        CaptureOpenError openError;
        auto source = OpenCaptureSource(path, openError);
        ASSERT_TRUE(source) << openError.message;
        CaptureRecord record;
        long count = 0;
        CaptureOutcome outcome;
        while ((outcome = source->Next(record)) == CaptureOutcome::Record) {
            ++count;
            TcpSegment segment;
            EXPECT_NE(DecodeTcpSegment(record.linkType, record.bytes, segment),
                      LinkDecodeResult::UnsupportedLink);
        }
        EXPECT_EQ(outcome, CaptureOutcome::End) << source->Failure().message;
        EXPECT_EQ(count, expected);
    }
}
