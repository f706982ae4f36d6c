#include "maps/entry_fields.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <map>
#include <optional>

#include "maps/map_keys.h"
#include "maps/modicon_reference.h"

namespace {

constexpr long long kLastAddress = 65535;

// What the fields say, before they are checked against each other.
struct Draft {
    MapEntry entry;
    std::optional<long long> address;  // from address or reference
    std::optional<PointTable> referenceTable;
    std::optional<PointTable> inputType;
    std::optional<MapDataType> type;
    std::optional<long long> count;
    std::optional<ByteOrder> swap;
    std::optional<ByteOrder> byteOrder;
};

template <typename T>
struct Named {
    const char* name;
    T value;
};

const Named<PointTable> kInputTypes[] = {
    {"holding", PointTable::HoldingRegisters},
    {"input", PointTable::InputRegisters},
    {"coil", PointTable::Coils},
    {"discrete_input", PointTable::DiscreteInputs},
};

const Named<ByteOrder> kSwaps[] = {
    {"none", ByteOrder::ABCD},
    {"byte", ByteOrder::BADC},
    {"word", ByteOrder::CDAB},
    {"word_byte", ByteOrder::DCBA},
};

const Named<ByteOrder> kByteOrders[] = {
    {"ABCD", ByteOrder::ABCD},
    {"CDAB", ByteOrder::CDAB},
    {"BADC", ByteOrder::BADC},
    {"DCBA", ByteOrder::DCBA},
};

const char* const kDataTypeNames[] = {"int16",  "uint16",  "int32",   "uint32", "int64",
                                      "uint64", "float32", "float64", "string"};

std::string Quoted(const std::string& text) {
    return "'" + text + "'";
}

template <typename T, size_t N>
std::string ChoiceList(const Named<T> (&names)[N]) {
    std::string list;
    for (const Named<T>& named : names) {
        list += (list.empty() ? "" : ", ") + std::string(named.name);
    }
    return list;
}

template <typename T, size_t N>
std::string ReadNamed(const FieldText& field, const Named<T> (&names)[N], std::optional<T>& value) {
    for (const Named<T>& named : names) {
        if (field.value == named.name) {
            value = named.value;
            return std::string();
        }
    }
    return "unknown " + field.key + " " + Quoted(field.value) + " (one of " + ChoiceList(names) +
           ")";
}

// Decimal, or hexadecimal after "0x".
bool ParseInteger(const std::string& text, long long& value) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* digits = text.c_str() + (hex ? 2 : 0);
    const bool start =
        hex ? std::isxdigit(static_cast<unsigned char>(*digits)) != 0
            : std::isdigit(static_cast<unsigned char>(*digits)) != 0 || *digits == '-';
    if (!start) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    value = std::strtoll(digits, &end, hex ? 16 : 10);
    return *end == '\0' && errno == 0;
}

std::string ReadInteger(const FieldText& field, long long low, long long high, long long& value) {
    if (!ParseInteger(field.value, value) || value < low || value > high) {
        return field.key + " takes " + std::to_string(low) + " to " + std::to_string(high) +
               ", not " + Quoted(field.value);
    }
    return std::string();
}

std::string ReadNumber(const FieldText& field, double& value) {
    char* end = nullptr;
    value = std::strtod(field.value.c_str(), &end);
    if (field.value.empty() || std::isspace(static_cast<unsigned char>(field.value[0])) ||
        *end != '\0' || !std::isfinite(value)) {
        return field.key + " takes a number, not " + Quoted(field.value);
    }
    return std::string();
}

std::string ReadText(const FieldText& field, std::string& value) {
    if (field.value.empty()) {
        return field.key + " is empty";
    }
    value = field.value;
    return std::string();
}

std::string ApplyName(Draft& draft, const FieldText& field) {
    return ReadText(field, draft.entry.name);
}

std::string ApplyAddress(Draft& draft, const FieldText& field) {
    long long address = 0;
    if (!ParseInteger(field.value, address) || address < 0 || address > kLastAddress) {
        return "address takes 0 to 65535 (0x0 to 0xFFFF), not " + Quoted(field.value);
    }
    draft.address = address;
    return std::string();
}

std::string ApplyReference(Draft& draft, const FieldText& field) {
    PointTable table;
    uint16_t address = 0;
    if (!ParseModiconReference(field.value, table, address)) {
        return "reference " + Quoted(field.value) +
               " is out of range (1-9999, 10001-19999, 30001-39999, 40001-49999, or six digits "
               "up to 065536, 165536, 365536, 465536)";
    }
    draft.referenceTable = table;
    draft.address = address;
    return std::string();
}

