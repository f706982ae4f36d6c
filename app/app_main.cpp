// The application object: starts the program, runs the main dialog modally and ends the process
// when the dialog closes. There is no other main window and no message loop of its own.

#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include "app/main_dialog.h"

namespace {

class CParserApp {
public:
    int Run() {
        // Common controls (hover tracking of the link control) and their current look.
        INITCOMMONCONTROLSEX controls = {};
        controls.dwSize = sizeof(controls);
        controls.dwICC = ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES;
        InitCommonControlsEx(&controls);

        CMainDialog dialog;
        dialog.DoModal();  // its result is not examined
        return 0;
    }
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    CParserApp application;
    return application.Run();
}
