#include "session/mbap.h"

MbapHeader ReadMbapHeader(ByteView bytes) {
    MbapHeader header;
    header.transactionId = bytes.Be16(0);
    header.protocolId = bytes.Be16(2);
    header.length = bytes.Be16(4);
    header.unit = bytes.At(6);
    return header;
}

bool IsPlausibleMbapHeader(const MbapHeader& header) {
    return header.protocolId == 0 && header.length >= mbap::kShortestLength &&
           header.length <= mbap::kLongestLength;
}

bool IsFramableMbapHeader(const MbapHeader& header) {
    return header.protocolId == 0 && header.length >= mbap::kShortestLength;
}

bool IsResumableFunctionCode(uint8_t functionCode) {
    const uint8_t base = functionCode & static_cast<uint8_t>(~mbap::kExceptionBit);
    return IsKnownFunctionCode(functionCode) || (base >= 65 && base <= 72) ||
           (base >= 100 && base <= 110);
}

bool IsKnownFunctionCode(uint8_t functionCode) {
    constexpr uint8_t kEncapsulatedInterface = 43;
    const uint8_t base = functionCode & static_cast<uint8_t>(~mbap::kExceptionBit);
    return (base >= 1 && base <= 24) || base == kEncapsulatedInterface;
}
