#include "tcp/stream_reassembler.h"

#include <algorithm>

void StreamReassembler::Start(uint32_t sequence) {
    started_ = true;
    nextSequence_ = sequence;
}

int64_t StreamReassembler::PositionOf(uint32_t sequence) const {
    // The signed distance makes sequence numbers that wrap past 2^32 still count forward.
    return next_ + static_cast<int32_t>(sequence - nextSequence_);
}

void StreamReassembler::Add(uint32_t sequence, ByteView captured, uint64_t length,
                            const RecordMark& record, Output& output) {
    if (length == 0) {
        return;
    }
    if (!started_) {
        Start(sequence);
    }
    captured = captured.Sub(0, static_cast<size_t>(length));
    // Further from the stream than any segment may wait, and beginning a message: the sequence
    // numbers jumped (a fuzzed or rewritten capture, or more lost than could be waited for).
    // What waits goes on, and the stream goes on from this segment at once; its position does
    // not move back.
    const int64_t distance = PositionOf(sequence) - next_;
    const int64_t farthest = static_cast<int64_t>(limits_.maxWaitingBytes);
    if ((distance > farthest || distance < -farthest) && output.StartsMessage(captured)) {
        Flush(output);
        ++counts_.jumps;
        output.Break();
        nextSequence_ = sequence;
        passed_.clear();  // their positions no longer match the sequence numbers
    }
    const int64_t position = PositionOf(sequence);
    // Place counts every captured byte before the stream's position as repeated; those of holes
    // gone past were never delivered.
    const uint64_t late = TakeLate(position, captured, record, output);
    Place(position, captured, length, record, output);
    counts_.repeatedBytes -= late;
    counts_.lateBytes += late;
}

void StreamReassembler::Place(int64_t position, ByteView captured, uint64_t length,
                              const RecordMark& record, Output& output) {
    const int64_t end = position + static_cast<int64_t>(length);
    if (end <= next_) {
        counts_.repeatedBytes += captured.size();
        return;
    }
    if (position <= next_) {
        Deliver(position, captured, length, record, output);
        DeliverWaiting(output);
        return;
    }
    ++counts_.outOfOrderSegments;
    MakeRoomFor(position, captured.size(), output);
    if (position <= next_) {  // giving up holes may have reached this segment
        if (end <= next_) {
            counts_.repeatedBytes += captured.size();
            return;
        }
        Deliver(position, captured, length, record, output);
        DeliverWaiting(output);
        return;
    }
    Waiting& slot = waiting_[position];
    if (length > slot.length) {
        // A longer retransmission replaces what waited there.
        counts_.repeatedBytes += slot.captured.size();
        waitingBytes_ += captured.size();
        waitingBytes_ -= slot.captured.size();
        slot.captured = captured.ToVector();
        slot.length = length;
        slot.record = record;
    } else {
        counts_.repeatedBytes += captured.size();
    }
}

// Gives up holes, oldest first, until `bytes` more captured bytes at `position` fit the bounds. A
// segment that would only replace one waiting at the same position needs no new slot.
void StreamReassembler::MakeRoomFor(int64_t position, size_t bytes, Output& output) {
    while (!waiting_.empty()) {
        const auto existing = waiting_.find(position);
        const bool replaces = existing != waiting_.end();
        const size_t freed = replaces ? existing->second.captured.size() : 0;
        const bool bytesFit = waitingBytes_ - freed + bytes <= limits_.maxWaitingBytes;
        const bool slotFits = replaces || waiting_.size() < limits_.maxWaitingSegments;
        if ((bytesFit && slotFits) || (replaces && bytes <= freed)) {
            return;
        }
        GiveUpFirstHole(output);
    }
}

void StreamReassembler::Acknowledged(uint32_t acknowledged, Output& output) {
    if (!started_ || waiting_.empty()) {
        return;
    }
    const int64_t position = PositionOf(acknowledged);
    while (!waiting_.empty() && position >= waiting_.begin()->first) {
        GiveUpFirstHole(output);
    }
}

