#include "analysis/pairing_passes.h"

#include <deque>

#include "analysis/address_pairing.h"
#include "analysis/modbus_extraction.h"
#include "common/logging.h"
#include "modbus/length_direction.h"
#include "network/link_types.h"
#include "network/segment_decoder.h"
#include "report/transaction_log.h"
#include "tcp/modbus_stream_decoder.h"
#include "tcp/transaction_pairer.h"

namespace {

std::string ProgressText(int32_t messages, const std::vector<uint8_t>& frame) {
    const std::string frameText = FrameTextOf(ByteView(frame));
    return Format("%d\tModbus messages processed...Please wait\r\n\r\nLine:\r\n\t%s", messages,
                  frameText.c_str());
}

// Progress after a message, and also while records without messages go by: a long capture
// never looks stuck. The latest frame's text is made only when it is shown.
void ShowProgressIfDue(PassContext& c, int32_t messages, const std::vector<uint8_t>& frame,
                       bool afterMessage) {
    if (c.progress.Due(afterMessage)) {
        c.host.ShowProgress(ProgressText(messages, frame));
    }
}

// How the capture ended: a cut last record is told and the run goes on; damage or a read error
// ends it.
PassEnd CaptureEnd(PassContext& c, CaptureOutcome outcome) {
    if (outcome == CaptureOutcome::CutRecord) {
        const CaptureFailure& cut = c.source.Failure();
        DebugLog("The capture ends in a cut record, Record=[%llu] File offset=[%lld]",
                 static_cast<unsigned long long>(cut.recordNumber),
                 static_cast<long long>(cut.fileOffset));
        c.host.Warn(Format("the capture ends in a cut record (record %llu at offset %lld): %s",
                           static_cast<unsigned long long>(cut.recordNumber),
                           static_cast<long long>(cut.fileOffset), cut.message.c_str()));
    }
    const bool failed = outcome == CaptureOutcome::Damaged || outcome == CaptureOutcome::ReadError;
    return failed ? PassEnd::CaptureFailed : PassEnd::Completed;
}

FrameDirection ClassifyUnitAndPdu(ByteView unitAndPdu) {
    const std::vector<uint8_t> frame = RtuFrameOf(unitAndPdu);
    switch (ClassifyFrame(FrameView(ByteView(frame)))) {
        case FrameClass::Poll:
            return FrameDirection::Request;
        case FrameClass::Response:
            return FrameDirection::Response;
        case FrameClass::Undecided:
            break;
    }
    return FrameDirection::Undecided;
}

CModbusMessage MessageOf(const ModbusAdu& adu) {
    CModbusMessage message;
    message.source = adu.source.address;
    message.destination = adu.destination.address;
    message.number = static_cast<int32_t>(adu.messageNumber);
    message.frame = RtuFrameOf(adu.unit, ByteView(adu.pdu));
    return message;
}

// What the pairing found that the frames themselves do not show.
std::string PairingNote(const Transaction& t) {
    std::string note;
    if (t.unitMismatch) {
        AppendFormat(note,
                     "\r\nWarning: the response to transaction %u names unit %d, its poll unit "
                     "%d.\r\n",
                     t.response->transactionId, t.response->unit, t.request->unit);
    }
    if (t.functionMismatch) {
        AppendFormat(note,
                     "\r\nWarning: the response to transaction %u names function %d, its poll "
                     "function %d.\r\n",
                     t.response->transactionId, t.response->FunctionCode(),
                     t.request->FunctionCode());
    }
    return note;
}

FrameToReport BlockOf(const Transaction& t) {
    if (t.request && t.response) {
        return {MessageOf(*t.response), MessageOf(*t.request), true, PairingNote(t)};
    }
    if (t.request) {
        return {MessageOf(*t.request), std::nullopt, false, std::string()};
    }
    const bool toClient = t.response->direction == MessageDirection::ToClient;
    return {MessageOf(*t.response), std::nullopt, toClient, std::string()};
}

bool WriteTransaction(PassContext& c, const Transaction& t, const FrameToReport& block) {
    // The block's frame is analysed once, for the report and the log.
    const FrameReport analysis = AnalysisOf(block);
    if (!c.report.Write(block, analysis)) {
        return false;
    }
    if (c.transactionLog == nullptr) {
        return true;
    }
    // A response's block holds its request as the poll; a lone request is the block's frame.
    std::optional<FrameReport> pairedRequest;
    if (t.request && t.response) {
        pairedRequest = AnalysisOf(*block.poll, nullptr);
    }
    TransactionLogEntry entry;
    entry.reportFrame = static_cast<uint64_t>(block.frame.number);
    entry.transaction = &t;
    entry.request = pairedRequest ? &*pairedRequest : (t.request ? &analysis : nullptr);
    entry.response = t.response ? &analysis : nullptr;
    c.logWriteFailed = !c.transactionLog->Write(TransactionLogLine(entry));
    return !c.logWriteFailed;
}

// The next record, unless the user asked to stop or the capture has no more.
bool NextRecord(PassContext& c, CaptureRecord& record, CaptureOutcome& outcome, PassEnd& end) {
    if (c.host.StopRequested()) {
        end = PassEnd::Interrupted;
        return false;
    }
    outcome = c.source.Next(record);
    if (outcome != CaptureOutcome::Record) {
        return false;
    }
    ++c.counts.recordsRead;
    return true;
}

}  // namespace

