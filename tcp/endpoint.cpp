#include "tcp/endpoint.h"

std::string Endpoint::ToString() const {
    const bool v6 = address.family == IpAddress::Family::V6;
    std::string text;
    text.reserve(48);
    if (v6) {
        text += '[';
    }
    text += address.ToString();
    if (v6) {
        text += ']';
    }
    text += ':';
    text += std::to_string(port);
    return text;
}
