#include "tests/app/driver/test_files.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "tests/app/driver/checks.h"
#include "tests/app/driver/remote_window.h"

DriverSettings& Settings() {
    static DriverSettings settings;
    return settings;
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool ReadWholeFile(const std::string& path, std::string& content) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return false;
    }
    std::ostringstream bytes;
    bytes << file.rdbuf();
    content = bytes.str();
    return true;
}

std::string ReadWholeFile(const std::string& path) {
    std::string content;
    ReadWholeFile(path, content);
    return content;
}

void WriteWholeFile(const std::string& path, const std::string& content) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << content;
    if (!file) {
        Fail("cannot write " + path);
    }
}

void RemoveFile(const std::string& path) {
    DeleteFileA(path.c_str());
}

std::string JoinPath(const std::string& directory, const std::string& name) {
    if (!directory.empty() && directory.back() != '\\') {
        return directory + "\\" + name;
    }
    return directory + name;
}

std::string FreshWorkDirectory(const std::string& name) {
    const std::string directory = JoinPath(Settings().workRoot, name);
    CreateDirectoryA(directory.c_str(), nullptr);
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(JoinPath(directory, "*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                RemoveFile(JoinPath(directory, entry.cFileName));
            }
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    return directory;
}

std::string FullPath(const std::string& path) {
    char full[MAX_PATH] = {};
    GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    return full;
}

namespace {
std::string ReplyPath(const std::string& script) {
    return JoinPath(Settings().serverDir, "reply-" + script + ".txt");
}

std::vector<std::string> Lines(const std::string& content) {
    std::vector<std::string> lines;
    std::string line;
    for (char c : content) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (c != '\r') {
            line += c;
        }
    }
    if (!line.empty()) {
        lines.push_back(line);
    }
    return lines;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string PercentDecoded(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}
}  // namespace

void SetServerReply(const std::string& script, const std::string& body) {
    WriteWholeFile(ReplyPath(script), body);
}

void RemoveServerReply(const std::string& script) {
    RemoveFile(ReplyPath(script));
}

std::vector<std::string> ServerRequests() {
    return Lines(ReadWholeFile(JoinPath(Settings().serverDir, "requests.log")));
}

void ClearServerRequests() {
    WriteWholeFile(JoinPath(Settings().serverDir, "requests.log"), "");
}

std::vector<std::string> BrowserAddresses() {
    std::vector<std::string> addresses;
    for (const std::string& line : Lines(ReadWholeFile(Settings().browserLog))) {
        addresses.push_back(PercentDecoded(line));
    }
    return addresses;
}

void ClearBrowserAddresses() {
    WriteWholeFile(Settings().browserLog, "");
}

bool TakeScreenshot(const std::string& name, const RECT& screenRect) {
    const std::string request = JoinPath(Settings().shotDir, name + ".request");
    const std::string done = JoinPath(Settings().shotDir, name + ".done");
    RemoveFile(done);
    char geometry[128];
    std::snprintf(geometry, sizeof(geometry), "%ldx%ld+%ld+%ld\n",
                  screenRect.right - screenRect.left, screenRect.bottom - screenRect.top,
                  screenRect.left, screenRect.top);
    WriteWholeFile(request + ".tmp", geometry);
    MoveFileA((request + ".tmp").c_str(), request.c_str());
    const bool taken = WaitUntil([&] { return FileExists(done); }, 20000);
    if (!taken) {
        Note("no screenshot was taken for " + name);
        RemoveFile(request);
    }
    return taken;
}
