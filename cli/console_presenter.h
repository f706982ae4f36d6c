#pragma once
// Message boxes on a console: the text goes to standard error; a question is asked on the
// terminal when there is one, else answered as the command line says.

#include <iosfwd>

#include "cli/cli_options.h"
#include "common/message_presenter.h"

class ConsolePresenter : public MessagePresenter {
public:
    ConsolePresenter(std::istream& input, std::ostream& output, bool interactive, CliAnswer answer);

    int Present(const std::string& text, int style) override;

private:
    bool AskYesNo();

    std::istream& input_;
    std::ostream& output_;
    bool interactive_;
    CliAnswer answer_;
};

// Box text with its line ends made plain "\n".
std::string ConsoleText(const std::string& text);
