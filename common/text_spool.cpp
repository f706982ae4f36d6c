#include "common/text_spool.h"

TextSpool::~TextSpool() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

bool TextSpool::Append(const std::string& text) {
    if (file_ == nullptr) {
        memory_ += text;
    } else if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) {
        return false;
    }
    size_ += text.size();
    return true;
}

bool TextSpool::ReadBack(const std::function<bool(const std::string&)>& take) {
    if (file_ == nullptr) {
        return memory_.empty() || take(memory_);
    }
    if (std::fflush(file_) != 0 || std::fseek(file_, 0, SEEK_SET) != 0) {
        return false;
    }
    std::string piece(64 * 1024, '\0');
    uint64_t left = size_;
    while (left > 0) {
        const size_t got =
            std::fread(&piece[0], 1, piece.size() < left ? piece.size() : left, file_);
        if (got == 0) {
            return false;
        }
        left -= got;
        if (!take(piece.substr(0, got))) {
            return false;
        }
    }
    std::fseek(file_, 0, SEEK_END);
    return true;
}
