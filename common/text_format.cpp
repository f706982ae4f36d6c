#include "common/text_format.h"

#include <charconv>
#include <cstdio>
#include <vector>

namespace {

// Appends the formatted text to `text`: most texts fit a small buffer on the stack, so they are
// formatted once; longer ones are measured and formatted again at their size.
void AppendFormatV(std::string& text, const char* format, va_list args) {
    char small[512];
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(small, sizeof(small), format, args);
    if (length > 0 && static_cast<size_t>(length) < sizeof(small)) {
        text.append(small, static_cast<size_t>(length));
    } else if (length > 0) {
        std::vector<char> buffer(static_cast<size_t>(length) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, again);
        text.append(buffer.data(), static_cast<size_t>(length));
    }
    va_end(again);
}

}  // namespace

std::string FormatV(const char* format, va_list args) {
    std::string text;
    AppendFormatV(text, format, args);
    return text;
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
    AppendFormatV(text, format, args);
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

void AppendDecimalLeft(std::string& text, long long value, size_t width) {
    char digits[24];
    const size_t length =
        static_cast<size_t>(std::to_chars(digits, digits + sizeof(digits), value).ptr - digits);
    text.append(digits, length);
    if (length < width) {
        text.append(width - length, ' ');
    }
}

void AppendHexAlternate(std::string& text, unsigned value, size_t width) {
    char digits[16];
    const size_t length =
        static_cast<size_t>(std::to_chars(digits, digits + sizeof(digits), value, 16).ptr - digits);
    // "0x" counts in the width, and only a nonzero value has it.
    const size_t prefix = value != 0 ? 2 : 0;
    if (prefix != 0) {
        text += "0x";
    }
    if (prefix + length < width) {
        text.append(width - prefix - length, '0');
    }
    text.append(digits, length);
}
