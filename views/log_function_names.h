#pragma once
// The function names of the transaction log. The report keeps the names of its own catalogue
// (modbus/function_catalogue); the log names the later standard functions and the user-defined
// ranges as well, so that tools reading it need no table of their own.

// The name of `function` (without the exception bit). `meiType` is the MEI type of the request
// for function 43 (Encapsulated Interface Transport), or -1 when there is none.
const char* LogFunctionName(int function, int meiType = -1);
