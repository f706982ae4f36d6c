#pragma once
// The transaction log's "details" of a transaction: what functions 8, 20, 21, 24 and 43/14 carry.
// Each key keeps one JSON type on every line (a value that can be missing is null, a list is
// always an array), so tools that infer one schema from the lines read them all alike.

#include "session/transaction.h"
#include "views/json_writer.h"

// null when neither message has details, else {"request", "response"}, each null or an object.
void WriteFunctionDetails(JsonWriter& json, const Transaction& transaction);
