// The main dialog as it first appears: template, controls, texts, focus, icon, and the quiet
// update check of a first start.

#include <cstdlib>
#include <vector>

#include "tests/app/driver/checks.h"
#include "tests/app/driver/expected_texts.h"
#include "tests/app/driver/scenarios.h"
#include "tests/app/driver/test_files.h"

namespace {

// The main dialog's controls in template (and tab) order.
const std::vector<ExpectedControl> kMainControls = {
    {1000, "Edit", nullptr, 7, 172, 361, 116, 0x50A10004},
    {3, "Button", "Analyze", 158, 154, 59, 15, 0x50010001},
    {4, "Button", "Exit", 309, 292, 59, 15, 0x50010000},
    {1016, "Button", "About", 245, 292, 59, 15, 0x50010000},
    {1018, "Static", nullptr, 8, 7, 360, 46, 0x5000130E},
    {1021, "Button", "Check for updates ", 8, 292, 90, 15, 0x50010000},
    {1023, "Button", "Automatically check for new versions ", 105, 294, 132, 11, 0x50010003},
    {1024, "Button", "Copy to clipboard", 283, 155, 85, 15, 0x50010000},
    {1001, "Edit", nullptr, 12, 130, 296, 14, 0x50810080},
    {1002, "Button", "Browse", 313, 130, 50, 14, 0x50010000},
    {-1, "Button", "Instructions", 7, 56, 361, 92, 0x50000007},
    {1003, "Edit", nullptr, 11, 67, 351, 60, 0x50210804},
};

BOOL CALLBACK CollectChild(HWND child, LPARAM parameter) {
    auto* children = reinterpret_cast<std::vector<HWND>*>(parameter);
    if (GetParent(child) == children->front()) {
        children->push_back(child);
    }
    return TRUE;
}

INT_PTR CALLBACK ProbeProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

// The pixel size of `width` x `height` dialog units in a dialog with the 8-point "MS Sans
// Serif" font, measured on a hidden dialog of the driver's own.
SIZE DialogUnitsInPixels(int width, int height) {
    std::vector<WORD> words(64, 0);
    auto* header = reinterpret_cast<DLGTEMPLATE*>(words.data());
    header->style = WS_POPUP | DS_SETFONT;
    header->cdit = 0;
    header->cx = static_cast<short>(width);
    header->cy = static_cast<short>(height);
    size_t at = sizeof(DLGTEMPLATE) / sizeof(WORD);
    words[at++] = 0;  // no menu
    words[at++] = 0;  // standard class
    words[at++] = 0;  // no title
    words[at++] = 8;  // point size
    for (const char* face = "MS Sans Serif"; *face != '\0'; ++face) {
        words[at++] = static_cast<WORD>(*face);
    }
    words[at++] = 0;
    HWND probe =
        CreateDialogIndirectParamA(GetModuleHandleA(nullptr), header, nullptr, &ProbeProc, 0);
    RECT rect = {0, 0, width, height};
    MapDialogRect(probe, &rect);
    DestroyWindow(probe);
    return SIZE{rect.right, rect.bottom};
}

bool Near(long actual, double expected) {
    return actual >= expected - 2.0 && actual <= expected + 2.0;
}

}  // namespace

void ExpectControls(HWND dialog, const std::vector<ExpectedControl>& expectedControls,
                    int unitsWide, int unitsHigh, const std::string& what, int ownerDrawnId) {
    std::vector<HWND> children{dialog};
    EnumChildWindows(dialog, &CollectChild, reinterpret_cast<LPARAM>(&children));
    children.erase(children.begin());
    ExpectEqual(static_cast<long long>(children.size()),
                static_cast<long long>(expectedControls.size()), what + ": number of controls");
    RECT client;
    GetClientRect(dialog, &client);
    const double scaleX = static_cast<double>(client.right) / unitsWide;
    const double scaleY = static_cast<double>(client.bottom) / unitsHigh;
    for (size_t i = 0; i < children.size() && i < expectedControls.size(); ++i) {
        const ExpectedControl& want = expectedControls[i];
        HWND control = children[i];
        const std::string name = what + ": control " + std::to_string(want.id);
        const int id = GetDlgCtrlID(control);
        Expect(id == want.id || (want.id == -1 && id == 0xFFFF),
               name + ": id in template order (found " + std::to_string(id) + ")");
        ExpectEqual(ClassNameOf(control), want.className, name + ": class");
        if (want.text != nullptr) {
            ExpectEqual(TextOf(control), want.text, name + ": text");
        }
        LONG style = GetWindowLongA(control, GWL_STYLE);
        LONG expectedStyle = want.style;
        if (want.id == ownerDrawnId) {
            // The link control turns the push button owner-drawn.
            expectedStyle = (expectedStyle & ~0x000F) | 0x000B;
        }
        if (std::string(want.className) == "Edit") {
            // Dialogs draw an edit box's border as a sunken client edge instead.
            style &= ~WS_BORDER;
            expectedStyle &= ~WS_BORDER;
        }
        Expect(style == expectedStyle, name + ": style " + std::to_string(style) + " instead of " +
                                           std::to_string(expectedStyle));
        const RECT rect = ControlRect(dialog, control);
        Expect(Near(rect.left, want.x * scaleX) && Near(rect.top, want.y * scaleY) &&
                   Near(rect.right - rect.left, want.width * scaleX) &&
                   Near(rect.bottom - rect.top, want.height * scaleY),
               name + ": position and size");
    }
}

