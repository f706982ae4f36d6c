#include "modbus/response_analysis.h"

#include "common/text_format.h"
#include "modbus/frame_decoding.h"
#include "modbus/function_catalogue.h"

namespace {

const char* const kAddressUnknown =
    "(Address is unknown because the Poll Message was not provided.)";

void AppendPollRange(std::string& report, const FrameValues& poll, int f) {
    AppendFormat(report, "Point Address  =%-6d  (Obtained from Poll)\r\n",
                 GetReferenceNumber(GetWord(poll, 2), f));
    AppendFormat(report, "Point Count    =%-6d  (Obtained from Poll)\r\n", GetWord(poll, 4));
}

// Functions 1 and 2: every bit of every status byte.
void AppendStatusBits(std::string& report, const FrameValues& frame, const FrameValues& poll,
                      bool pollSupplied, int f) {
    const int byteCount = ItemsWithinList(frame[2], 3, 1);
    const int32_t start = GetWord(poll, 2);
    const int32_t quantity = GetWord(poll, 4);
    if (pollSupplied) {
        AppendPollRange(report, poll, f);
    }
    for (int k = 0; k < byteCount; ++k) {
        for (int j = 0; j < 8; ++j) {
            const int point = 8 * k + j + 1;
            const int state = GetBit(frame[3 + k], j) != 0 ? 1 : 0;
            if (!pollSupplied) {
                AppendFormat(report, "\tPoint Index    =%-6d  State=%d=%s. %s\r\n", point, state,
                             GetOnOffText(state), kAddressUnknown);
                continue;
            }
            const int address = GetReferenceNumber(PointOffset(start, 8 * k + j), f);
            if (point <= quantity) {
                AppendFormat(report, "\tPoint Address  =%-6d  State=%d=%s\r\n", address, state,
                             GetOnOffText(state));
            } else {
                AppendFormat(
                    report,
                    "\tPoint Address  =%-6d  State=%d=%s . This is padding. Conformal devices "
                    "should have added these points, as padding, to make a full byte in the "
                    "response. Therefore you cannot rely on this data. Bad Modbus "
                    "implemntations might add valid data as padding.\r\n",
                    address, state, GetOnOffText(state));
            }
        }
    }
    if (!pollSupplied) {
        report +=
            "Note that without knowledge of the poll, the specific addresses of each point cannot "
            "be "
            "determined as this information is not contained in the response. Furthermore, it "
            "cannot "
            "be determined how many of these points are the data that was requested in the poll "
            "and "
            "how many of these points are padding.\r\n";
    }
}

// Functions 3, 4 and 23: one line per register word.
void AppendRegisters(std::string& report, const FrameValues& frame, const FrameValues& poll,
                     bool pollSupplied, int f) {
    const int32_t byteCount = frame[2];
    const int registers = ItemsWithinList(byteCount / 2, 3, 2);
    const bool wide = f == 23;
    if (pollSupplied) {
        const int32_t start = GetWord(poll, 2);
        AppendPollRange(report, poll, f);
        for (int k = 0; k < registers; ++k) {
            const int32_t value = GetWord(frame, 3 + 2 * k);
            AppendFormat(report,
                         wide ? "\tPoint Address  =%-6d  Value=%-5d=%#06x\r\n"
                              : "\tPoint Address  =%-6d  Value=%-5d=%#04x\r\n",
                         GetReferenceNumber(PointOffset(start, k), f), value,
                         static_cast<unsigned>(value));
        }
        return;
    }
    AppendFormat(report,
                 wide ? "Read Pnt Count =%-6d  (Implied by byte count=%d)\r\n"
                      : "Point Count    =%-6d  (Implied by byte count=%d)\r\n",
                 byteCount / 2, byteCount);
    for (int k = 0; k < registers; ++k) {
        const int32_t value = GetWord(frame, 3 + 2 * k);
        AppendFormat(report,
                     wide ? "\tPoint Index    =%-6d  Value=%-5d=%#06x. %s\r\n"
                          : "\tPoint Index    =%-6d  Value=%-5d=%#04x. %s\r\n",
                     k + 1, value, static_cast<unsigned>(value), kAddressUnknown);
    }
    report +=
        "Note that without knowledge of the poll, the specific addresses of each point cannot be "
        "determined as this information is not contained in the response.\r\n";
}

void AppendReportSlaveId(std::string& report, const FrameValues& frame) {
    const int32_t byteCount = frame[2];
    AppendFormat(report, "Device Address     =%-6d  =%#04x\r\n", frame[0],
                 static_cast<unsigned>(frame[0]));
    AppendFormat(report, "Function           =%-6d  =%#04x =%s\r\n", frame[1],
                 static_cast<unsigned>(frame[1]), GetFunctionName(frame[1]));
    AppendFormat(report, "Byte Count         =%-6d  \r\n", byteCount);
    AppendFormat(report, "Slave ID           =%-6d  =%#04x\r\n", frame[3],
                 static_cast<unsigned>(frame[3]));
    AppendFormat(report, "Run Indicator      =%#04x    =%s\r\n", static_cast<unsigned>(frame[4]),
                 GetRunIndicatorText(frame[4]));
    if (byteCount > 2) {
        report += "Additional Data is device dependent\r\n";
        const int additional = ItemsWithinList(static_cast<int64_t>(byteCount) - 2, 5, 1);
        for (int i = 1; i <= additional; ++i) {
            AppendFormat(report, "Additional Data[%d] =%-6d  =%#04x\r\n", i, frame[4 + i],
                         static_cast<unsigned>(frame[4 + i]));
        }
    }
}

// Functions 6 and 22 answer with a copy of the poll.
void AppendEchoLine(std::string& report, const FrameValues& frame, int length,
                    const FrameValues& previous, int previousLength) {
    if (previousLength == 0 || previousLength != length) {
        return;
    }
    for (int i = 0; i < length; ++i) {
        if (frame[i] != previous[i]) {
            return;
        }
    }
    report += "This is the response - an echo of the poll.\r\n";
}

}  // namespace

