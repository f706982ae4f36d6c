#include "modbus/function_catalogue.h"

namespace {

constexpr int kNoReference = -1;  // reference number 65535: the function addresses no points

struct FunctionEntry {
    const char* name;
    int referenceBase;
    bool decoded;
};

// Indexed by function code - 1.
constexpr FunctionEntry kCatalogue[] = {
    {"Read Coil Status", 1, true},
    {"Read Input Status", 10001, true},
    {"Read Holding Registers", 40001, true},
    {"Read Input Registers", 30001, true},
    {"Force Single Coil", 1, true},
    {"Preset Single Register", 40001, true},
    {"Read Exception Status", kNoReference, true},
    {"Diagnostic", kNoReference, false},
    {"Program 484", kNoReference, false},
    {"Poll 484", kNoReference, false},
    {"Fetch Comm Event Counter", kNoReference, true},
    {"Fetch Comm Event Log", kNoReference, true},
    {"Program Controller", kNoReference, false},
    {"Poll Controller", kNoReference, false},
    {"Force Multiple Coils", 1, true},
    {"Preset Multiple Registers", 40001, true},
    {"Report Slave ID", kNoReference, true},
    {"Program 884", kNoReference, false},
    {"Reset Comm Link", kNoReference, false},
    {"Read General Reference", kNoReference, false},
    {"Write General Reference", kNoReference, false},
    {"Masked Write 4x Registers", 40001, true},
    {"Read or Write 4x Registers", 40001, true},
    {"Read Fifo Qeue", kNoReference, false},
};

constexpr int kCatalogueSize = static_cast<int>(sizeof(kCatalogue) / sizeof(kCatalogue[0]));

const FunctionEntry* Find(int code) {
    return (code >= 1 && code <= kCatalogueSize) ? &kCatalogue[code - 1] : nullptr;
}

}  // namespace

const char* GetFunctionName(int code) {
    const FunctionEntry* entry = Find(code);
    return entry != nullptr ? entry->name : "Unknown";
}

bool IsDecodedFunction(int code) {
    const FunctionEntry* entry = Find(code);
    return entry != nullptr && entry->decoded;
}

int GetReferenceNumber(int offset, int code) {
    const FunctionEntry* entry = Find(code);
    if (entry == nullptr) {
        return 99999;
    }
    if (entry->referenceBase == kNoReference) {
        return 65535;
    }
    return offset + entry->referenceBase;
}
