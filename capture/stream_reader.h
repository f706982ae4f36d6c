#pragma once
// Sequential, buffered reading of a ByteStream in large blocks, with the file offset kept.
// The capture readers take their headers and records from here, one read call per piece.

#include <cstdint>
#include <memory>
#include <vector>

#include "capture/byte_stream.h"

class StreamReader {
public:
    // How a read ended: all bytes delivered, nothing left at all, only part of them left, or
    // the system refused the read.
    enum class Fill { Whole, End, Short, Failed };

    static constexpr size_t kBufferSize = 512 * 1024;

    explicit StreamReader(std::unique_ptr<ByteStream> stream);

    Fill Read(uint8_t* out, size_t count);
    Fill Skip(uint64_t count);
    // Copies up to `count` bytes (at most kBufferSize) without consuming them; returns how many.
    size_t Peek(uint8_t* out, size_t count);

    int64_t Offset() const { return offset_; }
    std::string Error() const { return stream_->Error(); }
    // Whether the stream turns out damaged past what was read (ByteStream::DamagedFurtherOn).
    bool DamagedFurtherOn() { return stream_->DamagedFurtherOn(); }
    // Back to offset 0; false when the stream cannot go back.
    bool Rewind();

private:
    size_t Buffered() const { return end_ - begin_; }
    // Reads more from the stream behind what is buffered; false when nothing more came.
    bool Refill();
    Fill Ending(size_t delivered) const;

    std::unique_ptr<ByteStream> stream_;
    std::vector<uint8_t> buffer_;
    size_t begin_ = 0;
    size_t end_ = 0;
    int64_t offset_ = 0;
};
