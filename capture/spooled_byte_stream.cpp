#include "capture/spooled_byte_stream.h"

SpooledByteStream::SpooledByteStream(std::unique_ptr<ByteStream> input)
    : input_(std::move(input)), spool_(std::tmpfile()) {}

SpooledByteStream::~SpooledByteStream() {
    if (spool_ != nullptr) {
        std::fclose(spool_);
    }
}

size_t SpooledByteStream::Read(uint8_t* buffer, size_t count) {
    // What was spooled first; then what the input has ready (a pipe gives what it has).
    size_t done = ReplaySpool(buffer, count);
    if (done == 0 && error_.empty() && replayAt_ == spooled_) {
        done = input_->Read(buffer, count);
        Append(buffer, done);
    }
    return done;
}

size_t SpooledByteStream::ReplaySpool(uint8_t* buffer, size_t count) {
    if (spool_ == nullptr || replayAt_ >= spooled_) {
        return 0;
    }
    const long long left = spooled_ - replayAt_;
    const size_t wanted = static_cast<long long>(count) < left ? count : static_cast<size_t>(left);
    // Replay is sequential from the rewind on, so no seek is needed (and none limited to 2 GiB).
    const size_t got = std::fread(buffer, 1, wanted, spool_);
    replayAt_ += static_cast<long long>(got);
    if (got < wanted) {
        error_ = "the temporary copy of the input could not be read back";
    }
    return got;
}

void SpooledByteStream::Append(const uint8_t* bytes, size_t count) {
    if (spool_ == nullptr || count == 0) {
        replayAt_ = spooled_;
        return;
    }
    // A positioning call must separate the replay's reads from this write.
    if (std::fseek(spool_, 0, SEEK_END) != 0 || std::fwrite(bytes, 1, count, spool_) != count) {
        // The input goes on being read; only going back becomes impossible.
        std::fclose(spool_);
        spool_ = nullptr;
        spooled_ = replayAt_ = 0;
        return;
    }
    spooled_ += static_cast<long long>(count);
    replayAt_ = spooled_;
}

std::string SpooledByteStream::Error() const {
    return error_.empty() ? input_->Error() : error_;
}

bool SpooledByteStream::Rewind() {
    if (spool_ == nullptr || !error_.empty()) {
        return false;
    }
    std::rewind(spool_);
    replayAt_ = 0;
    return true;
}
