#include "app/modal_dialog.h"

namespace {

constexpr const char* kPreTranslatorProperty = "ZepPreTranslator";
constexpr const char* kModalRunProperty = "ZepModalRun";

struct ModalRun {
    bool ended = false;
    INT_PTR result = IDCANCEL;
};

bool PreTranslate(const MSG& message) {
    if (message.hwnd == nullptr) {
        return false;
    }
    auto* translator =
        static_cast<MessagePreTranslator*>(GetPropA(message.hwnd, kPreTranslatorProperty));
    return translator != nullptr && translator->PreTranslateMessage(message);
}

}  // namespace

void SetMessagePreTranslator(HWND window, MessagePreTranslator* translator) {
    if (translator != nullptr) {
        SetPropA(window, kPreTranslatorProperty, translator);
    } else {
        RemovePropA(window, kPreTranslatorProperty);
    }
}

INT_PTR RunModalDialog(int templateId, HWND owner, DLGPROC procedure, LPARAM state) {
    const bool disableOwner = owner != nullptr && IsWindowEnabled(owner);
    if (disableOwner) {
        EnableWindow(owner, FALSE);
    }
    ModalRun run;
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), owner,
                                     procedure, state);
    if (dialog == nullptr) {
        if (disableOwner) {
            EnableWindow(owner, TRUE);
        }
        return -1;
    }
    SetPropA(dialog, kModalRunProperty, &run);
    if ((GetWindowLongPtrA(dialog, GWL_STYLE) & WS_VISIBLE) == 0) {
        ShowWindow(dialog, SW_SHOWNORMAL);
    }
    UpdateWindow(dialog);

    MSG message;
    while (!run.ended) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(message.wParam));  // for the loop further out
            break;
        }
        if (got == -1) {
            break;
        }
        if (PreTranslate(message) || IsDialogMessageA(dialog, &message)) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }

    // Re-enable the owner before the dialog goes, so that the owner becomes active again.
    if (disableOwner) {
        EnableWindow(owner, TRUE);
    }
    RemovePropA(dialog, kModalRunProperty);
    DestroyWindow(dialog);
    if (owner != nullptr && GetActiveWindow() == nullptr) {
        SetActiveWindow(owner);
    }
    return run.result;
}

void EndModalDialog(HWND dialog, INT_PTR result) {
    auto* run = static_cast<ModalRun*>(GetPropA(dialog, kModalRunProperty));
    if (run == nullptr) {
        return;
    }
    run->ended = true;
    run->result = result;
    // Wakes the run if it is waiting for a message.
    PostMessageA(dialog, WM_NULL, 0, 0);
}

void CenterDialog(HWND dialog, HWND over) {
    RECT area;
    if (over != nullptr && !IsIconic(over)) {
        GetWindowRect(over, &area);
    } else {
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    }
    RECT box;
    GetWindowRect(dialog, &box);
    const int width = box.right - box.left;
    const int height = box.bottom - box.top;
    const int left = area.left + ((area.right - area.left) - width) / 2;
    const int top = area.top + ((area.bottom - area.top) - height) / 2;
    SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
