// Option parsing as GNU tools do it: short and long forms, "=" and separate values, bundled
// short flags, "--", and a two-line message for every usage error.

#include <gtest/gtest.h>

#include "cli/cli_options.h"
#include "tests/cli/command_line_fixture.h"

namespace {

void ExpectAnalysis(const CliOptions& options, const std::string& directory,
                    const std::string& report, bool quiet, const std::string& capture) {
    EXPECT_EQ(options.command, CliCommand::Analyze) << options.error;
    EXPECT_EQ(options.directory, directory);
    EXPECT_EQ(options.report, report);
    EXPECT_EQ(options.quiet, quiet);
    EXPECT_EQ(options.captures, std::vector<std::string>{capture});
}

std::string ErrorOf(const std::vector<std::string>& arguments) {
    const CliOptions options = ParseCommandLine(arguments);
    EXPECT_EQ(options.command, CliCommand::UsageError);
    return options.error;
}

}  // namespace

TEST(OptionParsing, ShortLongAndEqualsFormsAgree) {
    ExpectAnalysis(ParseCommandLine({"-C", "d", "-o", "r.txt", "-q", "c.pcap"}), "d", "r.txt", true,
                   "c.pcap");
    ExpectAnalysis(ParseCommandLine({"--directory=d", "--output=r.txt", "--quiet", "c.pcap"}), "d",
                   "r.txt", true, "c.pcap");
    ExpectAnalysis(ParseCommandLine({"c.pcap", "--directory", "d", "--output", "r.txt"}), "d",
                   "r.txt", false, "c.pcap");
    // Attached values and bundled flags; a value may itself start with "-" or hold "=".
    ExpectAnalysis(ParseCommandLine({"-Cd", "-qor.txt", "c.pcap"}), "d", "r.txt", true, "c.pcap");
    ExpectAnalysis(ParseCommandLine({"-qo", "-r.txt", "c.pcap"}), "", "-r.txt", true, "c.pcap");
    ExpectAnalysis(ParseCommandLine({"--output=a=b.txt", "c.pcap"}), "", "a=b.txt", false,
                   "c.pcap");
}

TEST(OptionParsing, FlagsAndAnswers) {
    const CliOptions options = ParseCommandLine({"--force", "--debug-log", "--yes", "--yes", "c"});
    EXPECT_TRUE(options.force);
    EXPECT_TRUE(options.debugLog);
    EXPECT_EQ(options.answer, CliAnswer::Yes);
    EXPECT_EQ(ParseCommandLine({"c"}).answer, CliAnswer::Ask);
    EXPECT_FALSE(ParseCommandLine({"c"}).force);
    EXPECT_EQ(ErrorOf({"--yes", "--no", "c"}), "--yes and --no exclude each other");
}

TEST(OptionParsing, DoubleDashEndsTheOptions) {
    ExpectAnalysis(ParseCommandLine({"--", "-q"}), "", "", false, "-q");
    ExpectAnalysis(ParseCommandLine({"-q", "--", "--help"}), "", "", true, "--help");
    ExpectAnalysis(ParseCommandLine({"-"}), "", "", false, "-");  // a file named "-"
    EXPECT_EQ(ParseCommandLine({"--", "a", "-b"}).captures, (std::vector<std::string>{"a", "-b"}));
}

TEST(OptionParsing, HelpAndVersionWinOverWhatFollows) {
    EXPECT_EQ(ParseCommandLine({"-h"}).command, CliCommand::Help);
    EXPECT_EQ(ParseCommandLine({"c.pcap", "--help", "--frobnicate"}).command, CliCommand::Help);
    EXPECT_EQ(ParseCommandLine({"-V"}).command, CliCommand::Version);
    EXPECT_EQ(ParseCommandLine({"-qV"}).command, CliCommand::Version);
    // An error before them is still an error.
    EXPECT_EQ(ErrorOf({"--frobnicate", "--help"}), "unrecognized option '--frobnicate'");
}

