#include "capture/gzip_byte_stream.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kInputBlock = 256 * 1024;
// How far past garbage the damage is looked for: a second or so of inflating.
constexpr uint64_t kDamageLookAhead = uint64_t{256} << 20;

bool IsGzipMagic(const uint8_t* bytes) {
    return bytes[0] == 0x1F && bytes[1] == 0x8B;
}

}  // namespace

struct GzipByteStream::ZState {
    z_stream stream{};
    bool open = false;

    bool Start() {
        End();
        stream = z_stream{};
        open = inflateInit2(&stream, 15 + 16) == Z_OK;  // 16: a gzip header and trailer
        return open;
    }
    void End() {
        if (open) {
            inflateEnd(&stream);
            open = false;
        }
    }
    ~ZState() { End(); }
};

GzipByteStream::GzipByteStream(std::unique_ptr<ByteStream> input)
    : input_(std::move(input)), z_(std::make_unique<ZState>()), in_(kInputBlock) {}

GzipByteStream::~GzipByteStream() = default;

std::string GzipByteStream::Error() const {
    return error_.empty() ? input_->Error() : error_;
}

bool GzipByteStream::FillInput() {
    if (inBegin_ > 0) {
        std::memmove(in_.data(), in_.data() + inBegin_, inEnd_ - inBegin_);
        inEnd_ -= inBegin_;
        inBegin_ = 0;
    }
    const size_t got = input_->Read(in_.data() + inEnd_, in_.size() - inEnd_);
    inEnd_ += got;
    return got > 0;
}

void GzipByteStream::Detect() {
    // A pipe may hand out a single byte: the magic needs two.
    while (inEnd_ < 2 && FillInput()) {
    }
    if (inEnd_ >= 2 && IsGzipMagic(in_.data())) {
        mode_ = z_->Start() ? Mode::Gzip : Mode::Ended;
        if (!z_->open) {
            error_ = "zlib could not be started";
        }
        return;
    }
    mode_ = Mode::Plain;
}

size_t GzipByteStream::Read(uint8_t* buffer, size_t count) {
    if (mode_ == Mode::Unknown) {
        Detect();
    }
    switch (mode_) {
        case Mode::Plain:
            if (inBegin_ < inEnd_) {  // the bytes read to tell the mode come first
                const size_t n = std::min(count, inEnd_ - inBegin_);
                std::memcpy(buffer, in_.data() + inBegin_, n);
                inBegin_ += n;
                return n;
            }
            return input_->Read(buffer, count);
        case Mode::Gzip:
            return Inflate(buffer, count);
        default:
            return 0;
    }
}

size_t GzipByteStream::Inflate(uint8_t* buffer, size_t count) {
    z_stream& stream = z_->stream;
    stream.next_out = buffer;
    stream.avail_out = static_cast<uInt>(std::min<size_t>(count, 1u << 30));
    const uInt wanted = stream.avail_out;
    while (stream.avail_out == wanted) {
        if (inBegin_ == inEnd_ && !FillInput()) {
            mode_ = Mode::Ended;  // cut short, or the end: the capture reader tells which
            break;
        }
        stream.next_in = in_.data() + inBegin_;
        stream.avail_in = static_cast<uInt>(inEnd_ - inBegin_);
        const int result = inflate(&stream, Z_NO_FLUSH);
        inBegin_ = inEnd_ - stream.avail_in;
        if (result == Z_STREAM_END) {
            // Another member may follow; anything else after the trailer is not read.
            while (inEnd_ - inBegin_ < 2 && FillInput()) {
            }
            if (inEnd_ - inBegin_ >= 2 && IsGzipMagic(in_.data() + inBegin_) &&
                inflateReset(&stream) == Z_OK) {
                continue;
            }
            mode_ = Mode::Ended;
            break;
        }
        if (result != Z_OK && result != Z_BUF_ERROR) {
            error_ = std::string("the gzip data is damaged (") +
                     (stream.msg != nullptr ? stream.msg : "inflate failed") + ")";
            mode_ = Mode::Ended;
            return 0;
        }
    }
    return wanted - stream.avail_out;
}

bool GzipByteStream::DamagedFurtherOn() {
    std::vector<uint8_t> scratch(kInputBlock);
    uint64_t inflated = 0;
    while (error_.empty() && mode_ == Mode::Gzip && inflated < kDamageLookAhead) {
        inflated += Inflate(scratch.data(), scratch.size());
    }
    return !error_.empty();
}

bool GzipByteStream::Rewind() {
    if (!input_->Rewind()) {
        return false;
    }
    mode_ = Mode::Unknown;
    inBegin_ = inEnd_ = 0;
    error_.clear();
    return true;
}
