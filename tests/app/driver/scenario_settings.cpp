// The AutoUpdate setting: loaded by the start-up step, shown in the check box, stored by every
// way of closing (Exit button, Escape, close box, Exit menu item).

#include "tests/app/driver/checks.h"
#include "tests/app/driver/expected_texts.h"
#include "tests/app/driver/scenarios.h"
#include "tests/app/driver/test_files.h"

namespace {

void PressEscape(AppSession& session) {
    HWND focus = FocusOf(session.MainDialog());
    PressKey(focus != nullptr ? focus : session.MainDialog(), VK_ESCAPE);
}

}  // namespace

void ScenarioSettings() {
    SetServerReply("checkversion", "PASS");

    Note("AutoUpdate off in settings.ini: no check at start, box unchecked, Escape keeps it off");
    std::string directory = FreshWorkDirectory("settings-off");
    PrepareSettings(directory, expected::kSettingsOff);
    ClearServerRequests();
    {
        AppSession session(directory);
        Pause(2000);  // the start-up step has long run by now
        ExpectEqual(CheckStateOf(session.MainDialog(), ids::kAutoUpdate), BST_UNCHECKED,
                    "AutoUpdate=0: check box");
        ExpectNoMessageBox(session, 500, "AutoUpdate=0 start");
        ExpectEqual(static_cast<long long>(ServerRequests().size()), 0,
                    "AutoUpdate=0: no network request at start");
        PressEscape(session);
        ExpectProgramEnds(session, "Escape");
    }
    ExpectSettingsFile(directory, expected::kSettingsOff, "AutoUpdate=0, closed with Escape");

    Note("first start, box unchecked by the user, closed with Escape: stored as off");
    directory = FreshWorkDirectory("settings-escape");
    ClearServerRequests();
    {
        AppSession session(directory);
        Expect(session.WaitForStartupStep(true), "no settings file: the check box ends up checked");
        WaitUntil([] { return !ServerRequests().empty(); }, 5000);
        ExpectEqual(static_cast<long long>(ServerRequests().size()), 1,
                    "no settings file: one update request at start");
        ClickControl(session.MainDialog(), ids::kAutoUpdate);
        WaitUntil(
            [&] { return CheckStateOf(session.MainDialog(), ids::kAutoUpdate) == BST_UNCHECKED; });
        PressEscape(session);
        ExpectProgramEnds(session, "Escape");
    }
    ExpectSettingsFile(directory, expected::kSettingsOff, "unchecked and closed with Escape");

    Note("next start in the same directory: unchecked, no check; checked again, close box");
    ClearServerRequests();
    {
        AppSession session(directory);
        Pause(2000);
        ExpectEqual(CheckStateOf(session.MainDialog(), ids::kAutoUpdate), BST_UNCHECKED,
                    "after Escape stored off: check box");
        ExpectEqual(static_cast<long long>(ServerRequests().size()), 0,
                    "after Escape stored off: no update request");
        ClickControl(session.MainDialog(), ids::kAutoUpdate);
        WaitUntil(
            [&] { return CheckStateOf(session.MainDialog(), ids::kAutoUpdate) == BST_CHECKED; });
        PostMessageA(session.MainDialog(), WM_SYSCOMMAND, SC_CLOSE, 0);
        ExpectProgramEnds(session, "the close box");
    }
    ExpectSettingsFile(directory, expected::kSettingsOn, "checked and closed with the close box");

    Note("a hand-edited file with other capitals; closed with the Exit menu item");
    PrepareSettings(directory, "; edited by hand\r\n[zep modbus tcp parser]\r\nAUTOUPDATE=0\r\n");
    ClearServerRequests();
    {
        AppSession session(directory);
        Pause(2000);
        ExpectEqual(CheckStateOf(session.MainDialog(), ids::kAutoUpdate), BST_UNCHECKED,
                    "hand-edited AUTOUPDATE=0: check box");
        ExpectEqual(static_cast<long long>(ServerRequests().size()), 0,
                    "hand-edited AUTOUPDATE=0: no update request");
        PostCommand(session.MainDialog(), ids::kMenuExit);
        ExpectProgramEnds(session, "the Exit menu item");
    }
    ExpectSettingsFile(directory, expected::kSettingsOff,
                       "closed with the Exit menu item: rewritten in the fixed layout");
}
