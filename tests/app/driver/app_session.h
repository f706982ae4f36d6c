#pragma once
// One run of the program under test: started in its own working directory, found on the
// screen, and expected to end by its own close command.

#include <windows.h>

#include <string>

class AppSession {
public:
    // Starts the program in `workDirectory` and waits for its main dialog.
    explicit AppSession(const std::string& workDirectory);
    ~AppSession();
    AppSession(const AppSession&) = delete;
    AppSession& operator=(const AppSession&) = delete;

    HWND MainDialog() const { return mainDialog_; }
    DWORD ProcessId() const { return process_.dwProcessId; }
    const std::string& WorkDirectory() const { return workDirectory_; }

    // Waits until the start-up step has run: the check box shows the loaded setting and no
    // box of the start-up check is open. Returns the check box state.
    bool WaitForStartupStep(bool expectChecked);

    // Waits for the process to end by itself; false (and the process is stopped) if it does not.
    bool WaitForExit(int milliseconds = 15000);

    // The About box of this process, if one is shown.
    HWND FindAboutBox() const;
    HWND WaitForAboutBox(int milliseconds = 15000) const;

private:
    std::string workDirectory_;
    PROCESS_INFORMATION process_ = {};
    HWND mainDialog_ = nullptr;
    bool ended_ = false;
};