PassEnd RunAddressPairing(PassContext& c) {
    const ServerDiscovery discovery = FindServer(c.source, [&c](int32_t messages) {
        ShowProgressIfDue(c, messages, {}, false);
        return !c.host.StopRequested();
    });
    if (c.host.StopRequested()) {
        return PassEnd::Interrupted;
    }
    CaptureRecord record;
    const CaptureOutcome firstEnd = c.source.Next(record);
    if (discovery.messageCount < 1) {
        const bool failed =
            firstEnd == CaptureOutcome::Damaged || firstEnd == CaptureOutcome::ReadError;
        return failed ? PassEnd::CaptureFailed : PassEnd::NoMessages;
    }
    if (discovery.server.IsUnspecified()) {
        DebugLog("FYI. Could not find a mobus server, All messages are ambiguous, Message=[%d]",
                 discovery.messageCount);
    }
    if (!c.source.Rewind()) {
        DebugLog("Error: Can not read the capture a second time");
        return PassEnd::CaptureFailed;
    }

    AddressPairing pairing(discovery.server, discovery.client);
    MessageCounts counts;
    std::vector<uint8_t> lastFrame;
    CaptureOutcome outcome = CaptureOutcome::Record;
    PassEnd end = PassEnd::Completed;
    while (end == PassEnd::Completed && NextRecord(c, record, outcome, end)) {
        MessageExtraction extraction = ExtractFromRecord(record, ExtractPass::Second);
        counts.Count(ExtractPass::Second, extraction);
        LogExtraction(ExtractPass::Second, extraction,
                      record.fileOffset + 16 + static_cast<int64_t>(record.bytes.size()));
        if (extraction.outcome != ExtractResult::Accepted) {
            ShowProgressIfDue(c, counts.messages, lastFrame, false);
            continue;
        }
        for (const FrameToReport& frame : pairing.Add(extraction.message)) {
            if (!c.report.Write(frame)) {
                end = PassEnd::WriteFailed;
            }
        }
        lastFrame = extraction.message.frame;
        ShowProgressIfDue(c, counts.messages, lastFrame, true);
    }
    c.counts.messages = counts.messages;
    c.counts.ignored = counts.ignored;
    const std::optional<FrameToReport> held = pairing.Flush();
    if (held && end != PassEnd::WriteFailed && !c.report.Write(*held)) {
        return PassEnd::WriteFailed;
    }
    if (end == PassEnd::Completed && c.host.StopRequested()) {
        return PassEnd::Interrupted;  // the input ended because the user stopped its writer
    }
    return end == PassEnd::Completed ? CaptureEnd(c, outcome) : end;
}

PassEnd RunTransactionPairing(PassContext& c) {
    DecoderSettings decoderSettings;
    for (uint16_t port : c.options.extraModbusPorts) {
        decoderSettings.modbusPorts.push_back(port);
    }
    decoderSettings.classifyFrame = ClassifyUnitAndPdu;
    PairingSettings pairingSettings;
    pairingSettings.responseTimeoutNanoseconds =
        static_cast<int64_t>(c.options.responseTimeoutSeconds * 1e9);

    std::deque<Transaction> ready;
    TransactionPairer pairer(pairingSettings,
                             [&ready](Transaction&& t) { ready.push_back(std::move(t)); });
    ModbusStreamDecoder decoder(decoderSettings, pairer);

    PassEnd end = PassEnd::Completed;
    int32_t lastNumber = 0;
    std::vector<uint8_t> lastFrame;
    auto report = [&]() {
        while (!ready.empty() && end == PassEnd::Completed) {
            const Transaction t = std::move(ready.front());
            ready.pop_front();
            const FrameToReport block = BlockOf(t);
            if (!WriteTransaction(c, t, block)) {
                end = PassEnd::WriteFailed;
            }
            lastNumber = block.frame.number;
            lastFrame = block.frame.frame;
        }
    };

    CaptureRecord record;
    CaptureOutcome outcome = CaptureOutcome::Record;
    bool unreadLinkTold = false;
    while (end == PassEnd::Completed && NextRecord(c, record, outcome, end)) {
        TcpSegment segment;
        switch (DecodeTcpSegment(record.linkType, record.bytes, segment)) {
            case LinkDecodeResult::Segment:
                decoder.Add(segment, record);
                break;
            case LinkDecodeResult::UnsupportedLink:
                if (!unreadLinkTold) {
                    c.host.Warn(DescribeLinkType(record.linkType) + " is not read");
                    unreadLinkTold = true;
                }
                break;
            case LinkDecodeResult::NotTcp:
                break;
        }
        const int32_t numberBefore = lastNumber;
        report();
        ShowProgressIfDue(c, lastNumber, lastFrame, lastNumber != numberBefore);
    }
    if (end != PassEnd::WriteFailed) {
        // Interrupted, damaged or not, what was captured up to here is reported whole.
        const PassEnd stopped = end;
        end = PassEnd::Completed;
        decoder.Finish();
        report();
        if (end == PassEnd::Completed) {
            end = stopped;
        }
    }
    // Messages that could not be framed whole count as processed and ignored, as a message with
    // a broken header always has.
    const DecoderCounts& lost = decoder.counts();
    c.counts.ignored = static_cast<int32_t>(lost.lostMessages);
    c.counts.messages = static_cast<int32_t>(decoder.messages() + lost.lostMessages);
    if (lost.missingBytes > 0 || lost.discardedBytes > 0) {
        const std::string text = Format(
            "%llu bytes of Modbus/TCP streams were never captured and %llu captured bytes "
            "belong to no whole message",
            static_cast<unsigned long long>(lost.missingBytes),
            static_cast<unsigned long long>(lost.discardedBytes));
        DebugLog("%s", text.c_str());
        c.host.Warn(text);
    }
    if (end == PassEnd::Completed && c.host.StopRequested()) {
        end = PassEnd::Interrupted;  // the input ended because the user stopped its writer
    }
    if (end == PassEnd::Completed) {
        end = CaptureEnd(c, outcome);
    }
    if (end == PassEnd::Completed && c.counts.messages == 0) {
        return PassEnd::NoMessages;
    }
    return end;
}
