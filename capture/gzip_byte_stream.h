#pragma once
// The bytes of a capture compressed with gzip (.pcap.gz, .pcapng.gz), inflated as they are read;
// any other input is passed through as it is. Gzip is told by its magic (1f 8b), not by the
// file's name. Several gzip members one after another are read as one stream, as gzip does.
//
// Damaged compressed data is a read error, also where its garbage was read first; a stream cut
// short simply ends, so the capture reader sees a cut record as it would in a cut file.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "capture/byte_stream.h"

class GzipByteStream : public ByteStream {
public:
    explicit GzipByteStream(std::unique_ptr<ByteStream> input);
    ~GzipByteStream() override;
    GzipByteStream(const GzipByteStream&) = delete;
    GzipByteStream& operator=(const GzipByteStream&) = delete;

    size_t Read(uint8_t* buffer, size_t count) override;
    std::string Error() const override;
    bool Rewind() override;
    // Damaged compressed data may inflate to garbage for a while before zlib finds the damage
    // (in stored blocks only the trailer's check does): inflates on, up to a bound, to see.
    bool DamagedFurtherOn() override;

private:
    enum class Mode { Unknown, Plain, Gzip, Ended };

    // Reads the first bytes and tells the mode by them.
    void Detect();
    size_t Inflate(uint8_t* buffer, size_t count);
    // Moves what is left of the buffered input to its front and reads more behind it; false
    // when nothing more came.
    bool FillInput();

    std::unique_ptr<ByteStream> input_;
    struct ZState;
    std::unique_ptr<ZState> z_;
    Mode mode_ = Mode::Unknown;
    std::vector<uint8_t> in_;
    size_t inBegin_ = 0;
    size_t inEnd_ = 0;
    std::string error_;
};
