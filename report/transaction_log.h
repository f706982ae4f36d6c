#pragma once
// The transaction log: one JSON object per line for each request with its response, lone request
// or lone response, for tools that read the pairing as data.

#include <cstdint>
#include <string>

#include "modbus/frame_report.h"
#include "tcp/transaction.h"

struct TransactionLogEntry {
    uint64_t reportFrame = 0;  // the number of the report block ("Frame: NNN")
    const Transaction* transaction = nullptr;
    // The analyses of the request's and the response's RTU frames (the response analysed with its
    // request); null when not analysed: the entry then has no points and findings of it.
    const FrameReport* request = nullptr;
    const FrameReport* response = nullptr;
};

// One JSON object and "\n". An entry without a transaction gives "null\n".
std::string TransactionLogLine(const TransactionLogEntry& entry);
