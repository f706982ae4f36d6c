#include "analysis/frame_pairing.h"

#include <algorithm>

#include "common/logging.h"
#include "modbus/frame_analysis.h"

CFramePairing::CFramePairing(std::string reportFile, const Ipv4Address& server,
                             const Ipv4Address& client)
    : reportFile_(std::move(reportFile)), server_(server), client_(client) {}

bool CFramePairing::ReportMessage(const CModbusMessage& message) {
    reportText_.clear();
    if (message.destination == server_) {
        const bool flushed = FlushHeldPoll();
        heldPoll_ = message;
        return flushed;
    }
    if (message.destination == client_) {
        AnalyseFrame(message.frameText, heldPoll_.frameText, reportText_, 1, message.source.data(),
                     message.destination.data());
        heldPoll_ = CModbusMessage();  // an answered poll gets no block of its own
        return WriteFrameBlock(message.number, reportText_);
    }
    if (!FlushHeldPoll()) {
        return false;
    }
    AnalyseFrame(message.frameText, std::string(), reportText_, 0, message.source.data(),
                 message.destination.data());
    return WriteFrameBlock(message.number, reportText_);
}

bool CFramePairing::FlushHeldPoll() {
    if (heldPoll_.frameText.empty()) {
        return true;
    }
    const CModbusMessage poll = heldPoll_;
    heldPoll_ = CModbusMessage();
    AnalyseFrame(poll.frameText, std::string(), reportText_, 0, poll.source.data(),
                 poll.destination.data());
    return WriteFrameBlock(poll.number, reportText_);
}

bool CFramePairing::WriteFrameBlock(int32_t number, std::string& text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    const bool written = AppendToFile(reportFile_.c_str(), "Frame: %03d\n", number) &&
                         AppendToFile(reportFile_.c_str(), "%s\n\n", text.c_str());
    text.clear();
    return written;
}
