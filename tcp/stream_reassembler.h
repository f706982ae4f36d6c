#pragma once
// Puts the payload of one direction of a TCP connection back in stream order by sequence number
// (modulo 2^32): repeated bytes are dropped, segments ahead of a hole wait until it fills, and
// a hole that cannot fill any more is handed on as a gap. Memory for waiting segments is bounded;
// past the bound the oldest hole is given up. When the peer has moved on, the stream goes on past
// a hole at the next message; the hole's bytes, should they still come, are handed on apart.

#include <cstdint>
#include <map>
#include <vector>

#include "capture/capture_record.h"
#include "common/byte_view.h"

struct ReassemblyLimits {
    size_t maxWaitingBytes = 256 * 1024;
    size_t maxWaitingSegments = 512;
};

struct ReassemblyCounts {
    uint64_t repeatedBytes = 0;       // captured bytes already delivered (retransmissions)
    uint64_t outOfOrderSegments = 0;  // segments that arrived ahead of a hole
    uint64_t jumps = 0;               // times the sequence numbers jumped (see Add)
    uint64_t lateBytes = 0;           // bytes of holes gone past that came after all (PeerSent)
};

class StreamReassembler {
public:
    // Where the bytes go, in stream order.
    class Output {
    public:
        virtual void Data(ByteView bytes, const RecordMark& record) = 0;
        virtual void Gap(uint64_t count) = 0;  // bytes that were never captured
        // Whether bytes begin a message of the protocol above (see Add).
        virtual bool StartsMessage(ByteView /*bytes*/) { return false; }
        // The sequence numbers jumped: the bytes before and after do not join up.
        virtual void Break() {}
        // Whether the bytes handed on so far end with a whole message of the protocol above.
        virtual bool BetweenMessages() { return false; }
        // Bytes of a hole the stream went past (see PeerSent), come after all; `joins` when they
        // directly follow the previous late bytes.
        virtual void Late(ByteView /*bytes*/, const RecordMark& /*record*/, bool /*joins*/) {}

    protected:
        ~Output() = default;
    };

    explicit StreamReassembler(ReassemblyLimits limits = {}) : limits_(limits) {}

    bool Started() const { return started_; }
    // The stream's next byte has this sequence number.
    void Start(uint32_t sequence);

    // A segment whose payload starts at `sequence` and is `length` bytes long, of which
    // `captured` holds the first ones (a record may be cut short by the capture).
    void Add(uint32_t sequence, ByteView captured, uint64_t length, const RecordMark& record,
             Output& output);

    // The peer acknowledged everything before `acknowledged`: a hole before it will not be
    // sent again, so it becomes a gap.
    void Acknowledged(uint32_t acknowledged, Output& output);

    // The peer sent payload after the segments waiting here arrived, so a hole in front of them
    // is more than a moment's reordering. When the hole follows a whole message and the segment
    // behind it begins one, the hole becomes a gap and the stream goes on there at once. The hole
    // is remembered: its bytes, should they come late, go to Output::Late, never into the stream.
    void PeerSent(Output& output);

    // Everything before `position` has been sent: what was not captured of it becomes a gap.
    void SkipTo(int64_t position, Output& output);

    // Nothing more will come: every hole becomes a gap and every waiting segment is delivered.
    void Flush(Output& output);

    // Stream position (bytes since the start) of the sequence number, modulo 2^32.
    int64_t PositionOf(uint32_t sequence) const;
    int64_t NextPosition() const { return next_; }
    const ReassemblyCounts& counts() const { return counts_; }

private:
    struct Waiting {
        std::vector<uint8_t> captured;
        uint64_t length = 0;
        RecordMark record;
    };

    struct Hole {
        int64_t from;  // stream positions
        int64_t end;
    };
    // Holes gone past that are remembered; the oldest are forgotten first.
    static constexpr size_t kHolesKept = 16;

    void Place(int64_t position, ByteView captured, uint64_t length, const RecordMark& record,
               Output& output);
    uint64_t TakeLate(int64_t position, ByteView captured, const RecordMark& record,
                      Output& output);
    void Deliver(int64_t position, ByteView captured, uint64_t length, const RecordMark& record,
                 Output& output);
    void DeliverWaiting(Output& output);
    void GiveUpFirstHole(Output& output);
    void MakeRoomFor(int64_t position, size_t bytes, Output& output);

    ReassemblyLimits limits_;
    bool started_ = false;
    uint32_t nextSequence_ = 0;
    int64_t next_ = 0;                    // stream position of nextSequence_
    std::map<int64_t, Waiting> waiting_;  // by stream position
    size_t waitingBytes_ = 0;
    std::vector<Hole> passed_;  // holes gone past, in stream order
    int64_t lateEnd_ = -1;      // position after the last late bytes handed on
    ReassemblyCounts counts_;
};
