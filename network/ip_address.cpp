#include "network/ip_address.h"

#include <algorithm>
#include <cstdio>

IpAddress IpAddress::V4(const uint8_t* fourBytes) {
    IpAddress address;
    std::copy(fourBytes, fourBytes + 4, address.bytes.begin());
    return address;
}

IpAddress IpAddress::V6(const uint8_t* sixteenBytes) {
    IpAddress address;
    address.family = Family::V6;
    std::copy(sixteenBytes, sixteenBytes + 16, address.bytes.begin());
    return address;
}

IpAddress IpAddress::V4(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    const uint8_t bytes[4] = {a, b, c, d};
    return V4(bytes);
}

bool IpAddress::IsUnspecified() const {
    const size_t size = family == Family::V4 ? 4 : 16;
    return std::all_of(bytes.begin(), bytes.begin() + size, [](uint8_t b) { return b == 0; });
}

std::string IpAddress::ToString() const {
    char text[48];
    if (family == Family::V4) {
        std::snprintf(text, sizeof(text), "%u.%u.%u.%u", bytes[0], bytes[1], bytes[2], bytes[3]);
        return text;
    }
    uint16_t groups[8];
    for (int i = 0; i < 8; ++i) {
        groups[i] = static_cast<uint16_t>((bytes[2 * i] << 8) | bytes[2 * i + 1]);
    }
    // RFC 5952: the longest run of two or more zero groups becomes "::", the first on a tie.
    int runStart = -1;
    int runLength = 0;
    for (int i = 0; i < 8;) {
        int j = i;
        while (j < 8 && groups[j] == 0) {
            ++j;
        }
        if (j - i >= 2 && j - i > runLength) {
            runStart = i;
            runLength = j - i;
        }
        i = j > i ? j : i + 1;
    }
    std::string out;
    for (int i = 0; i < 8; ++i) {
        if (i == runStart) {
            out += "::";
            i += runLength - 1;
            continue;
        }
        if (!out.empty() && out.back() != ':') {
            out += ':';
        }
        std::snprintf(text, sizeof(text), "%x", groups[i]);
        out += text;
    }
    return out;
}
