#pragma once
// A ByteStream over bytes in memory that can refuse a read at a chosen offset, hand out small
// pieces like a pipe does, and refuse to rewind like a pipe.

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "capture/byte_stream.h"

struct MemoryStreamOptions {
    size_t failAt = SIZE_MAX;     // a read reaching this offset fails there
    size_t pieceSize = SIZE_MAX;  // the most one Read hands out
    bool rewindable = true;
};

class MemoryByteStream : public ByteStream {
public:
    MemoryByteStream(std::vector<uint8_t> bytes, MemoryStreamOptions options,
                     std::shared_ptr<size_t> handedOut = nullptr)
        : bytes_(std::move(bytes)), options_(options), handedOut_(std::move(handedOut)) {}

    size_t Read(uint8_t* buffer, size_t count) override {
        if (!error_.empty()) {
            return 0;
        }
        size_t n = std::min({count, options_.pieceSize, bytes_.size() - position_});
        if (position_ + n >= options_.failAt && options_.failAt <= bytes_.size()) {
            n = options_.failAt - position_;
            error_ = "Input/output error";
        }
        std::memcpy(buffer, bytes_.data() + position_, n);
        position_ += n;
        if (handedOut_) {
            *handedOut_ += n;
        }
        return n;
    }
    std::string Error() const override { return error_; }
    bool Rewind() override {
        if (!options_.rewindable) {
            return false;
        }
        position_ = 0;
        error_.clear();
        return true;
    }

private:
    std::vector<uint8_t> bytes_;
    MemoryStreamOptions options_;
    std::shared_ptr<size_t> handedOut_;
    size_t position_ = 0;
    std::string error_;
};