void ScenarioLayout() {
    const std::string directory = FreshWorkDirectory("layout");
    SetServerReply("checkversion", "PASS");
    ClearServerRequests();
    ClearBrowserAddresses();

    AppSession session(directory);
    HWND dialog = session.MainDialog();
    ExpectEqual(TextOf(dialog), expected::kTitle, "main dialog caption");
    const LONG style = GetWindowLongA(dialog, GWL_STYLE);
    Expect((style & 0x90C800C0) == 0x90C800C0,
           "main dialog: pop-up, visible, caption, system menu, modal frame");
    Expect((style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) == 0,
           "main dialog: no minimise or maximise box");
    Expect((GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_APPWINDOW) != 0,
           "main dialog: application window with a taskbar button");
    Expect(GetWindow(dialog, GW_OWNER) == nullptr, "main dialog: no owner");
    Expect(GetMenu(dialog) != nullptr, "main dialog: has its menu");

    // Centred on the screen.
    RECT window = ScreenRect(dialog);
    RECT area;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    Expect(std::abs((window.left + window.right) - (area.left + area.right)) <= 4 &&
               std::abs((window.top + window.bottom) - (area.top + area.bottom)) <= 4,
           "main dialog: centred on the screen");

    RECT client;
    GetClientRect(dialog, &client);
    const SIZE templateSize = DialogUnitsInPixels(375, 313);
    Expect(client.right == templateSize.cx && client.bottom == templateSize.cy,
           "main dialog: client area of 375 x 313 dialog units (" + std::to_string(client.right) +
               " x " + std::to_string(client.bottom) + ", expected " +
               std::to_string(templateSize.cx) + " x " + std::to_string(templateSize.cy) + ")");
    ExpectControls(dialog, kMainControls, 375, 313, "main dialog", 0);

    ExpectEqual(ControlText(dialog, ids::kInstructions), expected::Instructions(),
                "instructions text");
    ExpectEqual(ControlText(dialog, ids::kResults), "", "results box at start");
    ExpectEqual(ControlText(dialog, ids::kInputPath), "", "path box at start");
    Expect(FocusOf(dialog) == GetDlgItem(dialog, ids::kResults),
           "the results box has the keyboard focus at start");

    // The caption shows the program's small icon: a page with a pure blue tag.
    const RECT captionCorner = {window.left, window.top, window.left + 32, window.top + 32};
    Expect(CountColour(captionCorner, RGB(0, 0, 255)).pixels >= 10,
           "main dialog: the caption shows the program's icon");
    DWORD_PTR image = 0;
    SendMessageTimeoutA(GetDlgItem(dialog, ids::kLogo), STM_GETIMAGE, IMAGE_BITMAP, 0,
                        SMTO_ABORTIFHUNG, 5000, &image);
    Expect(image != 0, "main dialog: the logo shows its bitmap");

    // First start: no settings file, so the setting is on and the quiet check runs once; its
    // PASS reply shows nothing.
    Expect(session.WaitForStartupStep(true), "first start: the check box ends up checked");
    ExpectNoMessageBox(session, 1500, "quiet update check with reply PASS");
    const std::vector<std::string> requests = ServerRequests();
    ExpectEqual(static_cast<long long>(requests.size()), 1, "first start: update requests");
    if (!requests.empty()) {
        ExpectEqual(requests[0], expected::kUpdateRequest, "first start: the update request");
    }
    TakeScreenshot("main-dialog", ScreenRect(dialog));

    CloseWithExitButton(session);
    ExpectSettingsFile(directory, expected::kSettingsOn, "closed with Exit, box checked");
}
