// Capture paths on POSIX systems: stat() tells regular files from pipes, directories, devices.

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "capture/input_file.h"

namespace {

volatile std::sig_atomic_t readsCancelled = 0;

}  // namespace

void CancelBlockingReads() {
    readsCancelled = 1;
}

InputInfo InspectInput(const std::string& path) {
    InputInfo info;
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        info.reason = std::strerror(errno);
        return info;
    }
    if (S_ISREG(status.st_mode)) {
        info.kind = InputKind::Regular;
    } else if (S_ISFIFO(status.st_mode)) {
        info.kind = InputKind::Pipe;
    } else if (S_ISDIR(status.st_mode)) {
        info.kind = InputKind::Directory;
    } else {
        info.kind = InputKind::Device;  // character or block device, socket
    }
    return info;
}

long ReadAvailable(std::FILE* file, void* buffer, size_t count) {
    for (;;) {
        const ssize_t got = ::read(fileno(file), buffer, count);
        if (got >= 0 || errno != EINTR) {
            return static_cast<long>(got);
        }
        if (readsCancelled != 0) {
            return 0;
        }
    }
}

std::FILE* BinaryStandardInput() {
    return stdin;
}
