// zep-modbus-parser --check-update and --send-feedback.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_main.h"
#include "cli/cli_options.h"
#include "tests/web/web_test_support.h"

TEST(CliWebOptions, CheckUpdate) {
    const CliOptions options = ParseCommandLine({"--check-update"});
    EXPECT_EQ(options.command, CliCommand::CheckUpdate);
    EXPECT_EQ(options.webHost, "");
    const CliOptions answered = ParseCommandLine({"--yes", "--check-update", "--web-host", "h:81"});
    EXPECT_EQ(answered.command, CliCommand::CheckUpdate);
    EXPECT_EQ(answered.answer, CliAnswer::Yes);
    EXPECT_EQ(answered.webHost, "h:81");
}

TEST(CliWebOptions, SendFeedback) {
    const CliOptions options = ParseCommandLine({"--send-feedback", "a&b = c"});
    EXPECT_EQ(options.command, CliCommand::SendFeedback);
    EXPECT_EQ(options.feedbackText, "a&b = c");
    EXPECT_EQ(ParseCommandLine({"--send-feedback", ""}).command, CliCommand::SendFeedback);
}

TEST(CliWebOptions, UsageErrors) {
    EXPECT_EQ(ParseCommandLine({"--send-feedback"}).command, CliCommand::UsageError);
    EXPECT_EQ(ParseCommandLine({"--check-update", "--web-host"}).command, CliCommand::UsageError);
    EXPECT_EQ(ParseCommandLine({"--check-update", "capture.pcap"}).command, CliCommand::UsageError);
    EXPECT_EQ(ParseCommandLine({"--check-update", "--send-feedback", "x"}).command,
              CliCommand::UsageError);
    EXPECT_EQ(ParseCommandLine({"--send-feedback", "x", "--check-update"}).command,
              CliCommand::UsageError);
}

TEST(CliWebOptions, UsageNamesTheWebCommands) {
    const std::string usage = UsageText();
    EXPECT_NE(usage.find("--check-update"), std::string::npos);
    EXPECT_NE(usage.find("--send-feedback=TEXT"), std::string::npos);
    EXPECT_NE(usage.find("--web-host=HOST"), std::string::npos);
}

namespace {

// The command line against a plain server on port 80, as the maker's server would be reached.
class CliWebCommands : public ::testing::Test, protected ServerFixture {
protected:
    void SetUp() override { StartServer(ServerKind::PlainPort80); }
    void TearDown() override { StopServer(); }

    int Run(std::vector<std::string> arguments) {
        arguments.push_back("--web-host");
        arguments.push_back(server_.Host());
        return RunCommandLine(arguments, {in_, out_, err_, false, false}, platform_);
    }

    std::istringstream in_;
    std::ostringstream out_;
    std::ostringstream err_;
};

}  // namespace

TEST_F(CliWebCommands, PassPrintsNoUpdatesAndSucceeds) {
    server_.Answer("PASS");
    EXPECT_EQ(Run({"--check-update"}), 0);
    EXPECT_EQ(err_.str(), "No updates available \n[OK]\n\n");
    EXPECT_EQ(server_.Requests().size(), 1u);
}

TEST_F(CliWebCommands, UpdateAsksAndYesOpensTheInstaller) {
    server_.Answer("Update");
    EXPECT_EQ(Run({"--yes", "--check-update"}), 0);
    EXPECT_EQ(err_.str(),
              "There is a new version of this application available.\nWould you like to "
              "download the new version?\n[Yes]\n\n");
    ASSERT_EQ(platform_.shellCalls.size(), 1u);
    EXPECT_EQ(
        platform_.shellCalls[0].second,
        "http://" + server_.Host() + "/files/resources/modbus/Installer_ZEP Modbus TCP Parser.exe");
}

TEST_F(CliWebCommands, NoWordPrintsNoConnectionAndFails) {
    server_.Answer("update");
    EXPECT_EQ(Run({"--check-update"}), 1);
    EXPECT_EQ(err_.str(),
              "We could not connect to our servers.\nOur servers could be down or \nYou might "
              "not have a connection to the internet at this moment, please check your "
              "connection and try again.\n[OK]\n\n");
}

TEST_F(CliWebCommands, FeedbackSentWithProductIdentityAndBuildNote) {
    server_.Answer("PASS");
    EXPECT_EQ(Run({"--send-feedback", "Nice tool & thanks"}), 0);
    EXPECT_EQ(err_.str(), "Your message has been sent successfully\nThank you.\n[OK]\n\n");
    const auto requests = server_.Requests();
    ASSERT_EQ(requests.size(), 1u);
    ASSERT_EQ(requests[0].form.size(), 4u);
    EXPECT_EQ(requests[0].form[0],
              (std::pair<std::string, std::string>{"Product", "ZEP Modbus TCP Parser"}));
    EXPECT_EQ(requests[0].form[1], (std::pair<std::string, std::string>{"ProductV", "1.00aA"}));
    EXPECT_EQ(requests[0].form[2],
              (std::pair<std::string, std::string>{"Msg", "Nice tool & thanks"}));
    EXPECT_EQ(requests[0].form[3].first, "Notes");
    EXPECT_EQ(requests[0].form[3].second.rfind("Last Compile date: ", 0), 0u);
}

TEST_F(CliWebCommands, EmptyFeedbackIsRefused) {
    EXPECT_EQ(Run({"--send-feedback", ""}), 1);
    EXPECT_EQ(err_.str(),
              "No message to send. \nPlease enter some text in to the message field \n[OK]\n\n");
    EXPECT_TRUE(server_.Requests().empty());
}

TEST(CliWebCommandsWithoutServer, NoConnectionAndFailure) {
    std::istringstream in;
    std::ostringstream out;
    std::ostringstream err;
    FakePlatform platform;
    const std::string host = "127.0.0.1:" + std::to_string(UnusedLoopbackPort());
    EXPECT_EQ(RunCommandLine({"--check-update", "--web-host", host}, {in, out, err, false, false},
                             platform),
              1);
    EXPECT_EQ(err.str().rfind("We could not connect to our servers.\n", 0), 0u);
}
