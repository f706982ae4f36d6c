#pragma once
// Reading and working the windows of another process, as a user's tools would: texts through
// WM_GETTEXT, buttons through BM_CLICK, keys posted to the window that has the focus.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Waits up to `milliseconds` for `condition`, polling; true when it held.
bool WaitUntil(const std::function<bool()>& condition, int milliseconds = 15000);
void Pause(int milliseconds);

std::string ClassNameOf(HWND window);
std::string TextOf(HWND window);
std::string ControlText(HWND dialog, int controlId);
void SetControlText(HWND dialog, int controlId, const std::string& text);

// Presses a button as a click does; posted, so that a box it opens does not hold the driver.
void Click(HWND button);
void ClickControl(HWND dialog, int controlId);
// Posts a command notification with code 0 (a menu item, or a clicked control).
void PostCommand(HWND dialog, int commandId);
// Posts a key press and release to `window`.
void PressKey(HWND window, WPARAM virtualKey);
void KeyDown(HWND window, WPARAM virtualKey, bool repeated = false);
void KeyUp(HWND window, WPARAM virtualKey);

// Top-level windows of a process, visible ones only.
std::vector<HWND> TopLevelWindows(DWORD processId);
// The window that has the keyboard focus in the thread that owns `window`.
HWND FocusOf(HWND window);

// A message box of the process: a dialog whose text control has the id 0xFFFF.
HWND FindMessageBox(DWORD processId);
HWND WaitForMessageBox(DWORD processId, int milliseconds = 15000);
std::string MessageBoxText(HWND box);

// What a message box showed and how it was answered.
struct BoxSeen {
    std::string caption;
    std::string text;
    bool hasOk = false;
    bool hasYes = false;
    bool hasNo = false;
    HWND owner = nullptr;
};
// Reads the box, presses `button` (IDOK, IDYES, IDNO) and waits until the box has gone.
BoxSeen AnswerMessageBox(HWND box, int button);

// The check state of a check box (BST_CHECKED or BST_UNCHECKED), -1 without an answer.
int CheckStateOf(HWND dialog, int controlId);
// Whether a window of the process shows the text as its caption.
HWND FindTopLevelWindowTitled(const std::string& title);

// A control's rectangle in the client coordinates of its dialog.
RECT ControlRect(HWND dialog, HWND control);
// A window's rectangle on the screen.
RECT ScreenRect(HWND window);
// The colours of a screen rectangle as shown, row by row (0x00BBGGRR).
std::vector<COLORREF> ScreenPixels(const RECT& rect);
// How many pixels of `colour` the rectangle shows, and the longest horizontal run of them.
struct ColourCount {
    int pixels = 0;
    int longestRun = 0;
};
ColourCount CountColour(const RECT& rect, COLORREF colour);

// Real pointer input: moves the pointer, or clicks with the left button, at a screen point.
void MovePointer(int x, int y);
void ClickAt(int x, int y);
// Real keyboard input to the window that has the focus.
void TypeKey(WORD virtualKey);
void TypeKeyWithAlt(WORD virtualKey);
