#include "modbus/frame_decoding.h"

#include "common/text_format.h"
#include "modbus/function_catalogue.h"

int ItemsWithinList(int64_t count, int firstIndex, int stride) {
    if (count <= 0) {
        return 0;
    }
    const int64_t room = (kMaxFrameBytes - firstIndex) / stride;
    return static_cast<int>(count < room ? count : room);
}

int32_t PointOffset(int32_t start, int64_t delta) {
    return static_cast<int32_t>(static_cast<uint32_t>(start) + static_cast<uint32_t>(delta));
}

void AppendDeviceLine(std::string& report, const FrameValues& frame) {
    AppendFormat(report, "Device Address =%-6d  =%#04x\r\n", frame[0],
                 static_cast<unsigned>(frame[0]));
}

void AppendFunctionLine(std::string& report, int32_t function) {
    AppendFormat(report, "Function       =%-6d  =%#04x =%s\r\n", function,
                 static_cast<unsigned>(function), GetFunctionName(function));
}

void AppendSingleCoilLines(std::string& report, const FrameValues& frame, int32_t f) {
    const int32_t state = GetWord(frame, 4);
    AppendFormat(report, "Point Address  =%-6d  \r\n", GetReferenceNumber(GetWord(frame, 2), f));
    AppendFormat(report, "Required State =%#04x  %s    (0xff00=On, 0x0000=Off)\r\n",
                 static_cast<unsigned>(state), GetOnOffText(state));
}

void AppendSingleRegisterLines(std::string& report, const FrameValues& frame, int32_t f) {
    const int32_t value = GetWord(frame, 4);
    AppendFormat(report, "Point Address  =%-6d  \r\n", GetReferenceNumber(GetWord(frame, 2), f));
    AppendFormat(report, "Required value =%-6d  =%#04x\r\n", value, static_cast<unsigned>(value));
}

void AppendMaskWriteLines(std::string& report, const FrameValues& frame, int32_t f) {
    const int32_t andMask = GetWord(frame, 4);
    const int32_t orMask = GetWord(frame, 6);
    AppendFormat(report, "Point Address  =%-6d   \r\n", GetReferenceNumber(GetWord(frame, 2), f));
    AppendFormat(report, "AND Mask       =%-6d  =%#04x\r\n", andMask,
                 static_cast<unsigned>(andMask));
    AppendFormat(report, "OR Mask        =%-6d  =%#04x\r\n", orMask, static_cast<unsigned>(orMask));
    report +=
        "Algorithm      ='Result = ( Current Contents AND And_Mask ) OR ( Or_Mask AND And_Mask "
        ")'\r\n";
}
