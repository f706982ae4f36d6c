// The update check in both forms against a scripted server: the request, the boxes, the shell.

#include "web/update_check.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "tests/web/web_test_support.h"

namespace {

const char* const kNoUpdates = "No updates available ";
const char* const kNewVersion =
    "There is a new version of this application available.\nWould you like to download the new "
    "version?";
const char* const kNoConnection =
    "We could not connect to our servers.\nOur servers could be down or \nYou might not have a "
    "connection to the internet at this moment, please check your connection and try again.";

class UpdateCheck : public ::testing::TestWithParam<ServerKind>, protected ServerFixture {
protected:
    void SetUp() override { StartServer(GetParam()); }
    void TearDown() override { StopServer(); }

    bool Check(bool interactive) { return CheckForUpdate(interactive, platform_, Access()); }

    // Expects exactly one box with that text and style.
    void ExpectOneBox(const std::string& text, int style) {
        ASSERT_EQ(presenter_.boxes.size(), 1u);
        EXPECT_EQ(presenter_.boxes[0].text, text);
        EXPECT_EQ(presenter_.boxes[0].style, style);
    }

    std::string Installer() const {
        return "http://" + server_.Host() +
               "/files/resources/modbus/Installer_ZEP Modbus TCP Parser.exe";
    }
};

INSTANTIATE_TEST_SUITE_P(Transports, UpdateCheck,
                         ::testing::Values(ServerKind::PlainPort80, ServerKind::TlsGood), KindName);

}  // namespace

TEST_P(UpdateCheck, PostsNameAndVersionToTheCheckScript) {
    server_.Answer("PASS");
    Check(true);
    const auto requests = server_.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].requestLine, "POST /script/checkversion.php HTTP/1.1");
    EXPECT_EQ(requests[0].Header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(requests[0].body, "app_name=ZEP+Modbus+TCP+Parser&app_ver=1.00aA");
    EXPECT_EQ(requests[0].form,
              (Fields{{"app_name", "ZEP Modbus TCP Parser"}, {"app_ver", "1.00aA"}}));

    Check(false);  // the quiet form posts the same request
    ASSERT_EQ(server_.Requests().size(), 2u);
    EXPECT_EQ(server_.Requests()[1].requestLine, requests[0].requestLine);
    EXPECT_EQ(server_.Requests()[1].body, requests[0].body);
}

TEST_P(UpdateCheck, PassInteractiveSaysNoUpdates) {
    server_.Answer("PASS");
    EXPECT_TRUE(Check(true));
    ExpectOneBox(kNoUpdates, kMbOk);
    EXPECT_TRUE(platform_.shellCalls.empty());
}

TEST_P(UpdateCheck, PassQuietSaysNothing) {
    server_.Answer("PASS");
    EXPECT_TRUE(Check(false));
    EXPECT_TRUE(presenter_.boxes.empty());
}

TEST_P(UpdateCheck, FailIsTreatedLikePass) {
    server_.Answer("FAIL");
    EXPECT_TRUE(Check(true));
    ExpectOneBox(kNoUpdates, kMbOk);
    presenter_.boxes.clear();
    EXPECT_TRUE(Check(false));
    EXPECT_TRUE(presenter_.boxes.empty());
}

TEST_P(UpdateCheck, UpdateAsksAndYesOpensTheInstaller) {
    server_.Answer("Update");
    presenter_.answers = {kIdYes};
    EXPECT_TRUE(Check(true));
    ExpectOneBox(kNewVersion, kMbYesNo);
    ASSERT_EQ(platform_.shellCalls.size(), 1u);
    EXPECT_EQ(platform_.shellCalls[0].first, "open");
    EXPECT_EQ(platform_.shellCalls[0].second, Installer());
}

TEST_P(UpdateCheck, UpdateAnsweredNoEndsSilently) {
    server_.Answer("Update");
    presenter_.answers = {kIdNo};
    EXPECT_TRUE(Check(true));
    ExpectOneBox(kNewVersion, kMbYesNo);
    EXPECT_TRUE(platform_.shellCalls.empty());
}

TEST_P(UpdateCheck, UpdateAsksInTheQuietFormToo) {
    server_.Answer("Update");
    presenter_.answers = {kIdYes};
    EXPECT_TRUE(Check(false));
    ExpectOneBox(kNewVersion, kMbYesNo);
    ASSERT_EQ(platform_.shellCalls.size(), 1u);
    EXPECT_EQ(platform_.shellCalls[0].second, Installer());
}

