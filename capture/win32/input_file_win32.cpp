// Capture paths on Windows: _stat64 on the narrow path tells files from directories and devices
// (NUL, CON, COM1); pipes are read as streams.

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <cstring>

#include "capture/input_file.h"

InputInfo InspectInput(const std::string& path) {
    InputInfo info;
    struct _stat64 status {};
    if (_stat64(path.c_str(), &status) != 0) {
        info.reason = std::strerror(errno);
        return info;
    }
    if ((status.st_mode & _S_IFMT) == _S_IFREG) {
        info.kind = InputKind::Regular;
    } else if ((status.st_mode & _S_IFMT) == _S_IFIFO) {
        info.kind = InputKind::Pipe;
    } else if ((status.st_mode & _S_IFMT) == _S_IFDIR) {
        info.kind = InputKind::Directory;
    } else {
        info.kind = InputKind::Device;
    }
    return info;
}

long ReadAvailable(std::FILE* file, void* buffer, size_t count) {
    const unsigned chunk = count > 0x40000000u ? 0x40000000u : static_cast<unsigned>(count);
    return _read(_fileno(file), buffer, chunk);
}

// A console's Ctrl-C does not interrupt a read on Windows: the run stops at the next record.
void CancelBlockingReads() {}

std::FILE* BinaryStandardInput() {
    _setmode(_fileno(stdin), _O_BINARY);
    return stdin;
}
