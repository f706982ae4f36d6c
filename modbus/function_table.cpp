#include "modbus/function_table.h"

#include <algorithm>

namespace {

constexpr PduLength Fixed(int bytes) {
    return {PduLength::Kind::Fixed, static_cast<uint8_t>(bytes)};
}
constexpr PduLength CountAt(int offset) {
    return {PduLength::Kind::ByteCount, static_cast<uint8_t>(offset)};
}
constexpr PduLength kVariable{};

constexpr PointTable kCoils = PointTable::Coils;
constexpr PointTable kInputs = PointTable::DiscreteInputs;
constexpr PointTable kInputRegisters = PointTable::InputRegisters;
constexpr PointTable kHolding = PointTable::HoldingRegisters;
constexpr TableAccess kNoAccess = TableAccess::None;
constexpr TableAccess kRead = TableAccess::Read;
constexpr TableAccess kWrite = TableAccess::Write;
constexpr EchoRule kNoEcho = EchoRule::None;
constexpr EchoRule kWhole = EchoRule::WholeRequest;
constexpr EchoRule kAddressAndQuantity = EchoRule::AddressAndQuantity;

// The report keeps the old Modicon names (spelling included); the log takes the later ones.
// Lengths count the PDU: function code and data.
constexpr FunctionInfo kFunctions[] = {
    {1, "Read Coil Status", nullptr, true, true, kCoils, kRead, kNoEcho, Fixed(5), CountAt(1)},
    {2, "Read Input Status", nullptr, true, true, kInputs, kRead, kNoEcho, Fixed(5), CountAt(1)},
    {3, "Read Holding Registers", nullptr, true, true, kHolding, kRead, kNoEcho, Fixed(5),
     CountAt(1)},
    {4, "Read Input Registers", nullptr, true, true, kInputRegisters, kRead, kNoEcho, Fixed(5),
     CountAt(1)},
    {5, "Force Single Coil", nullptr, true, true, kCoils, kWrite, kWhole, Fixed(5), Fixed(5)},
    {6, "Preset Single Register", nullptr, true, true, kHolding, kWrite, kWhole, Fixed(5),
     Fixed(5)},
    {7, "Read Exception Status", nullptr, true, false, kHolding, kNoAccess, kNoEcho, Fixed(1),
     Fixed(2)},
    {8, "Diagnostic", "Diagnostics", false, false, kHolding, kNoAccess, kNoEcho, kVariable,
     kVariable},
    {9, "Program 484", nullptr, false, false, kHolding, kNoAccess, kNoEcho, kVariable, kVariable},
    {10, "Poll 484", nullptr, false, false, kHolding, kNoAccess, kNoEcho, kVariable, kVariable},
    {11, "Fetch Comm Event Counter", nullptr, true, false, kHolding, kNoAccess, kNoEcho, Fixed(1),
     Fixed(5)},
    {12, "Fetch Comm Event Log", nullptr, true, false, kHolding, kNoAccess, kNoEcho, Fixed(1),
     CountAt(1)},
    {13, "Program Controller", nullptr, false, false, kHolding, kNoAccess, kNoEcho, kVariable,
     kVariable},
    {14, "Poll Controller", nullptr, false, false, kHolding, kNoAccess, kNoEcho, kVariable,
     kVariable},
    {15, "Force Multiple Coils", nullptr, true, true, kCoils, kWrite, kAddressAndQuantity,
     CountAt(5), Fixed(5)},
    {16, "Preset Multiple Registers", nullptr, true, true, kHolding, kWrite, kAddressAndQuantity,
     CountAt(5), Fixed(5)},
    {17, "Report Slave ID", nullptr, true, false, kHolding, kNoAccess, kNoEcho, Fixed(1),
     CountAt(1)},
    {18, "Program 884", nullptr, false, false, kHolding, kNoAccess, kNoEcho, kVariable, kVariable},
    {19, "Reset Comm Link", nullptr, false, false, kHolding, kNoAccess, kNoEcho, kVariable,
     kVariable},
    {20, "Read General Reference", "Read File Record", false, false, kHolding, kNoAccess, kNoEcho,
     CountAt(1), CountAt(1)},
    {21, "Write General Reference", "Write File Record", false, false, kHolding, kNoAccess, kWhole,
     CountAt(1), CountAt(1)},
    {22, "Masked Write 4x Registers", nullptr, true, true, kHolding, kWrite, kWhole, Fixed(7),
     Fixed(7)},
    {23, "Read or Write 4x Registers", nullptr, true, true, kHolding, TableAccess::ReadWrite,
     kNoEcho, CountAt(9), CountAt(1)},
    // The response's byte count takes two bytes.
    {24, "Read Fifo Qeue", "Read FIFO Queue", false, false, kHolding, kNoAccess, kNoEcho, Fixed(3),
     kVariable},
    {43, nullptr, "Encapsulated Interface Transport", false, false, kHolding, kNoAccess, kNoEcho,
     kVariable, kVariable},
};

struct CodeRange {
    int first;
    int last;
};

constexpr CodeRange kUserDefinedCodes[] = {{65, 72}, {100, 110}};

// Wherever an echo is partial, it repeats the function code, start address and quantity.
constexpr size_t kAddressAndQuantityBytes = 5;

}  // namespace

