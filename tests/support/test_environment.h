#pragma once
// Test doubles for the run's surroundings and a fixture that works in a fresh directory.

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "analysis/analysis_host.h"
#include "analysis/analysis_run.h"
#include "common/message_presenter.h"
#include "platform/platform_services.h"

// Records every box and answers questions from a script (No when the script is empty).
class RecordingPresenter : public MessagePresenter {
public:
    struct Box {
        std::string text;
        int style;
    };
    int Present(const std::string& text, int style) override;

    std::vector<Box> boxes;
    std::deque<int> answers;
};

class FakePlatform : public PlatformServices {
public:
    bool QueryFreeBytes(const std::string& directory, uint64_t& freeBytes) override;
    bool OpenInShell(const std::string& verb, const std::string& target) override;

    bool freeSpaceKnown = true;
    uint64_t freeBytes = 1ull << 40;
    std::vector<std::string> queriedDirectories;
    std::vector<std::pair<std::string, std::string>> shellCalls;
};

inline AnalysisOptions AddressPairingOptions() {
    AnalysisOptions options;
    options.pairing = PairingMode::Address;
    return options;
}

class FakeHost : public AnalysisHost {
public:
    void SetResultsText(const std::string& text) override { resultsText = text; }
    void RefreshControls() override { ++refreshes; }
    void PumpPendingMessage() override { ++pumps; }
    void SetBusy(bool busy) override;
    void ShowWarning(const std::string& text) override { warnings.push_back(text); }
    bool StopRequested() override {
        return (stopAfterProgress && refreshes > 0) ||
               (stopAfterChecks >= 0 && stopChecks++ >= stopAfterChecks);
    }

    std::string inputPath;
    std::string resultsText;
    int refreshes = 0;
    int pumps = 0;
    // The tests written for the address pairing run it; transaction tests say so.
    AnalysisOptions options = AddressPairingOptions();
    std::vector<std::string>
        controlEvents;  // as the dialog sees them: "disable 1000", "enable 3", ...
    std::vector<std::string> progressTexts;  // results text at every refresh during the run
    std::vector<std::string> warnings;
    bool stopAfterProgress = false;  // as if Ctrl-C came once progress was shown
    int stopAfterChecks = -1;        // as if Ctrl-C came after this many records
    int stopChecks = 0;
};

// Runs the analysis of `host.inputPath` with `host.options`, the report in output.txt.
AnalysisResult RunAnalysis(FakeHost& host, PlatformServices& platform);
// Runs the analysis of one capture with `options` on a fresh host and platform.
AnalysisResult RunAnalysisOf(const std::string& capture, const AnalysisOptions& options);

// Runs each test in a new empty directory with the debug log off and a recording presenter.
class InTempDirectory : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string directory_;
    std::string previousDirectory_;
    RecordingPresenter presenter_;
    ScopedMessagePresenter presenterScope_{presenter_};
};

// "\n" -> "\r\n": how a text reaches a file written in text mode.
std::string Crlf(const std::string& text);
