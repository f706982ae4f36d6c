#pragma once
// pcapng files: any number of sections, each in its own byte order with its own interfaces;
// packets from Enhanced, Simple and (obsolete) Packet Blocks; every other block stepped over.

#include <vector>

#include "capture/byte_order.h"
#include "capture/record_source.h"
#include "capture/timestamp_resolution.h"

class PcapngSource : public RecordSource {
public:
    using RecordSource::RecordSource;

    bool Start(std::string& error) override;
    const char* ContainerName() const override { return "pcapng"; }

    static bool IsMagic(const uint8_t* first4);

protected:
    CaptureOutcome ReadRecord(CaptureRecord& record) override;

private:
    struct Interface {
        uint32_t linkType = 0;
        uint32_t snapLength = 0;  // 0: not limited
        uint32_t recordLimit = kMaxRecordBytes;
        TimestampResolution resolution;
        int64_t offsetSeconds = 0;  // if_tsoffset
    };
    struct Block {
        uint32_t type = 0;
        int64_t offset = 0;
        ByteView body;  // between the length fields; empty for blocks stepped over
    };

    // Reads the next block whole, or steps over it when it holds nothing this reader uses.
    // Record when a block was read; End at a clean end; otherwise the failure.
    CaptureOutcome ReadBlock(Block& block);
    CaptureOutcome ReadBlockBody(Block& block, uint32_t length, size_t bodySize,
                                 size_t alreadyRead);
    bool StartSection(const Block& block, std::string& error);
    bool AddInterface(const Block& block, std::string& error);
    CaptureOutcome DeliverPacket(const Block& block, CaptureRecord& record);

    ByteOrder order_;
    std::vector<Interface> interfaces_;
    std::vector<uint8_t> body_;
};
