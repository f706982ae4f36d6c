#include "cli/console_platform.h"

#include <ostream>

ConsolePlatform::ConsolePlatform(PlatformServices& system, std::ostream& out, std::string label)
    : system_(system), out_(out), label_(std::move(label)) {}

bool ConsolePlatform::QueryFreeBytes(const std::string& directory, uint64_t& freeBytes) {
    return system_.QueryFreeBytes(directory, freeBytes);
}

bool ConsolePlatform::OpenInShell(const std::string& verb, const std::string& target) {
    if (!system_.OpenInShell(verb, target)) {
        out_ << label_ << target << '\n';
    }
    return true;
}
