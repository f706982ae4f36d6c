#pragma once
// One form post with a client of its own, as the update check and the feedback make it.

#include <string>

#include "web/http_options.h"

// Posts `body` to `address` and returns the reply text; empty when nothing came back.
std::string PostFormForReply(const std::string& address, const std::string& body,
                             const HttpOptions& options);
