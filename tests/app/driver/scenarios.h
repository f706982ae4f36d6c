#pragma once
// The scenarios the driver runs, one program run (or a few) each, and the steps they share.

#include <windows.h>

#include <string>
#include <vector>

#include "tests/app/driver/app_session.h"
#include "tests/app/driver/remote_window.h"

// Control ids of the main dialog and the About box, as the program's resources define them.
namespace ids {
constexpr int kAnalyze = 3;
constexpr int kExit = 4;
constexpr int kResults = 1000;
constexpr int kInputPath = 1001;
constexpr int kBrowse = 1002;
constexpr int kInstructions = 1003;
constexpr int kAbout = 1016;
constexpr int kLogo = 1018;
constexpr int kCheckUpdates = 1021;
constexpr int kAutoUpdate = 1023;
constexpr int kCopy = 1024;
constexpr int kMenuAbout = 32771;
constexpr int kMenuHelp = 32772;
constexpr int kMenuExit = 32773;

constexpr int kSend = 1004;
constexpr int kFeedback = 1003;
constexpr int kWebLink = 1001;
constexpr int kAboutExit = 1017;
constexpr int kVersionInfo = 1002;
constexpr int kAboutLogo = 1018;
}  // namespace ids

// One control of a dialog template.
struct ExpectedControl {
    int id;
    const char* className;
    const char* text;  // nullptr: not compared (edit boxes, pictures)
    int x, y, width, height;
    LONG style;
};

// Compares the children of `dialog` with `expectedControls`: order, ids, classes, texts, styles and
// positions (dialog units scaled by the dialog's client size, `unitsWide` x `unitsHigh`). The
// control `ownerDrawnId` is expected to have been made owner-drawn.
void ExpectControls(HWND dialog, const std::vector<ExpectedControl>& expectedControls,
                    int unitsWide, int unitsHigh, const std::string& what, int ownerDrawnId);

void ScenarioLayout();
void ScenarioSettings();
void ScenarioUpdates();
void ScenarioAnalysis();
void ScenarioAbout();
void ScenarioLink();
void ScenarioMenus();
void ScenarioResources();
// Not a test: times one analysis run (settings capture= and time-limit=, in seconds).
void ScenarioTimeAnalysis();

// Writes settings.ini into `directory` (nothing when `content` is empty).
void PrepareSettings(const std::string& directory, const std::string& content);
// Expects a message box with exactly `text`, captioned with the application title, with the
// buttons of `style` (MB_OK or MB_YESNO), and answers it with `answer`.
void ExpectMessageBox(const AppSession& session, const std::string& text, UINT style, int answer,
                      const std::string& what, HWND expectedOwner = nullptr);
// Expects that no message box comes up within `milliseconds`.
void ExpectNoMessageBox(const AppSession& session, int milliseconds, const std::string& what);
// Closes the program with its Exit button and expects it to end.
void CloseWithExitButton(AppSession& session);
void ExpectProgramEnds(AppSession& session, const std::string& how);
void ExpectSettingsFile(const std::string& directory, const std::string& expected,
                        const std::string& what);
// The maker's home page as this build addresses it.
std::string HomePage();
// Expects exactly these addresses to have been handed to the browser since the last clear.
void ExpectBrowserAddresses(const std::vector<std::string>& expected, const std::string& what);
