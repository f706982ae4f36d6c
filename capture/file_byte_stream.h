#pragma once
// A ByteStream over one open C stream: a regular file (rewound by seeking) or a pipe / standard
// input (not rewindable; wrap it in a SpooledByteStream).

#include <cstdio>

#include "capture/byte_stream.h"

class FileByteStream : public ByteStream {
public:
    // Takes ownership of `file` when `closeAtEnd` (not for standard input). A pipe is read for
    // what it has ready, so records are analysed as they arrive.
    FileByteStream(std::FILE* file, bool closeAtEnd, bool pipe = false);
    ~FileByteStream() override;
    FileByteStream(const FileByteStream&) = delete;
    FileByteStream& operator=(const FileByteStream&) = delete;

    size_t Read(uint8_t* buffer, size_t count) override;
    std::string Error() const override { return error_; }
    bool Rewind() override;

private:
    std::FILE* file_;
    bool closeAtEnd_;
    bool pipe_;
    std::string error_;
};
