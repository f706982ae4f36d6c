#pragma once
// Every public Modbus function code this tool knows, with what the protocol says of it: the
// table it addresses, whether it reads or writes that table's points, what its response echoes
// and how long its request and response are. The one place such per-function facts live.

#include <cstdint>

#include "common/byte_view.h"
#include "modbus/point_table.h"

// Set in the function code of an exception response.
constexpr uint8_t kExceptionBit = 0x80;

// The function code without the exception bit.
constexpr int BaseFunctionCode(int code) {
    return code & ~kExceptionBit;
}

// What a function does with the points of its table.
enum class TableAccess : uint8_t { None, Read, Write, ReadWrite };

// What the normal response of a function repeats of its request.
enum class EchoRule : uint8_t {
    None,
    WholeRequest,        // the whole PDU
    AddressAndQuantity,  // function code, start address, quantity: the first five bytes
};

// How long a PDU (function code included) is.
struct PduLength {
    enum class Kind : uint8_t {
        Variable,   // by a sub-function, a two-byte count, or not known here
        Fixed,      // `bytes` in all
        ByteCount,  // the byte at offset `bytes` counts the bytes after it, which end the PDU
    };
    Kind kind = Kind::Variable;
    uint8_t bytes = 0;
};

struct FunctionInfo {
    int code;
    const char* name;     // as the report names it; nullptr: not in the report's catalogue
    const char* logName;  // the transaction log's name where it differs from `name`, or nullptr
    bool decoded;         // the frame analysis decodes it (some only down to address and function)
    bool hasTable;        // it addresses the points of `table`
    PointTable table;
    TableAccess access;
    EchoRule echo;
    PduLength request;
    PduLength response;
};

// The entry of a public function code (1 to 24, 43); nullptr for any other code, an exception
// code included.
const FunctionInfo* FindFunction(int code);

// A public function code, with or without the exception bit.
bool IsPublicFunctionCode(int code);
// One of the codes left to users (65 to 72, 100 to 110), with or without the exception bit.
bool IsUserDefinedFunctionCode(int code);

// The report's name of a function code; "Unknown" outside 1 to 24.
const char* GetFunctionName(int code);
// The transaction log's name: the later standard names, "User Defined" for the users' codes,
// "Unknown" for the rest.
const char* GetFunctionLogName(int code);

// Whether the analyser decodes the function (some only down to address and function code).
bool IsDecodedFunction(int code);

// Modicon reference number of a zero-based point offset: offset + the reference base of the
// function's table; 65535 for the other codes from 1 to 24, 99999 for any other code.
int GetReferenceNumber(int offset, int code);

// The table a function reads or writes; false for functions that address no table.
bool TableOfFunction(int code, PointTable& table);
// Whether the function writes points of its table: 5, 6, 15, 16, 22 and 23.
bool WritesPoints(int code);

// The part of a request PDU that the normal response repeats: the request as long as its
// function's request is, or its first five bytes; empty when the function's response repeats
// nothing or the request is too short to hold it.
ByteView EchoedPart(ByteView requestPdu);
// Whether `responsePdu` begins with the part of the request that the function's echo rule
// repeats (bytes past it are for the length checks to judge).
bool IsEchoOf(ByteView responsePdu, ByteView requestPdu);