TEST(OptionParsing, UsageErrorsSayWhatIsWrong) {
    EXPECT_EQ(ErrorOf({}), "no capture file given");
    EXPECT_EQ(ErrorOf({"a", "-"}), "standard input ('-') cannot be read together with files");
    EXPECT_EQ(ErrorOf({"-", "-"}), "standard input ('-') cannot be read together with files");
    EXPECT_EQ(ErrorOf({"--pairing=address", "a", "b"}),
              "--pairing=address reads one capture file at a time");
    EXPECT_EQ(ErrorOf({"-x", "c"}), "invalid option -- 'x'");
    EXPECT_EQ(ErrorOf({"-qx", "c"}), "invalid option -- 'x'");
    EXPECT_EQ(ErrorOf({"--out", "r", "c"}), "unrecognized option '--out'");
    EXPECT_EQ(ErrorOf({"c", "--output"}), "option '--output' requires an argument");
    EXPECT_EQ(ErrorOf({"c", "-o"}), "option requires an argument -- 'o'");
    EXPECT_EQ(ErrorOf({"--quiet=yes", "c"}), "option '--quiet' doesn't allow an argument");
    EXPECT_EQ(ErrorOf({"--output=", "c"}), "the report file name is empty");
    EXPECT_EQ(ErrorOf({"-C", "", "c"}), "the directory name is empty");
}

TEST(OptionParsing, PairingOptions) {
    const CliOptions options =
        ParseCommandLine({"--port=5020", "--port", "1502", "--response-timeout=0.25",
                          "--transactions=t", "--map", "plant.yaml", "c"});
    EXPECT_FALSE(options.addressPairing);
    EXPECT_EQ(options.ports, (std::vector<uint16_t>{5020, 1502}));
    EXPECT_EQ(options.responseTimeoutSeconds, 0.25);
    EXPECT_EQ(options.transactionLog, "t");
    EXPECT_EQ(options.map, "plant.yaml");
    EXPECT_TRUE(ParseCommandLine({"--pairing=address", "c"}).addressPairing);
    EXPECT_EQ(ErrorOf({"--pairing=poll", "c"}),
              "--pairing takes 'transaction' or 'address', not 'poll'");
    EXPECT_EQ(ErrorOf({"--port=0", "c"}), "--port takes a TCP port from 1 to 65535, not '0'");
    EXPECT_EQ(ErrorOf({"--port=502x", "c"}), "--port takes a TCP port from 1 to 65535, not '502x'");
    EXPECT_EQ(ErrorOf({"--response-timeout=-1", "c"}),
              "--response-timeout takes seconds from 0 (none) to 86400, not '-1'");
    // The address pairing reads one message per record and keeps no transactions.
    for (const char* option : {"--transactions=t", "--summary=s", "--points=p", "--suggest-map=m",
                               "--map=m", "--html=h"}) {
        EXPECT_EQ(ErrorOf({"--pairing=address", option, "c"}),
                  "--transactions, --summary, --points, --suggest-map, --html, --slow-response, "
                  "--map, --port and --response-timeout need --pairing=transaction")
            << option;
    }
    EXPECT_EQ(ErrorOf({"--slow-response=-5", "c"}),
              "--slow-response takes milliseconds from 0 to 86400000, not '-5'");
    EXPECT_EQ(ErrorOf({"--summary=", "c"}), "the summary file name is empty");
    EXPECT_EQ(ErrorOf({"--map=", "c"}), "the register map file name is empty");
    EXPECT_EQ(ErrorOf({"--suggest-map=", "c"}), "the suggested map file name is empty");
    EXPECT_EQ(ParseCommandLine({"--suggest-map", "m.yaml", "c"}).suggestMap, "m.yaml");
    // Two files cannot share standard output.
    EXPECT_EQ(ErrorOf({"-o", "-", "--summary=-", "c"}),
              "only one output can go to standard output ('-')");
    EXPECT_EQ(ErrorOf({"--points=-", "--suggest-map=-", "c"}),
              "only one output can go to standard output ('-')");
}

