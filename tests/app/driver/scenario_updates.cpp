// The update check against the test web server: the quiet check at start-up and the
// "Check for updates " button, for each kind of reply.

#include "tests/app/driver/checks.h"
#include "tests/app/driver/expected_texts.h"
#include "tests/app/driver/scenarios.h"
#include "tests/app/driver/test_files.h"

namespace {

void CheckWithReply(AppSession& session, const std::string& reply, const std::string& notice,
                    const std::string& what) {
    if (reply == "<404>") {
        RemoveServerReply("checkversion");
    } else {
        SetServerReply("checkversion", reply);
    }
    ClearServerRequests();
    ClickControl(session.MainDialog(), ids::kCheckUpdates);
    ExpectMessageBox(session, notice, MB_OK, IDOK, what);
    const std::vector<std::string> requests = ServerRequests();
    // A connection closed without a reply may be tried again by the HTTP client.
    Expect(requests.size() == 1 || (reply == "<close>" && !requests.empty()),
           what + ": one request (" + std::to_string(requests.size()) + " received)");
    if (!requests.empty()) {
        ExpectEqual(requests[0], expected::kUpdateRequest, what + ": request");
    }
}

}  // namespace

void ScenarioUpdates() {
    const std::string installer = HomePage() + expected::kInstallerPath;

    Note("start-up with a newer version on the server: the question comes, No does nothing");
    std::string directory = FreshWorkDirectory("updates-startup");
    SetServerReply("checkversion", "Update");
    ClearServerRequests();
    ClearBrowserAddresses();
    {
        AppSession session(directory);
        HWND box = WaitForMessageBox(session.ProcessId());
        Expect(box != nullptr, "start-up check with reply Update: a box comes up");
        // The check box is refreshed only after the check and its question have finished.
        ExpectEqual(CheckStateOf(session.MainDialog(), ids::kAutoUpdate), BST_UNCHECKED,
                    "check box while the start-up question is open");
        Expect(!IsWindowEnabled(session.MainDialog()),
               "the main dialog is disabled while the question is open");
        ExpectMessageBox(session, expected::kNewVersion, MB_YESNO, IDNO, "start-up question");
        Expect(session.WaitForStartupStep(true), "check box after the start-up question");
        ExpectBrowserAddresses({}, "start-up question answered No");

        Note("Check for updates: Update answered Yes opens the installer address");
        SetServerReply("checkversion", "Update");
        ClearServerRequests();
        ClickControl(session.MainDialog(), ids::kCheckUpdates);
        ExpectMessageBox(session, expected::kNewVersion, MB_YESNO, IDYES, "interactive Update");
        ExpectBrowserAddresses({installer}, "download of the new version");

        Note(
            "Check for updates: PASS, FAIL, both words, small letters, empty reply, 404, "
            "no answer");
        CheckWithReply(session, "PASS", expected::kNoUpdate, "reply PASS");
        CheckWithReply(session, "FAIL", expected::kNoUpdate, "reply FAIL");
        CheckWithReply(session, "Update PASS", expected::kNoUpdate, "reply with PASS and Update");
        CheckWithReply(session, "an update is available", expected::kNoConnection,
                       "reply with \"update\" in small letters");
        CheckWithReply(session, "", expected::kNoConnection, "empty reply");
        CheckWithReply(session, "<404>", expected::kNoConnection, "404 reply");
        CheckWithReply(session, "<close>", expected::kNoConnection,
                       "connection closed without a reply");
        CloseWithExitButton(session);
    }
    ExpectSettingsFile(directory, expected::kSettingsOn, "after the update checks");

    Note("start-up with a newer version answered Yes");
    directory = FreshWorkDirectory("updates-startup-yes");
    SetServerReply("checkversion", "Update");
    ClearBrowserAddresses();
    {
        AppSession session(directory);
        ExpectMessageBox(session, expected::kNewVersion, MB_YESNO, IDYES, "start-up question");
        ExpectBrowserAddresses({installer}, "start-up question answered Yes");
        Expect(session.WaitForStartupStep(true), "check box after the start-up question");
        CloseWithExitButton(session);
    }

    Note("quiet check without an answer from the server: nothing shown");
    directory = FreshWorkDirectory("updates-quiet-failure");
    SetServerReply("checkversion", "<close>");
    {
        AppSession session(directory);
        Expect(session.WaitForStartupStep(true), "check box after a failed quiet check");
        ExpectNoMessageBox(session, 1500, "quiet check without a reply");
        CloseWithExitButton(session);
    }
    SetServerReply("checkversion", "PASS");
}
