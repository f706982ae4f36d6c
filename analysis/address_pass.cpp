// The address pairing: a first pass finds the server, the second pairs and reports, one message
// per record.

#include "analysis/capture_pass.h"
#include "analysis/modbus_extraction.h"
#include "common/logging.h"
#include "session/address_pairing.h"

PassEnd RunAddressPairing(PassContext& c) {
    const ServerDiscovery discovery = FindServer(c.source, [&c](int32_t messages) {
        c.host.Progress({messages, ByteView(), false});
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
    while (end == PassEnd::Completed && c.NextRecord(record, outcome, end)) {
        MessageExtraction extraction = ExtractFromRecord(record, ExtractPass::Second);
        counts.Count(ExtractPass::Second, extraction);
        LogExtraction(ExtractPass::Second, extraction, record);
        if (extraction.outcome != ExtractResult::Accepted) {
            c.host.Progress({counts.messages, ByteView(lastFrame), false});
            continue;
        }
        lastFrame = extraction.message.frame;
        for (const Transaction& transaction : pairing.Add(std::move(extraction.message))) {
            if (!c.Deliver(transaction)) {
                end = PassEnd::WriteFailed;
            }
        }
        c.host.Progress({counts.messages, ByteView(lastFrame), true});
    }
    c.counts.messages = counts.messages;
    c.counts.ignored = counts.ignored;
    const std::optional<Transaction> held = pairing.Flush();
    if (held && end != PassEnd::WriteFailed && !c.Deliver(*held)) {
        return PassEnd::WriteFailed;
    }
    if (end == PassEnd::Completed && c.host.StopRequested()) {
        return PassEnd::Interrupted;  // the input ended because the user stopped its writer
    }
    return end == PassEnd::Completed ? c.CaptureEnd(outcome) : end;
}
