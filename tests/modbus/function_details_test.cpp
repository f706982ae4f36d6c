// Details of functions 8, 20, 21, 24 and 43/14, from PDUs written by hand after the layouts and
// examples of the Modbus Application Protocol v1.1b3.

#include "modbus/function_details.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

using Bytes = std::vector<uint8_t>;
using Words = std::vector<uint16_t>;

FunctionDetails Decoded(const Bytes& pdu, PduKind kind) {
    const std::optional<FunctionDetails> details = DecodeFunctionDetails(ByteView(pdu), kind);
    EXPECT_TRUE(details.has_value());
    return details.value_or(FunctionDetails());
}

template <typename T>
T As(const Bytes& pdu, PduKind kind, bool malformed = false) {
    const FunctionDetails details = Decoded(pdu, kind);
    EXPECT_EQ(details.malformed, malformed);
    EXPECT_TRUE(std::holds_alternative<T>(details.content));
    return std::holds_alternative<T>(details.content) ? std::get<T>(details.content) : T();
}

// A 43/14 object: id, length, the text.
Bytes Object(uint8_t id, const std::string& text) {
    Bytes bytes(text.begin(), text.end());
    bytes.insert(bytes.begin(), {id, static_cast<uint8_t>(text.size())});
    return bytes;
}

Bytes Join(Bytes head, const Bytes& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

// Basic stream, conformity 0x81, more follows, next object 2, two objects.
const Bytes kDeviceIdResponse =
    Join(Join({0x2B, 0x0E, 0x01, 0x81, 0xFF, 0x02, 0x02}, Object(0, "ACME")), Object(1, "PX-7"));

}  // namespace

TEST(FunctionDetails, ReadDeviceIdentification) {
    const auto request = As<DeviceIdRequest>({0x2B, 0x0E, 0x01, 0x00}, PduKind::Request);
    EXPECT_EQ(request.readDeviceIdCode, 1);
    EXPECT_EQ(request.objectId, 0);

    const auto response = As<DeviceIdResponse>(kDeviceIdResponse, PduKind::Response);
    EXPECT_EQ(response.readDeviceIdCode, 1);
    EXPECT_EQ(response.conformityLevel, 0x81);
    EXPECT_EQ(response.moreFollows, true);
    EXPECT_EQ(response.nextObjectId, 2);
    EXPECT_EQ(response.numberOfObjects, 2);
    const std::vector<DeviceIdObject> objects =
        DeviceIdentificationObjects(Decoded(kDeviceIdResponse, PduKind::Response));
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(objects[0].id, 0);
    EXPECT_STREQ(objects[0].name, "VendorName");
    EXPECT_EQ(objects[0].value, "ACME");
    EXPECT_STREQ(objects[1].name, "ProductCode");
    EXPECT_EQ(objects[1].value, "PX-7");

    // Code 4, one object: a private one; then a reserved id, which has no name.
    const auto single = As<DeviceIdResponse>(
        Join({0x2B, 0x0E, 0x04, 0x83, 0x00, 0x00, 0x01}, Object(0x80, "x")), PduKind::Response);
    ASSERT_EQ(single.objects.size(), 1u);
    EXPECT_EQ(single.moreFollows, false);
    EXPECT_STREQ(single.objects[0].name, "Private");
    EXPECT_EQ(DeviceIdObjectName(7), nullptr);
    EXPECT_STREQ(DeviceIdObjectName(6), "UserApplicationName");
}

TEST(FunctionDetails, Diagnostics) {
    for (const PduKind kind : {PduKind::Request, PduKind::Response}) {
        const auto echo = As<Diagnostics>({0x08, 0x00, 0x00, 0xA5, 0x37}, kind);
        EXPECT_EQ(echo.subFunction, 0);
        EXPECT_STREQ(echo.subFunctionName, "Return Query Data");
        EXPECT_EQ(echo.data, Words({0xA537}));
    }
    const auto count = As<Diagnostics>({0x08, 0x00, 0x0E, 0x01, 0x02}, PduKind::Response);
    EXPECT_STREQ(count.subFunctionName, "Return Server Message Count");
    EXPECT_EQ(count.data, Words({0x0102}));
    EXPECT_EQ(As<Diagnostics>({0x08, 0x00, 0x13}, PduKind::Request).subFunctionName, nullptr);
}

TEST(FunctionDetails, ReadFileRecord) {
    const auto request = As<FileRecords>({0x14, 0x0E, 0x06, 0x00, 0x04, 0x00, 0x01, 0x00, 0x02,
                                          0x06, 0x00, 0x03, 0x00, 0x09, 0x00, 0x02},
                                         PduKind::Request);
    EXPECT_EQ(request.byteCount, 14);
    ASSERT_EQ(request.subRequests.size(), 2u);
    EXPECT_EQ(request.subRequests[1].referenceType, 6);
    EXPECT_EQ(request.subRequests[1].file, 3);
    EXPECT_EQ(request.subRequests[1].record, 9);
    EXPECT_EQ(request.subRequests[1].length, 2);
    EXPECT_TRUE(request.subRequests[1].data.empty());

    const auto response = As<FileRecords>(
        {0x14, 0x0C, 0x05, 0x06, 0x0D, 0xFE, 0x00, 0x20, 0x05, 0x06, 0x33, 0xCD, 0x00, 0x40},
        PduKind::Response);
    ASSERT_EQ(response.subRequests.size(), 2u);
    EXPECT_EQ(response.subRequests[0].responseLength, 5);
    EXPECT_EQ(response.subRequests[0].data, Words({0x0DFE, 0x0020}));
    EXPECT_EQ(response.subRequests[1].data, Words({0x33CD, 0x0040}));
    EXPECT_FALSE(response.subRequests[1].file.has_value());
}

