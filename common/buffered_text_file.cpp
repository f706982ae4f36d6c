#include "common/buffered_text_file.h"

#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace fs = std::filesystem;

bool BufferedTextFile::Open() {
    if (path_ == "-") {
        standardOutput_ = true;
        std::fflush(stdout);
#ifdef _WIN32
        _setmode(_fileno(stdout), _O_BINARY);
#endif
        file_ = stdout;  // its own buffer is emptied after every write of ours
    } else {
        file_ = std::fopen(path_.c_str(), replace_ ? "wb" : "ab");
        if (file_ == nullptr) {
            failed_ = true;
            return false;
        }
        std::error_code error;
        regular_ = fs::is_regular_file(path_, error);
        if (regular_ && !replace_) {
            const uintmax_t size = fs::file_size(path_, error);
            regular_ = !error;
            stored_ = error ? 0 : size;
        }
        // The buffer is ours: every write of the handle ends after a whole piece.
        std::setvbuf(file_, nullptr, _IONBF, 0);
    }
    buffer_.reserve(kBufferSize);
    return true;
}

bool BufferedTextFile::WriteOut(const char* data, size_t size) {
    if (size == 0) {
        return true;
    }
    if (std::fwrite(data, 1, size, file_) != size || std::fflush(file_) != 0) {
        Fail();
        return false;
    }
    stored_ += size;
    return true;
}

bool BufferedTextFile::WriteBuffer() {
    if (!WriteOut(buffer_.data(), buffer_.size())) {
        return false;
    }
    buffer_.clear();
    pieceEnds_.clear();
    return true;
}

void BufferedTextFile::Fail() {
    failed_ = true;
    if (!standardOutput_) {
        std::fclose(file_);
        if (regular_) {
            CutBack();
        }
    }
    file_ = nullptr;
    buffer_.clear();
    pieceEnds_.clear();
}

void BufferedTextFile::CutBack() {
    // Part of what was being written may have reached the file before the system refused the
    // rest: the whole pieces of it are kept.
    std::error_code error;
    const uintmax_t size = fs::file_size(path_, error);
    if (error || size <= stored_) {
        return;
    }
    uint64_t keep = stored_;
    for (size_t end : pieceEnds_) {
        if (stored_ + end <= size) {
            keep = stored_ + end;
        }
    }
    fs::resize_file(path_, keep, error);
}

bool BufferedTextFile::WriteBytes(const std::string& bytes) {
    if (failed_ || (file_ == nullptr && !Open())) {
        return false;
    }
    if (buffer_.size() + bytes.size() > kBufferSize && !WriteBuffer()) {
        return false;
    }
    if (bytes.size() >= kBufferSize) {
        return WriteOut(bytes.data(), bytes.size());
    }
    buffer_ += bytes;
    pieceEnds_.push_back(buffer_.size());
    return true;
}

bool BufferedTextFile::Flush() {
    if (file_ != nullptr && !failed_) {
        WriteBuffer();
    }
    return !failed_;
}

bool BufferedTextFile::Close() {
    if (file_ == nullptr) {
        return !failed_;
    }
    Flush();
    if (file_ != nullptr && !standardOutput_ && std::fclose(file_) != 0) {
        failed_ = true;
    }
    file_ = nullptr;
    return !failed_;
}
