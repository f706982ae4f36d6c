#pragma once
// What the container readers share: the buffered input, the record count, and the rule that
// reading stops for good at the first outcome that is not a record.

#include <memory>
#include <string>

#include "capture/capture_source.h"
#include "capture/stream_reader.h"

class RecordSource : public CaptureSource {
public:
    explicit RecordSource(std::unique_ptr<StreamReader> reader) : reader_(std::move(reader)) {}

    CaptureOutcome Next(CaptureRecord& record) final;
    bool Rewind() final;
    const CaptureFailure& Failure() const final { return failure_; }

    // Reads the container's file header; false with `error` set when it is not acceptable.
    virtual bool Start(std::string& error) = 0;

protected:
    // Reads one record; on anything but Record, sets the failure through Stop().
    virtual CaptureOutcome ReadRecord(CaptureRecord& record) = 0;

    CaptureOutcome Stop(CaptureOutcome outcome, int64_t fileOffset, const std::string& message);
    // The outcome for a read of a record's piece that did not come whole.
    CaptureOutcome Unfinished(StreamReader::Fill fill, int64_t fileOffset, const char* what);

    StreamReader& Input() { return *reader_; }
    uint64_t NextNumber() const { return delivered_ + 1; }

private:
    std::unique_ptr<StreamReader> reader_;
    uint64_t delivered_ = 0;
    CaptureOutcome stopped_ = CaptureOutcome::Record;
    CaptureFailure failure_;
};
