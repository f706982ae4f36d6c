#include "app/hand_cursor.h"

#include <cstring>

namespace {

constexpr const char* kHelpProgram = "\\Winhlp32.exe";
constexpr int kHelpProgramHandCursor = 106;

HCURSOR LoadHelpProgramCursor() {
    char path[MAX_PATH];
    const UINT length = GetWindowsDirectoryA(path, MAX_PATH);
    if (length == 0 || length + std::strlen(kHelpProgram) + 1 > MAX_PATH) {
        return nullptr;  // no directory, or the path would not fit the buffer
    }
    std::strcat(path, kHelpProgram);
    // Loaded for its resources only, so a help program of the other word size loads too. The
    // module stays loaded, as the cursor lives in it.
    HMODULE module = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) {
        return nullptr;
    }
    HCURSOR cursor = LoadCursorA(module, MAKEINTRESOURCEA(kHelpProgramHandCursor));
    if (cursor == nullptr) {
        FreeLibrary(module);
    }
    return cursor;
}

}  // namespace

HCURSOR LoadHandCursor() {
    HCURSOR cursor = LoadHelpProgramCursor();
    if (cursor == nullptr) {
        cursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));  // IDC_HAND
    }
    return cursor;
}
