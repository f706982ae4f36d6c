#pragma once
// What a capture path names and how it is opened; one implementation per platform
// (posix/, win32/), chosen in CMake.

#include <cstdio>
#include <string>

enum class InputKind { Regular, Pipe, Directory, Device, Unavailable };

struct InputInfo {
    InputKind kind = InputKind::Unavailable;
    std::string reason;  // for Unavailable: the system's reason, e.g. "No such file or directory"
};

// Looks at `path` without opening it (opening a named pipe would wait for its writer).
InputInfo InspectInput(const std::string& path);

// Opens `path` for binary reading; null with the system's reason on failure.
std::FILE* OpenInputFile(const std::string& path, std::string& reason);

// Reads what a pipe has ready, waiting only until something comes: up to `count` bytes, 0 at the
// end of the input, -1 when the system refused the read.
long ReadAvailable(std::FILE* file, void* buffer, size_t count);
// From now on, a pipe read that a signal interrupts ends the input instead of waiting on: the
// user asked the run to stop while its writer was silent. Safe to call in a signal handler.
void CancelBlockingReads();
// Standard input switched to binary mode.
std::FILE* BinaryStandardInput();
