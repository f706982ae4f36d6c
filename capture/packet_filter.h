#pragma once
// A capture filter (BPF, tcpdump's language, e.g. "host 10.0.0.5 and tcp port 502") applied to
// the records of a capture file, as it is applied to the packets of a live capture. libpcap
// compiles it; a build without libpcap has no filters.

#include <cstdint>
#include <memory>
#include <string>

#include "capture/capture_record.h"

class PacketFilter {
public:
    virtual ~PacketFilter() = default;
    // Whether the record passes. The filter is compiled anew for each link type it meets; a
    // record of a link type it cannot be compiled for does not pass.
    virtual bool Matches(const CaptureRecord& record) = 0;
};

// Whether this build can filter (it has libpcap).
bool PacketFiltersAvailable();

// Compiles `expression` (checked against Ethernet, where every filter can be said); null with
// `error` set to libpcap's message when it does not compile.
std::unique_ptr<PacketFilter> CompilePacketFilter(const std::string& expression,
                                                  std::string& error);
