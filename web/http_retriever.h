#pragma once
// A synchronous HTTP client: posts a form and returns the reply body as text.

#include <memory>
#include <string>

#include "web/http_options.h"

class HttpTransport;

class HttpRetriever {
public:
    explicit HttpRetriever(const HttpOptions& options = HttpOptions());
    // Uses the given transport instead of the platform's.
    explicit HttpRetriever(std::unique_ptr<HttpTransport> transport);
    ~HttpRetriever();
    HttpRetriever(const HttpRetriever&) = delete;
    HttpRetriever& operator=(const HttpRetriever&) = delete;

    // Posts `bodyLength` bytes of `body` (-1: up to its NUL) to `url` and returns the reply body
    // as NUL-terminated text: a NUL inside the body ends the text of the part it arrived in,
    // later parts are appended after it. Only the first kMaxReplyBytes bytes of the body are
    // taken in; the rest is left unread. The HTTP status plays no part. Null when `url` is null
    // or the request was not sent. The text stays valid until the next Fetch or the end of
    // the client.
    const char* Fetch(const char* url, const char* body, int bodyLength);

private:
    std::unique_ptr<HttpTransport> transport_;
    std::unique_ptr<std::string> replyText_;
};
