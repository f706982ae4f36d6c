// The function table against the Modbus Application Protocol (v1.1b3): the data model's tables,
// what each function does to them, what its response echoes and how long its PDUs are.

#include "modbus/function_table.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<const FunctionInfo*> AllFunctions() {
    std::vector<const FunctionInfo*> all;
    for (int code = 0; code < 256; ++code) {
        if (const FunctionInfo* info = FindFunction(code)) {
            all.push_back(info);
        }
    }
    return all;
}

bool Writes(const FunctionInfo& f) {
    return f.access == TableAccess::Write || f.access == TableAccess::ReadWrite;
}

// The size a PDU must have by `rule`, read from the PDU's own byte count where it has one.
size_t SizeByRule(const PduLength& rule, const std::vector<uint8_t>& pdu) {
    if (rule.kind == PduLength::Kind::Fixed) {
        return rule.bytes;
    }
    return rule.bytes + 1u + (rule.bytes < pdu.size() ? pdu[rule.bytes] : 0u);
}

ByteView View(const std::vector<uint8_t>& bytes) {
    return ByteView(bytes);
}

}  // namespace

TEST(FunctionTable, PublicCodesAreOneToTwentyFourAndFortyThree) {
    std::vector<int> codes;
    for (const FunctionInfo* f : AllFunctions()) {
        codes.push_back(f->code);
    }
    std::vector<int> expected;
    for (int code = 1; code <= 24; ++code) {
        expected.push_back(code);
    }
    expected.push_back(43);
    EXPECT_EQ(codes, expected);
    EXPECT_TRUE(IsPublicFunctionCode(3 | kExceptionBit));
    EXPECT_FALSE(IsPublicFunctionCode(kExceptionBit));
    EXPECT_FALSE(IsPublicFunctionCode(65));
    EXPECT_TRUE(IsUserDefinedFunctionCode(65));
    EXPECT_TRUE(IsUserDefinedFunctionCode(110 | kExceptionBit));
    EXPECT_FALSE(IsUserDefinedFunctionCode(73));
    EXPECT_FALSE(IsUserDefinedFunctionCode(99));
}

// Discrete inputs and input registers are read-only in the data model; each table has one
// function that reads it alone, and its Modicon references start at 0xxxx, 1xxxx, 3xxxx, 4xxxx.
TEST(FunctionTable, TablesAndTheirReferenceBases) {
    int readers[kPointTableCount] = {};
    for (const FunctionInfo* f : AllFunctions()) {
        if (!f->hasTable) {
            EXPECT_EQ(f->access, TableAccess::None) << f->code;
            continue;
        }
        EXPECT_TRUE(f->decoded) << f->code;
        EXPECT_EQ(GetReferenceNumber(0, f->code), ReferenceBase(f->table)) << f->code;
        if (Writes(*f)) {
            EXPECT_TRUE(f->table == PointTable::Coils || f->table == PointTable::HoldingRegisters)
                << f->code;
        }
        if (f->access == TableAccess::Read) {
            ++readers[static_cast<int>(f->table)];
        }
    }
    for (int count : readers) {
        EXPECT_EQ(count, 1);
    }
    const int prefixes[kPointTableCount] = {0, 1, 3, 4};
    for (int t = 0; t < kPointTableCount; ++t) {
        EXPECT_EQ(ReferenceBase(static_cast<PointTable>(t)), prefixes[t] * 10000 + 1);
    }
}

// A write's normal response echoes it: the whole request where the request is as fixed as the
// response (5, 6, 22), function, address and quantity where the request carries a list of
// values (15, 16). Read or Write Multiple Registers answers with the registers it read.
TEST(FunctionTable, WritesEchoTheirRequestsAsTheProtocolSays) {
    for (const FunctionInfo* f : AllFunctions()) {
        if (!f->hasTable) {
            continue;
        }
        if (f->access == TableAccess::Write) {
            const bool listOfValues = f->request.kind == PduLength::Kind::ByteCount;
            EXPECT_EQ(f->echo, listOfValues ? EchoRule::AddressAndQuantity : EchoRule::WholeRequest)
                << f->code;
        } else {
            EXPECT_EQ(f->echo, EchoRule::None) << f->code;
        }
        if (f->echo == EchoRule::WholeRequest) {
            EXPECT_EQ(f->response.kind, f->request.kind) << f->code;
            EXPECT_EQ(f->response.bytes, f->request.bytes) << f->code;
        }
        if (f->echo == EchoRule::AddressAndQuantity) {
            EXPECT_EQ(f->response.kind, PduLength::Kind::Fixed) << f->code;
            EXPECT_EQ(f->response.bytes, 5) << f->code;
        }
    }
    // Write File Record answers with an echo too, though it addresses no table.
    EXPECT_EQ(FindFunction(21)->echo, EchoRule::WholeRequest);
    EXPECT_TRUE(WritesPoints(23));
    EXPECT_FALSE(WritesPoints(21));
    EXPECT_FALSE(WritesPoints(3));
}

