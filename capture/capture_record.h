#pragma once
// One record of a capture as every capture source delivers it.

#include <cstdint>

#include "common/byte_view.h"

struct CaptureTimestamp {
    int64_t seconds = 0;         // since 1970-01-01 UTC
    uint32_t fraction = 0;       // sub-second part, in units of 10^-fractionDigits s
    uint8_t fractionDigits = 6;  // 6 (microseconds) or 9 (nanoseconds)
};

// Where captured bytes came from: the record's number and time.
struct RecordMark {
    RecordMark() = default;
    RecordMark(uint64_t recordNumber,
               CaptureTimestamp recordTime = {})  // NOLINT: a number is a mark
        : number(recordNumber), time(recordTime) {}

    uint64_t number = 0;
    CaptureTimestamp time;
};

struct CaptureRecord {
    uint64_t number = 0;     // 1-based, as Wireshark numbers frames; on across several files
    uint32_t capture = 1;    // 1-based position of its file when several are read as one
    int64_t fileOffset = 0;  // where the record (its header) starts in the input
    CaptureTimestamp time;
    uint32_t linkType = 0;  // LINKTYPE_* of the record's interface
    uint32_t originalLength = 0;
    ByteView bytes;  // the captured bytes; valid until the next read

    // Where a reader of a classic pcap file stands after this record: its 16-byte record header
    // and its bytes, as the diagnostic log has always given record positions.
    int64_t PcapEndOffset() const { return fileOffset + 16 + static_cast<int64_t>(bytes.size()); }
};
