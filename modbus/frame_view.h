#pragma once
// A bounded view of a frame's values: device address, function code, data, CRC high, CRC low.
// Values come from bytes on the wire or from the tokens of a frame text (which may exceed 255).
// Reads outside the frame give 0, so decoders driven by hostile counts never leave it.

#include <cstdint>
#include <vector>

#include "common/byte_view.h"
#include "modbus/frame_fields.h"

class FrameView {
public:
    FrameView() = default;
    FrameView(const int32_t* values, int length) : values_(values), length_(length) {}
    FrameView(const FrameValues& values, int length)
        : FrameView(values.data(),
                    length < 0 ? 0 : (length > kMaxFrameBytes ? kMaxFrameBytes : length)) {}
    explicit FrameView(const std::vector<int32_t>& values)
        : FrameView(values.data(), static_cast<int>(values.size())) {}

    int size() const { return length_; }
    bool empty() const { return length_ == 0; }
    int32_t At(int index) const { return index >= 0 && index < length_ ? values_[index] : 0; }
    int32_t operator[](int index) const { return At(index); }
    // Entry index * 256 + entry index + 1.
    int32_t Word(int index) const {
        return static_cast<int32_t>(static_cast<uint32_t>(At(index)) * 256u +
                                    static_cast<uint32_t>(At(index + 1)));
    }

private:
    const int32_t* values_ = nullptr;
    int length_ = 0;
};

// The values of an RTU frame's bytes, as many as the analyser looks at (kMaxFrameBytes).
std::vector<int32_t> FrameValuesOf(ByteView rtuFrame);
