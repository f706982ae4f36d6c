#pragma once
// A bounded view of a frame's bytes: device address, function code, data, CRC high, CRC low.
// Reads outside the frame give 0, so decoders driven by hostile counts never leave it.

#include <cstdint>

#include "common/byte_view.h"

// The analyser looks at no more than this many bytes of a frame.
constexpr int kMaxFrameBytes = 1000;

class FrameView {
public:
    FrameView() = default;
    // The first kMaxFrameBytes bytes of `frame` at most.
    explicit FrameView(ByteView frame) : bytes_(frame.Sub(0, kMaxFrameBytes)), whole_(frame) {}

    ByteView bytes() const { return bytes_; }
    // Every byte of the frame, also those past kMaxFrameBytes: the CRC at its end covers them.
    ByteView whole() const { return whole_; }
    int size() const { return static_cast<int>(bytes_.size()); }
    bool empty() const { return bytes_.empty(); }
    uint8_t At(int index) const { return index >= 0 ? bytes_.At(static_cast<size_t>(index)) : 0; }
    uint8_t operator[](int index) const { return At(index); }
    // Byte index * 256 + byte index + 1.
    uint16_t Word(int index) const {
        return static_cast<uint16_t>((At(index) << 8) | At(index + 1));
    }

private:
    ByteView bytes_;
    ByteView whole_;
};
