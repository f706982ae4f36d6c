#include "modbus/frame_view.h"

std::vector<int32_t> FrameValuesOf(ByteView rtuFrame) {
    const size_t count = rtuFrame.size() < static_cast<size_t>(kMaxFrameBytes)
                             ? rtuFrame.size()
                             : static_cast<size_t>(kMaxFrameBytes);
    return std::vector<int32_t>(rtuFrame.begin(), rtuFrame.begin() + count);
}
