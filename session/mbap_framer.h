#pragma once
// Cuts the bytes of one direction of a TCP stream into Modbus/TCP messages by the MBAP length
// field (any length from 2 to 65535: a message longer than Modbus allows is framed too, and the
// stream stays in step): a message split over segments is joined, several messages in one
// segment are split.
// After bytes that were never captured, or after a header no Modbus message can have, it
// searches for the next plausible header and counts every byte it could not frame.

#include <cstdint>
#include <deque>
#include <utility>
#include <vector>

#include "capture/capture_record.h"
#include "common/byte_view.h"
#include "session/mbap.h"

struct FramedMessage {
    MbapHeader header;
    std::vector<uint8_t> frame;  // as a Modbus RTU frame: unit id, PDU, CRC
    RecordMark lastByte;         // the capture record that carried the message's last byte
};

struct FramingCounts {
    uint64_t framedBytes = 0;         // bytes handed out inside messages
    uint64_t discardedBytes = 0;      // captured bytes that belonged to no whole message
    uint64_t missingBytes = 0;        // bytes of the stream that were never captured
    uint64_t implausibleHeaders = 0;  // times framing lost step on a header
    // Messages begun but never whole: cut by a gap or the end of the stream, or broken off at a
    // header no message can have (messages wholly inside a gap cannot be counted).
    uint64_t lostMessages = 0;
};

class MbapFramer {
public:
    // Where whole messages go, in stream order.
    class Output {
    public:
        virtual void Message(FramedMessage&& message) = 0;

    protected:
        ~Output() = default;
    };

    // While set, a function code outside the Modbus application protocol also breaks framing:
    // used while a stream on an unregistered port must still prove that it carries Modbus.
    void SetRequireKnownFunction(bool require) { requireKnownFunction_ = require; }

    void Append(ByteView bytes, const RecordMark& record, Output& output);
    // `count` bytes of the stream follow that were never captured.
    void MarkGap(uint64_t count);
    // The stream jumped: an unfinished message is discarded and framing looks for the next one.
    void MarkBreak();
    // The stream is over: an unfinished message is discarded.
    void End();

    // Whether the bytes so far end with a whole message: framing is in step and nothing waits.
    bool BetweenMessages() const {
        return mode_ == Mode::Synced && Buffered() == 0 && skipRemaining_ == 0;
    }
    const FramingCounts& counts() const { return counts_; }

private:
    enum class Mode { Synced, Searching };

    size_t Buffered() const { return buffer_.size() - start_; }
    ByteView Pending() const { return ByteView(buffer_.data() + start_, Buffered()); }
    // False when framing has to wait for more bytes.
    bool FrameOne(Output& output);
    bool Accepts(const MbapHeader& header) const;
    bool Resynchronise();
    bool IsCandidateAt(size_t offset, bool& needMoreBytes) const;
    void Emit(const MbapHeader& header, Output& output);
    void Discard(size_t count);

    Mode mode_ = Mode::Synced;
    bool requireKnownFunction_ = false;
    uint64_t skipRemaining_ = 0;  // tail of a message cut by a gap, still to arrive
    std::vector<uint8_t> buffer_;
    size_t start_ = 0;
    uint64_t bufferedTotal_ = 0;                              // bytes ever put in the buffer
    std::deque<std::pair<uint64_t, RecordMark>> recordEnds_;  // (end position, record)
    FramingCounts counts_;
};
