// Address text forms: dotted IPv4 and the RFC 5952 IPv6 form.

#include "network/ip_address.h"

#include <gtest/gtest.h>

namespace {

IpAddress V6(std::initializer_list<uint16_t> groups) {
    uint8_t bytes[16] = {};
    int i = 0;
    for (uint16_t group : groups) {
        bytes[i++] = static_cast<uint8_t>(group >> 8);
        bytes[i++] = static_cast<uint8_t>(group);
    }
    return IpAddress::V6(bytes);
}

}  // namespace

TEST(IpAddress, TextForms) {
    EXPECT_EQ(IpAddress::V4(192, 168, 0, 10).ToString(), "192.168.0.10");
    EXPECT_EQ(IpAddress::V4(0, 255, 7, 100).ToString(), "0.255.7.100");
    // RFC 5952 section 4: lower case, no leading zeros, the longest zero run (first on a tie)
    // shortened, a single zero group kept.
    EXPECT_EQ(V6({0x2001, 0xdb8, 0, 0, 0, 0, 0, 1}).ToString(), "2001:db8::1");
    EXPECT_EQ(V6({0x2001, 0xdb8, 0, 1, 1, 1, 1, 1}).ToString(), "2001:db8:0:1:1:1:1:1");
    EXPECT_EQ(V6({0x2001, 0, 0, 1, 0, 0, 0, 1}).ToString(), "2001:0:0:1::1");
    EXPECT_EQ(V6({0x2001, 0xdb8, 0, 0, 1, 0, 0, 1}).ToString(), "2001:db8::1:0:0:1");
    EXPECT_EQ(V6({0xABCD, 0x00EF, 0, 0, 0, 0, 0, 0}).ToString(), "abcd:ef::");
    EXPECT_EQ(V6({0, 0, 0, 0, 0, 0, 0, 0}).ToString(), "::");
    EXPECT_EQ(V6({0, 0, 0, 0, 0, 0, 0, 1}).ToString(), "::1");
}

TEST(IpAddress, ComparesOnFamilyAndBytes) {
    const IpAddress v4 = IpAddress::V4(0, 0, 0, 1);
    const IpAddress v6 = V6({0, 0, 0, 0, 0, 0, 0, 1});
    EXPECT_NE(v4, v6);
    EXPECT_TRUE(v4 < v6);
    EXPECT_EQ(v4, IpAddress::V4(0, 0, 0, 1));
    EXPECT_TRUE(IpAddress::V4(0, 0, 0, 0).IsUnspecified());
    EXPECT_TRUE(V6({0, 0, 0, 0, 0, 0, 0, 0}).IsUnspecified());
    EXPECT_FALSE(v6.IsUnspecified());
}
