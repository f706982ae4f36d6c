// The Analyze command from the dialog: its preconditions and messages, Browse, a full run with
// its summary and report, the earlier-report question, Copy to clipboard, and the dialog while
// a long run goes on.

#include <cctype>
#include <vector>

#include "tests/app/driver/checks.h"
#include "tests/app/driver/expected_texts.h"
#include "tests/app/driver/scenarios.h"
#include "tests/app/driver/test_files.h"

namespace {

std::string Capture(const std::string& name) {
    return JoinPath(Settings().captureDir, name);
}

std::string ClipboardText() {
    std::string text = "<no text on the clipboard>";
    for (int attempt = 0; attempt < 50 && !OpenClipboard(nullptr); ++attempt) {
        Sleep(20);
    }
    HANDLE data = GetClipboardData(CF_TEXT);
    if (data != nullptr) {
        const char* bytes = static_cast<const char*>(GlobalLock(data));
        if (bytes != nullptr) {
            text = bytes;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

int CountOf(const std::string& text, const std::string& part) {
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// Chooses `path` in the file-open dialog that Browse brings up (or cancels it).
void BrowseFor(AppSession& session, const std::string& path, bool cancel) {
    HWND main = session.MainDialog();
    ClickControl(main, ids::kBrowse);
    HWND fileDialog = nullptr;
    WaitUntil([&] {
        for (HWND window : TopLevelWindows(session.ProcessId())) {
            if (window != main && ClassNameOf(window) == "#32770" && TextOf(window) == "Open") {
                fileDialog = window;
                return true;
            }
        }
        return false;
    });
    if (fileDialog == nullptr) {
        Fail("Browse: no file-open dialog came up");
    }
    Expect(GetWindow(fileDialog, GW_OWNER) == main,
           "Browse: the file dialog belongs to the main dialog");
    if (cancel) {
        Click(GetDlgItem(fileDialog, IDCANCEL));
    } else {
        // The file name box of the explorer-style dialog.
        SetControlText(fileDialog, 0x047C, path);
        Click(GetDlgItem(fileDialog, IDOK));
    }
    if (!WaitUntil([&] { return !IsWindow(fileDialog); })) {
        Fail("Browse: the file dialog did not close");
    }
}

void ExpectControlsEnabled(HWND main, bool enabled, const std::string& what) {
    Expect((IsWindowEnabled(GetDlgItem(main, ids::kAnalyze)) != FALSE) == enabled,
           what + ": Analyze button " + (enabled ? "enabled" : "disabled"));
    Expect((IsWindowEnabled(GetDlgItem(main, ids::kResults)) != FALSE) == enabled,
           what + ": results box " + (enabled ? "enabled" : "disabled"));
}

// A run over `capture` (typed into the path box unless empty) that completes: the final question
// names `messages`, the results box shows the summary, output.txt is written into
// `reportDirectory` (the current directory) with CR LF line ends.
void ExpectCompletedRun(AppSession& session, const std::string& capture,
                        const std::string& reportDirectory, int records, int messages, int ignored,
                        const std::vector<int>& blocks, const std::string& what) {
    HWND main = session.MainDialog();
    if (!capture.empty()) {
        SetControlText(main, ids::kInputPath, capture);
    }
    ClickControl(main, ids::kAnalyze);
    const std::string report = JoinPath(reportDirectory, "output.txt");
    std::string summary =
        expected::Format(expected::kSummary, records, messages, ignored, report.c_str());
    if (ignored > 0) {
        summary += expected::kIgnoredExplanation;
    }
    HWND box = WaitForMessageBox(session.ProcessId(), 60000);
    if (box == nullptr) {
        Fail(what + ": the run did not end with a question");
    }
    ExpectEqual(ControlText(main, ids::kResults), summary, what + ": summary in the results box");
    ExpectControlsEnabled(main, true, what + ": after the run");
    ExpectMessageBox(session, expected::Format(expected::kAnalysed, messages, report.c_str()),
                     MB_YESNO, IDNO, what + ": closing question");
    std::string content;
    Expect(ReadWholeFile(report, content), what + ": output.txt written");
    // One block per response (numbered as the response) or unanswered poll, in order.
    std::string numbers;
    for (size_t at = content.find("Frame: "); at != std::string::npos;
         at = content.find("Frame: ", at + 1)) {
        numbers += content.substr(at + 7, 5);
    }
    std::string expectedNumbers;
    for (int block : blocks) {
        expectedNumbers += expected::Format("%03d\r\n", block);
    }
    ExpectEqual(numbers, expectedNumbers, what + ": block numbers in output.txt");
    ExpectStartsWith(content, expected::Format("Frame: %03d\r\n", blocks.front()),
                     what + ": output.txt");
    bool bareLineFeed = false;
    for (size_t i = 0; i < content.size(); ++i) {
        if (content[i] == '\n' && (i == 0 || content[i - 1] != '\r')) {
            bareLineFeed = true;
        }
    }
    Expect(!bareLineFeed, what + ": output.txt has CR LF line ends only");
}

// Runs the command-line program of the same build over `capture` and expects its report and its
// HTML page to be the same bytes as the dialog's output.txt and report.html.
void ExpectSameReportAsCommandLine(const std::string& dialogDirectory, const std::string& capture,
                                   const std::string& what) {
    const std::string cliDirectory = FreshWorkDirectory("analysis-cli");
    std::string commandLine =
        "\"" + Settings().cliProgram + "\" --no --html report.html \"" + capture + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(Settings().cliProgram.c_str(), &commandLine[0], nullptr, nullptr, FALSE,
                        CREATE_NO_WINDOW, nullptr, cliDirectory.c_str(), &startup, &process)) {
        Expect(false, what + ": cannot start the command-line program");
        return;
    }
    WaitForSingleObject(process.hProcess, 60000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    const std::string dialogReport = ReadWholeFile(JoinPath(dialogDirectory, "output.txt"));
    const std::string cliReport = ReadWholeFile(JoinPath(cliDirectory, "output.txt"));
    Expect(!cliReport.empty() && dialogReport == cliReport,
           what + ": output.txt is the same as the command-line program's (" +
               std::to_string(dialogReport.size()) + " and " + std::to_string(cliReport.size()) +
               " bytes)");
    const std::string dialogPage = ReadWholeFile(JoinPath(dialogDirectory, "report.html"));
    const std::string cliPage = ReadWholeFile(JoinPath(cliDirectory, "report.html"));
    Expect(!cliPage.empty() && dialogPage == cliPage,
           what + ": report.html is the same as the command-line program's --html (" +
               std::to_string(dialogPage.size()) + " and " + std::to_string(cliPage.size()) +
               " bytes)");
}

bool LooksLikeProgress(const std::string& text) {
    size_t digits = 0;
    while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits]))) {
        ++digits;
    }
    return digits > 0 && text.compare(digits, std::string(expected::kProgressHead).size(),
                                      expected::kProgressHead) == 0;
}

}  // namespace

