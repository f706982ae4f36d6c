#include "modbus/function_details.h"

#include "modbus/pdu_reader.h"

namespace {

constexpr uint8_t kFileReferenceType = 6;
constexpr uint8_t kMoreFollows = 0xFF;
constexpr uint8_t kNoMoreFollows = 0x00;
constexpr uint16_t kMaxFifoCount = 31;

struct Named {
    int code;
    const char* name;
};

constexpr Named kDeviceIdObjects[] = {
    {0, "VendorName"},  {1, "ProductCode"}, {2, "MajorMinorRevision"},  {3, "VendorUrl"},
    {4, "ProductName"}, {5, "ModelName"},   {6, "UserApplicationName"},
};
constexpr uint8_t kFirstPrivateObject = 0x80;

constexpr Named kDiagnostics[] = {
    {0, "Return Query Data"},
    {1, "Restart Communications Option"},
    {2, "Return Diagnostic Register"},
    {3, "Change ASCII Input Delimiter"},
    {4, "Force Listen Only Mode"},
    {10, "Clear Counters and Diagnostic Register"},
    {11, "Return Bus Message Count"},
    {12, "Return Bus Communication Error Count"},
    {13, "Return Bus Exception Error Count"},
    {14, "Return Server Message Count"},
    {15, "Return Server No Response Count"},
    {16, "Return Server NAK Count"},
    {17, "Return Server Busy Count"},
    {18, "Return Bus Character Overrun Count"},
    {20, "Clear Overrun Counter and Flag"},
};

template <size_t N>
const char* NameOf(const Named (&table)[N], int code) {
    for (const Named& entry : table) {
        if (entry.code == code) {
            return entry.name;
        }
    }
    return nullptr;
}

// The whole words of `bytes`; an odd last byte is left out.
std::vector<uint16_t> Words(ByteView bytes) {
    std::vector<uint16_t> words;
    for (size_t offset = 0; offset + 1 < bytes.size(); offset += 2) {
        words.push_back(bytes.Be16(offset));
    }
    return words;
}

// Each decoder reads the PDU after the function code and reports inconsistencies through
// `malformed`; running short or leaving bytes over is judged by the caller.

// The MEI type has been checked by DecoderOf.
FunctionDetails::Content DecodeDeviceIdRequest(PduReader& pdu, bool&) {
    pdu.Byte();
    DeviceIdRequest request;
    request.readDeviceIdCode = pdu.Byte();
    request.objectId = pdu.Byte();
    return request;
}

FunctionDetails::Content DecodeDeviceIdResponse(PduReader& pdu, bool& malformed) {
    pdu.Byte();
    DeviceIdResponse response;
    response.readDeviceIdCode = pdu.Byte();
    response.conformityLevel = pdu.Byte();
    if (const std::optional<uint8_t> more = pdu.Byte()) {
        response.moreFollows = *more == kMoreFollows;
        malformed |= *more != kMoreFollows && *more != kNoMoreFollows;
    }
    response.nextObjectId = pdu.Byte();
    response.numberOfObjects = pdu.Byte();
    for (int i = 0; i < response.numberOfObjects.value_or(0); ++i) {
        const std::optional<uint8_t> id = pdu.Byte();
        const std::optional<uint8_t> length = pdu.Byte();
        const ByteView value = pdu.Take(length.value_or(0));
        if (pdu.Short()) {
            break;  // a cut object is left out
        }
        response.objects.push_back(
            {*id, DeviceIdObjectName(*id), std::string(value.begin(), value.end())});
    }
    return response;
}

FunctionDetails::Content DecodeDiagnostics(PduReader& pdu, bool& malformed) {
    Diagnostics diagnostics;
    diagnostics.subFunction = pdu.Word();
    if (diagnostics.subFunction) {
        diagnostics.subFunctionName = DiagnosticsSubFunctionName(*diagnostics.subFunction);
    }
    const ByteView data = pdu.Take(pdu.Left());
    malformed |= data.size() % 2 != 0;
    diagnostics.data = Words(data);
    return diagnostics;
}

// A sub-request: reference type, file, record, length, and for a write the record data.
bool ReadFileSubRequest(PduReader& pdu, bool withData, FileSubRequest& sub) {
    const std::optional<uint8_t> type = pdu.Byte();
    sub.file = pdu.Word();
    sub.record = pdu.Word();
    sub.length = pdu.Word();
    if (pdu.Short()) {
        return false;
    }
    sub.referenceType = *type;
    if (withData) {
        sub.data = Words(pdu.Take(size_t{*sub.length} * 2));
    }
    return true;
}

// A sub-response of a 20 response: its byte count, reference type and record data.
bool ReadFileSubResponse(PduReader& pdu, bool& malformed, FileSubRequest& sub) {
    sub.responseLength = pdu.Byte();
    PduReader body(pdu.Take(sub.responseLength.value_or(0)));
    const std::optional<uint8_t> type = body.Byte();
    if (!type) {
        return false;
    }
    sub.referenceType = *type;
    malformed |= body.Left() % 2 != 0;
    sub.data = Words(body.Take(body.Left()));
    return true;
}

FileRecords DecodeFileRecords(PduReader& pdu, bool readResponse, bool withData, bool& malformed) {
    FileRecords records;
    records.byteCount = pdu.Byte();
    PduReader body(pdu.Take(records.byteCount.value_or(0)));
    while (body.Left() > 0) {
        FileSubRequest sub;
        const bool whole = readResponse ? ReadFileSubResponse(body, malformed, sub)
                                        : ReadFileSubRequest(body, withData, sub);
        if (!whole) {
            malformed = true;  // a cut sub-request is left out
            break;
        }
        malformed |= sub.referenceType != kFileReferenceType;
        records.subRequests.push_back(std::move(sub));
    }
    malformed |= body.Short();
    return records;
}

FunctionDetails::Content DecodeFifoRequest(PduReader& pdu, bool&) {
    return FifoRequest{pdu.Word()};
}

FunctionDetails::Content DecodeFifoResponse(PduReader& pdu, bool& malformed) {
    FifoResponse response;
    response.byteCount = pdu.Word();
    response.fifoCount = pdu.Word();
    if (!response.fifoCount) {
        return response;
    }
    const size_t count = *response.fifoCount;
    malformed |= count > kMaxFifoCount || *response.byteCount != 2 + 2 * count;
    response.values = Words(pdu.Take(2 * count));
    return response;
}

using Decode = FunctionDetails::Content (*)(PduReader&, bool&);

FunctionDetails::Content DecodeReadFileRequest(PduReader& pdu, bool& malformed) {
    return DecodeFileRecords(pdu, false, false, malformed);
}

FunctionDetails::Content DecodeReadFileResponse(PduReader& pdu, bool& malformed) {
    return DecodeFileRecords(pdu, true, false, malformed);
}

// A 21 response echoes its request.
FunctionDetails::Content DecodeWriteFile(PduReader& pdu, bool& malformed) {
    return DecodeFileRecords(pdu, false, true, malformed);
}

struct Decoder {
    uint8_t function;
    Decode request;
    Decode response;
};

constexpr uint8_t kEncapsulatedInterfaceTransport = 43;

const Decoder kDecoders[] = {
    {8, DecodeDiagnostics, DecodeDiagnostics},
    {20, DecodeReadFileRequest, DecodeReadFileResponse},
    {21, DecodeWriteFile, DecodeWriteFile},
    {24, DecodeFifoRequest, DecodeFifoResponse},
    {kEncapsulatedInterfaceTransport, DecodeDeviceIdRequest, DecodeDeviceIdResponse},
};

const Decoder* DecoderOf(ByteView pdu) {
    const uint8_t function = pdu.At(0);
    if (function == kEncapsulatedInterfaceTransport &&
        (pdu.size() < 2 || pdu.At(1) != kReadDeviceIdMeiType)) {
        return nullptr;
    }
    for (const Decoder& decoder : kDecoders) {
        if (decoder.function == function) {
            return &decoder;
        }
    }
    return nullptr;  // exception responses among them: the bit makes another code
}

}  // namespace

std::optional<FunctionDetails> DecodeFunctionDetails(ByteView pdu, PduKind kind) {
    const Decoder* decoder = DecoderOf(pdu);
    if (decoder == nullptr) {
        return std::nullopt;
    }
    FunctionDetails details;
    details.function = decoder->function;
    details.kind = kind;
    PduReader reader(pdu.Sub(1));
    const Decode decode = kind == PduKind::Request ? decoder->request : decoder->response;
    details.content = decode(reader, details.malformed);
    details.malformed |= reader.Short() || reader.Left() > 0;
    return details;
}

std::vector<DeviceIdObject> DeviceIdentificationObjects(const FunctionDetails& details) {
    const auto* response = std::get_if<DeviceIdResponse>(&details.content);
    return response != nullptr ? response->objects : std::vector<DeviceIdObject>();
}

const char* DeviceIdObjectName(uint8_t id) {
    return id >= kFirstPrivateObject ? "Private" : NameOf(kDeviceIdObjects, id);
}

const char* DiagnosticsSubFunctionName(uint16_t subFunction) {
    return NameOf(kDiagnostics, subFunction);
}
