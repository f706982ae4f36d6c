#include "tcp/stream_reassembler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

const std::string kStream = "abcdefghijklmnopqrstuvwxyz0123456789";

// What the reassembler hands on: the bytes, and '#' for every byte of a gap; apart, the late
// bytes of holes gone past, with '|' before those that do not join the previous ones. Messages
// begin at the characters of `starts`.
struct Tape : StreamReassembler::Output {
    std::string starts;
    std::string text;
    std::string late;
    void Data(ByteView bytes, const RecordMark&) override {
        text.append(bytes.begin(), bytes.end());
    }
    void Gap(uint64_t count) override { text.append(count, '#'); }
    bool StartsMessage(ByteView bytes) override {
        return !bytes.empty() && starts.find(static_cast<char>(bytes.At(0))) != std::string::npos;
    }
    bool BetweenMessages() override {
        return text.size() < kStream.size() &&
               starts.find(kStream[text.size()]) != std::string::npos;
    }
    void Late(ByteView bytes, const RecordMark&, bool joins) override {
        late.append(joins ? "" : "|").append(bytes.begin(), bytes.end());
    }
};

// One step on a stream whose byte at position p is kStream[p].
struct Op {
    enum Kind { kAdd, kAck, kSkip, kFlush, kPeer } kind;
    int64_t at = 0;
    uint64_t length = 0;
    uint64_t captured = UINT64_MAX;  // of the length, the bytes the capture holds
};
Op Add(int64_t at, uint64_t length, uint64_t captured = UINT64_MAX) {
    return {Op::kAdd, at, length, captured};
}
Op Ack(int64_t at) {
    return {Op::kAck, at};
}
Op Skip(int64_t at) {
    return {Op::kSkip, at};
}
Op Flush() {
    return {Op::kFlush};
}
Op Peer() {
    return {Op::kPeer};
}

struct Result {
    std::string tape;
    std::string late;
    bool accounted;    // every captured byte handed on or counted as repeated, once flushed
    bool withinBound;  // the bytes waiting never passed maxWaitingBytes
};

uint64_t HandedOn(const std::string& tape) {
    return tape.size() - static_cast<uint64_t>(std::count(tape.begin(), tape.end(), '#'));
}

Result Reassemble(uint32_t base, ReassemblyLimits limits, const std::vector<Op>& ops,
                  const std::string& starts = "") {
    StreamReassembler reassembler(limits);
    reassembler.Start(base);
    Tape tape;
    tape.starts = starts;
    uint64_t fed = 0;
    uint64_t waiting = 0;  // at most, after an Add
    for (const Op& op : ops) {
        const uint32_t sequence = base + static_cast<uint32_t>(op.at);
        switch (op.kind) {
            case Op::kAdd: {
                const std::string bytes =
                    kStream.substr(static_cast<size_t>(op.at),
                                   static_cast<size_t>(std::min(op.length, op.captured)));
                const Bytes captured(bytes.begin(), bytes.end());
                reassembler.Add(sequence, ByteView(captured), op.length, 1, tape);
                fed += captured.size();
                waiting = std::max(waiting, fed - HandedOn(tape.text) -
                                                reassembler.counts().repeatedBytes -
                                                reassembler.counts().lateBytes);
                break;
            }
            case Op::kAck:
                reassembler.Acknowledged(sequence, tape);
                break;
            case Op::kSkip:
                reassembler.SkipTo(op.at, tape);
                break;
            case Op::kFlush:
                reassembler.Flush(tape);
                break;
            case Op::kPeer:
                reassembler.PeerSent(tape);
                break;
        }
    }
    StreamReassembler rest = reassembler;
    Tape flushed;
    rest.Flush(flushed);
    const std::string all = tape.text + flushed.text;
    const auto late =
        static_cast<uint64_t>(tape.late.size() - static_cast<size_t>(std::count(
                                                     tape.late.begin(), tape.late.end(), '|')));
    return {tape.text, tape.late,
            late == rest.counts().lateBytes &&
                fed == HandedOn(all) + rest.counts().repeatedBytes + late,
            waiting <= limits.maxWaitingBytes};
}

struct Case {
    const char* name;
    std::vector<Op> ops;
    std::string expected;
    ReassemblyLimits limits = {};
};

