#pragma once
// Test doubles for the boxes and the shell, and a fixture with a scripted server of its own.

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "common/message_presenter.h"
#include "platform/platform_services.h"
#include "tests/web/scripted_server.h"
#include "web/web_server_access.h"

// Records every box; questions are answered from `answers` (No when it is empty).
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

// Records what is handed to the shell.
class RecordingPlatform : public PlatformServices {
public:
    bool QueryFreeBytes(const std::string& directory, uint64_t& freeBytes) override;
    bool OpenInShell(const std::string& verb, const std::string& target) override;

    std::vector<std::pair<std::string, std::string>> shellCalls;
};

// Starts a server of the given kind for each test (the test is skipped where that kind cannot
// run) and installs the recording presenter.
class ServerFixture {
protected:
    // Call from SetUp: skips the test where the kind cannot run, fails it when the server does
    // not start.
    void StartServer(ServerKind kind);
    void StopServer();

    // Access to the scripted server, with a short time-out for the tests of unresponsive servers.
    WebServerAccess Access() const;

    ScriptedServer server_;
    RecordingPresenter presenter_;
    RecordingPlatform platform_;
};

// Test names for the server kinds of parameterised tests.
std::string KindName(const ::testing::TestParamInfo<ServerKind>& info);

// How GoogleTest prints a server kind.
void PrintTo(ServerKind kind, std::ostream* out);
