#include "tests/app/driver/app_session.h"

#include "tests/app/driver/checks.h"
#include "tests/app/driver/remote_window.h"
#include "tests/app/driver/test_files.h"

namespace {
constexpr int kResultsBox = 1000;
constexpr int kAutoUpdateBox = 1023;

HWND FindMainDialog(DWORD processId) {
    for (HWND window : TopLevelWindows(processId)) {
        if (ClassNameOf(window) == "#32770" && GetDlgItem(window, kResultsBox) != nullptr &&
            GetDlgItem(window, kAutoUpdateBox) != nullptr) {
            return window;
        }
    }
    return nullptr;
}
}  // namespace

AppSession::AppSession(const std::string& workDirectory) : workDirectory_(workDirectory) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    std::string commandLine = "\"" + Settings().program + "\"";
    if (!CreateProcessA(Settings().program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0,
                        nullptr, workDirectory.c_str(), &startup, &process_)) {
        Fail("cannot start " + Settings().program);
    }
    WaitForInputIdle(process_.hProcess, 20000);
    if (!WaitUntil([&] { return (mainDialog_ = FindMainDialog(process_.dwProcessId)) != nullptr; },
                   30000)) {
        Fail("the main dialog did not appear");
    }
}

AppSession::~AppSession() {
    if (!ended_) {
        TerminateProcess(process_.hProcess, 1);
        WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

bool AppSession::WaitForStartupStep(bool expectChecked) {
    const bool reached = WaitUntil([&] {
        return (CheckStateOf(mainDialog_, kAutoUpdateBox) == BST_CHECKED) == expectChecked;
    });
    return reached;
}

bool AppSession::WaitForExit(int milliseconds) {
    if (WaitForSingleObject(process_.hProcess, static_cast<DWORD>(milliseconds)) == WAIT_OBJECT_0) {
        ended_ = true;
        return true;
    }
    return false;
}

HWND AppSession::FindAboutBox() const {
    for (HWND window : TopLevelWindows(process_.dwProcessId)) {
        if (ClassNameOf(window) == "#32770" && TextOf(window) == "About ZEP Modbus TCP Parser") {
            return window;
        }
    }
    return nullptr;
}

HWND AppSession::WaitForAboutBox(int milliseconds) const {
    HWND box = nullptr;
    WaitUntil([&] { return (box = FindAboutBox()) != nullptr; }, milliseconds);
    return box;
}
