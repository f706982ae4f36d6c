// The libpcap reader: header checks, record delivery and the records it steps over.

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "common/CLibPCaps.h"
#include "common/logging.h"
#include "tests/support/pcap_builder.h"
#include "tests/support/test_environment.h"

namespace {

class CaptureReader : public InTempDirectory {
protected:
    bool Open(const PcapBuilder& builder) {
        builder.WriteTo("capture.pcap");
        return reader_.GetFileInfo("capture.pcap");
    }
    std::string LastBox() const {
        return presenter_.boxes.empty() ? "" : presenter_.boxes.back().text;
    }

    CLibPCaps reader_;
    uint8_t buffer_[1024];
};

}  // namespace

TEST_F(CaptureReader, HeaderOnlyCaptureHasNoRecords) {
    ASSERT_TRUE(Open(PcapBuilder()));
    EXPECT_EQ(reader_.ReadPacket(buffer_, sizeof(buffer_)), CLibPCaps::READ_END);
    EXPECT_TRUE(presenter_.boxes.empty());
}

TEST_F(CaptureReader, RejectsWrongVersionLinkTypeAndByteOrder) {
    EXPECT_FALSE(Open(PcapBuilder().Version(2, 3)));
    EXPECT_EQ(LastBox(), "Invalid input file\nFile: capture.pcap");
    EXPECT_FALSE(Open(PcapBuilder().LinkType(105)));
    EXPECT_EQ(LastBox(), "Invalid input file\nFile: capture.pcap");
    EXPECT_FALSE(Open(PcapBuilder().BigEndian()));
    EXPECT_EQ(reader_.VersionMajor(), 512);
    EXPECT_EQ(reader_.VersionMinor(), 1024);
    EXPECT_EQ(presenter_.boxes.size(), 3u);
}

TEST_F(CaptureReader, RejectsPcapngAndShortFiles) {
    // Section header block: type, length 28, byte-order magic, version 1.0.
    WriteFile("capture.pcapng",
              {0x0A, 0x0D, 0x0D, 0x0A, 0x1C, 0,    0,    0,    0x4D, 0x3C, 0x2B, 0x1A, 1, 0,
               0,    0,    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x1C, 0,    0, 0});
    EXPECT_FALSE(reader_.GetFileInfo("capture.pcapng"));
    EXPECT_EQ(LastBox(), "Invalid input file\nFile: capture.pcapng");

    WriteFile("ten.pcap", Bytes(10, 0xD4));
    EXPECT_FALSE(reader_.GetFileInfo("ten.pcap"));
    EXPECT_EQ(LastBox(), "Can not read input file\nFile: ten.pcap");
}

TEST_F(CaptureReader, MissingFileRaisesPanicThenCanNotRead) {
    EXPECT_FALSE(reader_.GetFileInfo("missing.pcap"));
    ASSERT_EQ(presenter_.boxes.size(), 2u);
    EXPECT_EQ(presenter_.boxes[0].text.rfind("PANIC!\r\n\r\nFile=[", 0), 0u);
    EXPECT_NE(presenter_.boxes[0].text.find("Message=[File IO error]"), std::string::npos);
    EXPECT_EQ(presenter_.boxes[1].text, "Can not read input file\nFile: missing.pcap");
}

TEST_F(CaptureReader, DeliversRecordsUpToTheBufferSizeAndStepsOverLargerOnes) {
    ASSERT_TRUE(Open(
        PcapBuilder().Record(Bytes(1024, 0x11)).Record(Bytes(1500, 0x22)).Record(Bytes(60, 0x33))));
    EXPECT_EQ(reader_.ReadPacket(buffer_, sizeof(buffer_)), 1024);
    EXPECT_EQ(buffer_[1023], 0x11);
    EXPECT_EQ(reader_.ReadPacket(buffer_, sizeof(buffer_)), CLibPCaps::READ_SKIPPED);
    EXPECT_EQ(reader_.ReadPacket(buffer_, sizeof(buffer_)), 60);
    EXPECT_EQ(buffer_[0], 0x33);
    EXPECT_EQ(reader_.ReadPacket(buffer_, sizeof(buffer_)), CLibPCaps::READ_END);
    EXPECT_TRUE(presenter_.boxes.empty());  // no PANIC for the large record
}

