#include "common/buffered_text_file.h"

bool BufferedTextFile::WriteBytes(const std::string& bytes) {
    if (failed_) {
        return false;
    }
    if (file_ == nullptr) {
        file_ = std::fopen(path_.c_str(), replace_ ? "wb" : "ab");
        if (file_ == nullptr) {
            failed_ = true;
            return false;
        }
        std::setvbuf(file_, nullptr, _IOFBF, kBufferSize);
    }
    failed_ = std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size();
    return !failed_;
}

bool BufferedTextFile::Flush() {
    if (file_ != nullptr && !failed_ && std::fflush(file_) != 0) {
        failed_ = true;
    }
    return !failed_;
}

bool BufferedTextFile::Close() {
    if (file_ == nullptr) {
        return !failed_;
    }
    Flush();
    if (std::fclose(file_) != 0) {
        failed_ = true;
    }
    file_ = nullptr;
    return !failed_;
}
