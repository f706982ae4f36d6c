#include "tests/app/driver/remote_window.h"

#include "tests/app/driver/checks.h"

namespace {
constexpr UINT kSendTimeout = 5000;
constexpr int kMessageBoxTextId = 0xFFFF;
}  // namespace

bool WaitUntil(const std::function<bool()>& condition, int milliseconds) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition()) {
            return true;
        }
        if (static_cast<int>(GetTickCount() - start) >= milliseconds) {
            return false;
        }
        Sleep(20);
    }
}

void Pause(int milliseconds) {
    Sleep(static_cast<DWORD>(milliseconds));
}

std::string ClassNameOf(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof(name));
    return name;
}

std::string TextOf(HWND window) {
    if (window == nullptr) {
        return "<no window>";
    }
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeout,
                             &length)) {
        return "<no answer>";
    }
    std::string text(length + 1, '\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(&text[0]),
                             SMTO_ABORTIFHUNG, kSendTimeout, &copied)) {
        return "<no answer>";
    }
    text.resize(copied);
    return text;
}

std::string ControlText(HWND dialog, int controlId) {
    return TextOf(GetDlgItem(dialog, controlId));
}

void SetControlText(HWND dialog, int controlId, const std::string& text) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(GetDlgItem(dialog, controlId), WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, kSendTimeout,
                        &result);
}

void Click(HWND button) {
    PostMessageA(button, BM_CLICK, 0, 0);
}

void ClickControl(HWND dialog, int controlId) {
    HWND control = GetDlgItem(dialog, controlId);
    if (control == nullptr) {
        Fail("no control " + std::to_string(controlId) + " to click");
    }
    Click(control);
}

void PostCommand(HWND dialog, int commandId) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(commandId, 0), 0);
}

void KeyDown(HWND window, WPARAM virtualKey, bool repeated) {
    const UINT scan = MapVirtualKeyA(static_cast<UINT>(virtualKey), 0);
    LPARAM flags = 1 | (static_cast<LPARAM>(scan) << 16);
    if (repeated) {
        flags |= 1L << 30;
    }
    PostMessageA(window, WM_KEYDOWN, virtualKey, flags);
}

void KeyUp(HWND window, WPARAM virtualKey) {
    const UINT scan = MapVirtualKeyA(static_cast<UINT>(virtualKey), 0);
    const LPARAM flags =
        1 | (static_cast<LPARAM>(scan) << 16) | (1L << 30) | static_cast<LPARAM>(0x80000000UL);
    PostMessageA(window, WM_KEYUP, virtualKey, flags);
}

void PressKey(HWND window, WPARAM virtualKey) {
    KeyDown(window, virtualKey);
    KeyUp(window, virtualKey);
}

namespace {
struct WindowSearch {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsWindowVisible(window)) {
        search->found.push_back(window);
    }
    return TRUE;
}
}  // namespace

std::vector<HWND> TopLevelWindows(DWORD processId) {
    WindowSearch search{processId, {}};
    EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    if (!GetGUIThreadInfo(thread, &info)) {
        return nullptr;
    }
    return info.hwndFocus;
}

HWND FindMessageBox(DWORD processId) {
    for (HWND window : TopLevelWindows(processId)) {
        if (ClassNameOf(window) == "#32770" && GetDlgItem(window, kMessageBoxTextId) != nullptr) {
            return window;
        }
    }
    return nullptr;
}

HWND WaitForMessageBox(DWORD processId, int milliseconds) {
    HWND box = nullptr;
    WaitUntil([&] { return (box = FindMessageBox(processId)) != nullptr; }, milliseconds);
    return box;
}

std::string MessageBoxText(HWND box) {
    return ControlText(box, kMessageBoxTextId);
}

BoxSeen AnswerMessageBox(HWND box, int button) {
    BoxSeen seen;
    if (box == nullptr) {
        Fail("a message box was expected but none came");
    }
    seen.caption = TextOf(box);
    seen.text = MessageBoxText(box);
    auto shown = [&](int id) {
        HWND control = GetDlgItem(box, id);
        return control != nullptr && IsWindowVisible(control);
    };
    seen.hasOk = shown(IDOK);
    seen.hasYes = shown(IDYES);
    seen.hasNo = shown(IDNO);
    seen.owner = GetWindow(box, GW_OWNER);
    HWND target = GetDlgItem(box, button);
    if (target == nullptr) {
        Fail("the message box \"" + Escaped(seen.text) + "\" has no button " +
             std::to_string(button));
    }
    Click(target);
    if (!WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); })) {
        Fail("the message box \"" + Escaped(seen.text) + "\" did not close");
    }
    return seen;
}

RECT ControlRect(HWND dialog, HWND control) {
    RECT rect = {};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

int CheckStateOf(HWND dialog, int controlId) {
    DWORD_PTR state = 0;
    if (!SendMessageTimeoutA(GetDlgItem(dialog, controlId), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG,
                             kSendTimeout, &state)) {
        return -1;
    }
    return static_cast<int>(state);
}

HWND FindTopLevelWindowTitled(const std::string& title) {
    return FindWindowA(nullptr, title.c_str());
}

RECT ScreenRect(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

std::vector<COLORREF> ScreenPixels(const RECT& rect) {
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    std::vector<COLORREF> pixels;
    if (width <= 0 || height <= 0) {
        return pixels;
    }
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    const auto* raw = static_cast<const unsigned char*>(bits);
    pixels.reserve(static_cast<size_t>(width) * height);
    for (int i = 0; i < width * height; ++i) {
        // The section holds blue, green, red, unused; a COLORREF is red, green, blue.
        pixels.push_back(RGB(raw[i * 4 + 2], raw[i * 4 + 1], raw[i * 4]));
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

ColourCount CountColour(const RECT& rect, COLORREF colour) {
    const int width = rect.right - rect.left;
    const std::vector<COLORREF> pixels = ScreenPixels(rect);
    ColourCount count;
    int run = 0;
    for (size_t i = 0; i < pixels.size(); ++i) {
        if (i % static_cast<size_t>(width) == 0) {
            run = 0;
        }
        if (pixels[i] == colour) {
            ++count.pixels;
            ++run;
            if (run > count.longestRun) {
                count.longestRun = run;
            }
        } else {
            run = 0;
        }
    }
    return count;
}

void MovePointer(int x, int y) {
    SetCursorPos(x, y);
    // A small real movement as well, so that the window under the pointer hears of it.
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = MOUSEEVENTF_MOVE;
    input.mi.dx = 0;
    input.mi.dy = 0;
    SendInput(1, &input, sizeof(input));
}

void ClickAt(int x, int y) {
    MovePointer(x, y);
    Sleep(50);
    INPUT inputs[2] = {};
    inputs[0].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].type = INPUT_MOUSE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, inputs, sizeof(INPUT));
}

void TypeKey(WORD virtualKey) {
    INPUT inputs[2] = {};
    inputs[0].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = virtualKey;
    inputs[1].type = INPUT_KEYBOARD;
    inputs[1].ki.wVk = virtualKey;
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
    Sleep(50);
}

void TypeKeyWithAlt(WORD virtualKey) {
    INPUT inputs[4] = {};
    for (INPUT& input : inputs) {
        input.type = INPUT_KEYBOARD;
    }
    inputs[0].ki.wVk = VK_MENU;
    inputs[1].ki.wVk = virtualKey;
    inputs[2].ki.wVk = virtualKey;
    inputs[2].ki.dwFlags = KEYEVENTF_KEYUP;
    inputs[3].ki.wVk = VK_MENU;
    inputs[3].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(4, inputs, sizeof(INPUT));
    Sleep(50);
}
