#include "modbus/frame_validation.h"

#include "modbus/function_table.h"
#include "modbus/modbus_crc.h"
#include "modbus/unit_id.h"

namespace {

// Polls of the functions whose request is the function code alone: address, function and CRC.
bool HasFourBytePoll(int32_t function) {
    const FunctionInfo* info = FindFunction(function);
    return info != nullptr && info->request.kind == PduLength::Kind::Fixed &&
           info->request.bytes == 1;
}

ValidationResult Fails(ValidationResult result, ValidationCode outcome, Finding finding) {
    result.findings.push_back(finding);
    result.outcome = outcome;
    return result;
}

}  // namespace

int FindingNumber(FindingCode code) {
    switch (code) {
        case FindingCode::TooFewBytes:
            return 1;
        case FindingCode::TooFewBytesShortPoll:
            return 6;
        case FindingCode::BadChecksum:
            return 7;
        case FindingCode::AddressOutOfRange:
            return 2;
        case FindingCode::ExceptionResponse:
            return 0;
        case FindingCode::NonStandardFunction:
            return 5;
        case FindingCode::NoFunction:
            return 4;
    }
    return 0;
}

ValidationResult ValidateFrame(FrameView frame) {
    ValidationResult result;
    const int n = frame.size();
    if (n < 5) {
        if (n >= 2 && HasFourBytePoll(frame[1])) {
            if (n < 4) {
                return Fails(result, ValidationCode::RET_CODE_ERROR,
                             {FindingCode::TooFewBytesShortPoll});
            }
        } else {
            return Fails(result, ValidationCode::RET_CODE_ERROR, {FindingCode::TooFewBytes});
        }
    }

    // The CRC covers every byte before the two of the CRC itself, also those of a frame longer
    // than the analyser looks at.
    const ByteView whole = frame.whole();
    const size_t crcAt = whole.size() - 2;
    const uint16_t crc = ModbusCRC16(whole.data(), crcAt);
    if (whole.At(crcAt) != (crc >> 8) || whole.At(crcAt + 1) != (crc & 0xFF)) {
        return Fails(result, ValidationCode::RET_CODE_WARNING,
                     {FindingCode::BadChecksum, whole.At(crcAt), whole.At(crcAt + 1), crc});
    }

    bool warned = false;
    if (!IsSerialLineAddress(frame[0])) {
        result.findings.push_back({FindingCode::AddressOutOfRange, frame[0]});
        warned = true;
    }
    int32_t function = frame[1];
    if ((function & kExceptionBit) != 0) {
        result.isException = true;
        result.findings.push_back({FindingCode::ExceptionResponse});
        function = BaseFunctionCode(function);
    }
    if (function > 24) {
        return Fails(result, ValidationCode::RET_CODE_ERROR,
                     {FindingCode::NonStandardFunction, function});
    }
    if (function == 0) {
        return Fails(result, ValidationCode::RET_CODE_ERROR, {FindingCode::NoFunction});
    }
    result.outcome = warned ? ValidationCode::RET_CODE_WARNING : ValidationCode::RET_CODE_OK;
    return result;
}
