#include "common/CLibPCaps.h"

#include "common/logging.h"

namespace {

// Capture files are read in little-endian order whatever the host is.
uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

bool CLibPCaps::GetFileInfo(std::string path) {
    path_ = std::move(path);
    position_ = 0;

    uint8_t header[kGlobalHeaderSize];
    if (!ReadFileBlock(path_, 0, kGlobalHeaderSize, header)) {
        DebugLog("CLibPCaps::GetFileInfo() - Can not read input file, File=[%s]", path_.c_str());
        ShowMessage("Can not read input file\nFile: %s", path_.c_str());
        return false;
    }
    magicNumber_ = Le32(header);
    versionMajor_ = Le16(header + 4);
    versionMinor_ = Le16(header + 6);
    thisZone_ = static_cast<int32_t>(Le32(header + 8));
    sigFigs_ = Le32(header + 12);
    snapLen_ = Le32(header + 16);
    network_ = Le32(header + 20);
    position_ = kGlobalHeaderSize;

    if (versionMajor_ != 2 || versionMinor_ != 4) {
        DebugLog("CLibPCaps::GetFileInfo() - File has a bad version number, Major=[%d] Minor=[%d]",
                 versionMajor_, versionMinor_);
        ShowMessage("Invalid input file\nFile: %s", path_.c_str());
        return false;
    }
    if (network_ != 1) {
        DebugLog(
            "CLibPCaps::GetFileInfo() - File has a bad network number, network=[%d] Minor=[%d]",
            static_cast<int>(network_), versionMinor_);
        ShowMessage("Invalid input file\nFile: %s", path_.c_str());
        return false;
    }
    return true;
}

int32_t CLibPCaps::ReadPacket(uint8_t* buffer, uint32_t size) {
    if (!ReadPacketHeader()) {
        return READ_END;
    }
    return ReadPacketData(buffer, size);
}

bool CLibPCaps::ReadPacketHeader() {
    if (position_ <= 0) {
        return false;
    }
    uint8_t header[kRecordHeaderSize];
    if (!ReadFileBlock(path_, position_, kRecordHeaderSize, header)) {
        return false;
    }
    position_ += kRecordHeaderSize;
    tsSec_ = Le32(header);
    tsUsec_ = Le32(header + 4);
    inclLen_ = Le32(header + 8);
    origLen_ = Le32(header + 12);
    return true;
}

int32_t CLibPCaps::ReadPacketData(uint8_t* buffer, uint32_t size) {
    if (position_ <= 0) {
        return READ_END;
    }
    if (inclLen_ == 0) {
        return 0;
    }
    if (size < inclLen_) {
        // Too large to hold a message this tool analyses: step over it and let the caller go on.
        DebugLog(
            "CLibPCaps::ReadPacketData() - Record larger than the buffer skipped, "
            "Size=[%u] Buffer=[%u] File offset=[%lld]",
            inclLen_, size, static_cast<long long>(position_));
        position_ += inclLen_;
        return READ_SKIPPED;
    }
    if (!ReadFileBlock(path_, position_, static_cast<int32_t>(inclLen_), buffer)) {
        return READ_END;
    }
    position_ += inclLen_;
    return static_cast<int32_t>(inclLen_);
}
