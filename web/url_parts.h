#pragma once
// Splitting a web address into the parts a request needs.

#include <string>

struct UrlParts {
    std::string scheme;  // as written, e.g. "http"
    std::string host;    // an IPv6 address keeps its brackets
    int port = 0;        // as written, or the scheme's default (80 for http, 443 for https)
    std::string path;    // everything from the first '/' after the host, query included; may
                         // be empty
};

// False for an address without "scheme://", with an unknown scheme, without a host or with a
// port that is not a number from 1 to 65535. Nothing is decoded or escaped.
bool SplitUrl(const std::string& url, UrlParts& parts);
