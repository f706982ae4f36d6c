#pragma once
// Message boxes on a console: the text goes to standard error; a question is asked on the
// terminal when there is one, else answered as the command line says. Quiet (-q), a box is only
// kept: should the run end on it, the front end shows it then, since a run that ends early has
// told the user why in its last box.

#include <iosfwd>
#include <string>

#include "cli/cli_options.h"
#include "common/message_presenter.h"

class ConsolePresenter : public MessagePresenter {
public:
    ConsolePresenter(std::istream& input, std::ostream& output, bool interactive, CliAnswer answer,
                     bool quiet = false);

    int Present(const std::string& text, int style) override;
    // Quiet: writes the last box kept, as it would have been shown, once.
    void ShowKeptBox();

private:
    bool AskYesNo();

    std::istream& input_;
    std::ostream& output_;
    bool interactive_;
    CliAnswer answer_;
    bool quiet_;
    std::string kept_;
};

// Box text with its line ends made plain "\n".
std::string ConsoleText(const std::string& text);
