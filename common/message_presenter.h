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

// Installs `presenter` (not owned) as the process-wide presenter for the life of the scope and
// puts the one it replaced back afterwards.
class ScopedMessagePresenter {
public:
    explicit ScopedMessagePresenter(MessagePresenter& presenter);
    ~ScopedMessagePresenter();
    ScopedMessagePresenter(const ScopedMessagePresenter&) = delete;
    ScopedMessagePresenter& operator=(const ScopedMessagePresenter&) = delete;

private:
    MessagePresenter* previous_;
};

// The installed presenter, or null.
MessagePresenter* GetMessagePresenter();

// Shows a box through the installed presenter and returns the button pressed. Without a
// presenter the box is answered by its default button: No for a question, otherwise OK.
int PresentMessage(const std::string& text, int style);
