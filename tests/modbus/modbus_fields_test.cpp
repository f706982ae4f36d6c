// CRC, catalogue and field helpers of the frame analyser.

#include <gtest/gtest.h>

#include "modbus/frame_fields.h"
#include "modbus/frame_view.h"
#include "modbus/function_table.h"
#include "modbus/modbus_crc.h"

TEST(ModbusCrc, PublishedVectors) {
    const uint8_t poll[] = {0x01, 0x03, 0x00, 0x00, 0x00, 0x01};
    EXPECT_EQ(ModbusCRC16(poll, sizeof(poll)), 0x840A);
    const uint8_t other[] = {0x11, 0x03, 0x00, 0x6B, 0x00, 0x03};
    EXPECT_EQ(ModbusCRC16(other, sizeof(other)), 0x7687);
    const char* digits = "123456789";
    EXPECT_EQ(ModbusCRC16(reinterpret_cast<const uint8_t*>(digits), 9), 0x374B);
    EXPECT_EQ(ModbusCRC16(poll, 0), 0xFFFF);
}

TEST(FunctionCatalogue, NamesIncludingUnknownCodes) {
    EXPECT_STREQ(GetFunctionName(3), "Read Holding Registers");
    EXPECT_STREQ(GetFunctionName(17), "Report Slave ID");
    EXPECT_STREQ(GetFunctionName(23), "Read or Write 4x Registers");
    EXPECT_STREQ(GetFunctionName(24), "Read Fifo Qeue");
    // The report keeps these names; the transaction log names 8, 20, 43 and 65 its own way.
    EXPECT_STREQ(GetFunctionName(8), "Diagnostic");
    EXPECT_STREQ(GetFunctionName(20), "Read General Reference");
    EXPECT_STREQ(GetFunctionName(43), "Unknown");
    EXPECT_STREQ(GetFunctionName(65), "Unknown");
    EXPECT_STREQ(GetFunctionName(0), "Unknown");
    EXPECT_STREQ(GetFunctionName(25), "Unknown");
    EXPECT_STREQ(GetFunctionName(131), "Unknown");
}

TEST(FunctionCatalogue, DecodedFunctions) {
    for (int code : {1, 2, 3, 4, 5, 6, 7, 11, 12, 15, 16, 17, 22, 23})
        EXPECT_TRUE(IsDecodedFunction(code)) << code;
    for (int code : {0, 8, 9, 10, 13, 14, 18, 19, 20, 21, 24, 25, 131})
        EXPECT_FALSE(IsDecodedFunction(code)) << code;
}

TEST(FunctionCatalogue, ReferenceNumbers) {
    EXPECT_EQ(GetReferenceNumber(0, 3), 40001);
    EXPECT_EQ(GetReferenceNumber(9, 2), 10010);
    EXPECT_EQ(GetReferenceNumber(0, 4), 30001);
    EXPECT_EQ(GetReferenceNumber(7, 15), 8);
    EXPECT_EQ(GetReferenceNumber(7, 5), 8);
    EXPECT_EQ(GetReferenceNumber(3, 22), 40004);
    EXPECT_EQ(GetReferenceNumber(5, 17), 65535);
    EXPECT_EQ(GetReferenceNumber(5, 8), 65535);
    EXPECT_EQ(GetReferenceNumber(5, 0), 99999);
    EXPECT_EQ(GetReferenceNumber(5, 25), 99999);
}

TEST(FrameView, WordsAndReadsOutsideTheFrame) {
    const std::vector<uint8_t> bytes = {0, 0, 0, 0, 0x12, 0x34, 0x56};
    const FrameView frame(ByteView(bytes.data(), 6));
    EXPECT_EQ(frame.size(), 6);
    EXPECT_EQ(frame.Word(4), 0x1234);
    EXPECT_EQ(frame.Word(5), 0x3400);  // byte 6 lies outside the frame
    EXPECT_EQ(frame[6], 0);
    EXPECT_EQ(frame[-1], 0);
    EXPECT_TRUE(FrameView().empty());
}

TEST(FrameView, LooksAtTheFirst1000BytesOnly) {
    std::vector<uint8_t> bytes(1200, 0x11);
    bytes[999] = 0x22;
    const FrameView frame{ByteView(bytes)};
    EXPECT_EQ(frame.size(), 1000);
    EXPECT_EQ(frame[999], 0x22);
    EXPECT_EQ(frame[1000], 0);
    EXPECT_EQ(frame.Word(999), 0x2200);
    EXPECT_EQ(FrameView(ByteView(bytes.data(), 999)).size(), 999);
}

TEST(FrameFields, BitsAndTexts) {
    EXPECT_EQ(GetBit(0x20, 5), 32);
    EXPECT_EQ(GetBit(0x20, 4), 0);
    EXPECT_EQ(GetBit(0x01, 32), 1);
    EXPECT_STREQ(GetOnOffText(0x1234), "On");
    EXPECT_STREQ(GetOnOffText(0), "Off");
    EXPECT_STREQ(GetRunIndicatorText(0), "Off");
    EXPECT_STREQ(GetRunIndicatorText(255), "On");
    EXPECT_STREQ(GetRunIndicatorText(1), "Unkown - 0x00==Off 0xff==On");
    EXPECT_EQ(CheckByteCount(0, 5), -1);
    EXPECT_EQ(CheckByteCount(3, 8), 0);
    EXPECT_EQ(CheckByteCount(3, 9), -1);
}
