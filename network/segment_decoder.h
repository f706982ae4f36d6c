#pragma once
// From one captured record to the TCP segment inside it, whatever the link layer.

#include <cstdint>

#include "common/byte_view.h"
#include "network/tcp_segment.h"

enum class LinkDecodeResult {
    Segment,          // `out` holds the TCP segment
    NotTcp,           // not IP, not TCP, a later fragment, or too short: passed over
    UnsupportedLink,  // this link type is not read (see IsSupportedLinkType)
};

LinkDecodeResult DecodeTcpSegment(uint32_t linkType, ByteView record, TcpSegment& out);