// Requests and responses as the protocol lays them out, measured by the table's length rules.
TEST(FunctionTable, LengthRulesMeasureProtocolExamples) {
    struct Example {
        std::vector<uint8_t> request;
        std::vector<uint8_t> response;
    };
    const Example examples[] = {
        {{0x01, 0x00, 0x13, 0x00, 0x13}, {0x01, 0x03, 0xCD, 0x6B, 0x05}},
        {{0x02, 0x00, 0xC4, 0x00, 0x16}, {0x02, 0x03, 0xAC, 0xDB, 0x35}},
        {{0x03, 0x00, 0x6B, 0x00, 0x03}, {0x03, 0x06, 0x02, 0x2B, 0x00, 0x00, 0x00, 0x64}},
        {{0x04, 0x00, 0x08, 0x00, 0x01}, {0x04, 0x02, 0x00, 0x0A}},
        {{0x05, 0x00, 0xAC, 0xFF, 0x00}, {0x05, 0x00, 0xAC, 0xFF, 0x00}},
        {{0x06, 0x00, 0x01, 0x00, 0x03}, {0x06, 0x00, 0x01, 0x00, 0x03}},
        {{0x07}, {0x07, 0x6D}},
        {{0x0B}, {0x0B, 0xFF, 0xFF, 0x01, 0x08}},
        {{0x0C}, {0x0C, 0x08, 0x00, 0x00, 0x01, 0x08, 0x01, 0x21, 0x20, 0x00}},
        {{0x0F, 0x00, 0x13, 0x00, 0x0A, 0x02, 0xCD, 0x01}, {0x0F, 0x00, 0x13, 0x00, 0x0A}},
        {{0x10, 0x00, 0x01, 0x00, 0x02, 0x04, 0x00, 0x0A, 0x01, 0x02},
         {0x10, 0x00, 0x01, 0x00, 0x02}},
        {{0x11}, {0x11, 0x02, 0x01, 0xFF}},
        {{0x16, 0x00, 0x04, 0x00, 0xF2, 0x00, 0x25}, {0x16, 0x00, 0x04, 0x00, 0xF2, 0x00, 0x25}},
        {{0x17, 0x00, 0x03, 0x00, 0x06, 0x00, 0x0E, 0x00, 0x03, 0x06, 0x00, 0xFF, 0x00, 0xFF, 0x00,
          0xFF},
         {0x17, 0x0C, 0x00, 0xFE, 0x0A, 0xCD, 0x00, 0x01, 0x00, 0x03, 0x00, 0x0D, 0x00, 0xFF}},
    };
    for (const Example& e : examples) {
        const FunctionInfo* f = FindFunction(e.request[0]);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(SizeByRule(f->request, e.request), e.request.size()) << f->code;
        EXPECT_EQ(SizeByRule(f->response, e.response), e.response.size()) << f->code;
        EXPECT_EQ(IsEchoOf(View(e.response), View(e.request)), f->echo != EchoRule::None)
            << f->code;
    }
}

// An echo is judged on the bytes the rule repeats; a length that is wrong besides is the length
// checks' to find.
TEST(FunctionTable, AnEchoIsJudgedOnTheEchoedPart) {
    const std::vector<uint8_t> single = {0x06, 0x00, 0x01, 0x00, 0x03};
    const std::vector<uint8_t> multiple = {0x10, 0x00, 0x01, 0x00, 0x01, 0x02, 0x00, 0x0A};
    const std::vector<uint8_t> maskWrite = {0x16, 0x00, 0x04, 0x00, 0xF2, 0x00, 0x25};
    EXPECT_FALSE(IsEchoOf(View({0x06, 0x00, 0x01, 0x00, 0x04}), View(single)));
    EXPECT_FALSE(IsEchoOf(View({0x06, 0x00, 0x01, 0x00}), View(single)));
    EXPECT_TRUE(IsEchoOf(View({0x06, 0x00, 0x01, 0x00, 0x03, 0x00}), View(single)));
    EXPECT_EQ(EchoedPart(View({0x06, 0x00, 0x01, 0x00, 0x03, 0xEE})).size(), 5u);
    EXPECT_TRUE(IsEchoOf(View({0x10, 0x00, 0x01, 0x00, 0x01}), View(multiple)));
    EXPECT_FALSE(IsEchoOf(View({0x10, 0x00, 0x01, 0x00, 0x02}), View(multiple)));
    EXPECT_TRUE(IsEchoOf(View(maskWrite), View(maskWrite)));
    EXPECT_FALSE(IsEchoOf(View({0x16, 0x00, 0x04, 0x00, 0xF2, 0x00, 0x26}), View(maskWrite)));
    // A request too short to hold what is echoed has nothing to echo.
    EXPECT_TRUE(EchoedPart(View({0x06, 0x00, 0x01})).empty());
    EXPECT_TRUE(EchoedPart(View({0x16, 0x00, 0x04, 0x00, 0xF2})).empty());
    EXPECT_TRUE(EchoedPart(View({0x03, 0x00, 0x01, 0x00, 0x01})).empty());
}

// The report keeps the old Modicon names of 1 to 24; the log names every public code, with the
// later names, and the users' ranges.
TEST(FunctionTable, ReportAndLogNames) {
    for (const FunctionInfo* f : AllFunctions()) {
        EXPECT_STRNE(GetFunctionLogName(f->code), "Unknown") << f->code;
        EXPECT_EQ(std::string(GetFunctionName(f->code)) == "Unknown", f->code > 24) << f->code;
    }
    EXPECT_STREQ(GetFunctionLogName(8), "Diagnostics");
    EXPECT_STREQ(GetFunctionLogName(3), GetFunctionName(3));
    EXPECT_STREQ(GetFunctionLogName(65), "User Defined");
    EXPECT_STREQ(GetFunctionLogName(65 | kExceptionBit), "Unknown");
    EXPECT_STREQ(GetFunctionLogName(99), "Unknown");
}
