#pragma once
// Services of the operating system that the portable code needs. One implementation per
// platform is compiled in (see platform/CMakeLists.txt).

#include <cstdint>
#include <string>

class PlatformServices {
public:
    virtual ~PlatformServices() = default;

    // Total free bytes of the file system that holds `directory`; false when they are unknown.
    virtual bool QueryFreeBytes(const std::string& directory, uint64_t& freeBytes) = 0;

    // Hands `target` to the desktop shell: verb "open" for web pages, "explore" for folders.
    // False when there is no desktop shell to hand it to or it refused.
    virtual bool OpenInShell(const std::string& verb, const std::string& target) = 0;
};

// The implementation for the platform this program was built for.
PlatformServices& SystemPlatform();

// The process's current directory, whether a path exists, and the full path a relative name
// resolves to, all with narrow strings in the system's code page (empty when they cannot be had).
std::string CurrentDirectory();
bool PathExists(const std::string& path);
std::string FullPathOf(const std::string& name);

// Whether standard input / standard error are attached to an interactive terminal.
bool StdinIsTerminal();
bool StderrIsTerminal();
