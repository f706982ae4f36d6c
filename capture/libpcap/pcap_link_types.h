#pragma once
// Capture files name link types by LINKTYPE_* values, libpcap's handles by DLT_* values; they
// differ only where platforms once disagreed (raw IP, OpenBSD loopback).

#include <pcap/pcap.h>

#include <cstdint>

constexpr uint32_t kLinkTypeRaw = 101;
constexpr uint32_t kLinkTypeLoop = 108;

inline int DltOfLinkType(uint32_t linkType) {
    switch (linkType) {
        case kLinkTypeRaw:
            return DLT_RAW;
        case kLinkTypeLoop:
            return DLT_LOOP;
        default:
            return static_cast<int>(linkType);
    }
}

inline uint32_t LinkTypeOfDlt(int dlt) {
    if (dlt == DLT_RAW || dlt == 14) {  // 14: raw IP on OpenBSD
        return kLinkTypeRaw;
    }
    if (dlt == DLT_LOOP) {
        return kLinkTypeLoop;
    }
    return static_cast<uint32_t>(dlt);
}
