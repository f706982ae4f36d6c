#include "common/text_format.h"

#include <cstdio>
#include <vector>

std::string FormatV(const char* format, va_list args) {
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length <= 0) {
        return std::string();
    }
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    return std::string(buffer.data(), static_cast<size_t>(length));
}

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatV(format, args);
    va_end(args);
    return text;
}

void AppendFormat(std::string& text, const char* format, ...) {
    va_list args;
    va_start(args, format);
    text += FormatV(format, args);
    va_end(args);
}

std::string FormatLimitedV(const char* format, va_list args) {
    std::string text = FormatV(format, args);
    if (text.size() > kFormatBufferSize - 1) {
        text.resize(kFormatBufferSize - 1);
    }
    return text;
}

std::string FormatLimited(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatLimitedV(format, args);
    va_end(args);
    return text;
}
