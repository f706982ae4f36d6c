#include "analysis/capture_pass.h"

#include "capture/capture_time.h"
#include "common/logging.h"

bool PassContext::Deliver(const Transaction& transaction) {
    static const Derivation kNothing;
    const Derivation& derived = stage != nullptr ? stage->Derive(transaction) : kNothing;
    for (TransactionSink* sink : sinks) {
        if (!sink->Take(transaction, derived)) {
            failedSink = sink;
            return false;
        }
    }
    return true;
}

CaptureFacts PassContext::Facts() const {
    return CaptureFacts{files,
                        counts.firstRecordTime,
                        counts.lastRecordTime,
                        static_cast<uint64_t>(counts.recordsRead),
                        static_cast<uint64_t>(counts.messages),
                        counts.connections,
                        source.Statistics(),
                        counts.passedOver,
                        host.Warnings(),
                        counts.lastSteadyNs - counts.firstSteadyNs};
}

bool PassContext::RefreshIfDue(Clock::time_point now) {
    const bool requested = host.TakeUpdateRequest();
    if (!requested && now < nextRefresh) {
        return true;
    }
    nextRefresh = now + kRefreshInterval;
    const CaptureFacts facts = Facts();
    const PlantResult plant = stage != nullptr ? stage->Result(facts) : PlantResult{facts};
    for (TransactionSink* sink : sinks) {
        if (!sink->Refresh(plant, requested)) {
            failedSink = sink;
            return false;
        }
    }
    return true;
}

bool PassContext::DurationOver(Clock::time_point now) const {
    const double seconds = options.durationSeconds;
    return seconds > 0 && now - started >= std::chrono::duration<double>(seconds);
}

bool PassContext::NextRecord(CaptureRecord& record, CaptureOutcome& outcome, PassEnd& end) {
    // Checked after every record and whenever a live capture had nothing within its read
    // timeout (it is then asked again).
    do {
        if (host.StopRequested()) {
            end = PassEnd::Interrupted;
            return false;
        }
        const Clock::time_point now = Clock::now();
        if (DurationOver(now)) {
            outcome = CaptureOutcome::End;
            return false;
        }
        if (!RefreshIfDue(now)) {
            end = PassEnd::WriteFailed;
            return false;
        }
    } while ((outcome = source.Next(record)) == CaptureOutcome::Idle);
    if (outcome != CaptureOutcome::Record) {
        return false;
    }
    ++counts.recordsRead;
    if (!FitsNanoseconds(record.time) && !timeRangeTold) {
        timeRangeTold = true;
        host.Warn(
            Format("record %llu is stamped past 2262-04-11 or before 1677-09-21, beyond the "
                   "nanoseconds the run keeps time in: its times are printed as captured and "
                   "response times taken from them, but time-outs, clock steps and the "
                   "charts see every such time as that end of the range",
                   static_cast<unsigned long long>(record.number)));
    }
    recordClock.Advance(record.number, record.time);
    // Every time shown of the capture is on the steady clock (the record's own time until the
    // capture's clock first steps), so that they never run backwards and a device's first and
    // last message lie between them.
    const int64_t steady = recordClock.SteadyOf(record.number, record.time);
    const CaptureTimestamp shown = SteadyTimestamp(record.time, steady);
    if (!counts.firstRecordTime || steady < counts.firstSteadyNs) {
        counts.firstRecordTime = shown;
        counts.firstSteadyNs = steady;
    }
    if (!counts.lastRecordTime || steady >= counts.lastSteadyNs) {
        counts.lastRecordTime = shown;
        counts.lastSteadyNs = steady;
    }
    return true;
}

PassEnd PassContext::CaptureEnd(CaptureOutcome outcome) {
    if (outcome == CaptureOutcome::CutRecord) {
        const CaptureFailure& cut = source.Failure();
        DebugLog("The capture ends in a cut record, Record=[%llu] File offset=[%lld]",
                 static_cast<unsigned long long>(cut.recordNumber),
                 static_cast<long long>(cut.fileOffset));
        host.Warn(CutRecordText(cut, false));
    }
    const bool failed = outcome == CaptureOutcome::Damaged || outcome == CaptureOutcome::ReadError;
    return failed ? PassEnd::CaptureFailed : PassEnd::Completed;
}

std::string CutRecordText(const CaptureFailure& cut, bool nextFollows) {
    const std::string where = Format("(record %llu at offset %lld): %s",
                                     static_cast<unsigned long long>(cut.recordNumber),
                                     static_cast<long long>(cut.fileOffset), cut.message.c_str());
    if (cut.path.empty()) {
        return "the capture ends in a cut record " + where;
    }
    return "the capture file " + cut.path + " ends in a cut record " + where +
           (nextFollows ? "; the next file follows" : "");
}
