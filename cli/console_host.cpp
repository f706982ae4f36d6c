#include "cli/console_host.h"

#include <ostream>

#include "cli/interrupt_request.h"

ConsoleHost::ConsoleHost(std::string inputPath, std::ostream& progress, bool showProgress)
    : inputPath_(std::move(inputPath)), progress_(progress), showProgress_(showProgress) {}

void ConsoleHost::UseReport(std::string path, bool replaceExisting) {
    reportPath_ = std::move(path);
    replaceReport_ = replaceExisting;
}

void ConsoleHost::ShowProgress(const std::string& text) {
    if (progressThrottle_.Due()) {
        SetResultsText(text);
        RefreshControls();
    }
}

bool ConsoleHost::StopRequested() {
    return InterruptRequested();
}

void ConsoleHost::Warn(const std::string& text) {
    ClearProgressLine();
    progress_ << "zep-modbus-parser: warning: " << text << '\n';
    progress_.flush();
}

void ConsoleHost::RefreshControls() {
    if (!showProgress_ || !running_) {
        return;
    }
    // The first line of the progress text: "<count>\tModbus messages processed...Please wait".
    std::string line = resultsText_.substr(0, resultsText_.find('\r'));
    for (char& c : line) {
        if (c == '\t')
            c = ' ';
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
