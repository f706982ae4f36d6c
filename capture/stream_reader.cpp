#include "capture/stream_reader.h"

#include <algorithm>
#include <cstring>

StreamReader::StreamReader(std::unique_ptr<ByteStream> stream)
    : stream_(std::move(stream)), buffer_(kBufferSize) {}

bool StreamReader::Refill() {
    if (begin_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, Buffered());
        end_ -= begin_;
        begin_ = 0;
    }
    if (end_ == buffer_.size() || !stream_->Error().empty()) {
        return false;
    }
    const size_t got = stream_->Read(buffer_.data() + end_, buffer_.size() - end_);
    end_ += got;
    return got > 0;
}

StreamReader::Fill StreamReader::Ending(size_t delivered) const {
    if (!stream_->Error().empty()) {
        return Fill::Failed;
    }
    return delivered == 0 ? Fill::End : Fill::Short;
}

StreamReader::Fill StreamReader::Read(uint8_t* out, size_t count) {
    size_t done = 0;
    while (done < count) {
        if (Buffered() == 0 && !Refill()) {
            return Ending(done);
        }
        const size_t piece = std::min(count - done, Buffered());
        std::memcpy(out + done, buffer_.data() + begin_, piece);
        begin_ += piece;
        offset_ += static_cast<int64_t>(piece);
        done += piece;
    }
    return Fill::Whole;
}

StreamReader::Fill StreamReader::Skip(uint64_t count) {
    uint64_t done = 0;
    while (done < count) {
        if (Buffered() == 0 && !Refill()) {
            return Ending(static_cast<size_t>(done > 0));
        }
        const size_t piece = static_cast<size_t>(std::min<uint64_t>(count - done, Buffered()));
        begin_ += piece;
        offset_ += static_cast<int64_t>(piece);
        done += piece;
    }
    return Fill::Whole;
}

size_t StreamReader::Peek(uint8_t* out, size_t count) {
    count = std::min(count, buffer_.size());
    while (Buffered() < count && Refill()) {
    }
    const size_t available = std::min(count, Buffered());
    std::memcpy(out, buffer_.data() + begin_, available);
    return available;
}

bool StreamReader::Rewind() {
    if (!stream_->Rewind()) {
        return false;
    }
    begin_ = end_ = 0;
    offset_ = 0;
    return true;
}