TEST(OptionParsing, WebCommandsOnlyInBuildsWithTheWebPart) {
    if (!ZEP_WITH_WEB) {
        EXPECT_EQ(ErrorOf({"--check-update"}), "unrecognized option '--check-update'");
        EXPECT_EQ(ErrorOf({"--send-feedback=hi"}), "unrecognized option '--send-feedback'");
        EXPECT_EQ(ErrorOf({"--web-host", "h", "c"}), "unrecognized option '--web-host'");
        return;
    }
    EXPECT_EQ(ParseCommandLine({"--check-update", "--yes"}).command, CliCommand::CheckUpdate);
    const CliOptions feedback = ParseCommandLine({"--send-feedback=hi", "--web-host", "h:81"});
    EXPECT_EQ(feedback.command, CliCommand::SendFeedback);
    EXPECT_EQ(feedback.feedbackText, "hi");
    EXPECT_EQ(feedback.webHost, "h:81");
    EXPECT_EQ(ErrorOf({"--check-update", "--send-feedback", "x"}),
              "--check-update and --send-feedback exclude each other");
    EXPECT_EQ(ErrorOf({"--check-update", "c.pcap"}),
              "--check-update and --send-feedback take no capture file");
}

TEST_F(CommandLine, UsageErrorIsOneLineAndTheHint) {
    EXPECT_EQ(Run({"--frobnicate", "capture.pcap"}), 2);
    EXPECT_EQ(err_.str(),
              "zep-modbus-parser: unrecognized option '--frobnicate'\n"
              "Try 'zep-modbus-parser --help' for more information.\n");
    EXPECT_EQ(out_.str(), "");
    EXPECT_EQ(Run({}), 2);
    EXPECT_EQ(err_.str(),
              "zep-modbus-parser: no capture file given\n"
              "Try 'zep-modbus-parser --help' for more information.\n");
}

TEST_F(CommandLine, HelpAndVersionGoToStandardOutput) {
    EXPECT_EQ(Run({"-h"}), 0);
    EXPECT_EQ(out_.str().rfind("Usage: zep-modbus-parser [OPTION]... CAPTURE...\n", 0), 0u);
    EXPECT_EQ(err_.str(), "");
    EXPECT_EQ(Run({"--version"}), 0);
    const std::string version = out_.str();
    EXPECT_EQ(version.substr(0, version.find('\n') + 1), "zep-modbus-parser 1.00aA\n");
    // The second and last line: the licence and the warranty, as GNU tools print them.
    const std::string second = version.substr(version.find('\n') + 1);
    EXPECT_EQ(second.find('\n'), second.size() - 1);
    EXPECT_NE(second.find("Licence: see NOTICE"), std::string::npos);
    EXPECT_NE(second.find("NO WARRANTY"), std::string::npos);
}

TEST(OptionParsing, LiveRunOptions) {
    const CliOptions defaults = ParseCommandLine({"c"});
    EXPECT_EQ(defaults.updateSeconds, 10);
    EXPECT_EQ(defaults.durationSeconds, 0);  // no end of its own
    const CliOptions options = ParseCommandLine({"--update=2.5", "--duration", "604800", "c"});
    EXPECT_EQ(options.updateSeconds, 2.5);
    EXPECT_EQ(options.durationSeconds, 604800);  // a week
    // The views are refreshed once a second: a shorter interval is refused, not silently longer.
    EXPECT_EQ(ErrorOf({"--update=0.5", "c"}), "--update takes seconds from 1 to 86400, not '0.5'");
    EXPECT_EQ(ErrorOf({"--update=", "c"}), "--update takes seconds from 1 to 86400, not ''");
    EXPECT_EQ(ErrorOf({"--duration=0", "c"}),
              "--duration takes seconds above 0, up to 2678400 (31 days), not '0'");
    EXPECT_EQ(ErrorOf({"--duration=1h", "c"}),
              "--duration takes seconds above 0, up to 2678400 (31 days), not '1h'");
}

TEST(OptionParsing, TopKeepsStandardOutputToItself) {
    EXPECT_TRUE(ParseCommandLine({"--top", "c"}).top);
    EXPECT_EQ(ErrorOf({"--top", "-o", "-", "c"}),
              "--top draws on standard output: no output can go there ('-')");
    EXPECT_EQ(ErrorOf({"--top", "--summary=-", "c"}),
              "--top draws on standard output: no output can go there ('-')");
    EXPECT_EQ(ErrorOf({"--top", "--pairing=address", "c"}), "--top needs --pairing=transaction");
}