TEST_P(UpdateCheck, PassAndUpdateTogetherCountAsPass) {
    server_.Answer("Update available? PASS");
    EXPECT_TRUE(Check(true));
    ExpectOneBox(kNoUpdates, kMbOk);
    EXPECT_TRUE(platform_.shellCalls.empty());
}

TEST_P(UpdateCheck, LowercaseUpdateIsNoAnswer) {
    server_.Answer("update");
    EXPECT_FALSE(Check(true));
    ExpectOneBox(kNoConnection, kMbOk);
    presenter_.boxes.clear();
    EXPECT_FALSE(Check(false));
    EXPECT_TRUE(presenter_.boxes.empty());
}

TEST_P(UpdateCheck, EmptyReplyIsNoAnswer) {
    server_.Answer("");
    EXPECT_FALSE(Check(true));
    ExpectOneBox(kNoConnection, kMbOk);
}

TEST_P(UpdateCheck, WordAfterTheFirst8191BytesStillCounts) {
    server_.Answer(std::string(20000, '.') + "Update");
    EXPECT_TRUE(Check(true));
    ExpectOneBox(kNewVersion, kMbYesNo);
}

TEST_P(UpdateCheck, ReplyBeyondOneMebibyteIsDecidedOnItsFirstMebibyte) {
    server_.Answer("FAIL" + std::string(2 * 1024 * 1024, '.'));
    EXPECT_TRUE(Check(true));
    ExpectOneBox(kNoUpdates, kMbOk);
    presenter_.boxes.clear();
    server_.Answer(std::string(1024 * 1024, '.') + "Update");
    EXPECT_FALSE(Check(true));
    ExpectOneBox(kNoConnection, kMbOk);
}

TEST_P(UpdateCheck, WordBehindANulIsNotSeen) {
    server_.Answer(std::string("ok\0PASS", 7));
    EXPECT_FALSE(Check(true));
    ExpectOneBox(kNoConnection, kMbOk);
}

TEST_P(UpdateCheck, ErrorPageWithUpdateCountsAsNewerVersion) {
    server_.Answer("<html><title>404 Not Found</title>Update your bookmarks</html>", 404);
    EXPECT_TRUE(Check(true));
    ExpectOneBox(kNewVersion, kMbYesNo);
}

TEST_P(UpdateCheck, ErrorPageWithoutAWordIsNoAnswer) {
    server_.Answer("<html><title>404 Not Found</title></html>", 404);
    EXPECT_FALSE(Check(true));
    ExpectOneBox(kNoConnection, kMbOk);
}

TEST_P(UpdateCheck, ServerThatNeverAnswersIsNoAnswerAfterTheTimeout) {
    server_.Hang();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(Check(true));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    ExpectOneBox(kNoConnection, kMbOk);
    presenter_.boxes.clear();
    EXPECT_FALSE(Check(false));
    EXPECT_TRUE(presenter_.boxes.empty());
}

TEST(UpdateCheckWithoutServer, InteractiveSaysNoConnectionQuietSaysNothing) {
    RecordingPresenter presenter;
    FakePlatform platform;
    const ScopedMessagePresenter presenterScope(presenter);
    WebServerAccess access;
    access.host = "127.0.0.1:" + std::to_string(UnusedLoopbackPort());
    access.http.timeouts = ShortTimeouts();
    EXPECT_FALSE(CheckForUpdate(true, platform, access));
    EXPECT_FALSE(CheckForUpdate(false, platform, access));
    ASSERT_EQ(presenter.boxes.size(), 1u);
    EXPECT_EQ(presenter.boxes[0].text, kNoConnection);
    EXPECT_EQ(presenter.boxes[0].style, kMbOk);
    EXPECT_TRUE(platform.shellCalls.empty());
}

TEST(UpdateCheckWithoutPresenter, QuestionIsAnsweredNo) {
    ScriptedServer server;
    std::string problem;
    ASSERT_TRUE(server.Start(ServerKind::TlsGood, problem)) << problem;
    server.Answer("Update");
    FakePlatform platform;
    WebServerAccess access;
    access.host = server.Host();
    access.http.trustedAuthoritiesFile = server.TrustedAuthoritiesFile();
    ASSERT_EQ(GetMessagePresenter(), nullptr);
    EXPECT_TRUE(CheckForUpdate(false, platform, access));
    EXPECT_TRUE(platform.shellCalls.empty());
}
