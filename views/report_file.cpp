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

const std::string& ReportFile::AddressText(const IpAddress& address) {
    const size_t used = std::min(addressTextsUsed_, addressTexts_.size());
    for (size_t i = 0; i < used; ++i) {
        if (addressTexts_[i].first == address) {
            return addressTexts_[i].second;
        }
    }
    auto& slot = addressTexts_[addressTextsUsed_++ % addressTexts_.size()];
    slot = {address, address.ToString()};
    return slot.second;
}

bool ReportFile::Take(const Transaction& t, const Derivation&) {
    const CModbusMessage& shown = t.Shown();
    const FrameAddresses addresses{AddressText(shown.source.address),
                                   AddressText(shown.destination.address)};
    block_.clear();
    AppendFormat(block_, "Frame: %03d\r\n", static_cast<int32_t>(t.ReportNumber()));
    AppendFrameAnalysis(block_, t.ShownFrame(), ByteView(shown.frame), &addresses);
    AppendPairingNote(block_, t);
    if (t.response) {
        block_ += kFinisTrailer;  // a response closes its block
    }
    block_ += "\r\n\r\n";
    return file_.WriteBytes(block_);
}
