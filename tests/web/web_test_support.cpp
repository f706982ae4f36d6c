#include "tests/web/web_test_support.h"

#include <ostream>
#include <sstream>

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

bool RecordingPlatform::QueryFreeBytes(const std::string& /*directory*/, uint64_t& freeBytes) {
    freeBytes = 0;
    return false;
}

bool RecordingPlatform::OpenInShell(const std::string& verb, const std::string& target) {
    shellCalls.emplace_back(verb, target);
    return true;
}

void ServerFixture::StartServer(ServerKind kind) {
    std::string problem;
    if (server_.Start(kind, problem)) {
        SetMessagePresenter(&presenter_);
        return;
    }
    if (kind == ServerKind::PlainPort80) {
        // Port 80 needs privileges that a test run may not have; the TLS runs still cover the
        // same behaviour.
        GTEST_SKIP() << "plain HTTP on port 80 cannot run here: " << problem;
    }
    FAIL() << "the test server did not start: " << problem;
}

void ServerFixture::StopServer() {
    SetMessagePresenter(nullptr);
    server_.Stop();
}

WebServerAccess ServerFixture::Access() const {
    WebServerAccess access;
    access.host = server_.Host();
    access.http.trustedAuthoritiesFile = server_.TrustedAuthoritiesFile();
    access.http.timeoutMs = 1000;
    return access;
}

std::string KindName(const ::testing::TestParamInfo<ServerKind>& info) {
    std::ostringstream name;
    PrintTo(info.param, &name);
    return name.str();
}

void PrintTo(ServerKind kind, std::ostream* out) {
    *out << ServerKindName(kind);
}
