#pragma once
// Puts the payload of one direction of a TCP connection back in stream order by sequence number
// (modulo 2^32): repeated bytes are dropped, segments ahead of a hole wait until it fills, and
// a hole that cannot fill any more is handed on as a gap. Memory for waiting segments is bounded;
// past the bound the oldest hole is given up.

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
    ReassemblyCounts counts_;
};
