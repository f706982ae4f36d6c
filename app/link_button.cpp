#include "app/link_button.h"

#include <commctrl.h>

#include <vector>

#include "app/hand_cursor.h"
#include "app/web_references.h"
#include "platform/platform_services.h"

namespace {

constexpr const char* kLinkButtonProperty = "ZepLinkButton";
constexpr LONG_PTR kDefaultPushButtonStyle = 0x0001;
constexpr LONG_PTR kOwnerDrawStyle = 0x000B;
constexpr DWORD kHoverTimeMilliseconds = 1;

// Registered while the program starts, before any link control exists.
const UINT g_linkClickedMessage = RegisterWindowMessageA("WM_LINK_CLICKED");

std::string WindowText(HWND window) {
    const int length = GetWindowTextLengthA(window);
    std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(window, buffer.data(), length + 1);
    return std::string(buffer.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}

}  // namespace

UINT LinkClickedMessage() {
    return g_linkClickedMessage;
}

HCURSOR CLinkButton::handCursor = nullptr;

CLinkButton::CLinkButton()
    : linkColour(GetSysColor(COLOR_HIGHLIGHT)),
      hoverColour(RGB(0, 0, 255)),
      visitedColour(RGB(128, 0, 128)),
      disabledColour(GetSysColor(COLOR_GRAYTEXT)) {
    if (handCursor == nullptr) {
        handCursor = LoadHandCursor();
    }
}

CLinkButton::~CLinkButton() {
    Detach();
    if (underlineFont != nullptr) {
        DeleteObject(underlineFont);
        underlineFont = nullptr;
    }
}

void CLinkButton::Attach(HWND button) {
    // Owner-drawn from now on, and never the default button.
    LONG_PTR style = GetWindowLongPtrA(button, GWL_STYLE);
    style = (style & ~kDefaultPushButtonStyle) | kOwnerDrawStyle;
    SetWindowLongPtrA(button, GWL_STYLE, style);

    window_ = button;
    SetPropA(button, kLinkButtonProperty, this);
    baseProcedure_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassProc)));
    SetMessagePreTranslator(button, this);
}

void CLinkButton::Detach() {
    if (window_ == nullptr) {
        return;
    }
    SetMessagePreTranslator(window_, nullptr);
    SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(baseProcedure_));
    RemovePropA(window_, kLinkButtonProperty);
    window_ = nullptr;
    baseProcedure_ = nullptr;
}

LRESULT CALLBACK CLinkButton::SubclassProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    auto* link = static_cast<CLinkButton*>(GetPropA(window, kLinkButtonProperty));
    if (link == nullptr) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        const LRESULT result = link->CallBase(message, wParam, lParam);
        link->Detach();
        return result;
    }
    return link->HandleMessage(message, wParam, lParam);
}

LRESULT CLinkButton::CallBase(UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcA(baseProcedure_, window_, message, wParam, lParam);
}

LRESULT CLinkButton::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_MOUSEMOVE:
            OnMouseMove();
            return CallBase(message, wParam, lParam);
        case WM_MOUSEHOVER:
            hovering = true;
            Redraw();
            return 0;
        case WM_MOUSELEAVE:
            tracking = false;
            hovering = false;
            Redraw();
            return 0;
        case WM_SETCURSOR:
            if (LOWORD(lParam) == HTCLIENT && handCursor != nullptr) {
                SetCursor(handCursor);
                return TRUE;
            }
            return CallBase(message, wParam, lParam);
        case WM_KILLFOCUS: {
            const LRESULT result = CallBase(message, wParam, lParam);
            Redraw();  // takes the focus rectangle away
            return result;
        }
        default:
            return CallBase(message, wParam, lParam);
    }
}

void CLinkButton::OnMouseMove() {
    if (tracking) {
        return;
    }
    TRACKMOUSEEVENT request = {};
    request.cbSize = sizeof(request);
    request.dwFlags = TME_HOVER | TME_LEAVE;
    request.hwndTrack = window_;
    request.dwHoverTime = kHoverTimeMilliseconds;
    tracking = _TrackMouseEvent(&request) != FALSE;
}

void CLinkButton::Redraw() {
    InvalidateRect(window_, nullptr, TRUE);
}

bool CLinkButton::PreTranslateMessage(const MSG& message) {
    const bool enterOrSpace = message.wParam == VK_SPACE || message.wParam == VK_RETURN;
    if (message.message == WM_KEYDOWN && enterOrSpace) {
        enterPending = true;
        return true;
    }
    if (message.message == WM_KEYUP && message.wParam == VK_SPACE) {
        return true;
    }
    if (message.message == WM_KEYUP && message.wParam == VK_RETURN && enterPending) {
        enterPending = false;
        Activate();
        return true;
    }
    enterPending = false;
    return false;
}

void CLinkButton::Activate() {
    if (window_ == nullptr || !IsWindowEnabled(window_)) {
        return;
    }
    HCURSOR previousCursor = SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32514)));  // IDC_WAIT
    // Opened with the normal show mode, like the dialogs' own web commands, so that the user
    // sees the browser come up.
    const bool opened = SystemPlatform().OpenInShell("open", LinkAddress(refText));
    HWND parent = GetParent(window_);
    if (!opened && parent != nullptr) {
        SendMessageA(parent, LinkClickedMessage(), static_cast<WPARAM>(GetDlgCtrlID(window_)), 0);
    }
    visited = true;
    hovering = false;
    Redraw();
    SetCursor(previousCursor);
}

void CLinkButton::DrawItem(const DRAWITEMSTRUCT& item) {
    HDC context = item.hDC;
    RECT area = item.rcItem;
    if (GetFocus() == window_) {
        DrawFocusRect(context, &area);
    }
    if (underlineFont == nullptr) {
        HFONT font = reinterpret_cast<HFONT>(SendMessageA(window_, WM_GETFONT, 0, 0));
        if (font == nullptr) {
            font = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
        }
        LOGFONTA description;
        if (GetObjectA(font, sizeof(description), &description) == sizeof(description)) {
            description.lfUnderline = TRUE;
            underlineFont = CreateFontIndirectA(&description);
        }
    }

    COLORREF colour;
    HGDIOBJ replacedFont = nullptr;
    if (!IsWindowEnabled(window_)) {
        colour = disabledColour;
    } else if (hovering) {
        if (underlineFont != nullptr) {
            replacedFont = SelectObject(context, underlineFont);
        }
        colour = hoverColour;
    } else {
        colour = visited ? visitedColour : linkColour;
    }
    SetTextColor(context, colour);
    SetBkMode(context, TRANSPARENT);
    const std::string text = WindowText(window_);
    DrawTextA(context, text.c_str(), -1, &area, DT_SINGLELINE | DT_LEFT | DT_TOP);
    if (replacedFont != nullptr) {
        SelectObject(context, replacedFont);
    }
}
