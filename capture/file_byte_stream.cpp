#include "capture/file_byte_stream.h"

#include <cerrno>
#include <cstring>

#include "capture/input_file.h"

FileByteStream::FileByteStream(std::FILE* file, bool closeAtEnd, bool pipe)
    : file_(file), closeAtEnd_(closeAtEnd), pipe_(pipe) {}

FileByteStream::~FileByteStream() {
    if (closeAtEnd_ && file_ != nullptr) {
        std::fclose(file_);
    }
}

size_t FileByteStream::Read(uint8_t* buffer, size_t count) {
    if (file_ == nullptr || !error_.empty()) {
        return 0;
    }
    errno = 0;
    if (pipe_) {
        const long got = ReadAvailable(file_, buffer, count);
        if (got < 0) {
            error_ = errno != 0 ? std::strerror(errno) : "the system refused the read";
            return 0;
        }
        return static_cast<size_t>(got);
    }
    const size_t got = std::fread(buffer, 1, count, file_);
    if (got < count && std::ferror(file_)) {
        error_ = errno != 0 ? std::strerror(errno) : "the system refused the read";
    }
    return got;
}

bool FileByteStream::Rewind() {
    if (file_ == nullptr || std::fseek(file_, 0, SEEK_SET) != 0) {
        return false;
    }
    std::clearerr(file_);
    error_.clear();
    return true;
}
