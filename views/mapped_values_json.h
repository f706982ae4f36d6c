#pragma once
// The typed values of a transaction as JSON, for the transaction log and the summary's writes.

#include <nlohmann/json.hpp>
#include <vector>

#include "plant/value_mapper.h"
#include "views/mapped_values_text.h"

// [{"name", "reference", "type", "value", "text", "unit", "access"}]: `value` is the number
// (null for a string or a value that is not finite), `text` the string (null for numbers).
nlohmann::ordered_json MappedValuesJson(const std::vector<MappedValue>& values);
