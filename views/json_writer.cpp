#include "views/json_writer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>

namespace {

// Printable ASCII without the quote and the backslash: copied into a JSON string as it is.
bool NeedsNoEscaping(std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7E || c == '"' || c == '\\') {
            return false;
        }
    }
    return true;
}

}  // namespace

JsonWriter& JsonWriter::Key(std::string_view key) {
    // One append for the comma, the quoted key and the colon: a log line has some 50 keys.
    char quoted[64];
    if (key.size() + 4 > sizeof quoted) {
        Separate();
        text_ += '"';
        text_ += key;
        text_ += "\":";
    } else {
        char* out = quoted;
        if (afterValue_) {
            *out++ = ',';
        }
        *out++ = '"';
        out = std::copy(key.begin(), key.end(), out);
        *out++ = '"';
        *out++ = ':';
        text_.append(quoted, static_cast<size_t>(out - quoted));
    }
    afterValue_ = false;
    return *this;
}

void JsonWriter::Open(char bracket) {
    Separate();
    text_ += bracket;
    afterValue_ = false;
}

void JsonWriter::Close(char bracket) {
    text_ += bracket;
    afterValue_ = true;
}

void JsonWriter::Separate() {
    if (afterValue_) {
        text_ += ',';
    }
}

void JsonWriter::Null() {
    Separate();
    text_ += "null";
    afterValue_ = true;
}

void JsonWriter::Bool(bool value) {
    Separate();
    text_ += value ? "true" : "false";
    afterValue_ = true;
}

void JsonWriter::BoolOrNull(const std::optional<bool>& value) {
    if (value) {
        Bool(*value);
    } else {
        Null();
    }
}

void JsonWriter::Signed(long long value) {
    Separate();
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    text_.append(digits, static_cast<size_t>(end - digits));
    afterValue_ = true;
}

void JsonWriter::Unsigned(unsigned long long value) {
    Separate();
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    text_.append(digits, static_cast<size_t>(end - digits));
    afterValue_ = true;
}

void JsonWriter::Number(double value) {
    if (!std::isfinite(value)) {
        Null();
        return;
    }
    Separate();
    // The library's own shortest round-trip digits (Grisu2), as its dump() writes a double.
    char digits[64];
    const char* end = nlohmann::detail::to_chars(digits, digits + sizeof digits, value);
    text_.append(digits, static_cast<size_t>(end - digits));
    afterValue_ = true;
}

void JsonWriter::String(std::string_view value) {
    Separate();
    if (NeedsNoEscaping(value)) {
        text_ += '"';
        text_ += value;
        text_ += '"';
    } else {
        // Escapes and invalid UTF-8 are rare (device texts): the library's rules, byte for byte.
        text_ += nlohmann::json(std::string(value))
                     .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    }
    afterValue_ = true;
}

void JsonWriter::TextOrNull(const char* text) {
    if (text != nullptr) {
        String(text);
    } else {
        Null();
    }
}
