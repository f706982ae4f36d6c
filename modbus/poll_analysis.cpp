#include "modbus/poll_analysis.h"

#include "common/text_format.h"
#include "modbus/frame_decoding.h"
#include "modbus/function_catalogue.h"

namespace {

void AppendReadRequest(std::string& report, const FrameValues& frame, int f) {
    AppendFormat(report, "Point Address  =%-6d  \r\n", GetReferenceNumber(GetWord(frame, 2), f));
    AppendFormat(report, "Point Count    =%-6d  \r\n", GetWord(frame, 4));
}

void AppendForceMultipleCoils(std::string& report, const FrameValues& frame, int f) {
    const int32_t start = GetWord(frame, 2);
    const int32_t quantity = GetWord(frame, 4);
    AppendFormat(report, "Point Address  =%05d  \r\n", GetReferenceNumber(start, f));
    AppendFormat(report, "Point Count    =%-6d  \r\n", quantity);
    const int byteCount = ItemsWithinList(ByteAt(frame, 6), 7, 1);
    for (int k = 0; k < byteCount; ++k) {
        for (int j = 0; j < 8; ++j) {
            const int point = 8 * k + j + 1;
            const int state = GetBit(frame[7 + k], j) != 0 ? 1 : 0;
            const int address = GetReferenceNumber(PointOffset(start, 8 * k + j), f);
            if (point <= quantity) {
                AppendFormat(report, "\tPoint Address  =%05d   State=%d=%s\r\n", address, state,
                             GetOnOffText(state));
            } else {
                AppendFormat(
                    report,
                    "\tPoint Address  =%05d   State=%d=%s . This is padding. Conformal devices "
                    "should ignore this point. Bad Mbodbus implemntations might apply this "
                    "data.\r\n",
                    address, state, GetOnOffText(state));
            }
        }
    }
}

void AppendPresetMultipleRegisters(std::string& report, const FrameValues& frame, int f) {
    const int32_t start = GetWord(frame, 2);
    AppendFormat(report, "Point Address  =%-6d  \r\n", GetReferenceNumber(start, f));
    AppendFormat(report, "Point Count    =%-6d  \r\n", GetWord(frame, 4));
    const int registers = ItemsWithinList(ByteAt(frame, 6) / 2, 7, 2);
    for (int k = 0; k < registers; ++k) {
        const int32_t value = GetWord(frame, 7 + 2 * k);
        AppendFormat(report, "\tPoint Address  =%-6d  Value=%-5d=%#06x \r\n",
                     GetReferenceNumber(PointOffset(start, k), f), value,
                     static_cast<unsigned>(value));
    }
}

void AppendReadWriteRegisters(std::string& report, const FrameValues& frame, int f) {
    const int32_t writeStart = GetWord(frame, 6);
    AppendFormat(report, "Read Point Addr =%-6d   \r\n", GetReferenceNumber(GetWord(frame, 2), f));
    AppendFormat(report, "Read Qty        =%-6d  \r\n", GetWord(frame, 4));
    AppendFormat(report, "Write Point Addr=%-6d   \r\n", GetReferenceNumber(writeStart, f));
    AppendFormat(report, "Write Qty       =%-6d  \r\n", GetWord(frame, 8));
    const int registers = ItemsWithinList(ByteAt(frame, 10) / 2, 11, 2);
    for (int k = 0; k < registers; ++k) {
        const int32_t value = GetWord(frame, 11 + 2 * k);
        AppendFormat(report, "\tWrite Data: Point Address  =%-6d  Value=%-5d=%#06x \r\n",
                     GetReferenceNumber(PointOffset(writeStart, k), f), value,
                     static_cast<unsigned>(value));
    }
}

}  // namespace

void AnalysePoll(const FrameValues& frame, int /*length*/, std::string& report) {
    const int32_t f = frame[1];
    if (!IsDecodedFunction(f)) {
        return;
    }
    AppendDeviceLine(report, frame);
    AppendFunctionLine(report, f);
    switch (f) {
        case 1:
        case 2:
        case 3:
        case 4:
            AppendReadRequest(report, frame, f);
            break;
        case 5:
            AppendSingleCoilLines(report, frame, f);
            break;
        case 6:
            AppendSingleRegisterLines(report, frame, f);
            break;
        case 15:
            AppendForceMultipleCoils(report, frame, f);
            break;
        case 16:
            AppendPresetMultipleRegisters(report, frame, f);
            break;
        case 22:
            AppendMaskWriteLines(report, frame, f);
            break;
        case 23:
            AppendReadWriteRegisters(report, frame, f);
            break;
        default:  // 7, 11, 12, 17: address and function only
            break;
    }
}
