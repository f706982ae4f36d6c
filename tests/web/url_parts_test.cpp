// Splitting web addresses, and which of them are spoken to over TLS.

#include "web/url_parts.h"

#include <gtest/gtest.h>

#include "web/http_protocol.h"

namespace {

UrlParts Split(const std::string& url) {
    UrlParts parts;
    EXPECT_TRUE(SplitUrl(url, parts)) << url;
    return parts;
}

bool Splits(const std::string& url) {
    UrlParts parts;
    return SplitUrl(url, parts);
}

}  // namespace

TEST(SplitUrl, HttpDefaultsToPort80) {
    const UrlParts parts = Split("http://www.zep-modbus.example/script/checkversion.php");
    EXPECT_EQ(parts.scheme, "http");
    EXPECT_EQ(parts.host, "www.zep-modbus.example");
    EXPECT_EQ(parts.port, 80);
    EXPECT_EQ(parts.path, "/script/checkversion.php");
}

TEST(SplitUrl, HttpsDefaultsToPort443) {
    EXPECT_EQ(Split("https://h/x").port, 443);
    EXPECT_EQ(Split("HTTPS://h/x").port, 443);
}

TEST(SplitUrl, WrittenPortWins) {
    EXPECT_EQ(Split("http://127.0.0.1:8080/a").port, 8080);
    EXPECT_EQ(Split("https://h:80/a").port, 80);
    EXPECT_EQ(Split("http://h:80").port, 80);
}

TEST(SplitUrl, PathKeepsQueryAndBlanksAndMayBeEmpty) {
    EXPECT_EQ(Split("http://h/forums/viewtopic.php?t=33").path, "/forums/viewtopic.php?t=33");
    EXPECT_EQ(Split("http://h/files/Installer_ZEP Modbus TCP Parser.exe").path,
              "/files/Installer_ZEP Modbus TCP Parser.exe");
    EXPECT_EQ(Split("http://h").path, "");
    EXPECT_EQ(Split("http://h?ref=x").path, "?ref=x");
}

TEST(SplitUrl, UserInfoIsDroppedAndIpv6KeepsItsBrackets) {
    EXPECT_EQ(Split("http://user:secret@h:81/p").host, "h");
    EXPECT_EQ(Split("http://user:secret@h:81/p").port, 81);
    const UrlParts parts = Split("http://[::1]:8443/p");
    EXPECT_EQ(parts.host, "[::1]");
    EXPECT_EQ(parts.port, 8443);
    EXPECT_EQ(Split("http://[::1]/").port, 80);
}

TEST(SplitUrl, MalformedAddressesAreRefused) {
    EXPECT_FALSE(Splits(""));
    EXPECT_FALSE(Splits("www.zep-modbus.example/script"));
    EXPECT_FALSE(Splits("ftp://h/file"));
    EXPECT_FALSE(Splits("http:///path"));
    EXPECT_FALSE(Splits("http://h:/p"));
    EXPECT_FALSE(Splits("http://h:0/p"));
    EXPECT_FALSE(Splits("http://h:65536/p"));
    EXPECT_FALSE(Splits("http://h:8o/p"));
    EXPECT_FALSE(Splits("http://[::1/p"));
    EXPECT_FALSE(Splits("http://[::1]x/p"));
}

TEST(PortChoice, OnlyPort80IsPlain) {
    EXPECT_FALSE(UsesSecureConnection(80));
    EXPECT_TRUE(UsesSecureConnection(443));
    EXPECT_TRUE(UsesSecureConnection(8080));
    EXPECT_TRUE(UsesSecureConnection(8));
    EXPECT_TRUE(UsesSecureConnection(800));
}
