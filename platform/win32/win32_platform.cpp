// PlatformServices on Windows: GetDiskFreeSpaceExA and ShellExecuteA.

// windows.h must come before the other Windows headers.
#include <windows.h>
// clang-format off
#include <io.h>
#include <shellapi.h>
// clang-format on

#include <cstdio>

#include "platform/platform_services.h"

namespace {

class Win32Platform : public PlatformServices {
public:
    bool QueryFreeBytes(const std::string& directory, uint64_t& freeBytes) override {
        ULARGE_INTEGER available;
        ULARGE_INTEGER total;
        ULARGE_INTEGER totalFree;
        if (!GetDiskFreeSpaceExA(directory.c_str(), &available, &total, &totalFree)) {
            return false;
        }
        freeBytes = totalFree.QuadPart;
        return true;
    }

    bool OpenInShell(const std::string& verb, const std::string& target) override {
        const HINSTANCE result =
            ShellExecuteA(nullptr, verb.c_str(), target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        return reinterpret_cast<INT_PTR>(result) > 32;
    }
};

}  // namespace

PlatformServices& SystemPlatform() {
    static Win32Platform platform;
    return platform;
}

std::string CurrentDirectory() {
    const DWORD size = GetCurrentDirectoryA(0, nullptr);
    if (size == 0) {
        return std::string();
    }
    std::string directory(size, '\0');
    const DWORD length = GetCurrentDirectoryA(size, &directory[0]);
    if (length == 0 || length >= size) {
        return std::string();
    }
    directory.resize(length);
    return directory;
}

bool PathExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string FullPathOf(const std::string& name) {
    const DWORD size = GetFullPathNameA(name.c_str(), 0, nullptr, nullptr);
    if (size == 0) {
        return std::string();
    }
    std::string full(size, '\0');
    const DWORD length = GetFullPathNameA(name.c_str(), size, &full[0], nullptr);
    if (length == 0 || length >= size) {
        return std::string();
    }
    full.resize(length);
    return full;
}

bool StdinIsTerminal() {
    return _isatty(_fileno(stdin)) != 0;
}

bool StderrIsTerminal() {
    return _isatty(_fileno(stderr)) != 0;
}
