// The About box's web link: its colours, underline on hover, click, Enter and space, the
// disabled state, and the About box's logo.

#include "tests/app/driver/checks.h"
#include "tests/app/driver/expected_texts.h"
#include "tests/app/driver/scenarios.h"
#include "tests/app/driver/test_files.h"

namespace {

const COLORREF kHoverColour = RGB(0, 0, 255);
const COLORREF kVisitedColour = RGB(128, 0, 128);

// The link's drawn text as shown on the screen, once it has had time to repaint.
ColourCount LinkShows(HWND link, COLORREF colour) {
    Pause(300);
    return CountColour(ScreenRect(link), colour);
}

HCURSOR CurrentCursor() {
    CURSORINFO info = {};
    info.cbSize = sizeof(info);
    GetCursorInfo(&info);
    return info.hCursor;
}

POINT CentreOf(HWND window) {
    const RECT rect = ScreenRect(window);
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

}  // namespace

void ScenarioLink() {
    const std::string directory = FreshWorkDirectory("link");
    PrepareSettings(directory, expected::kSettingsOff);
    AppSession session(directory);
    ClearBrowserAddresses();
    const std::string linkAddress = HomePage() + expected::kLinkQuery;
    const COLORREF linkColour = GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF disabledColour = GetSysColor(COLOR_GRAYTEXT);

    ClickControl(session.MainDialog(), ids::kAbout);
    HWND about = session.WaitForAboutBox();
    if (about == nullptr) {
        Fail("the About box did not open");
    }
    HWND link = GetDlgItem(about, ids::kWebLink);
    MovePointer(0, 0);

    Note("a link not yet opened is drawn in the link colour, without underline");
    ColourCount shown = LinkShows(link, linkColour);
    Expect(shown.pixels > 10, "unvisited link drawn in the highlight colour");
    Expect(LinkShows(link, kVisitedColour).pixels == 0, "unvisited link: no visited colour");

    Note("the pointer resting on the link: hover colour and underline");
    const POINT centre = CentreOf(link);
    MovePointer(centre.x, centre.y);
    WaitUntil([&] { return CountColour(ScreenRect(link), kHoverColour).pixels > 10; }, 5000);
    shown = LinkShows(link, kHoverColour);
    Expect(shown.pixels > 10, "hovered link drawn in blue");
    const RECT linkRect = ScreenRect(link);
    Expect(shown.longestRun >= (linkRect.right - linkRect.left) / 3,
           "hovered link is underlined (longest blue run " + std::to_string(shown.longestRun) +
               " pixels)");
    const HCURSOR overLink = CurrentCursor();
    const RECT aboutRect = ScreenRect(about);
    MovePointer(aboutRect.left + 20, (aboutRect.top + aboutRect.bottom) / 2);
    Pause(300);
    const HCURSOR overDialog = CurrentCursor();
    Expect(overLink != nullptr && overLink != overDialog,
           "the pointer over the link shows another cursor than over the dialog");
    MovePointer(0, 0);
    WaitUntil([&] { return CountColour(ScreenRect(link), kHoverColour).pixels == 0; }, 5000);
    shown = LinkShows(link, linkColour);
    Expect(shown.pixels > 10 && LinkShows(link, kHoverColour).pixels == 0,
           "the pointer left: link colour again");
    Expect(shown.longestRun < (linkRect.right - linkRect.left) / 3,
           "the pointer left: no underline");

    Note("a click opens the home page with the link's reference and turns the link visited");
    Click(link);
    ExpectBrowserAddresses({linkAddress}, "link clicked");
    Expect(IsWindow(about), "the link click leaves the About box open");
    Expect(LinkShows(link, kVisitedColour).pixels > 10, "visited link drawn in purple");
    Expect(LinkShows(link, linkColour).pixels == 0, "visited link: no link colour");
    MovePointer(centre.x, centre.y);
    WaitUntil([&] { return CountColour(ScreenRect(link), kHoverColour).pixels > 10; }, 5000);
    Expect(LinkShows(link, kHoverColour).pixels > 10, "hover colour wins over visited");
    MovePointer(0, 0);
    WaitUntil([&] { return CountColour(ScreenRect(link), kVisitedColour).pixels > 10; }, 5000);
    Expect(LinkShows(link, kVisitedColour).pixels > 10, "visited colour again after hovering");

    Note("space does nothing; Enter opens the link once, at its release");
    ClearBrowserAddresses();
    PressKey(link, VK_SPACE);
    ExpectBrowserAddresses({}, "space pressed and released on the link");
    KeyDown(link, VK_RETURN);
    KeyDown(link, VK_RETURN, true);
    KeyDown(link, VK_RETURN, true);
    Pause(500);
    ExpectEqual(static_cast<long long>(BrowserAddresses().size()), 0,
                "Enter held: nothing opened before its release");
    KeyUp(link, VK_RETURN);
    ExpectBrowserAddresses({linkAddress}, "Enter held and released");
    Expect(IsWindow(about), "Enter on the link does not close the About box");
    ClearBrowserAddresses();
    KeyDown(link, VK_RETURN);
    PostMessageA(link, WM_NULL, 0, 0);  // any message in between cancels the activation
    KeyUp(link, VK_RETURN);
    ExpectBrowserAddresses({}, "Enter pressed, another message, Enter released");

    Note("a disabled link is grey, also under the pointer, and does not open");
    EnableWindow(link, FALSE);
    InvalidateRect(link, nullptr, TRUE);
    Expect(LinkShows(link, disabledColour).pixels > 10, "disabled link drawn in grey text");
    MovePointer(centre.x, centre.y);
    Pause(300);
    Expect(LinkShows(link, disabledColour).pixels > 10 && LinkShows(link, kHoverColour).pixels == 0,
           "disabled link stays grey under the pointer");
    PostMessageA(about, WM_COMMAND, MAKEWPARAM(ids::kWebLink, BN_CLICKED),
                 reinterpret_cast<LPARAM>(link));
    ExpectBrowserAddresses({}, "a disabled link clicked");
    EnableWindow(link, TRUE);
    MovePointer(0, 0);

    Note("the About box's logo opens the home page with the product reference");
    HWND logo = GetDlgItem(about, ids::kAboutLogo);
    const POINT logoCentre = CentreOf(logo);
    ClickAt(logoCentre.x, logoCentre.y);
    ExpectBrowserAddresses({HomePage() + expected::kAboutLogoQuery}, "About box logo clicked");
    MovePointer(0, 0);

    ClickControl(about, ids::kAboutExit);
    WaitUntil([&] { return !IsWindow(about); });
    CloseWithExitButton(session);
}
