#pragma once
// The function names of the transaction log (modbus/function_table), and the services of
// function 43 by their MEI type, so that tools reading it need no table of their own.

// The name of `function` (without the exception bit). `meiType` is the MEI type of the request
// for function 43 (Encapsulated Interface Transport), or -1 when there is none.
const char* LogFunctionName(int function, int meiType = -1);
