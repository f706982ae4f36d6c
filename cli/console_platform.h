#pragma once
// The system's services for the console programs: what the desktop shell cannot open is named
// on standard output instead (a folder to look at, an address to download).

#include <iosfwd>
#include <string>

#include "platform/platform_services.h"

class ConsolePlatform : public PlatformServices {
public:
    // `label` introduces a target the shell could not open, e.g. "Folder: ".
    ConsolePlatform(PlatformServices& system, std::ostream& out, std::string label);

    bool QueryFreeBytes(const std::string& directory, uint64_t& freeBytes) override;
    bool OpenInShell(const std::string& verb, const std::string& target) override;

private:
    PlatformServices& system_;
    std::ostream& out_;
    std::string label_;
};