TEST(FunctionDetails, WriteFileRecordAndItsEcho) {
    const Bytes pdu = {0x15, 0x0D, 0x06, 0x00, 0x04, 0x00, 0x07, 0x00,
                       0x03, 0x06, 0xAF, 0x04, 0xBE, 0x10, 0x0D};
    for (const PduKind kind : {PduKind::Request, PduKind::Response}) {
        const auto records = As<FileRecords>(pdu, kind);
        ASSERT_EQ(records.subRequests.size(), 1u);
        EXPECT_EQ(records.subRequests[0].file, 4);
        EXPECT_EQ(records.subRequests[0].record, 7);
        EXPECT_EQ(records.subRequests[0].data, Words({0x06AF, 0x04BE, 0x100D}));
    }
}

TEST(FunctionDetails, ReadFifoQueue) {
    EXPECT_EQ(As<FifoRequest>({0x18, 0x04, 0xDE}, PduKind::Request).pointerAddress, 0x04DE);
    const auto response =
        As<FifoResponse>({0x18, 0x00, 0x06, 0x00, 0x02, 0x01, 0xB8, 0x12, 0x84}, PduKind::Response);
    EXPECT_EQ(response.byteCount, 6);
    EXPECT_EQ(response.fifoCount, 2);
    EXPECT_EQ(response.values, Words({0x01B8, 0x1284}));
}

TEST(FunctionDetails, NoneForOtherFunctionsAndExceptions) {
    for (const Bytes& pdu : {Bytes{}, Bytes{0x03, 0x02, 0x00, 0x01}, Bytes{0x88, 0x01},
                             Bytes{0xAB, 0x01}, Bytes{0x2B}, Bytes{0x2B, 0x0D, 0x00}}) {
        EXPECT_FALSE(DecodeFunctionDetails(ByteView(pdu), PduKind::Response).has_value());
    }
}

TEST(FunctionDetails, CutOrInconsistentPdusKeepWhatIsWhole) {
    // The second object is cut.
    const auto cut = As<DeviceIdResponse>(
        Join(Join({0x2B, 0x0E, 0x01, 0x01, 0x00, 0x00, 0x02}, Object(0, "A")), {0x01, 0x05, 'B'}),
        PduKind::Response, true);
    ASSERT_EQ(cut.objects.size(), 1u);
    EXPECT_EQ(cut.objects[0].value, "A");
    // More follows is neither 00 nor FF.
    As<DeviceIdResponse>({0x2B, 0x0E, 0x01, 0x01, 0x01, 0x00, 0x00}, PduKind::Response, true);
    EXPECT_FALSE(As<Diagnostics>({0x08}, PduKind::Request, true).subFunction.has_value());
    EXPECT_EQ(
        As<FifoResponse>({0x18, 0x00, 0x06, 0x00, 0x02, 0x01, 0xB8, 0x12}, PduKind::Response, true)
            .values,
        Words({0x01B8}));
    As<FifoResponse>({0x18, 0x00, 0x04, 0x00, 0x02, 0x01, 0xB8, 0x12, 0x84}, PduKind::Response,
                     true);                                             // byte count 4 for 2 values
    As<FifoRequest>({0x18, 0x04, 0xDE, 0x00}, PduKind::Request, true);  // a byte too many
    // Reference type 7, and the data of a 21 sub-request cut after one of its two words.
    const auto write = As<FileRecords>(
        {0x15, 0x0B, 0x07, 0x00, 0x01, 0x00, 0x02, 0x00, 0x02, 0x12, 0x34}, PduKind::Request, true);
    ASSERT_EQ(write.subRequests.size(), 1u);
    EXPECT_EQ(write.subRequests[0].data, Words({0x1234}));
}

// Every proper cut of a well-formed PDU is malformed; random bytes after each function code
// decode without reading past the end (the sanitizer build checks that).
TEST(FunctionDetails, EveryCutIsMalformedAndRandomBytesAreSafe) {
    const Bytes whole[] = {
        kDeviceIdResponse,
        {0x14, 0x0C, 0x05, 0x06, 0x0D, 0xFE, 0x00, 0x20, 0x05, 0x06, 0x33, 0xCD, 0x00, 0x40},
        {0x18, 0x00, 0x06, 0x00, 0x02, 0x01, 0xB8, 0x12, 0x84}};
    for (const Bytes& pdu : whole) {
        for (size_t length = 2; length < pdu.size(); ++length) {
            const Bytes cut(pdu.begin(), pdu.begin() + length);
            EXPECT_TRUE(Decoded(cut, PduKind::Response).malformed) << length;
        }
    }
    std::mt19937 random(20);
    for (int i = 0; i < 2000; ++i) {
        Bytes pdu(random() % 40);
        for (uint8_t& byte : pdu) {
            byte = static_cast<uint8_t>(random());
        }
        for (const uint8_t function : {0x08, 0x14, 0x15, 0x18}) {
            pdu.insert(pdu.begin(), function);
            for (const PduKind kind : {PduKind::Request, PduKind::Response}) {
                EXPECT_TRUE(DecodeFunctionDetails(ByteView(pdu), kind).has_value());
            }
            pdu.erase(pdu.begin());
        }
        pdu.insert(pdu.begin(), {0x2B, 0x0E});
        const auto objects = DeviceIdentificationObjects(Decoded(pdu, PduKind::Response));
        EXPECT_LE(objects.size(), pdu.size() / 2);
    }
}
