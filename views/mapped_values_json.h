#pragma once
// The typed values of a transaction as JSON, for the transaction log and the summary's writes.

#include <nlohmann/json.hpp>
#include <string>
#include <unordered_map>
#include <vector>

#include "plant/value_mapper.h"

// [{"name", "reference", "type", "value", "text", "unit", "access"}]: `value` is the number
// (null for a string or a value that is not finite), `text` the string (null for numbers).
nlohmann::ordered_json MappedValuesJson(const std::vector<MappedValue>& values);

// The same array as compact JSON text, appended to `text` without building it as JSON first: a
// log line may carry many values. An entry's fixed parts are made once and kept.
class MappedValuesText {
public:
    void Append(std::string& text, const std::vector<MappedValue>& values);

private:
    struct Parts {
        std::string head;  // {"name":...,"reference":...,"type":"...","value":
        std::string unit;  // ,"unit":"..."
    };
    const Parts& PartsOf(const MapEntry& entry);

    std::unordered_map<const MapEntry*, Parts> parts_;
};

// The Modicon reference of an entry's first register.
int32_t EntryReference(const MapEntry& entry);
