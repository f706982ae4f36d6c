#pragma once
// Message boxes of the dialog program: owned by the window the user is working in, captioned with
// the application title, with the exclamation icon when the style names none.

#include <windows.h>

#include "common/message_presenter.h"

class MessageBoxPresenter : public MessagePresenter {
public:
    explicit MessageBoxPresenter(HWND mainWindow) : mainWindow_(mainWindow) {}

    int Present(const std::string& text, int style) override;

private:
    HWND mainWindow_;
};

// The style a box is shown with: `style`, plus the exclamation icon when it names no icon.
UINT MessageBoxStyle(int style);
