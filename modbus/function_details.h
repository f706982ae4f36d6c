#pragma once
// What the functions beyond the report's decoding carry, as data: 43/14 Read Device
// Identification, 8 Diagnostics, 20/21 Read/Write File Record and 24 Read FIFO Queue (layouts of
// the Modbus Application Protocol v1.1b3). A field the PDU ends before is empty; lists hold only
// their whole entries.

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "common/byte_view.h"

enum class PduKind : uint8_t { Request, Response };

// ---- 43 / MEI type 14: Read Device Identification

constexpr uint8_t kReadDeviceIdMeiType = 14;

struct DeviceIdRequest {
    std::optional<uint8_t> readDeviceIdCode;  // 1 basic, 2 regular, 3 extended, 4 one object
    std::optional<uint8_t> objectId;          // the first object, or the one object for code 4
};

struct DeviceIdObject {
    uint8_t id = 0;
    const char* name = nullptr;  // DeviceIdObjectName(id)
    std::string value;           // the bytes as sent; not necessarily UTF-8
};

struct DeviceIdResponse {
    std::optional<uint8_t> readDeviceIdCode;
    std::optional<uint8_t> conformityLevel;
    std::optional<bool> moreFollows;  // the byte is 0xFF; 0x00 says no
    std::optional<uint8_t> nextObjectId;
    std::optional<uint8_t> numberOfObjects;
    std::vector<DeviceIdObject> objects;
};

// ---- 8: Diagnostics

struct Diagnostics {
    std::optional<uint16_t> subFunction;
    const char* subFunctionName = nullptr;  // DiagnosticsSubFunctionName(subFunction)
    std::vector<uint16_t> data;
};

// ---- 20 / 21: Read / Write File Record

// A sub-request of a 20 request (no data) or of a 21 request or its echo, or a sub-response of a
// 20 response, which names no file, record or length but carries its own byte count.
struct FileSubRequest {
    uint8_t referenceType = 0;  // 6; any other makes the details malformed
    std::optional<uint16_t> file;
    std::optional<uint16_t> record;
    std::optional<uint16_t> length;         // in registers
    std::optional<uint8_t> responseLength;  // 20 response: bytes of reference type and data
    std::vector<uint16_t> data;
};

struct FileRecords {
    std::optional<uint8_t> byteCount;  // of the sub-requests or sub-responses
    std::vector<FileSubRequest> subRequests;
};

// ---- 24: Read FIFO Queue

struct FifoRequest {
    std::optional<uint16_t> pointerAddress;
};

struct FifoResponse {
    std::optional<uint16_t> byteCount;  // of FIFO count and values
    std::optional<uint16_t> fifoCount;
    std::vector<uint16_t> values;
};

// ----

struct FunctionDetails {
    using Content = std::variant<DeviceIdRequest, DeviceIdResponse, Diagnostics, FileRecords,
                                 FifoRequest, FifoResponse>;

    uint8_t function = 0;
    PduKind kind = PduKind::Request;
    Content content;
    // The PDU ends early, goes on past its layout, or its counts or markers disagree.
    bool malformed = false;
};

// The details of a PDU (function code and data); none for other functions, other MEI types of
// function 43, exception responses and an empty PDU.
std::optional<FunctionDetails> DecodeFunctionDetails(ByteView pdu, PduKind kind);

// The objects of a 43/14 response; empty for any other details.
std::vector<DeviceIdObject> DeviceIdentificationObjects(const FunctionDetails& details);

// VendorName, ProductCode, MajorMinorRevision, VendorUrl, ProductName, ModelName,
// UserApplicationName for 0 to 6; "Private" for the private objects 0x80 to 0xFF; nullptr for
// the reserved 7 to 0x7F.
const char* DeviceIdObjectName(uint8_t id);

// The name of a Diagnostics sub-function; nullptr for codes the protocol does not define.
const char* DiagnosticsSubFunctionName(uint16_t subFunction);