std::string ApplyInputType(Draft& draft, const FieldText& field) {
    return ReadNamed(field, kInputTypes, draft.inputType);
}

std::string ApplySlave(Draft& draft, const FieldText& field) {
    long long unit = 0;
    std::string error = ReadInteger(field, 0, 255, unit);
    draft.entry.unit = static_cast<uint8_t>(unit);
    return error;
}

std::string ApplyHost(Draft& draft, const FieldText& field) {
    return ReadText(field, draft.entry.host);
}

std::string ApplyDataType(Draft& draft, const FieldText& field) {
    MapDataType type;
    if (!MapDataTypeOf(field.value, type)) {
        std::string list;
        for (const char* name : kDataTypeNames) {
            list += (list.empty() ? "" : ", ") + std::string(name);
        }
        return "unknown data_type " + Quoted(field.value) + " (one of " + list + ")";
    }
    draft.type = type;
    return std::string();
}

std::string ApplyCount(Draft& draft, const FieldText& field) {
    long long count = 0;
    std::string error = ReadInteger(field, 1, kLastAddress, count);
    draft.count = count;
    return error;
}

std::string ApplySwap(Draft& draft, const FieldText& field) {
    return ReadNamed(field, kSwaps, draft.swap);
}

std::string ApplyByteOrder(Draft& draft, const FieldText& field) {
    return ReadNamed(field, kByteOrders, draft.byteOrder);
}

std::string ApplyScale(Draft& draft, const FieldText& field) {
    return ReadNumber(field, draft.entry.scale);
}

std::string ApplyOffset(Draft& draft, const FieldText& field) {
    return ReadNumber(field, draft.entry.offset);
}

std::string ApplyPrecision(Draft& draft, const FieldText& field) {
    long long precision = 0;
    std::string error = ReadInteger(field, 0, 15, precision);
    draft.entry.precision = static_cast<int>(precision);
    return error;
}

std::string ApplyUnitOfMeasurement(Draft& draft, const FieldText& field) {
    draft.entry.unitOfMeasurement = field.value;
    return std::string();
}

// Keys of one slot name the same thing: only one of them may be given.
struct FieldRule {
    const char* key;
    const char* slot;
    std::string (*apply)(Draft& draft, const FieldText& field);
};

const FieldRule kFields[] = {
    {"name", "name", ApplyName},
    {"address", "address", ApplyAddress},
    {"reference", "address", ApplyReference},
    {"input_type", "input_type", ApplyInputType},
    {"slave", "slave", ApplySlave},
    {"device_address", "slave", ApplySlave},
    {"host", "host", ApplyHost},
    {"data_type", "data_type", ApplyDataType},
    {"count", "count", ApplyCount},
    {"swap", "swap", ApplySwap},
    {"byte_order", "byte_order", ApplyByteOrder},
    {"scale", "scale", ApplyScale},
    {"offset", "offset", ApplyOffset},
    {"precision", "precision", ApplyPrecision},
    {"unit_of_measurement", "unit_of_measurement", ApplyUnitOfMeasurement},
};

const FieldRule* FindRule(const std::string& key) {
    for (const FieldRule& rule : kFields) {
        if (key == rule.key) {
            return &rule;
        }
    }
    return nullptr;
}

// The fields against each other: each check completes the draft or names what is wrong, at
// the value of a slot (the entry itself when the slot was not given).
struct Checking {
    Draft& draft;
    const EntryText& text;
    std::map<std::string, const FieldText*> slots;
    MapProblem& problem;

    const FieldText* Given(const char* slot) const {
        const auto found = slots.find(slot);
        return found == slots.end() ? nullptr : found->second;
    }
    bool Fail(const char* slot, const std::string& message) {
        const FieldText* field = Given(slot);
        problem = {field != nullptr ? field->valueAt : text.at, message};
        return false;
    }
};

bool CheckName(Checking& c) {
    return c.Given("name") != nullptr || c.Fail("name", "an entry needs 'name'");
}

bool CheckTable(Checking& c) {
    Draft& d = c.draft;
    if (!d.address) {
        return c.Fail("address", "an entry needs 'address' or 'reference'");
    }
    if (d.inputType && d.referenceTable && *d.inputType != *d.referenceTable) {
        return c.Fail("input_type", "input_type " + Quoted(c.Given("input_type")->value) +
                                        " disagrees with reference " + c.Given("address")->value +
                                        " (" + PointTableName(*d.referenceTable) + ")");
    }
    d.entry.table = d.inputType ? *d.inputType : d.referenceTable.value_or(c.text.defaultTable);
    d.entry.address = static_cast<uint16_t>(*d.address);
    return true;
}

