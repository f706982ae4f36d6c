#include "modbus/frame_fields.h"

int32_t GetBit(int32_t value, int bit) {
    const uint32_t mask = 1u << (static_cast<unsigned>(bit) % 32u);
    return static_cast<int32_t>(static_cast<uint32_t>(value) & mask);
}

const char* GetOnOffText(int32_t value) {
    return value != 0 ? "On" : "Off";
}

const char* GetRunIndicatorText(int32_t value) {
    if (value == 0)
        return "Off";
    if (value == 0xFF)
        return "On";
    return "Unkown - 0x00==Off 0xff==On";
}

int CheckByteCount(int32_t byteCount, int length) {
    return (byteCount != 0 && static_cast<int64_t>(byteCount) + 5 == length) ? 0 : -1;
}
