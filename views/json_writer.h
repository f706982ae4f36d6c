#pragma once
// Compact JSON written straight into a string, member by member, for files of many small objects
// (the transaction log): no document is built. The text is what nlohmann::json's dump() writes
// for the same values, without indent and with invalid UTF-8 replaced, so tools and tests may
// read it with that library.

#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

class JsonWriter {
public:
    explicit JsonWriter(std::string& text) : text_(text) {}

    void BeginObject() { Open('{'); }
    void EndObject() { Close('}'); }
    void BeginArray() { Open('['); }
    void EndArray() { Close(']'); }

    // Names the next value of an object. The tool's own keys need no escaping: written as given.
    JsonWriter& Key(std::string_view key);

    void Null();
    void Bool(bool value);
    // A number; a double that is not finite is null.
    void Number(double value);
    template <typename Integer, typename = std::enable_if_t<std::is_integral_v<Integer> &&
                                                            !std::is_same_v<Integer, bool>>>
    void Number(Integer value) {
        if constexpr (std::is_signed_v<Integer>) {
            Signed(value);
        } else {
            Unsigned(value);
        }
    }
    void String(std::string_view value);
    // A string, or null for none.
    void TextOrNull(const char* text);
    template <typename Integer>
    void NumberOrNull(const std::optional<Integer>& value) {
        if (value) {
            Number(*value);
        } else {
            Null();
        }
    }
    void BoolOrNull(const std::optional<bool>& value);
    // A value that `write(text)` appends as JSON text of its own making (the typed values).
    template <typename Write>
    void Value(Write&& write) {
        Separate();
        write(text_);
        afterValue_ = true;
    }

private:
    void Open(char bracket);
    void Close(char bracket);
    // The comma before a value that follows another one in its object or array.
    void Separate();
    void Signed(long long value);
    void Unsigned(unsigned long long value);

    std::string& text_;
    bool afterValue_ = false;
};
