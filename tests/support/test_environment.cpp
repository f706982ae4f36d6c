#include "tests/support/test_environment.h"

#include <atomic>
#include <filesystem>

#include "common/logging.h"

namespace fs = std::filesystem;

int RecordingPresenter::Present(const std::string& text, int style) {
    boxes.push_back({text, style});
    if (style != kMbYesNo) {
        return kIdOk;
    }
    if (answers.empty()) {
        return kIdNo;
    }
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

bool FakePlatform::QueryFreeBytes(const std::string& directory, uint64_t& bytes) {
    queriedDirectories.push_back(directory);
    bytes = freeBytes;
    return freeSpaceKnown;
}

bool FakePlatform::OpenInShell(const std::string& verb, const std::string& target) {
    shellCalls.emplace_back(verb, target);
    return true;
}

void FakeHost::SetBusy(bool busy) {
    // The dialog's mapping: results box (1000) and Analyze button (3).
    for (const char* control : {"1000", "3"}) {
        controlEvents.push_back((busy ? "disable " : "enable ") + std::string(control));
    }
}

AnalysisResult RunAnalysis(FakeHost& host, PlatformServices& platform) {
    AnalysisRequest request;
    request.inputPaths = {host.inputPath};
    request.options = host.options;
    return RunAnalysis(request, host, platform);
}

AnalysisResult RunAnalysisOf(const std::string& capture, const AnalysisOptions& options) {
    FakeHost host;
    FakePlatform platform;
    host.inputPath = capture;
    host.options = options;
    return RunAnalysis(host, platform);
}

void InTempDirectory::SetUp() {
    static std::atomic<int> counter{0};
    previousDirectory_ = fs::current_path().string();
    const fs::path base = fs::temp_directory_path() / "zep-modbus-tests";
    const std::string name =
        std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
        std::to_string(counter++);
    fs::path dir = base / (std::to_string(static_cast<long long>(
                               fs::file_time_type::clock::now().time_since_epoch().count())) +
                           "-" + name);
    fs::create_directories(dir);
    directory_ = dir.string();
    fs::current_path(dir);
    SetDebugLogEnabled(false);
}

void InTempDirectory::TearDown() {
    SetDebugLogEnabled(false);
    fs::current_path(previousDirectory_);
    std::error_code error;
    fs::remove_all(directory_, error);
}

std::string Crlf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}
