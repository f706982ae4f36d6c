// Times one analysis run of the dialog: from pressing Analyze until the summary stands in the
// results box. A run that outlasts the time limit is stopped, and the rate of messages done so
// far (read from the progress text) is printed instead, for an estimate of the whole run.

#include <cstdio>
#include <cstdlib>

#include "tests/app/driver/checks.h"
#include "tests/app/driver/expected_texts.h"
#include "tests/app/driver/scenarios.h"
#include "tests/app/driver/test_files.h"

namespace {

constexpr int kPollMilliseconds = 10;
constexpr int kDefaultLimitSeconds = 600;
constexpr const char* kSummaryMark = "\tMessages processed\r\n";

double NowMilliseconds() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The number a text starts with (the messages of the progress text), -1 without one.
long LeadingNumber(const std::string& text) {
    char* end = nullptr;
    const long number = std::strtol(text.c_str(), &end, 10);
    return end == text.c_str() ? -1 : number;
}

// The Modbus messages of the summary: the number on its second line.
long SummaryMessages(const std::string& summary) {
    const size_t lineEnd = summary.find("\r\n");
    return lineEnd == std::string::npos ? -1 : LeadingNumber(summary.substr(lineEnd + 2));
}

}  // namespace

void ScenarioTimeAnalysis() {
    const DriverSettings& settings = Settings();
    if (settings.timedCapture.empty()) {
        Fail("time-analysis needs capture=PATH");
    }
    const int limitSeconds =
        settings.timeLimit.empty() ? kDefaultLimitSeconds : std::atoi(settings.timeLimit.c_str());
    const std::string directory = FreshWorkDirectory("time-analysis");
    PrepareSettings(directory, expected::kSettingsOff);
    AppSession session(directory);
    HWND main = session.MainDialog();
    session.WaitForStartupStep(false);
    SetControlText(main, ids::kInputPath, settings.timedCapture);

    const double start = NowMilliseconds();
    ClickControl(main, ids::kAnalyze);
    std::string text;
    double elapsed = 0;
    for (;;) {
        text = ControlText(main, ids::kResults);
        elapsed = NowMilliseconds() - start;
        if (text.find(kSummaryMark) != std::string::npos || elapsed >= limitSeconds * 1000.0) {
            break;
        }
        HWND box = FindMessageBox(session.ProcessId());
        if (box != nullptr && text.find(kSummaryMark) == std::string::npos) {
            // A box without the summary: the run failed (a summary may come just before it).
            text = ControlText(main, ids::kResults);
            if (text.find(kSummaryMark) == std::string::npos) {
                Fail("the run ended without a summary: " + Escaped(MessageBoxText(box)));
            }
            elapsed = NowMilliseconds() - start;
            break;
        }
        Sleep(kPollMilliseconds);
    }

    if (text.find(kSummaryMark) == std::string::npos) {
        const long done = LeadingNumber(text);
        std::printf("stopped after %.0f ms: %ld messages done, %.1f messages/s\n", elapsed, done,
                    done > 0 ? done * 1000.0 / elapsed : 0.0);
        Expect(done > 0, "the progress text names the messages done");
        return;  // the session ends the program
    }
    const long messages = SummaryMessages(text);
    std::printf("summary after %.0f ms: %ld messages, %.1f messages/s\n", elapsed, messages,
                messages * 1000.0 / elapsed);
    const std::string report = JoinPath(directory, "output.txt");
    ExpectMessageBox(
        session, expected::Format(expected::kAnalysed, static_cast<int>(messages), report.c_str()),
        MB_YESNO, IDNO, "closing question");
    CloseWithExitButton(session);
}
