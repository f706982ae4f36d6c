// The writer's text must be what nlohmann::json's dump() gives for the same values (the log was
// written with that library before, and tools compare lines byte for byte): the library is the
// reference here, for strings it must escape or repair and for doubles it must round.

#include "views/json_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

namespace {

using Json = nlohmann::ordered_json;

std::string Dumped(const Json& json) {
    return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

TEST(JsonWriter, StringsAreEscapedAndRepairedAsTheLibraryDoes) {
    const std::string texts[] = {
        "",
        "plain ASCII ~",
        "quote \" backslash \\ slash /",
        // Its length from the literal itself: a NUL inside ends a plain C string.
        [] {
            const char text[] = "controls \b\f\n\r\t \x01\x1f \x7f and a NUL \0 inside";
            return std::string(text, sizeof text - 1);
        }(),
        "UTF-8 \xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80",
        "lone bytes \xFF \x80 \xE9 end",
        "overlong \xC0\xAF and surrogate \xED\xA0\x80",
        "cut short at the end \xE2\x82",
        "\xC3",
    };
    for (const std::string& text : texts) {
        std::string written;
        JsonWriter(written).String(text);
        EXPECT_EQ(written, Dumped(Json(text))) << text;
    }
}

// Printable ASCII only, so nothing else in the text needs escaping: RFC 8259 still requires a
// backslash and a quote to be escaped.
TEST(JsonWriter, ABackslashOrQuoteInPrintableTextIsEscaped) {
    const std::pair<std::string, std::string> cases[] = {
        {"C:\\logs", "\"C:\\\\logs\""},
        {"\\", "\"\\\\\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
    };
    for (const auto& c : cases) {
        std::string written;
        JsonWriter(written).String(c.first);
        EXPECT_EQ(written, c.second) << c.first;
    }
}

// Each control byte alone in plain text, at its start, middle and end: RFC 8259 lets no byte
// below 0x20 stand raw in a string. DEL (0x7F) may, and the library writes it as it is.
TEST(JsonWriter, EveryControlByteInPlainTextIsEscaped) {
    std::vector<int> bytes;
    for (int byte = 0x00; byte <= 0x1F; ++byte) {
        bytes.push_back(byte);
    }
    bytes.push_back(0x7F);
    for (const int byte : bytes) {
        const std::string control(1, static_cast<char>(byte));
        for (const std::string& text :
             {control, control + "plain", "plain" + control + "text", "plain" + control}) {
            std::string written;
            JsonWriter(written).String(text);
            EXPECT_EQ(written, Dumped(Json(text))) << "byte " << byte;
            const std::string inside = written.substr(1, written.size() - 2);
            EXPECT_EQ(std::count_if(inside.begin(), inside.end(),
                                    [](char c) { return static_cast<unsigned char>(c) < 0x20; }),
                      0)
                << "byte " << byte;
        }
    }
}

TEST(JsonWriter, NumbersAsTheLibraryWritesThem) {
    const double doubles[] = {0.0,
                              -0.0,
                              1.0,
                              0.1,
                              12.5,
                              -3e300,
                              1e21,
                              1e-7,
                              123456789012345678.0,
                              5e-324,
                              std::numeric_limits<double>::max(),
                              0.249999,
                              2.0 / 3.0};
    for (const double value : doubles) {
        std::string written;
        JsonWriter(written).Number(value);
        EXPECT_EQ(written, Dumped(Json(value))) << value;
    }
    std::string nonFinite;
    JsonWriter json(nonFinite);
    json.BeginArray();
    json.Number(std::numeric_limits<double>::quiet_NaN());
    json.Number(-std::numeric_limits<double>::infinity());
    json.EndArray();
    EXPECT_EQ(nonFinite, "[null,null]");
}

TEST(JsonWriter, IntegersOfEveryWidthAreNumbers) {
    std::string written;
    JsonWriter json(written);
    json.BeginArray();
    json.Number(uint8_t{255});  // a byte is a number, not a character
    json.Number(int8_t{-128});
    json.Number(uint16_t{65535});
    json.Number(std::numeric_limits<int32_t>::min());
    json.Number(std::numeric_limits<int64_t>::min());
    json.Number(std::numeric_limits<uint64_t>::max());
    json.EndArray();
    EXPECT_EQ(written, "[255,-128,65535,-2147483648,-9223372036854775808,18446744073709551615]");
}

// Commas go between members and elements at every depth, never after an opening bracket.
TEST(JsonWriter, NestedObjectsAndArrays) {
    std::string written;
    JsonWriter json(written);
    json.BeginObject();
    json.Key("a").Number(1);
    json.Key("empty_list").BeginArray();
    json.EndArray();
    json.Key("empty_object").BeginObject();
    json.EndObject();
    json.Key("list").BeginArray();
    json.BeginObject();
    json.Key("x").Null();
    json.Key("y").Bool(false);
    json.EndObject();
    json.BeginObject();
    json.EndObject();
    json.NumberOrNull(std::optional<int>());
    json.BoolOrNull(std::optional<bool>(true));
    json.TextOrNull(nullptr);
    json.TextOrNull("t");
    json.EndArray();
    json.Key("last").String("z");
    json.EndObject();
    const Json expected =
        Json::parse(R"({"a":1,"empty_list":[],"empty_object":{},)"
                    R"("list":[{"x":null,"y":false},{},null,true,null,"t"],"last":"z"})");
    EXPECT_EQ(written, Dumped(expected));
}

}  // namespace
