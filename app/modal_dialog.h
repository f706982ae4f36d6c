#pragma once
// The modal run of a dialog template: the owner is disabled while the dialog runs, messages are
// offered to the pre-translation of the window they are addressed to, then to the dialog's
// keyboard handling, then dispatched.

#include <windows.h>

// Lets a control see queued messages addressed to it before the dialog's keyboard handling.
class MessagePreTranslator {
public:
    virtual ~MessagePreTranslator() = default;
    // True when the message has been consumed and is not to be handled any further.
    virtual bool PreTranslateMessage(const MSG& message) = 0;
};

// Registers (or, with nullptr, removes) the pre-translation of `window`.
void SetMessagePreTranslator(HWND window, MessagePreTranslator* translator);

// Creates the dialog from template `templateId` with `procedure` (which receives `state` as the
// WM_INITDIALOG parameter), shows it and runs it until EndModalDialog. Returns the result given
// to EndModalDialog, or -1 when the dialog could not be created.
INT_PTR RunModalDialog(int templateId, HWND owner, DLGPROC procedure, LPARAM state);

// The dialog procedure of a dialog class. WM_INITDIALOG brings the Dialog object (the `state` of
// the run): it is kept in the window's user data, learns its window in `window_` and gets
// OnInitDialog(); every later message goes to its HandleMessage(message, wParam, lParam).
// Messages that come before WM_INITDIALOG get the default handling.
template <typename Dialog>
INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        auto* dialog = reinterpret_cast<Dialog*>(lParam);
        dialog->window_ = window;
        return dialog->OnInitDialog();
    }
    auto* dialog = reinterpret_cast<Dialog*>(GetWindowLongPtrA(window, DWLP_USER));
    return dialog != nullptr ? dialog->HandleMessage(message, wParam, lParam) : FALSE;
}

// Runs `dialog` from template `templateId` with DialogProcedure<Dialog>.
template <typename Dialog>
INT_PTR RunModalDialog(int templateId, HWND owner, Dialog& dialog) {
    return RunModalDialog(templateId, owner, &DialogProcedure<Dialog>,
                          reinterpret_cast<LPARAM>(&dialog));
}

// Ends the modal run of `dialog` with `result`; the run returns once the current message has
// been handled.
void EndModalDialog(HWND dialog, INT_PTR result);

// Centres `dialog` over `over`, or over the work area of the screen when `over` is null.
void CenterDialog(HWND dialog, HWND over);
