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

// What one transfer keeps of the reply, and when data last moved.
struct Transfer {
    std::deque<std::string> chunks;
    size_t keptBytes = 0;
    Clock::time_point lastActivity = Clock::now();
    curl_off_t lastByteCount = 0;
};

size_t OnBodyData(char* data, size_t size, size_t count, void* context) {
    Transfer& transfer = *static_cast<Transfer*>(context);
    const size_t total = size * count;
    transfer.lastActivity = Clock::now();
    const size_t kept = std::min(total, kMaxReplyBytes - transfer.keptBytes);
    try {
        for (size_t offset = 0; offset < kept; offset += kReplyChunkSize) {
            transfer.chunks.emplace_back(data + offset, std::min(kReplyChunkSize, kept - offset));
        }
    } catch (const std::bad_alloc&) {
        return 0;  // out of memory: the transfer stops, what came so far is kept
    }
    transfer.keptBytes += kept;
    return kept;  // less than was offered ends the transfer once the reply is full
}

size_t OnHeaderData(char* /*data*/, size_t size, size_t count, void* context) {
    static_cast<Transfer*>(context)->lastActivity = Clock::now();
    return size * count;
}

// Notes when bytes move in either direction; the transfer loop decides when to give up.
int OnProgress(void* context, curl_off_t /*dlTotal*/, curl_off_t dlNow, curl_off_t /*ulTotal*/,
               curl_off_t ulNow) {
    Transfer& transfer = *static_cast<Transfer*>(context);
    if (dlNow + ulNow != transfer.lastByteCount) {
        transfer.lastByteCount = dlNow + ulNow;
        transfer.lastActivity = Clock::now();
    }
    return 0;
}

std::chrono::milliseconds Milliseconds(long value) {
    return std::chrono::milliseconds(std::max(value, 0L));
}

// Runs the transfer to its end, or until nothing has moved for the stall limit or the whole
// request has outlasted the overall limit (CURLE_OPERATION_TIMEDOUT). The loop is ours rather
// than curl_easy_perform's, which looks at a stalled transfer only once a second.
CURLcode Perform(CURL* curl, Transfer& transfer, const HttpTimeouts& timeouts) {
    CURLM* multi = curl_multi_init();
    if (multi == nullptr || curl_multi_add_handle(multi, curl) != CURLM_OK) {
        curl_multi_cleanup(multi);
        return CURLE_OUT_OF_MEMORY;
    }
    const Clock::time_point deadline = Clock::now() + Milliseconds(timeouts.overallMs);
    CURLcode result = CURLE_OPERATION_TIMEDOUT;
    for (;;) {
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            result = CURLE_RECV_ERROR;
            break;
        }
        if (running == 0) {
            int queued = 0;
            const CURLMsg* message = curl_multi_info_read(multi, &queued);
            result = message != nullptr && message->msg == CURLMSG_DONE ? message->data.result
                                                                        : CURLE_RECV_ERROR;
            break;
        }
        const Clock::time_point now = Clock::now();
        const Clock::time_point giveUp =
            std::min(deadline, transfer.lastActivity + Milliseconds(timeouts.stallMs));
        if (now >= giveUp) {
            break;
        }
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(giveUp - now);
        curl_multi_poll(multi, nullptr, 0, static_cast<int>(wait.count()) + 1, nullptr);
    }
    curl_multi_remove_handle(multi, curl);
    curl_multi_cleanup(multi);
    return result;
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
        curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, options_.timeouts.stallMs);
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, OnProgress);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer_);
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnBodyData);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer_);
        curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, OnHeaderData);
        curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer_);

        transfer_.lastActivity = Clock::now();  // the stall clock starts with the transfer
        const CURLcode result = Perform(curl, transfer_, options_.timeouts);
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
