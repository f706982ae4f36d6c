#include "web/http_retriever.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "web/http_protocol.h"
#include "web/http_transport.h"

HttpRetriever::HttpRetriever(const HttpOptions& options)
    : transport_(CreatePlatformTransport(options)) {}

HttpRetriever::HttpRetriever(std::unique_ptr<HttpTransport> transport)
    : transport_(std::move(transport)) {}

HttpRetriever::~HttpRetriever() = default;

const char* HttpRetriever::Fetch(const char* url, const char* body, int bodyLength) {
    if (url == nullptr || transport_ == nullptr) {
        return nullptr;
    }
    if (body == nullptr) {
        body = "";
        bodyLength = 0;
    }
    const size_t length = bodyLength < 0 ? std::strlen(body) : static_cast<size_t>(bodyLength);
    if (!transport_->PostForm(url, body, length)) {
        return nullptr;
    }
    try {
        auto reply = std::make_unique<std::string>();
        char chunk[kReplyChunkSize + 1];
        size_t received = 0;
        while (received < kMaxReplyBytes) {
            const size_t wanted = std::min(kReplyChunkSize, kMaxReplyBytes - received);
            size_t delivered = 0;
            if (!transport_->ReadChunk(chunk, wanted, delivered) || delivered == 0) {
                break;
            }
            delivered = std::min(delivered, wanted);
            received += delivered;
            const char* end = std::find(chunk, chunk + delivered, '\0');
            reply->append(chunk, static_cast<size_t>(end - chunk));
        }
        replyText_ = std::move(reply);
    } catch (const std::bad_alloc&) {
        replyText_.reset();
        return nullptr;
    }
    return replyText_->c_str();
}