void StreamReassembler::PeerSent(Output& output) {
    while (!waiting_.empty() && output.BetweenMessages() &&
           output.StartsMessage(ByteView(waiting_.begin()->second.captured))) {
        passed_.push_back({next_, waiting_.begin()->first});
        if (passed_.size() > kHolesKept) {
            passed_.erase(passed_.begin());
        }
        GiveUpFirstHole(output);
    }
}

// Hands on the captured bytes that fall into holes gone past, and returns how many. What is left
// of a hole on either side of them is still remembered, so no byte is handed on twice.
uint64_t StreamReassembler::TakeLate(int64_t position, ByteView captured, const RecordMark& record,
                                     Output& output) {
    const int64_t end = std::min(next_, position + static_cast<int64_t>(captured.size()));
    if (passed_.empty() || position >= end) {
        return 0;
    }
    uint64_t taken = 0;
    std::vector<Hole> left;
    for (const Hole& hole : passed_) {
        const int64_t from = std::max(position, hole.from);
        const int64_t to = std::min(end, hole.end);
        if (from >= to) {
            left.push_back(hole);
            continue;
        }
        output.Late(
            captured.Sub(static_cast<size_t>(from - position), static_cast<size_t>(to - from)),
            record, from == lateEnd_);
        lateEnd_ = to;
        taken += static_cast<uint64_t>(to - from);
        if (hole.from < from) {
            left.push_back({hole.from, from});
        }
        if (to < hole.end) {
            left.push_back({to, hole.end});
        }
    }
    if (left.size() > kHolesKept) {
        left.erase(left.begin(), left.end() - static_cast<std::ptrdiff_t>(kHolesKept));
    }
    passed_ = std::move(left);
    return taken;
}

void StreamReassembler::SkipTo(int64_t position, Output& output) {
    Acknowledged(static_cast<uint32_t>(nextSequence_ + (position - next_)), output);
    if (started_ && position > next_) {
        output.Gap(static_cast<uint64_t>(position - next_));
        nextSequence_ += static_cast<uint32_t>(position - next_);
        next_ = position;
    }
}

void StreamReassembler::Flush(Output& output) {
    while (!waiting_.empty()) {
        GiveUpFirstHole(output);
    }
}

// Hands on the part of a segment past what was delivered; `position` is at or before next_.
void StreamReassembler::Deliver(int64_t position, ByteView captured, uint64_t length,
                                const RecordMark& record, Output& output) {
    const uint64_t repeated = static_cast<uint64_t>(next_ - position);
    const uint64_t repeatedCaptured = std::min<uint64_t>(repeated, captured.size());
    counts_.repeatedBytes += repeatedCaptured;
    const ByteView fresh = captured.Sub(static_cast<size_t>(repeatedCaptured));
    if (!fresh.empty()) {
        output.Data(fresh, record);
    }
    // Declared bytes past the captured ones were cut off by the capture.
    const uint64_t delivered = std::max(repeated, static_cast<uint64_t>(captured.size()));
    if (length > delivered) {
        output.Gap(length - delivered);
    }
    const int64_t end = position + static_cast<int64_t>(length);
    nextSequence_ += static_cast<uint32_t>(end - next_);
    next_ = end;
}

void StreamReassembler::DeliverWaiting(Output& output) {
    while (!waiting_.empty() && waiting_.begin()->first <= next_) {
        auto first = waiting_.begin();
        const int64_t position = first->first;
        Waiting segment = std::move(first->second);
        waiting_.erase(first);
        waitingBytes_ -= segment.captured.size();
        if (position + static_cast<int64_t>(segment.length) <= next_) {
            counts_.repeatedBytes += segment.captured.size();
            continue;
        }
        Deliver(position, ByteView(segment.captured), segment.length, segment.record, output);
    }
}

void StreamReassembler::GiveUpFirstHole(Output& output) {
    if (waiting_.empty()) {
        return;
    }
    const int64_t holeEnd = waiting_.begin()->first;
    if (holeEnd > next_) {
        output.Gap(static_cast<uint64_t>(holeEnd - next_));
        nextSequence_ += static_cast<uint32_t>(holeEnd - next_);
        next_ = holeEnd;
    }
    DeliverWaiting(output);
}
