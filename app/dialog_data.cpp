#include "app/dialog_data.h"

#include <vector>

void WriteControlText(HWND dialog, int controlId, const std::string& text) {
    SetDlgItemTextA(dialog, controlId, text.c_str());
}

std::string ReadControlText(HWND dialog, int controlId) {
    HWND control = GetDlgItem(dialog, controlId);
    if (control == nullptr) {
        return std::string();
    }
    const int length = GetWindowTextLengthA(control);
    std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(control, buffer.data(), length + 1);
    return std::string(buffer.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}

void WriteCheckState(HWND dialog, int controlId, int value) {
    CheckDlgButton(dialog, controlId, value != 0 ? BST_CHECKED : BST_UNCHECKED);
}

int ReadCheckState(HWND dialog, int controlId) {
    return IsDlgButtonChecked(dialog, controlId) == BST_CHECKED ? 1 : 0;
}