const FunctionInfo* FindFunction(int code) {
    for (const FunctionInfo& info : kFunctions) {
        if (info.code == code) {
            return &info;
        }
    }
    return nullptr;
}

bool IsPublicFunctionCode(int code) {
    return FindFunction(BaseFunctionCode(code)) != nullptr;
}

bool IsUserDefinedFunctionCode(int code) {
    const int base = BaseFunctionCode(code);
    return std::any_of(std::begin(kUserDefinedCodes), std::end(kUserDefinedCodes),
                       [base](const CodeRange& r) { return base >= r.first && base <= r.last; });
}

const char* GetFunctionName(int code) {
    const FunctionInfo* info = FindFunction(code);
    return info != nullptr && info->name != nullptr ? info->name : "Unknown";
}

const char* GetFunctionLogName(int code) {
    const FunctionInfo* info = FindFunction(code);
    if (info != nullptr && info->logName != nullptr) {
        return info->logName;
    }
    if (IsUserDefinedFunctionCode(code) && code < kExceptionBit) {
        return "User Defined";
    }
    return GetFunctionName(code);
}

bool IsDecodedFunction(int code) {
    const FunctionInfo* info = FindFunction(code);
    return info != nullptr && info->decoded;
}

int GetReferenceNumber(int offset, int code) {
    const FunctionInfo* info = FindFunction(code);
    if (info == nullptr || info->name == nullptr) {
        return 99999;  // outside the report's catalogue
    }
    return info->hasTable ? offset + ReferenceBase(info->table) : 65535;
}

bool TableOfFunction(int code, PointTable& table) {
    const FunctionInfo* info = FindFunction(code);
    if (info == nullptr || !info->hasTable) {
        return false;
    }
    table = info->table;
    return true;
}

bool WritesPoints(int code) {
    const FunctionInfo* info = FindFunction(code);
    return info != nullptr && info->hasTable &&
           (info->access == TableAccess::Write || info->access == TableAccess::ReadWrite);
}

ByteView EchoedPart(ByteView requestPdu) {
    const FunctionInfo* info = FindFunction(requestPdu.At(0));
    if (info == nullptr) {
        return ByteView();
    }
    size_t echoed = 0;
    switch (info->echo) {
        case EchoRule::WholeRequest:  // as long as the function's request is, bytes past it aside
            echoed = info->request.kind == PduLength::Kind::Fixed ? info->request.bytes
                                                                  : requestPdu.size();
            break;
        case EchoRule::AddressAndQuantity:
            echoed = kAddressAndQuantityBytes;
            break;
        case EchoRule::None:
            return ByteView();
    }
    if (requestPdu.size() < std::max(echoed, kAddressAndQuantityBytes)) {
        return ByteView();
    }
    return requestPdu.Sub(0, echoed);
}

bool IsEchoOf(ByteView responsePdu, ByteView requestPdu) {
    const ByteView echoed = EchoedPart(requestPdu);
    return !echoed.empty() && responsePdu.size() >= echoed.size() &&
           std::equal(echoed.begin(), echoed.end(), responsePdu.begin());
}
