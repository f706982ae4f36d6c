#include "cli/console_host.h"

#include <ostream>

#include "cli/interrupt_request.h"

ConsoleHost::ConsoleHost(std::ostream& progress, bool showProgress)
    : AnalysisHost(std::chrono::milliseconds(100)),
      progress_(progress),
      showProgress_(showProgress) {}

void ConsoleHost::ShowProgress(const ProgressUpdate& update) {
    if (showProgress_ && running_) {
        DrawLine(std::to_string(update.messages) + " Modbus messages processed...Please wait");
    }
}

bool ConsoleHost::StopRequested() {
    return InterruptRequested();
}

bool ConsoleHost::TakeUpdateRequest() {
    return ::TakeUpdateRequest();
}

void ConsoleHost::ShowWarning(const std::string& text) {
    ClearProgressLine();
    progress_ << "zep-modbus-parser: warning: " << text << '\n';
    progress_.flush();
}

// While the run works, the first line of the results text stands on the progress line.
void ConsoleHost::RefreshControls() {
    std::string line = resultsText_.substr(0, resultsText_.find('\r'));
    for (char& c : line) {
        if (c == '\t')
            c = ' ';
    }
    DrawLine(std::move(line));
}

void ConsoleHost::DrawLine(std::string line) {
    if (!showProgress_ || !running_) {
        return;
    }
    const size_t width = line.size();
    if (line.size() < shownWidth_) {
        line.append(shownWidth_ - line.size(), ' ');
    }
    progress_ << '\r' << line;
    progress_.flush();
    shownWidth_ = width;
}

void ConsoleHost::SetBusy(bool busy) {
    // Progress is shown while the run works.
    if (!busy && running_) {
        ClearProgressLine();
    }
    running_ = busy;
}

void ConsoleHost::ClearProgressLine() {
    if (showProgress_ && shownWidth_ > 0) {
        progress_ << '\r' << std::string(shownWidth_, ' ') << '\r';
        progress_.flush();
        shownWidth_ = 0;
    }
}