const Case kCases[] = {
    {"reordered", {Add(3, 3), Add(0, 3), Add(6, 2)}, "abcdefgh"},
    {"overlaps give only new bytes", {Add(0, 4), Add(2, 4), Add(0, 6), Add(1, 2)}, "abcdef"},
    {"longer retransmission replaces a waiting one",
     {Add(4, 2), Add(4, 5), Add(0, 4)},
     "abcdefghi"},
    {"shorter retransmission of a waiting one", {Add(4, 5), Add(4, 2), Add(0, 4)}, "abcdefghi"},
    {"longer one covers waiting ones", {Add(6, 2), Add(4, 1), Add(3, 6), Add(0, 3)}, "abcdefghi"},
    {"capture cut the tail", {Add(0, 6, 2), Add(6, 2)}, "ab####gh"},
    {"cut segment waited", {Add(4, 4, 1), Add(0, 4)}, "abcde###"},
    {"cut bytes are not filled later", {Add(0, 6, 2), Add(0, 8)}, "ab####gh"},
    {"ack short of a waiting segment", {Add(5, 2), Ack(4), Add(0, 2), Ack(5)}, "ab###fg"},
    {"ack past several holes", {Add(2, 1), Add(4, 1), Add(8, 1), Ack(5)}, "##c#e"},
    {"ack with nothing waiting", {Add(0, 2), Ack(5), Add(2, 2)}, "abcd"},
    {"skip", {Add(0, 2), Skip(5), Skip(3), Skip(5), Add(3, 4)}, "ab###fg"},
    {"skip into a waiting segment", {Add(3, 2), Skip(4), Add(5, 1)}, "###def"},
    {"skip leaves later ones waiting", {Add(8, 1), Skip(6), Add(6, 2)}, "######ghi"},
    {"flush", {Add(3, 1), Add(6, 2), Flush()}, "###d##gh"},
    {"byte bound gives up the oldest hole",
     {Add(2, 2), Add(5, 3), Add(9, 4), Add(14, 2)},
     "##cd",
     {10, 100}},
    {"later data goes on after the bound",
     {Add(2, 2), Add(5, 3), Add(9, 4), Add(14, 2), Add(4, 1), Flush()},
     "##cdefgh#jklm#op",
     {10, 100}},
    {"segment bound", {Add(1, 1), Add(3, 1), Add(5, 1), Add(7, 1)}, "#b", {1000, 3}},
    {"later data goes on after the segment bound",
     {Add(1, 1), Add(3, 1), Add(5, 1), Add(7, 1), Add(2, 1)},
     "#bcd",
     {1000, 3}},
};

// Every case runs once clear of the sequence number wrap and once across it.
TEST(StreamReassembler, PutsStreamsInOrder) {
    for (const Case& c : kCases) {
        for (const uint32_t base : {1000u, 0xFFFFFFFAu}) {
            SCOPED_TRACE(std::string(c.name) + " from " + std::to_string(base));
            const Result result = Reassemble(base, c.limits, c.ops);
            EXPECT_EQ(result.tape, c.expected);
            EXPECT_TRUE(result.accounted);
            EXPECT_TRUE(result.withinBound);
        }
    }
}

// A segment inside the hole given up at the bound must not step the stream back (bytes twice).
TEST(StreamReassembler, SegmentInsideTheHoleGivenUpAtTheBound) {
    const std::string tape =
        Reassemble(1000, {3, 100}, {Add(4, 2), Add(2, 2), Add(4, 2), Add(6, 2)}).tape;
    EXPECT_TRUE(tape == "####efgh" || tape == "##cdefgh") << tape;
}

// A repeat of a waiting segment takes no room, so no hole is given up early for it.
TEST(StreamReassembler, RepeatOfAWaitingSegmentGivesUpNoHole) {
    EXPECT_EQ(
        Reassemble(1000, {1000, 2}, {Add(2, 1), Add(4, 1), Add(4, 1), Add(0, 2), Add(3, 1)}).tape,
        "abcde");
    EXPECT_EQ(
        Reassemble(1000, {4, 100}, {Add(2, 2), Add(5, 2), Add(5, 2), Add(0, 2), Add(4, 1)}).tape,
        "abcdefg");
}

// Messages of three bytes: "abc", "def", ... Once the peer has sent, the stream goes on past a
// hole that lies between messages at the next one; the hole's bytes, coming late, are handed on
// apart, once each, and are not repeats.
TEST(StreamReassembler, GoesOnPastAHoleOnceThePeerHasSent) {
    struct GoingPast {
        const char* name;
        std::vector<Op> ops;
        std::string tape;
        std::string late;
    };
    const GoingPast cases[] = {
        {"peer sent", {Add(0, 3), Add(6, 3), Peer(), Add(3, 3)}, "abc###ghi", "|def"},
        {"no message behind the hole", {Add(0, 3), Add(7, 2), Peer(), Add(3, 4)}, "abcdefghi", ""},
        {"hole inside a message", {Add(0, 2), Add(6, 3), Peer(), Add(2, 4)}, "abcdefghi", ""},
        {"late pieces join, repeats are not late",
         {Add(0, 3), Add(9, 3), Peer(), Add(3, 2), Add(5, 4), Add(3, 3), Add(4, 1)},
         "abc######jkl",
         "|defghi"},
        {"several holes, late ones out of order",
         {Add(0, 3), Add(6, 3), Add(12, 3), Peer(), Add(9, 3), Add(3, 3)},
         "abc###ghi###mno",
         "|jkl|def"},
    };
    for (const GoingPast& c : cases) {
        for (const uint32_t base : {1000u, 0xFFFFFFFAu}) {
            SCOPED_TRACE(std::string(c.name) + " from " + std::to_string(base));
            const Result result = Reassemble(base, {}, c.ops, "adgjmpsvy147");
            EXPECT_EQ(result.tape, c.tape);
            EXPECT_EQ(result.late, c.late);
            EXPECT_TRUE(result.accounted);
        }
    }
}

}  // namespace
