#include "capture/filtered_source.h"

CaptureOutcome FilteredSource::Next(CaptureRecord& record) {
    CaptureOutcome outcome;
    while ((outcome = source_->Next(record)) == CaptureOutcome::Record) {
        if (filter_->Matches(record)) {
            return outcome;
        }
    }
    return outcome;
}
