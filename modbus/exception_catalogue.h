#pragma once
// The Modbus exception codes this tool knows by name.

// Name of an exception code; "Unknown" for codes the protocol does not define.
const char* GetExceptionName(int code);
