// The About box: its template, texts and legal notice, the feedback form with Send, and the
// ways to open and close it.

#include <cctype>
#include <cstdlib>

#include "tests/app/driver/checks.h"
#include "tests/app/driver/expected_texts.h"
#include "tests/app/driver/scenarios.h"
#include "tests/app/driver/test_files.h"

namespace {

const std::vector<ExpectedControl> kAboutControls = {
    {1004, "Button", "Send", 118, 230, 50, 14, 0x50010000},
    {1003, "Edit", nullptr, 13, 164, 264, 64, 0x50A11004},
    {1001, "Button", nullptr, 109, 49, 66, 14, 0x50010000},
    {1017, "Button", "Exit", 227, 230, 50, 14, 0x50010000},
    {1002, "Edit", nullptr, 12, 73, 264, 43, 0x50210844},
    {1018, "Static", nullptr, 7, 7, 272, 40, 0x5001130E},
    {-1, "Button", "Version info", 7, 62, 272, 60, 0x50000007},
    {-1, "Button", "Comments and Suggestions ", 7, 125, 272, 121, 0x50000007},
    {-1, "Static", expected::kAnonymousNote, 13, 135, 264, 27, 0x50020000},
};

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at = text.find(separator); at != std::string::npos;
         at = text.find(separator, start)) {
        parts.push_back(text.substr(start, at - start));
        start = at + separator.size();
    }
    parts.push_back(text.substr(start));
    return parts;
}

// Sections: a title in capitals, an empty line, paragraphs one per line, two empty lines
// between sections, and no line end after the last paragraph.
void ExpectNoticeLayout(const std::string& notice) {
    Expect(notice.size() >= 5800 && notice.size() <= 6600,
           "legal notice of about 6,200 characters (" + std::to_string(notice.size()) + ")");
    Expect(notice.size() >= 2 && notice.compare(notice.size() - 2, 2, "\r\n") != 0,
           "legal notice ends with its last paragraph, no line end");
    const std::vector<std::string> sections = Split(notice, "\r\n\r\n\r\n");
    Expect(sections.size() >= 3, "legal notice has several sections");
    for (const std::string& section : sections) {
        const size_t titleEnd = section.find("\r\n\r\n");
        if (titleEnd == std::string::npos) {
            Expect(false, "notice section without a title line: " + section.substr(0, 40));
            continue;
        }
        const std::string title = section.substr(0, titleEnd);
        bool capitals = !title.empty();
        for (char c : title) {
            if (std::islower(static_cast<unsigned char>(c)) || c == '\r' || c == '\n') {
                capitals = false;
            }
        }
        Expect(capitals, "notice section title in capitals on its own line: " + title);
        const std::string body = section.substr(titleEnd + 4);
        Expect(!body.empty() && body.find("\r\n\r\n") == std::string::npos &&
                   body.compare(0, 2, "\r\n") != 0,
               "notice section " + title + ": paragraphs one per line, no empty lines");
        for (size_t i = 0; i < body.size(); ++i) {
            if (body[i] == '\n') {
                Expect(i > 0 && body[i - 1] == '\r', "notice lines end with CR LF");
                break;
            }
        }
    }
}

HWND OpenAboutWithButton(AppSession& session) {
    ClickControl(session.MainDialog(), ids::kAbout);
    HWND about = session.WaitForAboutBox();
    if (about == nullptr) {
        Fail("the About box did not open");
    }
    return about;
}

void ExpectAboutCloses(AppSession& session, HWND about, const std::string& how) {
    Expect(WaitUntil([&] { return !IsWindow(about); }), "the About box closes with " + how);
    Expect(WaitUntil([&] { return IsWindowEnabled(session.MainDialog()) != FALSE; }),
           "the main dialog is enabled again after " + how);
}

std::string FeedbackRequest(const std::string& message) {
    return std::string(
               "POST /script/sendfeedback.php\tProduct=ZEP Modbus TCP Parser\t"
               "ProductV=1.00aA\tMsg=") +
           Escaped(message) + "\tNotes=Last Compile date: ";
}

bool LooksLikeBuildStamp(const std::string& stamp) {
    // "Mar  2 2006 11:27:18": month, day padded with a blank, year, time.
    if (stamp.size() != 20) {
        return false;
    }
    return std::isupper(static_cast<unsigned char>(stamp[0])) && stamp[3] == ' ' &&
           stamp[6] == ' ' && stamp[11] == ' ' && stamp[14] == ':' && stamp[17] == ':';
}

void SendAndExpect(AppSession& session, HWND about, const std::string& text,
                   const std::string& notice, bool requestExpected, const std::string& what) {
    SetControlText(about, ids::kFeedback, text);
    ClearServerRequests();
    ClickControl(about, ids::kSend);
    ExpectMessageBox(session, notice, MB_OK, IDOK, what, about);
    Expect(IsWindow(about), what + ": the About box stays open");
    ExpectEqual(ControlText(about, ids::kFeedback), text, what + ": the feedback text is kept");
    const std::vector<std::string> requests = ServerRequests();
    ExpectEqual(static_cast<long long>(requests.size()), requestExpected ? 1 : 0,
                what + ": requests to the feedback script");
    if (requestExpected && !requests.empty()) {
        const std::string head = FeedbackRequest(text);
        ExpectStartsWith(requests[0], head, what + ": feedback request");
        Expect(requests[0].size() > head.size() &&
                   LooksLikeBuildStamp(requests[0].substr(head.size())),
               what + ": the build note names the build date and time: " +
                   requests[0].substr(std::min(head.size(), requests[0].size())));
    }
}

}  // namespace

