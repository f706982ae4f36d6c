#include "web/url_parts.h"

#include <cctype>

namespace {

struct SchemePort {
    const char* scheme;
    int port;
};

constexpr SchemePort kDefaultPorts[] = {{"http", 80}, {"https", 443}};

std::string Lowercase(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

bool DefaultPort(const std::string& scheme, int& port) {
    for (const SchemePort& entry : kDefaultPorts) {
        if (Lowercase(scheme) == entry.scheme) {
            port = entry.port;
            return true;
        }
    }
    return false;
}

bool ParsePort(const std::string& text, int& port) {
    if (text.empty() || text.size() > 5) {
        return false;
    }
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 65535) {
        return false;
    }
    port = value;
    return true;
}

// Splits "host[:port]" (after any "user@" was removed).
bool SplitHostPort(const std::string& hostPort, UrlParts& parts) {
    size_t hostEnd = 0;
    if (!hostPort.empty() && hostPort[0] == '[') {
        const size_t close = hostPort.find(']');
        if (close == std::string::npos) {
            return false;
        }
        hostEnd = close + 1;
    } else {
        hostEnd = hostPort.find(':');
        if (hostEnd == std::string::npos) {
            hostEnd = hostPort.size();
        }
    }
    parts.host = hostPort.substr(0, hostEnd);
    if (parts.host.empty()) {
        return false;
    }
    if (hostEnd == hostPort.size()) {
        return true;
    }
    if (hostPort[hostEnd] != ':') {
        return false;
    }
    return ParsePort(hostPort.substr(hostEnd + 1), parts.port);
}

}  // namespace

bool SplitUrl(const std::string& url, UrlParts& parts) {
    const size_t schemeEnd = url.find("://");
    if (schemeEnd == std::string::npos) {
        return false;
    }
    UrlParts result;
    result.scheme = url.substr(0, schemeEnd);
    if (!DefaultPort(result.scheme, result.port)) {
        return false;
    }
    const size_t authorityBegin = schemeEnd + 3;
    size_t pathBegin = url.find_first_of("/?#", authorityBegin);
    if (pathBegin == std::string::npos) {
        pathBegin = url.size();
    }
    std::string authority = url.substr(authorityBegin, pathBegin - authorityBegin);
    const size_t at = authority.rfind('@');
    if (at != std::string::npos) {
        authority.erase(0, at + 1);
    }
    if (!SplitHostPort(authority, result)) {
        return false;
    }
    result.path = url.substr(pathBegin);
    parts = result;
    return true;
}
