#include "tests/support/frame_helpers.h"

#include <cstdio>

FrameValues Values(const Bytes& bytes) {
    FrameValues values{};
    for (size_t i = 0; i < bytes.size() && i < values.size(); ++i)
        values[i] = bytes[i];
    return values;
}

std::string FrameText(const Bytes& bytes) {
    std::string text;
    char token[4];
    for (uint8_t b : bytes) {
        std::snprintf(token, sizeof(token), "%02X ", b);
        text += token;
    }
    return text;
}
