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

// The value's byte at `index` (0 the most significant) out of the words as sent: CDAB swaps
// the words (the last word sent is the most significant), BADC swaps the bytes of each word,
// DCBA both.
uint8_t ValueByte(const std::vector<uint16_t>& words, ByteOrder order, size_t index) {
    const size_t n = words.size();
    const bool swapWords = order == ByteOrder::CDAB || order == ByteOrder::DCBA;
    const bool swapBytes = order == ByteOrder::BADC || order == ByteOrder::DCBA;
    const uint16_t word = words[swapWords ? n - 1 - index / 2 : index / 2];
    const bool high = (index % 2 == 0) != swapBytes;
    return static_cast<uint8_t>(high ? word >> 8 : word);
}

// The value's bits as one big-endian number (at most four words).
uint64_t ValueBits(const std::vector<uint16_t>& words, ByteOrder order) {
    uint64_t bits = 0;
    for (size_t i = 0; i < 2 * words.size() && i < 8; ++i) {
        bits = bits << 8 | ValueByte(words, order, i);
    }
    return bits;
}

double RawNumber(MapDataType type, uint64_t bits) {
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
    if (entry.type == MapDataType::String) {
        value.isText = true;
        for (size_t i = 0; i < 2 * words.size(); ++i) {
            const uint8_t byte = ValueByte(words, entry.order, i);
            if (byte == 0) {
                break;  // padding
            }
            value.text.push_back(static_cast<char>(byte));
        }
        return value;
    }
    double number =
        RawNumber(entry.type, ValueBits(words, entry.order)) * entry.scale + entry.offset;
    if (entry.precision && std::isfinite(number)) {
        double factor = 1;  // 10^precision by exact steps, the same on every platform
        for (int i = 0; i < *entry.precision; ++i) {
            factor *= 10;
        }
        number = std::round(number * factor) / factor;
    }
    value.number = number;
    return value;
}
