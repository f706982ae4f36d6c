#pragma once
// Steps over a record's link-layer header to the network layer it carries.

#include <cstddef>
#include <cstdint>

#include "common/byte_view.h"

enum class NetworkProtocol { Other, Ipv4, Ipv6 };

struct NetworkLayer {
    NetworkProtocol protocol = NetworkProtocol::Other;
    size_t offset = 0;  // where the network header starts in the record
};

// False when the link type is not one this decoder reads (see IsSupportedLinkType).
bool FindNetworkLayer(uint32_t linkType, const ByteView& record, NetworkLayer& layer);