void ScenarioAbout() {
    const std::string directory = FreshWorkDirectory("about");
    PrepareSettings(directory, expected::kSettingsOff);
    AppSession session(directory);
    HWND main = session.MainDialog();

    Note("the About button opens the box over the disabled main dialog");
    HWND about = OpenAboutWithButton(session);
    ExpectEqual(TextOf(about), expected::kAboutTitle, "About box caption");
    Expect(GetWindow(about, GW_OWNER) == main, "the About box belongs to the main dialog");
    Expect(!IsWindowEnabled(main), "the main dialog is disabled while the About box is open");
    const LONG style = GetWindowLongA(about, GWL_STYLE);
    Expect((style & 0x80C800C0) == 0x80C800C0, "About box: pop-up, caption, system menu, frame");
    Expect(GetMenu(about) == nullptr, "About box: no menu");
    const RECT box = ScreenRect(about);
    const RECT owner = ScreenRect(main);
    Expect(std::abs((box.left + box.right) - (owner.left + owner.right)) <= 4 &&
               std::abs((box.top + box.bottom) - (owner.top + owner.bottom)) <= 4,
           "About box: centred over the main dialog");
    ExpectControls(about, kAboutControls, 286, 254, "About box", ids::kWebLink);
    ExpectEqual(ControlText(about, ids::kWebLink), Settings().makerHost,
                "the link shows the maker's host");
    Expect(FocusOf(about) == GetDlgItem(about, ids::kSend), "Send has the focus at first");

    const std::string versionText = ControlText(about, ids::kVersionInfo);
    ExpectStartsWith(versionText, expected::kVersionLines, "version box");
    ExpectNoticeLayout(versionText.substr(std::string(expected::kVersionLines).size()));
    ExpectEqual(ControlText(about, ids::kFeedback), expected::kFeedbackTemplate,
                "feedback box at first");
    TakeScreenshot("about-box", ScreenRect(about));

    Note("Send: the template, special characters, a failure, an empty text");
    SetServerReply("sendfeedback", "PASS");
    SendAndExpect(session, about, expected::kFeedbackTemplate, expected::kFeedbackSent, true,
                  "feedback template sent");
    SendAndExpect(session, about, "a&b=c+d 100% \"quoted\"\r\nsecond line", expected::kFeedbackSent,
                  true, "feedback with & = + %");
    SetServerReply("sendfeedback", "FAIL");
    SendAndExpect(session, about, "x",
                  std::string(expected::kFeedbackFailedHead) + Settings().supportEmail + ")", true,
                  "feedback refused by the server");
    SendAndExpect(session, about, "", expected::kEmptyFeedback, false, "empty feedback");
    SetServerReply("sendfeedback", "PASS");
    SendAndExpect(session, about, " ", expected::kFeedbackSent, true, "a single blank is sent");

    Note("Enter in the feedback box starts a new line");
    SetControlText(about, ids::kFeedback, "line");
    HWND feedback = GetDlgItem(about, ids::kFeedback);
    SendMessageTimeoutA(feedback, EM_SETSEL, 4, 4, SMTO_ABORTIFHUNG, 5000, nullptr);
    PressKey(feedback, VK_RETURN);
    WaitUntil([&] { return ControlText(about, ids::kFeedback) == "line\r\n"; }, 5000);
    ExpectEqual(ControlText(about, ids::kFeedback), "line\r\n", "Enter in the feedback box");
    Expect(IsWindow(about), "Enter in the feedback box leaves the box open");

    Note("Escape closes the box");
    PressKey(GetDlgItem(about, ids::kSend), VK_ESCAPE);
    ExpectAboutCloses(session, about, "Escape");

    Note("the About menu item opens a new box; Exit closes it");
    PostCommand(main, ids::kMenuAbout);
    about = session.WaitForAboutBox();
    Expect(about != nullptr, "the About menu item opens the box");
    if (about != nullptr) {
        ExpectEqual(ControlText(about, ids::kFeedback), expected::kFeedbackTemplate,
                    "a new box starts from the template");
        ClickControl(about, ids::kAboutExit);
        ExpectAboutCloses(session, about, "its Exit button");
    }

    Note("the system-menu commands 0x0010 and 0x001F open it; close box, Tab and Enter");
    PostMessageA(main, WM_SYSCOMMAND, 0x0010, 0);
    about = session.WaitForAboutBox();
    Expect(about != nullptr, "system command 0x0010 opens the box");
    if (about != nullptr) {
        PostMessageA(about, WM_SYSCOMMAND, SC_CLOSE, 0);
        ExpectAboutCloses(session, about, "the close box");
    }
    PostMessageA(main, WM_SYSCOMMAND, 0x001F, 0);
    about = session.WaitForAboutBox();
    Expect(about != nullptr, "system command 0x001F opens the box");
    if (about != nullptr) {
        // Tab order: Send, feedback box, link, Exit, version box, logo.
        const int order[] = {ids::kFeedback, ids::kWebLink, ids::kAboutExit, ids::kVersionInfo,
                             ids::kAboutLogo};
        for (int id : order) {
            PressKey(FocusOf(about), VK_TAB);
            WaitUntil([&] { return FocusOf(about) == GetDlgItem(about, id); }, 3000);
            Expect(FocusOf(about) == GetDlgItem(about, id),
                   "Tab moves the focus on to control " + std::to_string(id));
        }
        PressKey(FocusOf(about), VK_RETURN);
        ExpectAboutCloses(session, about, "Enter on the logo");
    }

    CloseWithExitButton(session);
}
