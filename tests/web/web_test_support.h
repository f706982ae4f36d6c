#pragma once
// A fixture with a scripted server of its own, for the web tests.

#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_environment.h"
#include "tests/web/scripted_server.h"
#include "web/web_server_access.h"

// Starts a server of the given kind for each test (the test is skipped where that kind cannot
// run); the recording presenter is installed for the life of the test.
class ServerFixture {
protected:
    // Call from SetUp: skips the test where the kind cannot run, fails it when the server does
    // not start.
    void StartServer(ServerKind kind);
    void StopServer();

    // Access to the scripted server, with the short time-outs.
    WebServerAccess Access() const;

    ScriptedServer server_;
    RecordingPresenter presenter_;
    ScopedMessagePresenter presenterScope_{presenter_};
    FakePlatform platform_;
};

// Time-outs that keep the tests of unresponsive servers short: a stall gives up after 300 ms, a
// whole request (well past what a responsive test server needs) after 3 s.
HttpTimeouts ShortTimeouts();

// Test names for the server kinds of parameterised tests.
std::string KindName(const ::testing::TestParamInfo<ServerKind>& info);

// How GoogleTest prints a server kind.
void PrintTo(ServerKind kind, std::ostream* out);
