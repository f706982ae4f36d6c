#pragma once
// Reader for classic libpcap capture files, one record at a time. Every header and every packet
// body is fetched with its own open-seek-read-close cycle; no file stays open between calls.

#include <cstdint>
#include <string>

class CLibPCaps {
public:
    // Results of ReadPacket besides a byte count.
    static constexpr int32_t READ_END = -1;      // no further record can be delivered
    static constexpr int32_t READ_SKIPPED = -2;  // a record larger than the buffer was stepped over

    // Stores the path, rewinds to the first record and checks the global header: true only for
    // a readable file of version 2.4 with link type 1 (Ethernet), read in little-endian order.
    bool GetFileInfo(std::string path);

    // Delivers the next record's body into `buffer` (capacity `size`) and returns its length
    // (0 for an empty record), or READ_END / READ_SKIPPED.
    int32_t ReadPacket(uint8_t* buffer, uint32_t size);

    bool ReadPacketHeader();
    int32_t ReadPacketData(uint8_t* buffer, uint32_t size);

    // Byte offset of the next unread record header; 0 before a header was read.
    int64_t Position() const { return position_; }

    uint16_t VersionMajor() const { return versionMajor_; }
    uint16_t VersionMinor() const { return versionMinor_; }
    uint32_t Network() const { return network_; }
    uint32_t IncludedLength() const { return inclLen_; }

private:
    static constexpr int32_t kGlobalHeaderSize = 24;
    static constexpr int32_t kRecordHeaderSize = 16;

    uint32_t magicNumber_ = 0;
    uint16_t versionMajor_ = 0;
    uint16_t versionMinor_ = 0;
    int32_t thisZone_ = 0;
    uint32_t sigFigs_ = 0;
    uint32_t snapLen_ = 0;
    uint32_t network_ = 0;

    uint32_t tsSec_ = 0;
    uint32_t tsUsec_ = 0;
    uint32_t inclLen_ = 0;
    uint32_t origLen_ = 0;

    std::string path_;
    int64_t position_ = 0;
};
