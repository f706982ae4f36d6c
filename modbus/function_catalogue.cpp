#include "modbus/function_catalogue.h"

namespace {

constexpr int kNoReference = -1;  // reference number 65535: the function addresses no points

struct FunctionEntry {
    const char* name;
    int referenceBase;
};

// Indexed by function code - 1.
constexpr FunctionEntry kCatalogue[] = {
    {"Read Coil Status", 1},
    {"Read Input Status", 10001},
    {"Read Holding Registers", 40001},
    {"Read Input Registers", 30001},
    {"Force Single Coil", 1},
    {"Preset Single Register", 40001},
    {"Read Exception Status", kNoReference},
    {"Diagnostic", kNoReference},
    {"Program 484", kNoReference},
    {"Poll 484", kNoReference},
    {"Fetch Comm Event Counter", kNoReference},
    {"Fetch Comm Event Log", kNoReference},
    {"Program Controller", kNoReference},
    {"Poll Controller", kNoReference},
    {"Force Multiple Coils", 1},
    {"Preset Multiple Registers", 40001},
    {"Report Slave ID", kNoReference},
    {"Program 884", kNoReference},
    {"Reset Comm Link", kNoReference},
    {"Read General Reference", kNoReference},
    {"Write General Reference", kNoReference},
    {"Masked Write 4x Registers", 40001},
    {"Read or Write 4x Registers", 40001},
    {"Read Fifo Qeue", kNoReference},
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

int GetReferenceNumber(int offset, int code) {
    const FunctionEntry* entry = Find(code);
    if (entry == nullptr) {
        return 99999;
    }
    if (entry->referenceBase == kNoReference) {
        return 65535;
    }
    // Offsets come from 16-bit words; the wrap-around keeps hostile input well defined.
    return static_cast<int>(static_cast<unsigned>(offset) +
                            static_cast<unsigned>(entry->referenceBase));
}
