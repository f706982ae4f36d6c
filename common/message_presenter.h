#pragma once
// How message boxes reach the user: the front end installs a presenter (real message boxes in
// the dialog program, the terminal in the command-line program).

#include <string>

// Box styles and button results, with the values of the Win32 message box.
constexpr int kMbOk = 0;
constexpr int kMbYesNo = 4;
constexpr int kIdOk = 1;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

class MessagePresenter {
public:
    virtual ~MessagePresenter() = default;
    // Shows `text` modally with box style `style` and returns the id of the button pressed.
    virtual int Present(const std::string& text, int style) = 0;
};

// Installs the process-wide presenter (not owned). Without one, boxes are answered by their
// default button: OK, or No for a question.
void SetMessagePresenter(MessagePresenter* presenter);
MessagePresenter* GetMessagePresenter();
