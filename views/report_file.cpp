#include "views/report_file.h"

#include "common/text_format.h"
#include "modbus/rtu_frame.h"
#include "views/report_text.h"

namespace {

// What the pairing found that the frames themselves do not show.
void AppendPairingNote(std::string& text, const Transaction& t) {
    if (t.unitMismatch) {
        AppendFormat(text,
                     "\r\nWarning: the response to transaction %u names unit %d, its poll unit "
                     "%d.\r\n",
                     t.response->transactionId, t.response->unit, t.request->unit);
    }
    if (t.functionMismatch) {
        AppendFormat(text,
                     "\r\nWarning: the response to transaction %u names function %d, its poll "
                     "function %d.\r\n",
                     t.response->transactionId, t.response->FunctionCode(),
                     t.request->FunctionCode());
    }
}

}  // namespace

std::string ReportBlockText(const Transaction& t) {
    const ModbusMessage& shown = t.Shown();
    const FrameAddresses addresses{shown.source.address.ToString(),
                                   shown.destination.address.ToString()};
    std::string text =
        FrameAnalysisText(t.ShownFrame(), FrameTextOf(ByteView(shown.frame)), &addresses);
    AppendPairingNote(text, t);
    if (t.response) {
        text += kFinisTrailer;  // a response closes its block
    }
    return text;
}

bool ReportFile::Take(const Transaction& t) {
    std::string block = Format("Frame: %03d\r\n", static_cast<int32_t>(t.reportNumber));
    block += ReportBlockText(t);
    block += "\r\n\r\n";
    return file_.WriteBytes(block);
}
