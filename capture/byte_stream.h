#pragma once
// The bytes below the capture readers: a file, standard input, a pipe, or a test double.

#include <cstddef>
#include <cstdint>
#include <string>

class ByteStream {
public:
    virtual ~ByteStream() = default;

    // Fills up to `count` bytes and returns how many: 0 only at the end of the input or when the
    // system refused the read (then Error() says why); a pipe may give fewer at any time.
    virtual size_t Read(uint8_t* buffer, size_t count) = 0;
    // Empty while every read succeeded.
    virtual std::string Error() const = 0;
    // Back to the first byte; false when this input cannot go back.
    virtual bool Rewind() = 0;
    // Whether the input turns out damaged further on (then Error() says how), for bytes read so
    // far that make no sense: only a compressed input can tell, by reading on.
    virtual bool DamagedFurtherOn() { return false; }
};
