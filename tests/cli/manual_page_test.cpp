// The manual page and the bash completion that this build installs list the same options as
// its --help.

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sstream>

#include "cli/cli_options.h"
#include "tests/support/pcap_builder.h"

namespace {

// "  -o, --output=FILE    write ..." -> "-o, --output=FILE"; the option lines of --help are
// those that start, after at most six blanks, with "-".
std::set<std::string> HelpOptionEntries() {
    std::set<std::string> entries;
    std::istringstream help(UsageText());
    std::string line;
    while (std::getline(help, line)) {
        const size_t start = line.find_first_not_of(' ');
        if (start == std::string::npos || start > 6 || line[start] != '-') {
            continue;
        }
        entries.insert(line.substr(start, line.find("  ", start) - start));
    }
    return entries;
}

// The roff text as it prints: "\-" is a minus, font changes disappear.
std::string PlainRoff(const std::string& line) {
    return std::regex_replace(std::regex_replace(line, std::regex(R"(\\f[BIRP])"), ""),
                              std::regex(R"(\\-)"), "-");
}

// The tag line of every ".TP" entry that names an option.
std::set<std::string> ManualOptionEntries(const std::string& page) {
    std::set<std::string> entries;
    std::istringstream lines(page);
    std::string line;
    bool tagNext = false;
    while (std::getline(lines, line)) {
        if (tagNext && line.rfind("\\f", 0) == 0) {
            const std::string plain = PlainRoff(line);
            if (plain.rfind("-", 0) == 0) {
                entries.insert(plain);
            }
        }
        tagNext = line == ".TP";
    }
    return entries;
}

// "-o, --output=FILE" -> {"-o", "--output"}.
std::set<std::string> OptionNames(const std::set<std::string>& entries) {
    std::set<std::string> names;
    const std::regex name(R"(--?[A-Za-z][-A-Za-z]*)");
    for (const std::string& entry : entries) {
        for (std::sregex_iterator it(entry.begin(), entry.end(), name), end; it != end; ++it) {
            names.insert(it->str());
        }
    }
    return names;
}

std::set<std::string> CompletionWords(const std::string& script) {
    std::set<std::string> words;
    const std::regex list(R"(options\+?="([^"]*)\")");
    for (std::sregex_iterator it(script.begin(), script.end(), list), end; it != end; ++it) {
        std::istringstream split((*it)[1].str());
        for (std::string word; split >> word;) {
            words.insert(word);
        }
    }
    return words;
}

}  // namespace

TEST(ManualPage, ListsTheOptionsOfHelp) {
    const std::set<std::string> help = HelpOptionEntries();
    ASSERT_GE(help.size(), 9u);
    EXPECT_TRUE(help.count("-o, --output=FILE"));
    EXPECT_EQ(ManualOptionEntries(ReadFileText(ZEP_BUILT_MANUAL_PAGE)), help);
}

TEST(ManualPage, CompletionOffersTheOptionsOfHelp) {
    const std::set<std::string> names = OptionNames(HelpOptionEntries());
    EXPECT_TRUE(names.count("--quiet"));
    EXPECT_EQ(names.count("--check-update"), ZEP_WITH_WEB ? 1u : 0u);
    EXPECT_EQ(CompletionWords(ReadFileText(ZEP_BUILT_COMPLETION)), names);
}

namespace {

// The statuses that --help names after "Exit status:": every number that opens a phrase
// ("0 analysis completed, 1 ...").
std::set<std::string> HelpExitStatuses() {
    const std::string help = UsageText();
    const size_t start = help.find("Exit status:");
    std::set<std::string> statuses;
    if (start == std::string::npos) {
        return statuses;
    }
    const std::string part = help.substr(start, help.find("\nWith ", start) - start);
    const std::regex status(R"((?:: |, |\n)(\d+) )");
    for (std::sregex_iterator it(part.begin(), part.end(), status), end; it != end; ++it) {
        statuses.insert((*it)[1].str());
    }
    return statuses;
}

// The ".B N" tags of the manual's EXIT STATUS section.
std::set<std::string> ManualExitStatuses(const std::string& page) {
    std::set<std::string> statuses;
    std::istringstream lines(page);
    std::string line;
    bool inSection = false;
    while (std::getline(lines, line)) {
        if (line.rfind(".SH", 0) == 0) {
            inSection = line == ".SH EXIT STATUS";
        } else if (inSection && line.rfind(".B ", 0) == 0) {
            statuses.insert(line.substr(3));
        }
    }
    return statuses;
}

}  // namespace

TEST(ManualPage, ListsTheExitStatusesOfHelp) {
    const std::set<std::string> expected = {"0", "1", "2", "130"};
    EXPECT_EQ(HelpExitStatuses(), expected);
    EXPECT_NE(UsageText().find("130 interrupted"), std::string::npos);
    EXPECT_EQ(ManualExitStatuses(ReadFileText(ZEP_BUILT_MANUAL_PAGE)), expected);
}
