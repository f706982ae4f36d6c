#pragma once
// The files the driver shares with the program under test and with the test run around it:
// the program's working directory, the test web server's replies and request log, the log of
// addresses handed to the browser, and screenshot requests.

#include <windows.h>

#include <string>
#include <vector>

// Where things are, from the command line (Windows paths).
struct DriverSettings {
    std::string program;         // "ZEP Modbus TCP Parser.exe"
    std::string cliProgram;      // the command-line program of the same build
    std::string workRoot;        // scenarios make their working directories under it
    std::string serverDir;       // the test web server's replies and request log
    std::string browserLog;      // one address per line, as the browser was asked to open them
    std::string shotDir;         // screenshot requests and pictures
    std::string captureDir;      // the captures made for the tests
    std::string exampleCapture;  // the example capture of the repository
    std::string makerHost;       // the maker's web host the program was built with
    std::string supportEmail;    // the technical-support address the program was built with
    std::string timedCapture;    // the capture that time-analysis runs
    std::string timeLimit;       // seconds after which time-analysis stops a run
};
DriverSettings& Settings();

bool FileExists(const std::string& path);
bool ReadWholeFile(const std::string& path, std::string& content);
std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& content);
void RemoveFile(const std::string& path);
std::string JoinPath(const std::string& directory, const std::string& name);
// An empty directory of that name under the work root, made afresh.
std::string FreshWorkDirectory(const std::string& name);
std::string FullPath(const std::string& path);

// The body the test web server answers a script with ("checkversion" or "sendfeedback"); an
// absent reply makes it answer 404 with an empty body.
void SetServerReply(const std::string& script, const std::string& body);
void RemoveServerReply(const std::string& script);
// The requests received so far: "POST /script/checkversion.php" then, tab-separated, each form
// field as name=value with CR, LF, TAB and backslash escaped.
std::vector<std::string> ServerRequests();
void ClearServerRequests();

// The addresses handed to the browser so far, percent-decoded.
std::vector<std::string> BrowserAddresses();
void ClearBrowserAddresses();

// Asks the test run for a screenshot of a screen rectangle, saved as <name>.png in the shot
// directory; waits until it has been taken.
bool TakeScreenshot(const std::string& name, const RECT& screenRect);
