// The main dialog's life: initialisation, the start-up step, the close command, message
// dispatch, icon painting, and the operations that the analysis run uses.

#include "app/main_dialog.h"

#include "app/dialog_data.h"
#include "app/instructions_text.h"
#include "app/modal_dialog.h"
#include "app/resource.h"
#include "app/web_features.h"
#include "common/logging.h"
#include "settings/auto_update_setting.h"

namespace {
constexpr UINT_PTR kStartupTimer = 1;
constexpr UINT kStartupTimerPeriod = 1;  // milliseconds
constexpr WPARAM kSystemMenuCommandMask = 0xFFF0;
}  // namespace

CMainDialog::CMainDialog()
    : appIcon(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_MAINFRAME))) {}

INT_PTR CMainDialog::DoModal() {
    // Every box of the program, the analysis run's included, goes through this dialog's
    // presenter, which is given its window once the dialog exists.
    const ScopedMessagePresenter presenterScope(presenter_);
    return RunModalDialog(IDD_MAIN_DIALOG, nullptr, *this);
}

INT_PTR CMainDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_TIMER:
            OnTimer(wParam);
            return FALSE;  // then the default handling
        case WM_SYSCOMMAND:
            return OnSysCommand(wParam) ? TRUE : FALSE;
        case WM_PAINT:
            return OnPaint() ? TRUE : FALSE;
        case WM_QUERYDRAGICON:
            return reinterpret_cast<INT_PTR>(appIcon);
        default:
            (void)lParam;
            return FALSE;
    }
}

BOOL CMainDialog::OnInitDialog() {
    RefreshControls();
    CenterDialog(window_, nullptr);

    // Every box of the program, the analysis run's included, is owned by this dialog.
    presenter_ = MessageBoxPresenter(window_);

    HMENU systemMenu = GetSystemMenu(window_, FALSE);
    char aboutItem[256] = {};
    if (systemMenu != nullptr &&
        LoadStringA(GetModuleHandleA(nullptr), IDS_ABOUTBOX, aboutItem, sizeof(aboutItem)) > 0) {
        AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(systemMenu, MF_STRING, IDM_SYSTEM_ABOUT, aboutItem);
    }

    SendMessageA(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(appIcon));
    SendMessageA(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(appIcon));

    if (!WebFeaturesBuilt()) {
        EnableWindow(GetDlgItem(window_, IDC_CHECK_UPDATES), FALSE);
        EnableWindow(GetDlgItem(window_, IDC_AUTO_UPDATE), FALSE);
    }

    SetDebugLogEnabled(false);
    instructionsText = InstructionsText();
    RefreshControls();
    SetTimer(window_, kStartupTimer, kStartupTimerPeriod, nullptr);
    return TRUE;  // the system gives the focus to the first tab stop, the results box
}

void CMainDialog::OnTimer(UINT_PTR timerId) {
    if (timerId != kStartupTimer) {
        return;
    }
    KillTimer(window_, kStartupTimer);
    autoUpdate = LoadAutoUpdateSetting() ? 1 : 0;
    if (autoUpdate == 1) {
        CheckForUpdateAtStartup();
    }
    RefreshControls();
}

void CMainDialog::OnCommand(int id, int code) {
    if (code != BN_CLICKED) {  // also STN_CLICKED and menu commands: all 0
        return;
    }
    switch (id) {
        case IDC_ANALYZE:
            OnAnalyze();
            break;
        case IDC_BROWSE:
            OnBrowse();
            break;
        case IDC_COPY_TO_CLIPBOARD:
            OnCopyToClipboard();
            break;
        case IDC_ABOUT:
        case IDM_ABOUT:
            OnAbout();
            break;
        case IDC_CHECK_UPDATES:
            OnCheckForUpdates();
            break;
        case IDM_HELP:
            OnHelp();
            break;
        case IDC_LOGO:
            OnLogo();
            break;
        case IDC_EXIT:
        case IDM_EXIT:
        case IDCANCEL:
            OnCancel();
            break;
        default:
            break;
    }
}

bool CMainDialog::OnSysCommand(WPARAM command) {
    if ((command & kSystemMenuCommandMask) == IDM_SYSTEM_ABOUT) {
        OnAbout();
        return true;
    }
    return false;
}

bool CMainDialog::OnPaint() {
    if (!IsIconic(window_)) {
        return false;
    }
    PAINTSTRUCT paint;
    HDC context = BeginPaint(window_, &paint);
    SendMessageA(window_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(context), 0);
    RECT client;
    GetClientRect(window_, &client);
    const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(context, x, y, appIcon);
    EndPaint(window_, &paint);
    return true;
}

void CMainDialog::OnCancel() {
    ReadControls();
    StoreAutoUpdateSetting(autoUpdate != 0);
    EndModalDialog(window_, IDOK);
}

void CMainDialog::RefreshControls() {
    WriteControlText(window_, IDC_INPUT_PATH, inputPath);
    WriteControlText(window_, IDC_RESULTS, resultsText);
    WriteControlText(window_, IDC_INSTRUCTIONS, instructionsText);
    WriteCheckState(window_, IDC_AUTO_UPDATE, autoUpdate);
}

void CMainDialog::ReadControls() {
    inputPath = ReadControlText(window_, IDC_INPUT_PATH);
    resultsText = ReadControlText(window_, IDC_RESULTS);
    instructionsText = ReadControlText(window_, IDC_INSTRUCTIONS);
    autoUpdate = ReadCheckState(window_, IDC_AUTO_UPDATE);
}

void CMainDialog::PumpPendingMessage() {
    UpdateWindow(window_);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));  // for the modal loop to see
            break;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void CMainDialog::ShowProgress(const ProgressUpdate& update) {
    resultsText = ProgressText(update);
    WriteControlText(window_, IDC_RESULTS, resultsText);
    PumpPendingMessage();
}

void CMainDialog::SetBusy(bool busy) {
    // The results box and Analyze stay disabled while a run works.
    for (int control : {IDC_RESULTS, IDC_ANALYZE}) {
        EnableWindow(GetDlgItem(window_, control), busy ? FALSE : TRUE);
    }
}
