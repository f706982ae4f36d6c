// The main dialog's menu and system menu used with the real pointer and keyboard, the Help
// page, the logo, and the icon of the minimised window.

#include "tests/app/driver/checks.h"
#include "tests/app/driver/expected_texts.h"
#include "tests/app/driver/scenarios.h"
#include "tests/app/driver/test_files.h"

namespace {

// The pop-up menu window that is shown, if any.
HWND FindPopupMenu() {
    HWND menu = nullptr;
    WaitUntil(
        [&] {
            menu = FindWindowA("#32768", nullptr);
            return menu != nullptr && IsWindowVisible(menu);
        },
        5000);
    return menu;
}

// Opens the menu bar's only pop-up ("Menu") with the pointer and clicks item `index` of its
// three items.
bool ChooseMenuItem(HWND dialog, int index) {
    POINT client = {0, 0};
    ClientToScreen(dialog, &client);
    const int menuHeight = GetSystemMetrics(SM_CYMENU);
    ClickAt(client.x + 15, client.y - menuHeight / 2);
    HWND popup = FindPopupMenu();
    if (popup == nullptr) {
        return false;
    }
    RECT rect = ScreenRect(popup);
    const int border = GetSystemMetrics(SM_CYEDGE) + 1;
    const int itemHeight = (rect.bottom - rect.top - 2 * border) / 3;
    ClickAt((rect.left + rect.right) / 2, rect.top + border + itemHeight * index + itemHeight / 2);
    return true;
}

}  // namespace

void ScenarioMenus() {
    const std::string directory = FreshWorkDirectory("menus");
    PrepareSettings(directory, expected::kSettingsOff);
    AppSession session(directory);
    HWND main = session.MainDialog();
    ClearBrowserAddresses();
    SetForegroundWindow(main);
    Pause(500);

    Note("Menu -> Help with the pointer opens the forum's help topic");
    Expect(ChooseMenuItem(main, 1), "the menu bar's \"Menu\" opens");
    ExpectBrowserAddresses({HomePage() + expected::kForumHelpPath}, "Menu -> Help");

    Note("Menu -> About with the pointer opens the About box");
    Expect(ChooseMenuItem(main, 0), "the menu bar's \"Menu\" opens again");
    HWND about = session.WaitForAboutBox();
    Expect(about != nullptr, "Menu -> About opens the About box");
    if (about != nullptr) {
        ClickControl(about, ids::kAboutExit);
        WaitUntil([&] { return !IsWindow(about); });
    }

    Note("the system menu's last item, chosen with the keyboard, opens the About box");
    SetForegroundWindow(main);
    Pause(300);
    TypeKeyWithAlt(VK_SPACE);
    HWND systemMenu = FindPopupMenu();
    Expect(systemMenu != nullptr, "Alt+Space opens the system menu");
    if (systemMenu != nullptr) {
        TypeKey(VK_UP);  // from the first item round to the last: our About item
        TypeKey(VK_RETURN);
        about = session.WaitForAboutBox();
        Expect(about != nullptr, "the system menu's About item opens the About box");
        if (about != nullptr) {
            ClickControl(about, ids::kAboutExit);
            WaitUntil([&] { return !IsWindow(about); });
        }
    }

    Note("a click on the logo opens the home page with the version reference");
    ClearBrowserAddresses();
    const RECT logo = ScreenRect(GetDlgItem(main, ids::kLogo));
    ClickAt((logo.left + logo.right) / 2, (logo.top + logo.bottom) / 2);
    ExpectBrowserAddresses({HomePage() + expected::kMainLogoQuery}, "main dialog logo clicked");
    MovePointer(0, 0);

    Note("the dialog minimises and comes back whole");
    ShowWindow(main, SW_MINIMIZE);
    WaitUntil([&] { return IsIconic(main) != FALSE; }, 5000);
    Expect(IsIconic(main) != FALSE, "the main dialog minimises");
    ShowWindow(main, SW_RESTORE);
    WaitUntil([&] { return IsIconic(main) == FALSE; }, 5000);
    Expect(IsIconic(main) == FALSE && IsWindowVisible(GetDlgItem(main, ids::kResults)),
           "the main dialog is restored");

    Note("Menu -> Exit with the pointer closes the program and stores the setting");
    ClickControl(main, ids::kAutoUpdate);
    WaitUntil([&] { return CheckStateOf(main, ids::kAutoUpdate) == BST_CHECKED; });
    SetForegroundWindow(main);
    Pause(300);
    Expect(ChooseMenuItem(main, 2), "the menu bar's \"Menu\" opens for Exit");
    ExpectProgramEnds(session, "Menu -> Exit");
    ExpectSettingsFile(directory, expected::kSettingsOn, "closed with Menu -> Exit");
}
