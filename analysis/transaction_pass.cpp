// The transaction pairing: every TCP connection followed, its Modbus/TCP messages framed and
// paired by transaction id, in one pass.

#include <deque>

#include "analysis/capture_pass.h"
#include "analysis/progress_view.h"
#include "common/logging.h"
#include "network/link_types.h"
#include "network/segment_decoder.h"
#include "session/modbus_session.h"
#include "session/transaction_pairer.h"

namespace {

// A notice per connection named, then how many there were.
void TellPassedOver(AnalysisHost& host, const PassedOverConnections& passedOver) {
    auto tell = [&host](const std::string& text) { host.Warn(text); };
    for (const PassedOverConnection& named : passedOver.named) {
        tell(Format("passed over %s -> %s (%llu bytes from the client, %llu from the server): %s",
                    named.client.ToString().c_str(), named.server.ToString().c_str(),
                    static_cast<unsigned long long>(named.clientBytes),
                    static_cast<unsigned long long>(named.serverBytes), named.reason.c_str()));
    }
    if (passedOver.count > 0) {
        std::string text =
            Format("%llu connections on a Modbus port carried no Modbus/TCP and were passed over",
                   static_cast<unsigned long long>(passedOver.count));
        if (passedOver.count > passedOver.named.size()) {
            AppendFormat(text, " (the first %llu are named)",
                         static_cast<unsigned long long>(passedOver.named.size()));
        }
        tell(text);
    }
}

}  // namespace

PassEnd RunTransactionPairing(PassContext& c) {
    SessionSettings sessionSettings;
    for (uint16_t port : c.options.extraModbusPorts) {
        sessionSettings.modbusPorts.push_back(port);
    }
    PairingSettings pairingSettings;
    pairingSettings.responseTimeoutNanoseconds =
        static_cast<int64_t>(c.options.responseTimeoutSeconds * 1e9);

    std::deque<Transaction> ready;
    TransactionPairer pairer(pairingSettings,
                             [&ready](Transaction&& t) { ready.push_back(std::move(t)); });
    ModbusSession session(sessionSettings, pairer);

    // Progress is one more view, for this pass only.
    ProgressView progress(c.host);
    c.sinks.push_back(&progress);
    struct Unwire {
        std::vector<TransactionSink*>& sinks;
        ~Unwire() { sinks.pop_back(); }
    } unwire{c.sinks};
    PassEnd end = PassEnd::Completed;
    auto deliverReady = [&]() {
        while (!ready.empty() && end == PassEnd::Completed) {
            const Transaction t = std::move(ready.front());
            ready.pop_front();
            if (!c.Deliver(t)) {
                end = PassEnd::WriteFailed;
            }
        }
    };

    CaptureRecord record;
    CaptureOutcome outcome = CaptureOutcome::Record;
    bool unreadLinkTold = false;
    while (end == PassEnd::Completed && c.NextRecord(record, outcome, end)) {
        TcpSegment segment;
        switch (DecodeTcpSegment(record.linkType, record.bytes, segment)) {
            case LinkDecodeResult::Segment:
                session.Add(segment, record);
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
        deliverReady();
        if (session.passedOver().count != c.counts.passedOver.count) {
            c.counts.passedOver = session.passedOver();  // for the files a long run rewrites
        }
        progress.AfterRecord();
    }
    if (end != PassEnd::WriteFailed) {
        // Interrupted, damaged or not, what was captured up to here is reported whole.
        const PassEnd stopped = end;
        end = PassEnd::Completed;
        session.Finish();
        deliverReady();
        if (end == PassEnd::Completed) {
            end = stopped;
        }
    }
    // Messages that could not be framed whole count as processed and ignored, as a message with
    // a broken header always has.
    const SessionCounts& lost = session.counts();
    c.counts.ignored = static_cast<int32_t>(lost.lostMessages);
    c.counts.connections = lost.modbusConnections;
    c.counts.messages = static_cast<int32_t>(session.messages() + lost.lostMessages);
    if (lost.missingBytes > 0 || lost.discardedBytes > 0) {
        const std::string text = Format(
            "%llu bytes of Modbus/TCP streams were never captured and %llu captured bytes "
            "belong to no whole message",
            static_cast<unsigned long long>(lost.missingBytes),
            static_cast<unsigned long long>(lost.discardedBytes));
        c.host.Warn(text);
    }
    c.counts.passedOver = session.passedOver();
    TellPassedOver(c.host, c.counts.passedOver);
    if (lost.sequenceJumps > 0) {
        const std::string text = Format(
            "the sequence numbers of Modbus/TCP streams jumped %llu times; framing went on at "
            "the next message each time",
            static_cast<unsigned long long>(lost.sequenceJumps));
        c.host.Warn(text);
    }
    if (end == PassEnd::Completed && c.host.StopRequested()) {
        end = PassEnd::Interrupted;  // the input ended because the user stopped its writer
    }
    if (end == PassEnd::Completed) {
        end = c.CaptureEnd(outcome);
    }
    if (end == PassEnd::Completed && c.counts.messages == 0) {
        return PassEnd::NoMessages;
    }
    return end;
}
