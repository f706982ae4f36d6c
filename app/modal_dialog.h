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

// Ends the modal run of `dialog` with `result`; the run returns once the current message has
// been handled.
void EndModalDialog(HWND dialog, INT_PTR result);

// Centres `dialog` over `over`, or over the work area of the screen when `over` is null.
void CenterDialog(HWND dialog, HWND over);
