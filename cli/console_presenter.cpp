#include "cli/console_presenter.h"

#include <istream>
#include <ostream>

ConsolePresenter::ConsolePresenter(std::istream& input, std::ostream& output, bool interactive,
                                   CliAnswer answer, bool quiet)
    : input_(input),
      output_(output),
      interactive_(interactive && !quiet),
      answer_(answer),
      quiet_(quiet) {}

std::string ConsoleText(const std::string& text) {
    std::string plain;
    plain.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        }
        plain += text[i];
    }
    return plain;
}

int ConsolePresenter::Present(const std::string& text, int style) {
    // The text stands before the question is asked on the terminal.
    std::string box = ConsoleText(text) + '\n';
    if (!quiet_) {
        output_ << box;
        box.clear();
    }
    const int pressed = style != kMbYesNo ? kIdOk : AskYesNo() ? kIdYes : kIdNo;
    box += pressed == kIdOk ? "[OK]\n\n" : pressed == kIdYes ? "[Yes]\n\n" : "[No]\n\n";
    if (quiet_) {
        kept_ = box;
        return pressed;
    }
    output_ << box;
    output_.flush();
    return pressed;
}

void ConsolePresenter::ShowKeptBox() {
    output_ << kept_;
    output_.flush();
    kept_.clear();
}

bool ConsolePresenter::AskYesNo() {
    if (!interactive_ || answer_ != CliAnswer::Ask) {
        return answer_ == CliAnswer::Yes;
    }
    for (;;) {
        output_ << "Yes or No? [y/N] ";
        output_.flush();
        std::string line;
        if (!std::getline(input_, line)) {
            output_ << '\n';
            return false;
        }
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line == "n" || line == "N" || line == "no" || line == "No") {
            return false;
        }
        if (line == "y" || line == "Y" || line == "yes" || line == "Yes") {
            return true;
        }
    }
}
