#pragma once
// A push button drawn as a web link: coloured text without a button face, underlined while the
// pointer rests on it, a hand cursor over it, and the maker's home page opened (with a reference
// query) when it is clicked or activated with the Enter key.

#include <windows.h>

#include <string>

#include "app/modal_dialog.h"

// The registered message "WM_LINK_CLICKED": sent to the parent when the shell cannot open the
// link, with the control's id as first parameter and 0 as second.
UINT LinkClickedMessage();

class CLinkButton : public MessagePreTranslator {
public:
    CLinkButton();
    ~CLinkButton() override;
    CLinkButton(const CLinkButton&) = delete;
    CLinkButton& operator=(const CLinkButton&) = delete;

    // Takes over the push button `button`: makes it owner-drawn and subclasses it.
    void Attach(HWND button);
    // Gives the button its own window procedure back (before the button is destroyed).
    void Detach();

    // The parent forwards these to the control: its drawing request and its click notification.
    void DrawItem(const DRAWITEMSTRUCT& item);
    void OnReflectedClick() { Activate(); }

    // Opens the link: the maker's home page with "/?ref=" and the reference text.
    void Activate();

    bool PreTranslateMessage(const MSG& message) override;

    std::string refText;

    COLORREF linkColour;
    COLORREF hoverColour;
    COLORREF visitedColour;
    COLORREF disabledColour;
    bool hovering = false;
    bool tracking = false;
    bool visited = false;
    HFONT underlineFont = nullptr;
    bool enterPending = false;

    // Shared by all link controls for the life of the process; loaded by the first
    // construction that finds it unset.
    static HCURSOR handCursor;

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT CallBase(UINT message, WPARAM wParam, LPARAM lParam);
    void OnMouseMove();
    void Redraw();

    HWND window_ = nullptr;
    WNDPROC baseProcedure_ = nullptr;
};
