#pragma once
// A capture of which only the records that pass a capture filter are delivered. Records keep
// the numbers they have in their file, so each can still be found there (in Wireshark too).

#include <memory>

#include "capture/capture_source.h"
#include "capture/packet_filter.h"

class FilteredSource : public CaptureSource {
public:
    FilteredSource(std::unique_ptr<CaptureSource> source, std::unique_ptr<PacketFilter> filter)
        : source_(std::move(source)), filter_(std::move(filter)) {}

    CaptureOutcome Next(CaptureRecord& record) override;
    bool Rewind() override { return source_->Rewind(); }
    const CaptureFailure& Failure() const override { return source_->Failure(); }
    const char* ContainerName() const override { return source_->ContainerName(); }
    int64_t FileLinkType() const override { return source_->FileLinkType(); }
    std::optional<CaptureStatistics> Statistics() const override { return source_->Statistics(); }

private:
    std::unique_ptr<CaptureSource> source_;
    std::unique_ptr<PacketFilter> filter_;
};
