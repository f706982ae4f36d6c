#include "tcp/endpoint.h"

std::string Endpoint::ToString() const {
    const std::string address_text = address.ToString();
    const std::string port_text = ":" + std::to_string(port);
    if (address.family == IpAddress::Family::V6) {
        return "[" + address_text + "]" + port_text;
    }
    return address_text + port_text;
}
