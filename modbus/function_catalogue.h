#pragma once
// The Modbus function codes this tool knows by name, with the Modicon reference bases.

// Catalogue name of a function code; "Unknown" outside 1 to 24.
const char* GetFunctionName(int code);

// Whether the analyser decodes the function (some only down to address and function code).
bool IsDecodedFunction(int code);

// Modicon reference number of a zero-based point offset: offset + 1, + 10001, + 30001 or
// + 40001 for the point-addressed functions, 65535 for the other codes from 1 to 24, 99999
// for any other code.
int GetReferenceNumber(int offset, int code);
