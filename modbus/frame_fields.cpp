#include "modbus/frame_fields.h"

#include <cstring>

namespace {

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The leading hexadecimal digits of a token (0 when there are none), wrapping at 32 bits.
int32_t ReadHexToken(const std::string& text, size_t begin, size_t end) {
    uint32_t value = 0;
    for (size_t i = begin; i < end; ++i) {
        const int digit = HexDigitValue(text[i]);
        if (digit < 0) {
            break;
        }
        value = value * 16u + static_cast<uint32_t>(digit);
    }
    return static_cast<int32_t>(value);
}

bool IsDelimiter(char c) {
    return c != '\0' && std::strchr(kFrameTextDelimiters, c) != nullptr;
}

}  // namespace

int ParseHexBytes(std::string text, FrameValues& values, int maxCount) {
    // The working buffer holds at most 9999 characters and ends at the first NUL.
    const size_t nul = text.find('\0');
    if (nul != std::string::npos) {
        text.resize(nul);
    }
    if (text.size() > kFrameTextBufferSize - 1) {
        text.resize(kFrameTextBufferSize - 1);
    }
    if (maxCount > kMaxFrameBytes) {
        maxCount = kMaxFrameBytes;
    }
    int count = 0;
    size_t pos = 0;
    while (count < maxCount) {
        while (pos < text.size() && IsDelimiter(text[pos])) {
            ++pos;
        }
        if (pos >= text.size()) {
            break;
        }
        const size_t begin = pos;
        while (pos < text.size() && !IsDelimiter(text[pos])) {
            ++pos;
        }
        values[count++] = ReadHexToken(text, begin, pos);
    }
    return count;
}

int32_t ByteAt(const FrameValues& values, int index) {
    return (index >= 0 && index < kMaxFrameBytes) ? values[index] : 0;
}

int32_t GetWord(const FrameValues& values, int index) {
    const uint32_t high = static_cast<uint32_t>(ByteAt(values, index));
    const uint32_t low = static_cast<uint32_t>(ByteAt(values, index + 1));
    return static_cast<int32_t>(high * 256u + low);
}

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
