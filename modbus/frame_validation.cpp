#include "modbus/frame_validation.h"

#include <vector>

#include "common/text_format.h"
#include "modbus/modbus_crc.h"

namespace {

// Polls of these functions are only address, function and CRC: 4 bytes.
bool HasFourBytePoll(int32_t function) {
    return function == 7 || function == 11 || function == 12 || function == 17;
}

}  // namespace

int ValidateFrame(const FrameValues& frame, int n, std::string& report, int& isException) {
    isException = 0;

    if (n < 5) {
        if (n >= 2 && HasFourBytePoll(frame[1])) {
            if (n < 4) {
                report +=
                    "Error #0006\r\nThere are too few bytes in the message to form a valid Frame.";
                return RET_CODE_ERROR;
            }
        } else {
            report +=
                "Error #0001\r\nThere are too few bytes in the message to form a valid Frame.";
            return RET_CODE_ERROR;
        }
    }

    std::vector<uint8_t> bytes(static_cast<size_t>(n - 2));
    for (int i = 0; i < n - 2; ++i) {
        bytes[static_cast<size_t>(i)] = static_cast<uint8_t>(frame[i] & 0xFF);
    }
    const uint16_t crc = ModbusCRC16(bytes.data(), static_cast<uint16_t>(bytes.size()));
    if (frame[n - 2] != (crc >> 8) || frame[n - 1] != (crc & 0xFF)) {
        AppendFormat(report,
                     "Error #0007\r\nThe checksum is invalid. Actual=0x%02x%02x Required=0x%04x",
                     static_cast<unsigned>(frame[n - 2]), static_cast<unsigned>(frame[n - 1]), crc);
        return RET_CODE_WARNING;
    }

    bool warned = false;
    if (static_cast<uint32_t>(frame[0]) > 247) {
        AppendFormat(
            report,
            "Warning #0002\r\nAddress=%d(decimal)=%#04x\r\n\r\nValid addresses are in the range "
            "0(Broadcast Address) and 247. Note the RET_CODE_WARNING but remember that most "
            "developers dont comply with this part of the standard.",
            frame[0], static_cast<unsigned>(frame[0]));
        warned = true;
    }
    int32_t function = frame[1];
    if (static_cast<uint32_t>(function) > 255) {
        AppendFormat(
            report,
            "Warning #0003\r\nFunction=%d(decimal)=%#04x\r\n\r\nValid function numbers are in "
            "the range 1-255.",
            function, static_cast<unsigned>(function));
        warned = true;
    }
    if (function > 127) {
        isException = 1;
        report += "This is an exception response.\r\n";
        function -= 128;
    }
    if (function > 24) {
        AppendFormat(
            report,
            "<Warning #0005\r\nFunction=%d(decimal)=%#04x\r\n\r\nFunction is not part of the "
            "standard. This message cannot be parsed.",
            function, static_cast<unsigned>(function));
        return RET_CODE_ERROR;
    }
    if (function == 0) {
        AppendFormat(report,
                     "Warning #0004\r\nFunction=%d(decimal)=%#04x\r\n\r\nNo function has been "
                     "specified. This message cannot be parsed.",
                     0, 0u);
        return RET_CODE_ERROR;
    }
    return warned ? RET_CODE_WARNING : RET_CODE_OK;
}
