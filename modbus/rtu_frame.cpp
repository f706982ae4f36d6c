#include "modbus/rtu_frame.h"

#include "modbus/modbus_crc.h"

std::vector<uint8_t> RtuFrameOf(ByteView unitAndPdu) {
    std::vector<uint8_t> frame;
    frame.reserve(unitAndPdu.size() + 2);
    frame.assign(unitAndPdu.begin(), unitAndPdu.end());
    const uint16_t crc = ModbusCRC16(frame.data(), static_cast<uint16_t>(frame.size()));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    return frame;
}

std::vector<uint8_t> RtuFrameOf(uint8_t unit, ByteView pdu) {
    std::vector<uint8_t> unitAndPdu;
    unitAndPdu.reserve(pdu.size() + 3);
    unitAndPdu.push_back(unit);
    unitAndPdu.insert(unitAndPdu.end(), pdu.begin(), pdu.end());
    return RtuFrameOf(ByteView(unitAndPdu));
}

void AppendFrameText(std::string& text, ByteView bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    for (uint8_t b : bytes) {
        const char hex[3] = {kHex[b >> 4], kHex[b & 0x0F], ' '};
        text.append(hex, 3);
    }
}

std::string FrameTextOf(ByteView bytes) {
    std::string text;
    text.reserve(bytes.size() * 3);
    AppendFrameText(text, bytes);
    return text;
}
