#include "capture/record_source.h"

CaptureOutcome RecordSource::Next(CaptureRecord& record) {
    if (stopped_ != CaptureOutcome::Record) {
        return stopped_;
    }
    const CaptureOutcome outcome = ReadRecord(record);
    if (outcome == CaptureOutcome::Record) {
        record.number = ++delivered_;
    } else {
        stopped_ = outcome;
    }
    return outcome;
}

bool RecordSource::Rewind() {
    std::string error;
    if (!reader_->Rewind() || !Start(error)) {
        return false;
    }
    delivered_ = 0;
    stopped_ = CaptureOutcome::Record;
    failure_ = CaptureFailure();
    return true;
}

CaptureOutcome RecordSource::Stop(CaptureOutcome outcome, int64_t fileOffset,
                                  const std::string& message) {
    failure_.recordNumber = NextNumber();
    failure_.fileOffset = fileOffset;
    failure_.message = message;
    // A record no capture can hold may be garbage inflated from damaged compressed data.
    if (outcome == CaptureOutcome::Damaged && reader_->DamagedFurtherOn()) {
        failure_.message = "reading failed: " + reader_->Error();
        return CaptureOutcome::ReadError;
    }
    return outcome;
}

CaptureOutcome RecordSource::Unfinished(StreamReader::Fill fill, int64_t fileOffset,
                                        const char* what) {
    if (fill == StreamReader::Fill::Failed) {
        return Stop(CaptureOutcome::ReadError, fileOffset, "reading failed: " + reader_->Error());
    }
    return Stop(CaptureOutcome::CutRecord, fileOffset,
                std::string("the input ends inside ") + what);
}
