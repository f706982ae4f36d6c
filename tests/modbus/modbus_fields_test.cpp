// CRC, catalogue and field helpers of the frame analyser.

#include <gtest/gtest.h>

#include <cstring>

#include "modbus/frame_fields.h"
#include "modbus/function_catalogue.h"
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

TEST(ParseHexBytes, TokensAndDelimiters) {
    FrameValues values{};
    EXPECT_EQ(ParseHexBytes("01 03 00 00 00 01 84 0A ", values, kMaxFrameBytes), 8);
    EXPECT_EQ(values[0], 1);
    EXPECT_EQ(values[7], 0x0A);

    EXPECT_EQ(ParseHexBytes("[01],03:0A", values, kMaxFrameBytes), 3);
    EXPECT_EQ(values[2], 0x0A);
    EXPECT_EQ(ParseHexBytes("(ff){aB}<7>\t\r\n.c", values, kMaxFrameBytes), 4);
    EXPECT_EQ(values[0], 255);
    EXPECT_EQ(values[1], 0xAB);
    EXPECT_EQ(values[3], 12);
    EXPECT_EQ(ParseHexBytes("", values, kMaxFrameBytes), 0);
    EXPECT_EQ(ParseHexBytes(" ,: ", values, kMaxFrameBytes), 0);
}

TEST(ParseHexBytes, WideTokensAndLimits) {
    FrameValues values{};
    ASSERT_EQ(ParseHexBytes("1ff 02", values, kMaxFrameBytes), 2);
    EXPECT_EQ(values[0], 511);
    EXPECT_EQ(GetWord(values, 0), 511 * 256 + 2);
    ASSERT_EQ(ParseHexBytes("zz 3g", values, kMaxFrameBytes), 2);
    EXPECT_EQ(values[0], 0);
    EXPECT_EQ(values[1], 3);

    std::string many;
    for (int i = 0; i < 1200; ++i)
        many += "01 ";
    EXPECT_EQ(ParseHexBytes(many, values, kMaxFrameBytes), 1000);
    EXPECT_EQ(ParseHexBytes(many, values, 5), 5);

    // Only the first 9999 characters of a text are read.
    std::string longText(9999, ' ');
    longText += "05";
    EXPECT_EQ(ParseHexBytes(longText, values, kMaxFrameBytes), 0);
}

TEST(FrameFields, WordsBitsAndTexts) {
    FrameValues values{};
    values[4] = 0x12;
    values[5] = 0x34;
    EXPECT_EQ(GetWord(values, 4), 0x1234);
    EXPECT_EQ(GetWord(values, kMaxFrameBytes - 1), 0);  // past the list reads as 0
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
