#include "app/message_box_presenter.h"

#include "app/app_title.h"

UINT MessageBoxStyle(int style) {
    UINT boxStyle = style < 0 ? MB_OK : static_cast<UINT>(style);
    if ((boxStyle & MB_ICONMASK) == 0) {
        boxStyle |= MB_ICONEXCLAMATION;
    }
    return boxStyle;
}

int MessageBoxPresenter::Present(const std::string& text, int style) {
    // The box belongs to the window the user works in: the main dialog, or the About box over it.
    HWND owner = mainWindow_;
    if (owner != nullptr && IsWindow(owner)) {
        owner = GetLastActivePopup(owner);
    } else {
        owner = nullptr;
    }
    return MessageBoxA(owner, text.c_str(), ApplicationTitle().c_str(), MessageBoxStyle(style));
}
