#include "network/ip_address.h"

#include <algorithm>
#include <charconv>

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

namespace {

// `value` in lowercase digits of `base` (10 or 16), appended: no printf, as every transaction
// log line names two endpoints.
void AppendNumber(std::string& text, unsigned value, int base) {
    char digits[8];
    const char* end = std::to_chars(digits, digits + sizeof digits, value, base).ptr;
    text.append(digits, static_cast<size_t>(end - digits));
}

}  // namespace

std::string IpAddress::ToString() const {
    std::string out;
    if (family == Family::V4) {
        for (int i = 0; i < 4; ++i) {
            if (i > 0) {
                out += '.';
            }
            AppendNumber(out, bytes[i], 10);
        }
        return out;
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
    for (int i = 0; i < 8; ++i) {
        if (i == runStart) {
            out += "::";
            i += runLength - 1;
            continue;
        }
        if (!out.empty() && out.back() != ':') {
            out += ':';
        }
        AppendNumber(out, groups[i], 16);
    }
    return out;
}