bool IsBitTable(PointTable table) {
    return table == PointTable::Coils || table == PointTable::DiscreteInputs;
}

// The entry's default for registers (Home Assistant's); a coil or discrete input is one bit.
bool CheckType(Checking& c) {
    Draft& d = c.draft;
    const bool bits = IsBitTable(d.entry.table);
    if (bits && d.type && *d.type != MapDataType::Bit) {
        return c.Fail("data_type", "data_type " + Quoted(c.Given("data_type")->value) +
                                       " does not apply to a coil or discrete input (one bit)");
    }
    if (!bits && d.type == MapDataType::Bit) {
        return c.Fail("data_type", "data_type 'bit' is for input_type coil and discrete_input");
    }
    d.entry.type = bits ? MapDataType::Bit : d.type.value_or(c.text.defaultType);
    return true;
}

bool CheckCount(Checking& c) {
    Draft& d = c.draft;
    const MapDataType type = d.entry.type;
    if (type == MapDataType::String) {
        if (!d.count) {
            return c.Fail("count", "a string needs 'count' (its registers)");
        }
        d.entry.count = static_cast<uint16_t>(*d.count);
    } else {
        d.entry.count = RegistersOf(type);
        if (d.count && *d.count != d.entry.count) {
            return c.Fail("count", "count " + c.Given("count")->value + " for " +
                                       MapDataTypeName(type) + ", which takes " +
                                       std::to_string(d.entry.count) +
                                       " register(s): count is for strings");
        }
    }
    return true;
}

bool CheckRange(Checking& c) {
    const MapEntry& e = c.draft.entry;
    if (uint32_t{e.address} + e.count - 1 > kLastAddress) {
        return c.Fail("address", "address " + std::to_string(e.address) + " with " +
                                     std::to_string(e.count) + " registers runs past 65535");
    }
    return true;
}

bool CheckOrder(Checking& c) {
    Draft& d = c.draft;
    if (d.swap && d.byteOrder && *d.swap != *d.byteOrder) {
        return c.Fail("byte_order", "byte_order " + Quoted(c.Given("byte_order")->value) +
                                        " disagrees with swap " + Quoted(c.Given("swap")->value) +
                                        " (" + ByteOrderName(*d.swap) + ")");
    }
    const ByteOrder order = d.swap.value_or(d.byteOrder.value_or(ByteOrder::ABCD));
    const char* slot = d.swap ? "swap" : "byte_order";
    if (order != ByteOrder::ABCD && d.entry.type == MapDataType::Bit) {
        return c.Fail(slot, std::string(slot) + " does not apply to a coil or discrete input");
    }
    const bool swapsWords = order == ByteOrder::CDAB || order == ByteOrder::DCBA;
    if (swapsWords && d.entry.count < 2) {
        return c.Fail(slot, std::string(slot) + " " + Quoted(c.Given(slot)->value) +
                                " swaps words, but " + MapDataTypeName(d.entry.type) +
                                " takes one register");
    }
    d.entry.order = order;
    return true;
}

bool (*const kChecks[])(Checking&) = {CheckName,  CheckTable, CheckType,
                                      CheckCount, CheckRange, CheckOrder};

}  // namespace

const std::vector<std::string>& EntryKeys() {
    static const std::vector<std::string> keys = [] {
        std::vector<std::string> names;
        for (const FieldRule& rule : kFields) {
            names.push_back(rule.key);
        }
        return names;
    }();
    return keys;
}

bool EntryFromText(const EntryText& text, MapEntry& entry, MapProblem& problem) {
    Draft draft;
    draft.entry.host = text.defaultHost;
    draft.entry.line = text.at.line;
    Checking checking{draft, text, {}, problem};
    for (const FieldText& field : text.fields) {
        const FieldRule* rule = FindRule(field.key);
        if (rule == nullptr) {
            if (IsIgnoredKey(field.key, KeyLevel::Entry)) {
                continue;
            }
            problem = {field.keyAt, UnknownKeyText(field.key, EntryKeys())};
            return false;
        }
        const auto [slot, fresh] = checking.slots.emplace(rule->slot, &field);
        if (!fresh) {
            problem = {field.keyAt, "'" + field.key + "' repeats '" + slot->second->key + "'"};
            return false;
        }
        const std::string error = rule->apply(draft, field);
        if (!error.empty()) {
            problem = {field.valueAt, error};
            return false;
        }
    }
    for (bool (*check)(Checking&) : kChecks) {
        if (!check(checking)) {
            return false;
        }
    }
    entry = draft.entry;
    return true;
}
