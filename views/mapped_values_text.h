#pragma once
// The typed values of a transaction as compact JSON text, for the transaction log. Kept apart
// from the JSON library so that the log's header does not need it.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "plant/value_mapper.h"

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
