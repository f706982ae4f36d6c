#pragma once
// A register map: what the points of a device mean. Each entry names a run of registers (or one
// coil or input) and how its words make a value: type, byte and word order, scale and offset.
// The field names follow Home Assistant's Modbus integration.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "plant/point_values.h"

enum class MapDataType : uint8_t {
    Int16,
    Uint16,
    Int32,
    Uint32,
    Int64,
    Uint64,
    Float32,
    Float64,
    String,
    Bit,  // a coil or discrete input
};

// The order of the bytes of a value as they come on the wire, A the most significant byte of
// the value: ABCD (none), CDAB (word), BADC (byte), DCBA (word_byte).
enum class ByteOrder : uint8_t { ABCD, CDAB, BADC, DCBA };

struct MapEntry {
    std::string name;
    PointTable table = PointTable::HoldingRegisters;
    uint16_t address = 0;         // 0-based
    std::optional<uint8_t> unit;  // `slave`; none: any unit
    std::string host;             // server "ip" or "ip:port"; empty: any server
    MapDataType type = MapDataType::Uint16;
    uint16_t count = 1;  // registers (the string's, or the type's); 1 for a bit
    ByteOrder order = ByteOrder::ABCD;
    double scale = 1;
    double offset = 0;
    std::optional<int> precision;  // decimals to round the scaled value to
    std::string unitOfMeasurement;
    int line = 0;  // where it stands in its file, for messages
};

struct RegisterMap {
    std::vector<MapEntry> entries;
};

// "int16", ..., "string", "bit"; and back (false for an unknown name).
const char* MapDataTypeName(MapDataType type);
bool MapDataTypeOf(const std::string& name, MapDataType& type);
// Registers a type takes: 1, 2 or 4; 0 for a string (its count says) and 1 for a bit.
uint16_t RegistersOf(MapDataType type);
// "ABCD", ...
const char* ByteOrderName(ByteOrder order);

// A value decoded from an entry's words: a number, or text for a string.
struct TypedValue {
    const MapEntry* entry = nullptr;
    std::optional<double> number;
    std::string text;
    bool isText = false;
};

// Decodes the entry from its words (`count` of them, as sent; a bit: one word 0 or 1): the raw
// value in its type and order, times scale plus offset, rounded to the precision.
TypedValue DecodeEntry(const MapEntry& entry, const std::vector<uint16_t>& words);
