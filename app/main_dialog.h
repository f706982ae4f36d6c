#pragma once
// The main dialog: the whole working surface of the program, and the host of the analysis run.

#include <windows.h>

#include <string>

#include "analysis/analysis_host.h"
#include "app/message_box_presenter.h"
#include "app/modal_dialog.h"

class CMainDialog : public AnalysisHost {
public:
    CMainDialog();

    // Runs the dialog modally, with no owner, until the close command ends it.
    INT_PTR DoModal();

    // What the analysis run uses of its host.
    void SetResultsText(const std::string& text) override { resultsText = text; }
    void RefreshControls() override;
    void PumpPendingMessage() override;
    void SetBusy(bool busy) override;
    // During a run only the results box is rewritten.
    void ShowProgress(const ProgressUpdate& update) override;

    // Takes the contents of the controls into the fields.
    void ReadControls();

    std::string inputPath;
    std::string resultsText;
    std::string instructionsText;
    int autoUpdate = 0;
    HICON appIcon;

private:
    friend INT_PTR CALLBACK DialogProcedure<CMainDialog>(HWND, UINT, WPARAM, LPARAM);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    BOOL OnInitDialog();
    void OnCommand(int id, int code);
    void OnTimer(UINT_PTR timerId);
    bool OnSysCommand(WPARAM command);
    bool OnPaint();

    // Commands.
    void OnCancel();
    void OnAnalyze();
    void OnBrowse();
    void OnCopyToClipboard();
    void OnHelp();
    void OnLogo();
    void OnCheckForUpdates();
    void OnAbout();

    HWND window_ = nullptr;
    MessageBoxPresenter presenter_{nullptr};
};
