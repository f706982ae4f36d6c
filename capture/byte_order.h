#pragma once
// Reads 16/32/64-bit fields in the byte order a capture file (or section) was written in.

#include <cstdint>

#include "common/byte_view.h"

struct ByteOrder {
    bool bigEndian = false;

    uint16_t U16(const ByteView& view, size_t offset) const {
        return bigEndian ? view.Be16(offset) : view.Le16(offset);
    }
    uint32_t U32(const ByteView& view, size_t offset) const {
        return bigEndian ? view.Be32(offset) : view.Le32(offset);
    }
    uint64_t U64(const ByteView& view, size_t offset) const {
        const uint64_t first = U32(view, offset);
        const uint64_t second = U32(view, offset + 4);
        return bigEndian ? (first << 32) | second : (second << 32) | first;
    }
    // pcapng writes 64-bit values as two 32-bit halves, the high one first.
    uint64_t U64Halves(const ByteView& view, size_t offset) const {
        return (uint64_t{U32(view, offset)} << 32) | U32(view, offset + 4);
    }
};
