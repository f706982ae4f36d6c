#include "web/form_post.h"

#include "web/http_retriever.h"

std::string PostFormForReply(const std::string& address, const std::string& body,
                             const HttpOptions& options) {
    HttpRetriever retriever(options);
    const char* reply =
        retriever.Fetch(address.c_str(), body.data(), static_cast<int>(body.size()));
    return reply != nullptr ? reply : "";
}
