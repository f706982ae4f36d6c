#include "views/log_function_names.h"

#include "modbus/function_table.h"

namespace {

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
    return GetFunctionLogName(function);
}
