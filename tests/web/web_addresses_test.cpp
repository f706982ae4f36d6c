// The addresses on the maker's web server.

#include "web/web_addresses.h"

#include <gtest/gtest.h>

#include "web/web_server_access.h"

TEST(WebAddresses, DerivedFromTheHost) {
    EXPECT_EQ(HomePageAddress("h.example"), "http://h.example");
    EXPECT_EQ(UpdateCheckAddress("h.example"), "http://h.example/script/checkversion.php");
    EXPECT_EQ(FeedbackAddress("h.example"), "http://h.example/script/sendfeedback.php");
    EXPECT_EQ(InstallerAddress("h.example"),
              "http://h.example/files/resources/modbus/Installer_ZEP Modbus TCP Parser.exe");
    EXPECT_EQ(ForumHelpAddress("h.example"), "http://h.example/forums/viewtopic.php?t=33");
}

TEST(WebAddresses, HostMayCarryAPort) {
    EXPECT_EQ(UpdateCheckAddress("127.0.0.1:8443"),
              "http://127.0.0.1:8443/script/checkversion.php");
}

TEST(WebAddresses, DefaultsComeFromTheBuildSetting) {
    const std::string host = MakerWebHost();
    EXPECT_FALSE(host.empty());
    EXPECT_EQ(HomePageAddress(), "http://" + host);
    EXPECT_EQ(UpdateCheckAddress(), UpdateCheckAddress(host));
    EXPECT_EQ(FeedbackAddress(), FeedbackAddress(host));
    EXPECT_EQ(InstallerAddress(), InstallerAddress(host));
    EXPECT_EQ(ForumHelpAddress(), ForumHelpAddress(host));
    EXPECT_EQ(WebServerAccess().host, host);
    EXPECT_NE(std::string(TechnicalSupportEmail()).find('@'), std::string::npos);
}

TEST(WebAddresses, ShippedTimeoutsAreFifteenSecondsPerStallAndThirtyInAll) {
    EXPECT_EQ(HttpTimeouts().stallMs, 15000);
    EXPECT_EQ(HttpTimeouts().overallMs, 30000);
    EXPECT_EQ(WebServerAccess().http.timeouts.stallMs, 15000);
    EXPECT_EQ(WebServerAccess().http.timeouts.overallMs, 30000);
    EXPECT_TRUE(WebServerAccess().http.trustedAuthoritiesFile.empty());
}