void ScenarioAnalysis() {
    const std::string directory = FreshWorkDirectory("analysis");
    PrepareSettings(directory, expected::kSettingsOff);
    AppSession session(directory);
    HWND main = session.MainDialog();
    int boxes = 0;

    Note("Analyze without a path");
    ClickControl(main, ids::kAnalyze);
    ExpectMessageBox(session, expected::kNoPath, MB_OK, IDOK, "empty path");
    ++boxes;
    Expect(!FileExists(JoinPath(directory, "output.txt")), "empty path: no report written");

    Note("Analyze with a path that does not exist");
    const std::string missing = JoinPath(directory, "no-such-capture.pcap");
    SetControlText(main, ids::kInputPath, missing);
    ClickControl(main, ids::kAnalyze);
    ExpectMessageBox(session, expected::Format(expected::kUnreadableInput, missing.c_str()), MB_OK,
                     IDOK, "missing input");
    ++boxes;

    Note("a capture of ten messages, polls and responses alternating");
    const std::string tenMessages = Capture("ten-messages.pcap");
    const std::vector<int> tenBlocks = {2, 4, 6, 8, 10};
    ExpectCompletedRun(session, tenMessages, directory, 10, 10, 0, tenBlocks, "ten messages");
    ++boxes;
    const std::string summary = ControlText(main, ids::kResults);
    ExpectSameReportAsCommandLine(directory, tenMessages, "ten messages");

    Note("Copy to clipboard");
    ClickControl(main, ids::kCopy);
    WaitUntil([&] { return ClipboardText() == summary; }, 5000);
    ExpectEqual(ClipboardText(), summary, "clipboard after Copy to clipboard");

    Note("an earlier output.txt: the question, No and Yes");
    const std::string report = FullPath(JoinPath(directory, "output.txt"));
    const std::string question = expected::Format(expected::kEarlierReport, report.c_str());
    ClickControl(main, ids::kAnalyze);
    ExpectMessageBox(session, question, MB_YESNO, IDNO, "earlier report, No");
    ++boxes;
    ExpectEqual(ControlText(main, ids::kResults), summary, "results box after No");
    ClickControl(main, ids::kAnalyze);
    ExpectMessageBox(session, question, MB_YESNO, IDYES, "earlier report, Yes");
    ++boxes;
    // The shell opens the folder in a file browser window titled with the folder's name.
    const std::string folderName = directory.substr(directory.find_last_of('\\') + 1);
    HWND folder = nullptr;
    Expect(WaitUntil([&] { return (folder = FindTopLevelWindowTitled(folderName)) != nullptr; },
                     20000),
           "earlier report, Yes: the report's folder is opened");
    if (folder != nullptr) {
        PostMessageA(folder, WM_CLOSE, 0, 0);
    }

    Note("a capture with a message whose header claims more than it holds, with HtmlReport=0");
    RemoveFile(JoinPath(directory, "output.txt"));
    RemoveFile(JoinPath(directory, "report.html"));
    PrepareSettings(directory, std::string(expected::kSettingsOff) + "HtmlReport=0\r\n");
    ExpectCompletedRun(session, Capture("one-ignored.pcap"), directory, 3, 3, 1, {2},
                       "one ignored message");
    ++boxes;
    Expect(!FileExists(JoinPath(directory, "report.html")), "HtmlReport=0: no report.html");
    PrepareSettings(directory, expected::kSettingsOff);

    Note("a capture without Modbus messages");
    RemoveFile(JoinPath(directory, "output.txt"));
    const std::string noModbus = Capture("no-modbus.pcap");
    SetControlText(main, ids::kInputPath, noModbus);
    ClickControl(main, ids::kAnalyze);
    ExpectMessageBox(session, expected::Format(expected::kNoModbus, noModbus.c_str()), MB_OK, IDOK,
                     "no Modbus messages");
    ++boxes;
    ExpectControlsEnabled(main, true, "no Modbus messages");

    Note("a long run: progress, disabled controls, a command handled while it runs");
    RemoveFile(JoinPath(directory, "output.txt"));
    SetControlText(main, ids::kInputPath, Capture("long-run.pcap"));
    ClickControl(main, ids::kAnalyze);
    bool sawProgress = false;
    bool sawDisabled = false;
    bool copiedDuringRun = false;
    WaitUntil(
        [&] {
            if (FindMessageBox(session.ProcessId()) != nullptr) {
                return true;
            }
            if (!IsWindowEnabled(GetDlgItem(main, ids::kAnalyze)) &&
                !IsWindowEnabled(GetDlgItem(main, ids::kResults)) &&
                IsWindowEnabled(GetDlgItem(main, ids::kCopy))) {
                sawDisabled = true;
            }
            const std::string text = ControlText(main, ids::kResults);
            if (LooksLikeProgress(text)) {
                sawProgress = true;
                if (!copiedDuringRun) {
                    ClickControl(main, ids::kCopy);
                    copiedDuringRun = true;
                }
            }
            return false;
        },
        120000);
    Expect(sawProgress, "long run: the results box showed the progress text");
    Expect(sawDisabled, "long run: Analyze and the results box were disabled, the rest not");
    ExpectMessageBox(
        session,
        expected::Format(expected::kAnalysed, 20000, JoinPath(directory, "output.txt").c_str()),
        MB_YESNO, IDNO, "long run: closing question");
    ++boxes;
    Expect(LooksLikeProgress(ClipboardText()),
           "long run: Copy to clipboard ran during the run and copied the progress text");

    Note("log.txt records every box and its answer");
    const std::string log = ReadWholeFile(JoinPath(directory, "log.txt"));
    ExpectEqual(CountOf(log, "MessageAndLog iType=["), boxes, "log.txt: boxes logged");
    ExpectEqual(CountOf(log, "MessageAndLog return = [ "), boxes, "log.txt: answers logged");
    ExpectContains(log, "MessageAndLog iType=[0] msg=[Please select a file to processed]",
                   "log.txt");
    ExpectContains(log, "MessageAndLog return = [ 7]", "log.txt");
    ExpectStartsWith(log, "\r\n[", "log.txt starts with a line end and a time stamp");

    // The file dialog makes the chosen file's folder the current directory, so the report and
    // the settings go there from now on.
    Note("Browse chooses a capture; Browse cancelled keeps it and undoes typing");
    const std::string captures = Settings().captureDir;
    RemoveFile(JoinPath(captures, "output.txt"));
    RemoveFile(JoinPath(captures, "settings.ini"));
    BrowseFor(session, tenMessages, false);
    ExpectEqual(ControlText(main, ids::kInputPath), tenMessages, "path box after Browse");
    SetControlText(main, ids::kInputPath, "typed over");
    BrowseFor(session, "", true);
    ExpectEqual(ControlText(main, ids::kInputPath), tenMessages,
                "path box after a cancelled Browse");
    ExpectCompletedRun(session, "", captures, 10, 10, 0, tenBlocks,
                       "the capture chosen with Browse");

    CloseWithExitButton(session);
    ExpectSettingsFile(directory, expected::kSettingsOff, "the start directory's settings");
    ExpectSettingsFile(captures, expected::kSettingsOff,
                       "settings stored in the directory current at close");
    RemoveFile(JoinPath(captures, "output.txt"));
    RemoveFile(JoinPath(captures, "report.html"));
    RemoveFile(JoinPath(captures, "settings.ini"));
    RemoveFile(JoinPath(captures, "log.txt"));
}
