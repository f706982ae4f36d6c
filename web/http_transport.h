#pragma once
// One platform's way of posting a form and reading the reply: WinINet on Windows, libcurl
// elsewhere. The build compiles exactly one implementation of CreatePlatformTransport.

#include <cstddef>
#include <memory>

#include "web/http_options.h"

class HttpTransport {
public:
    virtual ~HttpTransport() = default;

    // Posts `length` bytes of `body` to `url` with the user agent, accept type and content-type
    // header of http_protocol.h; a port other than 80 is spoken to over TLS with the server's
    // certificate verified. Ends any earlier request first. True when the request was sent and
    // the server's reply has begun; false when nothing was sent or nothing came back in time.
    virtual bool PostForm(const char* url, const char* body, size_t length) = 0;

    // Takes in the next part of the reply body, at most `capacity` bytes. `delivered` is 0 at
    // the end of the body. False when the read failed (an error, or no data in time).
    virtual bool ReadChunk(char* buffer, size_t capacity, size_t& delivered) = 0;
};

std::unique_ptr<HttpTransport> CreatePlatformTransport(const HttpOptions& options);
