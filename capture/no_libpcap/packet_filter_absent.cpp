// A build without libpcap (the Windows programs): no capture filters.

#include "capture/packet_filter.h"

bool PacketFiltersAvailable() {
    return false;
}

std::unique_ptr<PacketFilter> CompilePacketFilter(const std::string&, std::string& error) {
    error =
        "this build cannot apply capture filters (they need libpcap, which is built on Linux "
        "only)";
    return nullptr;
}