void AnalyseResponse(const FrameValues& frame, int length, const FrameValues& previous,
                     int previousLength, std::string& report) {
    const int32_t f = frame[1];
    if (f > 127) {
        const int32_t function = f - 128;
        report += "Exception Response\r\n";
        AppendDeviceLine(report, frame);
        AppendFunctionLine(report, function);
        AppendFormat(report, "Exception Code =%-6d  =%#04x\r\n", frame[2],
                     static_cast<unsigned>(frame[2]));
        return;
    }
    if (f == 17) {
        AppendReportSlaveId(report, frame);
        return;
    }
    if (!IsDecodedFunction(f)) {
        return;
    }
    const bool pollSupplied = previousLength > 0;
    AppendDeviceLine(report, frame);
    AppendFunctionLine(report, f);
    switch (f) {
        case 1:
        case 2:
            AppendStatusBits(report, frame, previous, pollSupplied, f);
            break;
        case 3:
        case 4:
        case 23:
            AppendRegisters(report, frame, previous, pollSupplied, f);
            break;
        case 5:
            AppendSingleCoilLines(report, frame, f);
            break;
        case 6:
            AppendSingleRegisterLines(report, frame, f);
            AppendEchoLine(report, frame, length, previous, previousLength);
            break;
        case 15:
            AppendFormat(report, "Point Address  =%05d   \r\n",
                         GetReferenceNumber(GetWord(frame, 2), f));
            AppendFormat(report, "Point Count    =%-6d  \r\n", GetWord(frame, 4));
            break;
        case 16:
            AppendFormat(report, "Point Address  =%-6d   \r\n",
                         GetReferenceNumber(GetWord(frame, 2), f));
            AppendFormat(report, "Point Count    =%-6d  \r\n", GetWord(frame, 4));
            break;
        case 22:
            AppendMaskWriteLines(report, frame, f);
            AppendEchoLine(report, frame, length, previous, previousLength);
            break;
        default:  // 7, 11, 12: address and function only
            break;
    }
}
