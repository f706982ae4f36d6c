#include "plant/register_map.h"

#include <cmath>
#include <cstring>

namespace {

struct TypeEntry {
    MapDataType type;
    const char* name;
    uint16_t registers;
};

const TypeEntry kTypes[] = {
    {MapDataType::Int16, "int16", 1},     {MapDataType::Uint16, "uint16", 1},
    {MapDataType::Int32, "int32", 2},     {MapDataType::Uint32, "uint32", 2},
    {MapDataType::Int64, "int64", 4},     {MapDataType::Uint64, "uint64", 4},
    {MapDataType::Float32, "float32", 2}, {MapDataType::Float64, "float64", 4},
    {MapDataType::String, "string", 0},   {MapDataType::Bit, "bit", 1},
};

const char* const kOrderNames[] = {"ABCD", "CDAB", "BADC", "DCBA"};

// The value's bytes, most significant first, out of the words as sent: CDAB swaps the words
// (the last word sent is the most significant), BADC swaps the bytes of each word, DCBA both.
std::vector<uint8_t> ValueBytes(const std::vector<uint16_t>& words, ByteOrder order) {
    const size_t n = words.size();
    std::vector<uint8_t> bytes;
    bytes.reserve(2 * n);
    const bool swapWords = order == ByteOrder::CDAB || order == ByteOrder::DCBA;
    const bool swapBytes = order == ByteOrder::BADC || order == ByteOrder::DCBA;
    for (size_t i = 0; i < n; ++i) {
        const uint16_t word = words[swapWords ? n - 1 - i : i];
        const uint8_t high = static_cast<uint8_t>(word >> 8);
        const uint8_t low = static_cast<uint8_t>(word);
        bytes.push_back(swapBytes ? low : high);
        bytes.push_back(swapBytes ? high : low);
    }
    return bytes;
}

uint64_t BigEndian(const std::vector<uint8_t>& bytes) {
    uint64_t value = 0;
    for (uint8_t byte : bytes) {
        value = value << 8 | byte;
    }
    return value;
}

double RawNumber(MapDataType type, const std::vector<uint8_t>& bytes) {
    const uint64_t bits = BigEndian(bytes);
    switch (type) {
        case MapDataType::Int16:
            return static_cast<int16_t>(bits);
        case MapDataType::Int32:
            return static_cast<int32_t>(bits);
        case MapDataType::Int64:
            return static_cast<double>(static_cast<int64_t>(bits));
        case MapDataType::Float32: {
            const uint32_t narrow = static_cast<uint32_t>(bits);
            float value;
            std::memcpy(&value, &narrow, sizeof value);
            return value;
        }
        case MapDataType::Float64: {
            double value;
            std::memcpy(&value, &bits, sizeof value);
            return value;
        }
        default:
            return static_cast<double>(bits);  // the unsigned types and a bit
    }
}

}  // namespace

const char* MapDataTypeName(MapDataType type) {
    for (const TypeEntry& entry : kTypes) {
        if (entry.type == type) {
            return entry.name;
        }
    }
    return "";
}

bool MapDataTypeOf(const std::string& name, MapDataType& type) {
    for (const TypeEntry& entry : kTypes) {
        if (name == entry.name) {
            type = entry.type;
            return true;
        }
    }
    return false;
}

uint16_t RegistersOf(MapDataType type) {
    for (const TypeEntry& entry : kTypes) {
        if (entry.type == type) {
            return entry.registers;
        }
    }
    return 1;
}

const char* ByteOrderName(ByteOrder order) {
    return kOrderNames[static_cast<int>(order)];
}

TypedValue DecodeEntry(const MapEntry& entry, const std::vector<uint16_t>& words) {
    TypedValue value;
    value.entry = &entry;
    const std::vector<uint8_t> bytes = ValueBytes(words, entry.order);
    if (entry.type == MapDataType::String) {
        value.isText = true;
        for (uint8_t byte : bytes) {
            if (byte == 0) {
                break;  // padding
            }
            value.text.push_back(static_cast<char>(byte));
        }
        return value;
    }
    double number = RawNumber(entry.type, bytes) * entry.scale + entry.offset;
    if (entry.precision && std::isfinite(number)) {
        const double factor = std::pow(10.0, *entry.precision);
        number = std::round(number * factor) / factor;
    }
    value.number = number;
    return value;
}
