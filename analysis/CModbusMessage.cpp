#include "analysis/CModbusMessage.h"

#include "modbus/rtu_frame.h"

std::string CModbusMessage::FrameText() const {
    return FrameTextOf(ByteView(frame));
}
