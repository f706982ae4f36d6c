// HttpTransport on libcurl: the same request as the Windows client sends, with the port rule
// mapped onto the URL scheme (port 80: "http", any other port: "https").

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <mutex>
#include <new>
#include <string>

#include "web/http_protocol.h"
#include "web/http_transport.h"
#include "web/url_parts.h"

namespace {

using Clock = std::chrono::steady_clock;

// What one transfer collects, and when data last moved.
struct Transfer {
    std::deque<std::string> chunks;
    Clock::time_point lastActivity = Clock::now();
    curl_off_t lastByteCount = 0;
    std::chrono::milliseconds timeout{0};
};

size_t OnBodyData(char* data, size_t size, size_t count, void* context) {
    Transfer& transfer = *static_cast<Transfer*>(context);
    const size_t total = size * count;
    try {
        for (size_t offset = 0; offset < total; offset += kReplyChunkSize) {
            const size_t part = std::min(kReplyChunkSize, total - offset);
            transfer.chunks.emplace_back(data + offset, part);
        }
    } catch (const std::bad_alloc&) {
        return 0;  // out of memory: the transfer stops, what came so far is kept
    }
    transfer.lastActivity = Clock::now();
    return total;
}

size_t OnHeaderData(char* /*data*/, size_t size, size_t count, void* context) {
    static_cast<Transfer*>(context)->lastActivity = Clock::now();
    return size * count;
}

// Gives up when no byte has moved in either direction for the time-out.
int OnProgress(void* context, curl_off_t /*dlTotal*/, curl_off_t dlNow, curl_off_t /*ulTotal*/,
               curl_off_t ulNow) {
    Transfer& transfer = *static_cast<Transfer*>(context);
    const Clock::time_point now = Clock::now();
    if (dlNow + ulNow != transfer.lastByteCount) {
        transfer.lastByteCount = dlNow + ulNow;
        transfer.lastActivity = now;
        return 0;
    }
    return now - transfer.lastActivity > transfer.timeout ? 1 : 0;
}

void InitialiseCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CurlHandles {
    CURL* curl = curl_easy_init();
    curl_slist* headers = nullptr;
    ~CurlHandles() {
        curl_slist_free_all(headers);
        if (curl != nullptr) {
            curl_easy_cleanup(curl);
        }
    }
};

class CurlTransport : public HttpTransport {
public:
    explicit CurlTransport(const HttpOptions& options) : options_(options) { InitialiseCurlOnce(); }

    bool PostForm(const char* url, const char* body, size_t length) override {
        transfer_ = Transfer();
        readFailed_ = false;
        UrlParts parts;
        if (!SplitUrl(url, parts)) {
            return false;
        }
        CurlHandles handles;
        if (handles.curl == nullptr) {
            return false;
        }
        const std::string scheme = UsesSecureConnection(parts.port) ? "https" : "http";
        const std::string address = scheme + "://" + parts.host + ":" + std::to_string(parts.port);
        const std::string target =
            parts.path.empty() || parts.path[0] != '/' ? "/" + parts.path : parts.path;
        handles.headers = curl_slist_append(handles.headers, kFormContentTypeHeader);
        handles.headers = curl_slist_append(handles.headers, "Expect:");  // no 100-continue
        transfer_.timeout = std::chrono::milliseconds(options_.timeoutMs);

        CURL* curl = handles.curl;
        curl_easy_setopt(curl, CURLOPT_URL, (address + "/").c_str());
        curl_easy_setopt(curl, CURLOPT_REQUEST_TARGET, target.c_str());
        curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
        curl_easy_setopt(curl, CURLOPT_PROXY, "");  // direct connection, whatever the settings
        curl_easy_setopt(curl, CURLOPT_POST, 1L);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(length));
        curl_easy_setopt(curl, CURLOPT_USERAGENT, kHttpUserAgent);
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, handles.headers);
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
        if (!options_.trustedAuthoritiesFile.empty()) {
            curl_easy_setopt(curl, CURLOPT_CAINFO, options_.trustedAuthoritiesFile.c_str());
            curl_easy_setopt(curl, CURLOPT_CAPATH, nullptr);
        }
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, options_.timeoutMs);
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, OnProgress);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer_);
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnBodyData);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer_);
        curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, OnHeaderData);
        curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer_);

        const CURLcode result = curl_easy_perform(curl);
        long status = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        if (status == 0) {
            transfer_.chunks.clear();
            return false;  // no reply began: the request counts as not sent
        }
        readFailed_ = result != CURLE_OK;  // the body broke off: what came is kept
        return true;
    }

    bool ReadChunk(char* buffer, size_t capacity, size_t& delivered) override {
        delivered = 0;
        if (transfer_.chunks.empty()) {
            return !readFailed_;
        }
        std::string& chunk = transfer_.chunks.front();
        delivered = std::min(capacity, chunk.size());
        chunk.copy(buffer, delivered);
        chunk.erase(0, delivered);
        if (chunk.empty()) {
            transfer_.chunks.pop_front();
        }
        return true;
    }

private:
    HttpOptions options_;
    Transfer transfer_;
    bool readFailed_ = false;
};

}  // namespace

std::unique_ptr<HttpTransport> CreatePlatformTransport(const HttpOptions& options) {
    return std::make_unique<CurlTransport>(options);
}
