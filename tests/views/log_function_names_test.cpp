// The function names of the transaction log, against the Modbus application protocol's names.

#include "views/log_function_names.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "modbus/rtu_frame.h"
#include "views/transaction_log.h"

namespace {

struct NamedCode {
    int code;
    const char* name;
};

constexpr NamedCode kNames[] = {
    {1, "Read Coil Status"},  {8, "Diagnostics"},
    {20, "Read File Record"}, {21, "Write File Record"},
    {24, "Read FIFO Queue"},  {0, "Unknown"},
    {25, "Unknown"},          {43, "Encapsulated Interface Transport"},
    {44, "Unknown"},          {64, "Unknown"},
    {65, "User Defined"},     {72, "User Defined"},
    {73, "Unknown"},          {99, "Unknown"},
    {100, "User Defined"},    {110, "User Defined"},
    {111, "Unknown"},
};

// A transaction of function 43 with the given request PDU and no response.
std::string LoggedName(const std::vector<uint8_t>& requestPdu) {
    CModbusMessage request;
    request.unit = 1;
    request.frame = RtuFrameOf(1, ByteView(requestPdu));
    Transaction transaction;
    transaction.request = request;
    transaction.request->number = 1;
    DecodeFrames(transaction);
    const nlohmann::json line =
        nlohmann::json::parse(TransactionLogLine(transaction, Derivation()));
    return line["function_name"].get<std::string>();
}

}  // namespace

TEST(LogFunctionNames, NameStandardAndUserDefinedCodes) {
    for (const NamedCode& named : kNames) {
        EXPECT_STREQ(LogFunctionName(named.code), named.name) << "function " << named.code;
    }
}

TEST(LogFunctionNames, ReadDeviceIdentificationByItsMeiType) {
    EXPECT_STREQ(LogFunctionName(43, 14), "Read Device Identification");
    EXPECT_STREQ(LogFunctionName(43, 13), "Encapsulated Interface Transport");
    EXPECT_STREQ(LogFunctionName(3, 14), "Read Holding Registers");
    EXPECT_EQ(LoggedName({0x2B, 0x0E, 0x01, 0x00}), "Read Device Identification");
    EXPECT_EQ(LoggedName({0x2B, 0x0D, 0x00}), "Encapsulated Interface Transport");
    EXPECT_EQ(LoggedName({0x2B}), "Encapsulated Interface Transport");
    EXPECT_EQ(LoggedName({0x41, 0x00}), "User Defined");
}
