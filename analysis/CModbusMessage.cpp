#include "analysis/CModbusMessage.h"

#include "modbus/modbus_crc.h"

std::string CModbusMessage::FrameText() const {
    return FrameTextOf(ByteView(frame));
}

std::string FrameTextOf(ByteView bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 3);
    for (uint8_t b : bytes) {
        text += kHex[b >> 4];
        text += kHex[b & 0x0F];
        text += ' ';
    }
    return text;
}

std::vector<uint8_t> RtuFrameOf(ByteView unitAndPdu) {
    std::vector<uint8_t> frame(unitAndPdu.begin(), unitAndPdu.end());
    const uint16_t crc = ModbusCRC16(unitAndPdu.data(), static_cast<uint16_t>(unitAndPdu.size()));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    return frame;
}
