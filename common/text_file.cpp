#include "common/text_file.h"

#include <cstdio>

std::string ToTextModeLineEnds(const std::string& text) {
    std::string converted;
    converted.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') {
            converted += '\r';
        }
        converted += c;
    }
    return converted;
}

bool AppendTextToFile(const std::string& fileName, const std::string& text) {
    std::FILE* file = std::fopen(fileName.c_str(), "ab");
    if (file == nullptr) {
        return false;
    }
    const std::string bytes = ToTextModeLineEnds(text);
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    return written && closed;
}
