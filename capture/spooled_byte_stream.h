#pragma once
// Makes a one-way input (standard input, a pipe) rewindable: every byte read from it is also
// written to a temporary spool file, and after Rewind the spool is replayed before the input is
// read on. Nothing is ever read twice from the input itself.

#include <cstdio>
#include <memory>

#include "capture/byte_stream.h"

class SpooledByteStream : public ByteStream {
public:
    explicit SpooledByteStream(std::unique_ptr<ByteStream> input);
    ~SpooledByteStream() override;
    SpooledByteStream(const SpooledByteStream&) = delete;
    SpooledByteStream& operator=(const SpooledByteStream&) = delete;

    size_t Read(uint8_t* buffer, size_t count) override;
    std::string Error() const override;
    // False when no spool could be kept (no temporary file, or writing it failed).
    bool Rewind() override;

private:
    size_t ReplaySpool(uint8_t* buffer, size_t count);
    void Append(const uint8_t* bytes, size_t count);

    std::unique_ptr<ByteStream> input_;
    std::FILE* spool_;
    long long spooled_ = 0;   // bytes in the spool
    long long replayAt_ = 0;  // next spool byte to hand out; == spooled_ when reading the input
    std::string error_;
};
