#include "tests/web/web_test_support.h"

#include <ostream>
#include <sstream>

void ServerFixture::StartServer(ServerKind kind) {
    std::string problem;
    if (server_.Start(kind, problem)) {
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
    server_.Stop();
}

WebServerAccess ServerFixture::Access() const {
    WebServerAccess access;
    access.host = server_.Host();
    access.http.trustedAuthoritiesFile = server_.TrustedAuthoritiesFile();
    access.http.timeouts = ShortTimeouts();
    return access;
}

HttpTimeouts ShortTimeouts() {
    HttpTimeouts timeouts;
    timeouts.stallMs = 300;
    timeouts.overallMs = 3000;
    return timeouts;
}

std::string KindName(const ::testing::TestParamInfo<ServerKind>& info) {
    std::ostringstream name;
    PrintTo(info.param, &name);
    return name.str();
}

void PrintTo(ServerKind kind, std::ostream* out) {
    *out << ServerKindName(kind);
}
