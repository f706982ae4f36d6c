#include "session/mbap_framer.h"

#include <algorithm>

#include "modbus/function_table.h"
#include "modbus/rtu_frame.h"

namespace {
// A function code sits right after the header; the next header needs its length field.
constexpr size_t kCandidateBytes = mbap::kHeaderSize + 1;
constexpr size_t kCompactAfter = 64 * 1024;
}  // namespace

void MbapFramer::Append(ByteView bytes, const RecordMark& record, Output& output) {
    const size_t skipped = static_cast<size_t>(std::min<uint64_t>(skipRemaining_, bytes.size()));
    skipRemaining_ -= skipped;
    counts_.discardedBytes += skipped;
    bytes = bytes.Sub(skipped);
    if (bytes.empty()) {
        return;
    }
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    bufferedTotal_ += bytes.size();
    recordEnds_.emplace_back(bufferedTotal_, record);
    while (FrameOne(output)) {
    }
    if (start_ == buffer_.size() || start_ > kCompactAfter) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start_));
        start_ = 0;
    }
}

void MbapFramer::MarkGap(uint64_t count) {
    if (count == 0) {
        return;
    }
    counts_.missingBytes += count;
    if (skipRemaining_ > 0) {
        const uint64_t inside = std::min(skipRemaining_, count);
        skipRemaining_ -= inside;
        count -= inside;
        if (count == 0) {
            return;
        }
    }
    const size_t buffered = Buffered();
    // A gap inside a message whose length is known: drop the rest of it and stay in step.
    if (mode_ == Mode::Synced && buffered >= mbap::kLengthFieldEnd) {
        const MbapHeader header = ReadMbapHeader(Pending());
        if (Accepts(header) && buffered + count <= header.MessageSize()) {
            skipRemaining_ = header.MessageSize() - buffered - count;
            ++counts_.lostMessages;
            Discard(buffered);
            return;
        }
    }
    if (buffered > 0) {
        ++counts_.lostMessages;
    }
    Discard(buffered);
    mode_ = Mode::Searching;
}

void MbapFramer::MarkBreak() {
    skipRemaining_ = 0;
    if (Buffered() > 0) {
        ++counts_.lostMessages;
    }
    Discard(Buffered());
    mode_ = Mode::Searching;
}

void MbapFramer::End() {
    if (Buffered() > 0) {
        ++counts_.lostMessages;
    }
    Discard(Buffered());
    skipRemaining_ = 0;
    buffer_.clear();
    start_ = 0;
}

// In step, the length field frames any message of a stream known to carry Modbus; a stream that
// must still prove it is held to lengths a Modbus PDU can have.
bool MbapFramer::Accepts(const MbapHeader& header) const {
    return requireKnownFunction_ ? IsPlausibleMbapHeader(header) : IsFramableMbapHeader(header);
}

bool MbapFramer::FrameOne(Output& output) {
    if (mode_ == Mode::Searching && !Resynchronise()) {
        return false;
    }
    if (Buffered() < mbap::kLengthFieldEnd) {
        return false;
    }
    const MbapHeader header = ReadMbapHeader(Pending());
    if (!Accepts(header)) {
        ++counts_.implausibleHeaders;
        ++counts_.lostMessages;
        mode_ = Mode::Searching;
        return true;
    }
    if (Buffered() < header.MessageSize()) {
        return false;
    }
    if (requireKnownFunction_ && !IsPublicFunctionCode(Pending().At(mbap::kHeaderSize))) {
        ++counts_.implausibleHeaders;
        ++counts_.lostMessages;
        mode_ = Mode::Searching;
        return true;
    }
    Emit(header, output);
    return true;
}

// Drops bytes up to the next plausible header. True when framing can go on from there.
bool MbapFramer::Resynchronise() {
    size_t offset = 0;
    for (; offset < Buffered(); ++offset) {
        bool needMoreBytes = false;
        if (IsCandidateAt(offset, needMoreBytes)) {
            Discard(offset);
            mode_ = Mode::Synced;
            return true;
        }
        if (needMoreBytes) {
            break;
        }
    }
    Discard(offset);
    return false;
}

// A plausible header with a known (or, once recognised, user-defined) function code, and where the
// message ends either the end of what was captured or another plausible header.
bool MbapFramer::IsCandidateAt(size_t offset, bool& needMoreBytes) const {
    const ByteView rest = Pending().Sub(offset);
    if (rest.size() < kCandidateBytes) {
        needMoreBytes = true;
        return false;
    }
    const MbapHeader header = ReadMbapHeader(rest);
    const uint8_t function = rest.At(mbap::kHeaderSize);
    // While the stream is still being recognised only the public functions count.
    if (!IsPlausibleMbapHeader(header) ||
        !(requireKnownFunction_ ? IsPublicFunctionCode(function)
                                : IsResumableFunctionCode(function))) {
        return false;
    }
    const size_t end = header.MessageSize();
    if (rest.size() == end) {
        return true;
    }
    if (rest.size() < end + mbap::kLengthFieldEnd) {
        needMoreBytes = true;
        return false;
    }
    return IsPlausibleMbapHeader(ReadMbapHeader(rest.Sub(end)));
}

void MbapFramer::Emit(const MbapHeader& header, Output& output) {
    const ByteView message = Pending().Sub(0, header.MessageSize());
    const uint64_t lastByte = bufferedTotal_ - Buffered() + message.size() - 1;
    while (recordEnds_.front().first <= lastByte) {
        recordEnds_.pop_front();
    }
    FramedMessage framed;
    framed.header = header;
    framed.frame = RtuFrameOf(message.Sub(mbap::kLengthFieldEnd));
    framed.lastByte = recordEnds_.front().second;
    start_ += message.size();
    counts_.framedBytes += message.size();
    output.Message(std::move(framed));
}

void MbapFramer::Discard(size_t count) {
    start_ += count;
    counts_.discardedBytes += count;
    if (start_ == buffer_.size()) {
        buffer_.clear();
        start_ = 0;
        recordEnds_.clear();
    }
}
