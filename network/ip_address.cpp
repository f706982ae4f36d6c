#include "network/ip_address.h"

#include <cstdio>
#include <cstring>

IpAddress IpAddress::V4(const uint8_t* fourBytes) {
    IpAddress address;
    std::memcpy(address.bytes.data(), fourBytes, 4);
    return address;
}

IpAddress IpAddress::V6(const uint8_t* sixteenBytes) {
    IpAddress address;
    address.family = Family::V6;
    std::memcpy(address.bytes.data(), sixteenBytes, 16);
    return address;
}

IpAddress IpAddress::V4(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    const uint8_t fourBytes[4] = {a, b, c, d};
    return V4(fourBytes);
}

bool IpAddress::IsUnspecified() const {
    const size_t used = family == Family::V4 ? 4 : 16;
    for (size_t i = 0; i < used; ++i) {
        if (bytes[i] != 0) {
            return false;
        }
    }
    return true;
}

std::string IpAddress::ToString() const {
    char text[48];
    if (family == Family::V4) {
        std::snprintf(text, sizeof text, "%u.%u.%u.%u", bytes[0], bytes[1], bytes[2], bytes[3]);
        return text;
    }
    uint16_t groups[8];
    for (int i = 0; i < 8; ++i) {
        groups[i] = static_cast<uint16_t>((bytes[2 * i] << 8) | bytes[2 * i + 1]);
    }
    // RFC 5952: the longest run of two or more zero groups (the first on a tie) becomes "::".
    int bestStart = -1;
    int bestLength = 1;
    for (int i = 0; i < 8;) {
        int j = i;
        while (j < 8 && groups[j] == 0) {
            ++j;
        }
        if (j - i > bestLength) {
            bestStart = i;
            bestLength = j - i;
        }
        i = j == i ? i + 1 : j;
    }
    std::string result;
    for (int i = 0; i < 8; ++i) {
        if (i == bestStart) {
            result += "::";
            i += bestLength - 1;
            continue;
        }
        if (!result.empty() && result.back() != ':') {
            result += ':';
        }
        std::snprintf(text, sizeof text, "%x", groups[i]);
        result += text;
    }
    return result;
}
