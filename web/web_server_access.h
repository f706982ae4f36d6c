#pragma once
// Which server the update check and the feedback talk to, and how.

#include <string>

#include "web/http_options.h"
#include "web/web_addresses.h"

struct WebServerAccess {
    std::string host = MakerWebHost();
    HttpOptions http;
};
