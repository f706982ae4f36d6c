#pragma once
// An IPv4 or IPv6 address, compared and ordered on family and bytes.

#include <array>
#include <cstdint>
#include <string>

struct IpAddress {
    enum class Family : uint8_t { V4, V6 };

    Family family = Family::V4;
    std::array<uint8_t, 16> bytes{};  // IPv4 uses the first 4, network order

    static IpAddress V4(const uint8_t* fourBytes);
    static IpAddress V6(const uint8_t* sixteenBytes);
    static IpAddress V4(uint8_t a, uint8_t b, uint8_t c, uint8_t d);

    bool IsUnspecified() const;  // 0.0.0.0 or ::
    // a.b.c.d, or the IPv6 text form of RFC 5952 (lower case, longest zero run as "::").
    std::string ToString() const;

    friend bool operator==(const IpAddress& a, const IpAddress& b) {
        return a.family == b.family && a.bytes == b.bytes;
    }
    friend bool operator!=(const IpAddress& a, const IpAddress& b) { return !(a == b); }
    friend bool operator<(const IpAddress& a, const IpAddress& b) {
        return a.family != b.family ? a.family < b.family : a.bytes < b.bytes;
    }
};
