// The decoder finds what the Ethernet/IPv4 locator of the analysis has always found, on the
// records that locator reads: same offsets, lengths and addresses, and the same records passed
// over (except later IPv4 fragments, which the decoder now passes over too).

#include <gtest/gtest.h>

#include <random>

#include "analysis/modbus_extraction.h"
#include "network/segment_decoder.h"
#include "tests/support/pcap_builder.h"

TEST(LegacyLocatorMatch, SameResultsOnMutatedEthernetIpv4Records) {
    std::mt19937 random(20240611);
    const Bytes adu = ModbusTcpAdu(1, {0x03, 0x00, 0x00, 0x00, 0x0A});
    int segments = 0;
    for (int round = 0; round < 20000; ++round) {
        PacketOptions options;
        options.vlanTag = random() % 2 == 0;
        options.ipOptionBytes = 4 * static_cast<int>(random() % 3);
        options.tcpOptionBytes = 4 * static_cast<int>(random() % 3);
        options.ethernetPadding = static_cast<int>(random() % 8);
        Bytes record = TcpPacket(adu, options);
        // Mutate the IP and TCP headers, sometimes cut the record.
        const size_t ip = options.vlanTag ? 18 : 14;
        for (int m = static_cast<int>(random() % 4); m > 0; --m) {
            record[ip + random() % (record.size() - ip)] = static_cast<uint8_t>(random());
        }
        if (random() % 3 == 0) {
            record.resize(random() % (record.size() + 1));
        }
        SCOPED_TRACE(round);
        TcpPayload legacy;
        const bool found =
            LocateTcpPayload(record.data(), static_cast<int32_t>(record.size()), legacy);
        TcpSegment segment;
        const LinkDecodeResult result = DecodeTcpSegment(1, ByteView(record), segment);
        const bool laterFragment =
            record.size() >= ip + 8 && ((record[ip + 6] << 8 | record[ip + 7]) & 0x1FFF) != 0;
        if (found && laterFragment) {
            EXPECT_EQ(result, LinkDecodeResult::NotTcp);
            continue;
        }
        ASSERT_EQ(result == LinkDecodeResult::Segment, found);
        if (found) {
            ++segments;
            EXPECT_EQ(segment.ipOffset, ip);
            EXPECT_EQ(segment.payloadOffset, static_cast<size_t>(legacy.offset));
            EXPECT_EQ(segment.declaredPayloadLength, legacy.length);
            EXPECT_EQ(segment.source, IpAddress::V4(legacy.source[0], legacy.source[1],
                                                    legacy.source[2], legacy.source[3]));
            EXPECT_EQ(segment.destination,
                      IpAddress::V4(legacy.destination[0], legacy.destination[1],
                                    legacy.destination[2], legacy.destination[3]));
        }
    }
    EXPECT_GT(segments, 1000);  // the comparison covered many found segments
}
