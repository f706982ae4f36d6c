#include "tests/support/frame_helpers.h"

#include <cctype>
#include <cstdio>
#include <sstream>
#include <stdexcept>

Bytes BytesOfHex(const std::string& text) {
    Bytes bytes;
    std::istringstream tokens(text);
    std::string token;
    while (tokens >> token) {
        const bool hexByte = token.size() <= 2 &&
                             std::isxdigit(static_cast<unsigned char>(token[0])) &&
                             std::isxdigit(static_cast<unsigned char>(token.back()));
        if (!hexByte) {
            throw std::invalid_argument("not a hex byte: " + token);
        }
        bytes.push_back(static_cast<uint8_t>(std::stoul(token, nullptr, 16)));
    }
    return bytes;
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
