#include "modbus/rtu_frame.h"

#include <cstring>

#include "modbus/modbus_crc.h"

namespace {

// Frames are sized once for their bytes and CRC, and the bytes copied in: no growing vector.
void CopyBytes(uint8_t* out, ByteView bytes) {
    if (!bytes.empty()) {
        std::memcpy(out, bytes.data(), bytes.size());
    }
}

// The last two bytes of `frame` become the CRC of the bytes before them.
void WriteCrc(std::vector<uint8_t>& frame) {
    const size_t body = frame.size() - 2;
    const uint16_t crc = ModbusCRC16(frame.data(), body);
    frame[body] = static_cast<uint8_t>(crc >> 8);
    frame[body + 1] = static_cast<uint8_t>(crc & 0xFF);
}

}  // namespace

std::vector<uint8_t> RtuFrameOf(ByteView unitAndPdu) {
    std::vector<uint8_t> frame(unitAndPdu.size() + 2);
    CopyBytes(frame.data(), unitAndPdu);
    WriteCrc(frame);
    return frame;
}

std::vector<uint8_t> RtuFrameOf(uint8_t unit, ByteView pdu) {
    std::vector<uint8_t> frame(pdu.size() + 3);
    frame[0] = unit;
    CopyBytes(frame.data() + 1, pdu);
    WriteCrc(frame);
    return frame;
}

void AppendFrameText(std::string& text, ByteView bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    // Sized once and filled in place: every frame of the report and the log goes through here.
    const size_t start = text.size();
    text.resize(start + 3 * bytes.size());
    char* out = &text[start];
    for (uint8_t b : bytes) {
        *out++ = kHex[b >> 4];
        *out++ = kHex[b & 0x0F];
        *out++ = ' ';
    }
}

std::string FrameTextOf(ByteView bytes) {
    std::string text;
    text.reserve(bytes.size() * 3);
    AppendFrameText(text, bytes);
    return text;
}
