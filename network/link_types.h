#pragma once
// Link-layer header types (LINKTYPE_* of pcap and pcapng) by number and name.

#include <cstdint>
#include <string>

// True when DecodeTcpSegment can find IP packets behind this link layer.
bool IsSupportedLinkType(uint32_t linkType);

// The registry name without its LINKTYPE_ prefix ("ETHERNET", "LINUX_SLL", "USER0"), or
// "unknown".
std::string LinkTypeName(uint32_t linkType);

// "link type 147 (USER0)", for messages.
std::string DescribeLinkType(uint32_t linkType);