TEST_F(CaptureReader, EmptyAndCutOffRecords) {
    ASSERT_TRUE(
        Open(PcapBuilder().Record(Bytes()).Record(Bytes(60, 1)).TruncatedRecord(Bytes(30, 2), 60)));
    EXPECT_EQ(reader_.ReadPacket(buffer_, sizeof(buffer_)), 0);
    EXPECT_EQ(reader_.ReadPacket(buffer_, sizeof(buffer_)), 60);
    EXPECT_EQ(reader_.ReadPacket(buffer_, sizeof(buffer_)), CLibPCaps::READ_END);
    EXPECT_TRUE(presenter_.boxes.empty());
}

TEST_F(CaptureReader, HostileRecordLengthEndsTheCapture) {
    Bytes bytes = PcapBuilder().Record(Bytes(60, 1)).Build();
    bytes[24 + 8] = bytes[24 + 9] = bytes[24 + 10] = bytes[24 + 11] = 0xFF;  // incl_len 4 GiB - 1
    WriteFile("capture.pcap", bytes);
    ASSERT_TRUE(reader_.GetFileInfo("capture.pcap"));
    EXPECT_EQ(reader_.ReadPacket(buffer_, sizeof(buffer_)), CLibPCaps::READ_SKIPPED);
    EXPECT_EQ(reader_.ReadPacket(buffer_, sizeof(buffer_)), CLibPCaps::READ_END);
}

TEST_F(CaptureReader, GetFileInfoRewinds) {
    ASSERT_TRUE(Open(PcapBuilder().Record(Bytes(60, 0xA1)).Record(Bytes(70, 0xB2))));
    EXPECT_EQ(reader_.ReadPacket(buffer_, sizeof(buffer_)), 60);
    EXPECT_EQ(reader_.ReadPacket(buffer_, sizeof(buffer_)), 70);
    ASSERT_TRUE(reader_.GetFileInfo("capture.pcap"));
    EXPECT_EQ(reader_.Position(), 24);
    EXPECT_EQ(reader_.ReadPacket(buffer_, sizeof(buffer_)), 60);
    EXPECT_EQ(buffer_[0], 0xA1);
}

TEST_F(CaptureReader, NoRecordsBeforeAHeaderWasRead) {
    EXPECT_EQ(reader_.ReadPacket(buffer_, sizeof(buffer_)), CLibPCaps::READ_END);
}

TEST_F(CaptureReader, RecordsBeyondTwoGibibytesAreRead) {
    // A sparse file: a record of almost 4 GiB, stepped over, then a small record behind it.
    const uint32_t hugeLength = 0xF0000000u;
    Bytes head = PcapBuilder().Build();
    const Bytes recordHeader = {0,    0,    0,    0,    0,    0,    0,    0,
                                0x00, 0x00, 0x00, 0xF0, 0x00, 0x00, 0x00, 0xF0};
    head.insert(head.end(), recordHeader.begin(), recordHeader.end());
    const Bytes tail = PcapBuilder().Record(Bytes(60, 0x5A)).Build();
    {
        std::ofstream file("big.pcap", std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(head.data()),
                   static_cast<std::streamsize>(head.size()));
        file.seekp(static_cast<std::streamoff>(head.size()) + hugeLength);
        file.write(reinterpret_cast<const char*>(tail.data()) + 24,
                   static_cast<std::streamsize>(tail.size() - 24));
        ASSERT_TRUE(file.good());
    }
    ASSERT_TRUE(reader_.GetFileInfo("big.pcap"));
    EXPECT_EQ(reader_.ReadPacket(buffer_, sizeof(buffer_)), CLibPCaps::READ_SKIPPED);
    EXPECT_EQ(reader_.ReadPacket(buffer_, sizeof(buffer_)), 60);
    EXPECT_EQ(buffer_[59], 0x5A);
    EXPECT_EQ(reader_.Position(), 24 + 16 + int64_t{hugeLength} + 16 + 60);
    EXPECT_EQ(reader_.ReadPacket(buffer_, sizeof(buffer_)), CLibPCaps::READ_END);
}
