#pragma once
// How patient the HTTP client is and whom it trusts.

#include <string>

struct HttpTimeouts {
    // Connecting, and each wait for reply data, give up after this long.
    long stallMs = 15000;
    // The whole request, from connecting to the last byte of the reply, gives up after this
    // long, however steadily data trickles in.
    long overallMs = 30000;
};

struct HttpOptions {
    HttpTimeouts timeouts;
    // A PEM file of certificate authorities to trust instead of the system's own (used by the
    // libcurl client; the Windows client always uses the system's certificate store). Empty:
    // the system's certificate authorities.
    std::string trustedAuthoritiesFile;
};
