#include "analysis/capture_pass.h"

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

bool PassContext::NextRecord(CaptureRecord& record, CaptureOutcome& outcome, PassEnd& end) {
    if (host.StopRequested()) {
        end = PassEnd::Interrupted;
        return false;
    }
    // A live capture that has nothing yet is asked again, unless the user asked to stop.
    while ((outcome = source.Next(record)) == CaptureOutcome::Idle) {
        if (host.StopRequested()) {
            end = PassEnd::Interrupted;
            return false;
        }
    }
    if (outcome != CaptureOutcome::Record) {
        return false;
    }
    ++counts.recordsRead;
    if (!counts.firstRecordTime) {
        counts.firstRecordTime = record.time;
    }
    counts.lastRecordTime = record.time;
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
