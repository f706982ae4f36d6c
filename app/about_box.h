#pragma once
// The About box: name, version and legal notice, the feedback form, and links to the maker's
// web site.

#include <windows.h>

#include <string>

#include "app/link_button.h"
#include "app/modal_dialog.h"

class CAboutBox {
public:
    // Runs the box modally over `owner` (which is disabled meanwhile).
    INT_PTR DoModal(HWND owner);

    // Data exchange: the link control takes over button 1001; the edit boxes get the texts.
    void RefreshControls();
    void ReadControls();

    std::string productName;
    std::string productVersion;
    std::string buildNote;
    CLinkButton link;
    std::string feedbackText;
    std::string versionText;

private:
    friend INT_PTR CALLBACK DialogProcedure<CAboutBox>(HWND, UINT, WPARAM, LPARAM);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    BOOL OnInitDialog();
    void OnCommand(int id, int code);
    void OnSend();
    void OnOK();
    void OnLogo();

    HWND window_ = nullptr;
};

// The About command: builds a new box with its texts, runs it and destroys it.
void ShowAboutBox(HWND owner);
