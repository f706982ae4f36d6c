#include "app/about_box.h"

#include "app/about_text.h"
#include "app/dialog_data.h"
#include "app/modal_dialog.h"
#include "app/resource.h"
#include "app/web_features.h"
#include "app/web_references.h"
#include "common/product_identity.h"
#include "common/text_format.h"
#include "platform/platform_services.h"

void ShowAboutBox(HWND owner) {
    CAboutBox box;
    box.link.refText = LinkReferenceText();
    box.feedbackText = FeedbackTemplate();
    box.versionText = VersionLines();
    box.productName = Format("%s", kProductName);
    box.productVersion = FullVersionText();
    // The date and time at which this file was compiled.
    box.buildNote = BuildNote(__DATE__, __TIME__);
    box.versionText += LegalNotice();
    box.DoModal(owner);
}

INT_PTR CAboutBox::DoModal(HWND owner) {
    return RunModalDialog(IDD_ABOUTBOX, owner, *this);
}

INT_PTR CAboutBox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_DRAWITEM:
            if (wParam == IDC_WEB_LINK) {
                link.DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
                return TRUE;
            }
            return FALSE;
        case WM_DESTROY:
            link.Detach();
            return FALSE;
        default:
            return FALSE;
    }
}

BOOL CAboutBox::OnInitDialog() {
    link.Attach(GetDlgItem(window_, IDC_WEB_LINK));
    if (!WebFeaturesBuilt()) {
        feedbackText = "This build sends no feedback: it has no network functions.";
        EnableWindow(GetDlgItem(window_, IDC_SEND), FALSE);
        EnableWindow(GetDlgItem(window_, IDC_FEEDBACK), FALSE);
    }
    RefreshControls();
    CenterDialog(window_, GetWindow(window_, GW_OWNER));
    return TRUE;  // the first tab stop, "Send", gets the focus
}

void CAboutBox::RefreshControls() {
    WriteControlText(window_, IDC_FEEDBACK, feedbackText);
    WriteControlText(window_, IDC_VERSION_INFO, versionText);
}

void CAboutBox::ReadControls() {
    feedbackText = ReadControlText(window_, IDC_FEEDBACK);
    versionText = ReadControlText(window_, IDC_VERSION_INFO);
}

void CAboutBox::OnCommand(int id, int code) {
    if (code != BN_CLICKED) {  // STN_CLICKED is 0 as well
        return;
    }
    switch (id) {
        case IDC_SEND:
            OnSend();
            break;
        case IDC_ABOUT_EXIT:
        case IDOK:
            OnOK();
            break;
        case IDCANCEL:
            EndModalDialog(window_, IDCANCEL);
            break;
        case IDC_WEB_LINK:
            link.OnReflectedClick();  // the control handles its own click
            break;
        case IDC_ABOUT_LOGO:
            OnLogo();
            break;
        default:
            break;
    }
}

void CAboutBox::OnSend() {
    ReadControls();
    SendFeedbackText(productName, productVersion, feedbackText, buildNote);
}

void CAboutBox::OnOK() {
    ReadControls();
    EndModalDialog(window_, IDOK);
}

void CAboutBox::OnLogo() {
    SystemPlatform().OpenInShell("open", AboutLogoAddress(productName, productVersion));
}
