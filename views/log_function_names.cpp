#include "views/log_function_names.h"

#include "modbus/function_catalogue.h"

namespace {

struct FunctionRange {
    int first;
    int last;
    const char* name;
};

// Where the log's names differ from the catalogue's or go beyond it; every other code has its
// catalogue name ("Unknown" outside 1 to 24).
constexpr FunctionRange kLogNames[] = {
    {8, 8, "Diagnostics"},
    {20, 20, "Read File Record"},
    {21, 21, "Write File Record"},
    {24, 24, "Read FIFO Queue"},
    {43, 43, "Encapsulated Interface Transport"},
    {65, 72, "User Defined"},
    {100, 110, "User Defined"},
};

struct MeiName {
    int meiType;
    const char* name;
};

// Function 43 by the MEI type of its request.
constexpr MeiName kMeiNames[] = {
    {14, "Read Device Identification"},
};

constexpr int kEncapsulatedInterfaceTransport = 43;

}  // namespace

const char* LogFunctionName(int function, int meiType) {
    if (function == kEncapsulatedInterfaceTransport) {
        for (const MeiName& mei : kMeiNames) {
            if (mei.meiType == meiType) {
                return mei.name;
            }
        }
    }
    for (const FunctionRange& range : kLogNames) {
        if (function >= range.first && function <= range.last) {
            return range.name;
        }
    }
    return GetFunctionName(function);
}
