#pragma once
// Classic libpcap files: either byte order, microsecond or nanosecond timestamps, version 2.x.

#include <vector>

#include "capture/byte_order.h"
#include "capture/record_source.h"

class PcapSource : public RecordSource {
public:
    using RecordSource::RecordSource;

    bool Start(std::string& error) override;
    const char* ContainerName() const override { return "pcap"; }
    int64_t FileLinkType() const override { return linkType_; }

    static bool IsMagic(const uint8_t* first4);

protected:
    CaptureOutcome ReadRecord(CaptureRecord& record) override;

private:
    ByteOrder order_;
    uint8_t fractionDigits_ = 6;  // microsecond or nanosecond magic
    uint32_t linkType_ = 0;
    uint32_t recordLimit_ = kMaxRecordBytes;
    std::vector<uint8_t> data_;
};
