#include "modbus/exception_catalogue.h"

namespace {

struct ExceptionEntry {
    int code;
    const char* name;
};

const ExceptionEntry kExceptions[] = {
    {1, "Illegal Function"},
    {2, "Illegal Data Address"},
    {3, "Illegal Data Value"},
    {4, "Server Device Failure"},
    {5, "Acknowledge"},
    {6, "Server Device Busy"},
    {8, "Memory Parity Error"},
    {10, "Gateway Path Unavailable"},
    {11, "Gateway Target Device Failed to Respond"},
};

}  // namespace

const char* GetExceptionName(int code) {
    for (const ExceptionEntry& entry : kExceptions) {
        if (entry.code == code) {
            return entry.name;
        }
    }
    return "Unknown";
}
