#pragma once
// How patient the HTTP client is and whom it trusts.

#include <string>

// Connecting, and each wait for reply data, give up after this long.
constexpr long kDefaultHttpTimeoutMs = 15000;

struct HttpOptions {
    long timeoutMs = kDefaultHttpTimeoutMs;
    // A PEM file of certificate authorities to trust instead of the system's own (used by the
    // libcurl client; the Windows client always uses the system's certificate store). Empty:
    // the system's certificate authorities.
    std::string trustedAuthoritiesFile;
};
