// Steps that several scenarios share.

#include "tests/app/driver/checks.h"
#include "tests/app/driver/expected_texts.h"
#include "tests/app/driver/scenarios.h"
#include "tests/app/driver/test_files.h"

void PrepareSettings(const std::string& directory, const std::string& content) {
    const std::string path = JoinPath(directory, "settings.ini");
    RemoveFile(path);
    if (!content.empty()) {
        WriteWholeFile(path, content);
    }
}

void ExpectMessageBox(const AppSession& session, const std::string& text, UINT style, int answer,
                      const std::string& what, HWND expectedOwner) {
    HWND box = WaitForMessageBox(session.ProcessId());
    if (box == nullptr) {
        Fail(what + ": no message box came up (expected \"" + Escaped(text) + "\")");
    }
    const BoxSeen seen = AnswerMessageBox(box, answer);
    ExpectEqual(seen.text, text, what + ": message box text");
    ExpectEqual(seen.caption, expected::kTitle, what + ": message box caption");
    if (style == MB_YESNO) {
        Expect(seen.hasYes && seen.hasNo && !seen.hasOk, what + ": the box has Yes and No only");
    } else {
        Expect(seen.hasOk && !seen.hasYes && !seen.hasNo, what + ": the box has OK only");
    }
    HWND owner = expectedOwner != nullptr ? expectedOwner : session.MainDialog();
    Expect(seen.owner == owner, what + ": the box belongs to the window the user works in");
}

void ExpectNoMessageBox(const AppSession& session, int milliseconds, const std::string& what) {
    HWND box = WaitForMessageBox(session.ProcessId(), milliseconds);
    if (box != nullptr) {
        const std::string text = MessageBoxText(box);
        Expect(false, what + ": an unexpected message box came up: \"" + Escaped(text) + "\"");
        AnswerMessageBox(box, GetDlgItem(box, IDOK) != nullptr ? IDOK : IDNO);
    }
}

void ExpectProgramEnds(AppSession& session, const std::string& how) {
    if (!session.WaitForExit()) {
        Fail("the program did not end after " + how);
    }
}

void CloseWithExitButton(AppSession& session) {
    ClickControl(session.MainDialog(), ids::kExit);
    ExpectProgramEnds(session, "the Exit button");
}

void ExpectSettingsFile(const std::string& directory, const std::string& expectedContent,
                        const std::string& what) {
    std::string content;
    if (!ReadWholeFile(JoinPath(directory, "settings.ini"), content)) {
        Expect(false, what + ": settings.ini was not written");
        return;
    }
    ExpectEqual(content, expectedContent, what + ": settings.ini");
}

std::string HomePage() {
    return "http://" + Settings().makerHost;
}

namespace {
// The shell hands web addresses to the browser in canonical form: an address whose host is
// followed directly by its query gets the empty path written as "/" (the same resource).
std::string Canonical(const std::string& address) {
    const size_t hostStart = address.find("://");
    if (hostStart == std::string::npos) {
        return address;
    }
    const size_t hostEnd = address.find_first_of("/?", hostStart + 3);
    if (hostEnd != std::string::npos && address[hostEnd] == '?') {
        return address.substr(0, hostEnd) + "/" + address.substr(hostEnd);
    }
    return address;
}
}  // namespace

void ExpectBrowserAddresses(const std::vector<std::string>& expectedAddresses,
                            const std::string& what) {
    // The browser is started by the shell in another process: give it time to arrive.
    WaitUntil([&] { return BrowserAddresses().size() >= expectedAddresses.size(); }, 10000);
    if (expectedAddresses.empty()) {
        Pause(1000);
    }
    const std::vector<std::string> actual = BrowserAddresses();
    ExpectEqual(static_cast<long long>(actual.size()),
                static_cast<long long>(expectedAddresses.size()),
                what + ": number of addresses opened in the browser");
    for (size_t i = 0; i < actual.size() && i < expectedAddresses.size(); ++i) {
        ExpectEqual(Canonical(actual[i]), Canonical(expectedAddresses[i]),
                    what + ": address opened in the browser");
    }
}
