// PlatformServices on Linux and other POSIX systems: statvfs and the freedesktop opener.

#include <fcntl.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/platform_services.h"

namespace {

bool HasGraphicalSession() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

bool IsOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    if (path == nullptr) {
        return false;
    }
    std::string directories = path;
    size_t begin = 0;
    while (begin <= directories.size()) {
        size_t end = directories.find(':', begin);
        if (end == std::string::npos) {
            end = directories.size();
        }
        const std::string directory = directories.substr(begin, end - begin);
        if (!directory.empty() && access((directory + "/" + program).c_str(), X_OK) == 0) {
            return true;
        }
        begin = end + 1;
    }
    return false;
}

// Starts `program target` detached from this process (double fork, so nothing is left to reap).
bool SpawnDetached(const char* program, const std::string& target) {
    const pid_t child = fork();
    if (child < 0) {
        return false;
    }
    if (child == 0) {
        if (fork() == 0) {
            setsid();
            const int devNull = open("/dev/null", O_RDWR);
            if (devNull >= 0) {
                dup2(devNull, STDIN_FILENO);
                dup2(devNull, STDOUT_FILENO);
                dup2(devNull, STDERR_FILENO);
            }
            execlp(program, program, target.c_str(), static_cast<char*>(nullptr));
        }
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return true;
}

class PosixPlatform : public PlatformServices {
public:
    bool QueryFreeBytes(const std::string& directory, uint64_t& freeBytes) override {
        struct statvfs info {};
        if (statvfs(directory.c_str(), &info) != 0) {
            return false;
        }
        freeBytes = static_cast<uint64_t>(info.f_bfree) * static_cast<uint64_t>(info.f_frsize);
        return true;
    }

    bool OpenInShell(const std::string& /*verb*/, const std::string& target) override {
        if (!HasGraphicalSession() || !IsOnPath("xdg-open")) {
            return false;
        }
        return SpawnDetached("xdg-open", target);
    }
};

}  // namespace

PlatformServices& SystemPlatform() {
    static PosixPlatform platform;
    return platform;
}

std::string CurrentDirectory() {
    std::string directory(4096, '\0');
    while (getcwd(&directory[0], directory.size()) == nullptr) {
        if (errno != ERANGE) {
            return std::string();
        }
        directory.resize(directory.size() * 2);
    }
    directory.resize(directory.find('\0'));
    return directory;
}

bool PathExists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

std::string FullPathOf(const std::string& name) {
    if (!name.empty() && name[0] == '/') {
        return name;
    }
    const std::string directory = CurrentDirectory();
    if (directory.empty()) {
        return std::string();
    }
    return directory.back() == '/' ? directory + name : directory + "/" + name;
}

bool StdinIsTerminal() {
    return isatty(STDIN_FILENO) != 0;
}

bool StderrIsTerminal() {
    return isatty(STDERR_FILENO) != 0;
}
