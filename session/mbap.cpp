#include "session/mbap.h"

#include "modbus/function_table.h"

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
    return IsPublicFunctionCode(functionCode) || IsUserDefinedFunctionCode(functionCode);
}
