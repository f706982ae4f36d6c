// The main dialog's commands: Analyze, Browse, Copy to clipboard, Help, the logo, Check for
// updates and About.

#include <windows.h>
// After windows.h, which it needs.
#include <commdlg.h>

#include <cstring>

#include "analysis/analysis_run.h"
#include "app/about_box.h"
#include "app/dialog_data.h"
#include "app/main_dialog.h"
#include "app/resource.h"
#include "app/web_features.h"
#include "app/web_references.h"
#include "platform/platform_services.h"
#include "settings/html_report_setting.h"

namespace {
constexpr DWORD kOpenDialogFlags = 0x00080004;  // explorer style, read-only box hidden
constexpr UINT kSharedMemory = 0x2000;          // shared, not movable
}  // namespace

void CMainDialog::OnAnalyze() {
    // A path typed into the box is taken over, so that it need not come from Browse.
    inputPath = ReadControlText(window_, IDC_INPUT_PATH);
    AnalysisRequest request;
    request.inputPaths = {inputPath};
    // The page beside output.txt; replaced only by a run that writes output.txt anew, since the
    // dialog stops at an earlier report.
    if (LoadHtmlReportSetting()) {
        request.options.html = kHtmlReportFileName;
    }
    RunAnalysis(request, *this, SystemPlatform());
}

void CMainDialog::OnBrowse() {
    char path[MAX_PATH] = {};
    OPENFILENAMEA request = {};
    request.lStructSize = sizeof(request);
    request.hwndOwner = window_;
    request.lpstrFilter = nullptr;  // every file is listed
    request.lpstrFile = path;
    request.nMaxFile = MAX_PATH;
    request.lpstrDefExt = "*.*";
    request.Flags = kOpenDialogFlags;
    GetOpenFileNameA(&request);  // a cancelled dialog leaves the path empty

    const std::string chosen = path;
    const size_t lastBackslash = chosen.rfind('\\');
    if (!chosen.empty() && lastBackslash != std::string::npos && lastBackslash > 0) {
        inputPath = chosen;
    }
    RefreshControls();
}

void CMainDialog::OnCopyToClipboard() {
    if (!OpenClipboard(window_)) {
        return;
    }
    EmptyClipboard();
    const size_t size = resultsText.size() + 1;
    HGLOBAL block = GlobalAlloc(kSharedMemory, size);
    void* bytes = block != nullptr ? GlobalLock(block) : nullptr;
    if (bytes == nullptr) {
        // Nothing to hand over: the clipboard stays empty.
        if (block != nullptr) {
            GlobalFree(block);
        }
        CloseClipboard();
        return;
    }
    std::memcpy(bytes, resultsText.c_str(), size);
    GlobalUnlock(block);
    if (SetClipboardData(CF_TEXT, block) == nullptr) {
        GlobalFree(block);
    }
    CloseClipboard();
}

void CMainDialog::OnHelp() {
    SystemPlatform().OpenInShell("open", HelpPageAddress());
}

void CMainDialog::OnLogo() {
    SystemPlatform().OpenInShell("open", MainLogoAddress());
}

void CMainDialog::OnCheckForUpdates() {
    CheckForUpdateNow();
}

void CMainDialog::OnAbout() {
    ShowAboutBox(window_);
}
