// HttpTransport on WinINet: a direct (proxy-less), synchronous connection that writes nothing
// into the cache. Any port other than 80 is spoken to over a secure connection whose
// certificate is checked by the system.

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "web/http_protocol.h"
#include "web/http_transport.h"

namespace {

// Connecting, sending and each wait for reply data give up after `timeoutMs`.
void SetTimeouts(HINTERNET handle, ULONGLONG timeoutMs) {
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_RECEIVE_TIMEOUT}) {
        DWORD value = static_cast<DWORD>(timeoutMs);
        InternetSetOptionA(handle, option, &value, sizeof value);
    }
}

// At least 1: WinINet reads a time-out of 0 as "no limit".
ULONGLONG Milliseconds(long value) {
    return value > 0 ? static_cast<ULONGLONG>(value) : 1;
}

void CloseIfOpen(HINTERNET& handle) {
    if (handle != nullptr) {
        InternetCloseHandle(handle);
        handle = nullptr;
    }
}

class WinInetTransport : public HttpTransport {
public:
    explicit WinInetTransport(const HttpOptions& options)
        : stallMs_(Milliseconds(options.timeouts.stallMs)),
          overallMs_(Milliseconds(options.timeouts.overallMs)) {
        internetHandle_ =
            InternetOpenA(kHttpUserAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
        if (internetHandle_ != nullptr) {
            SetTimeouts(internetHandle_, std::min(stallMs_, overallMs_));
        }
    }

    ~WinInetTransport() override {
        CloseIfOpen(request_);
        CloseIfOpen(connection_);
        CloseIfOpen(internetHandle_);
    }

    bool PostForm(const char* url, const char* body, size_t length) override {
        if (internetHandle_ == nullptr) {
            return false;
        }
        URL_COMPONENTSA parts;
        std::memset(&parts, 0, sizeof parts);
        parts.dwStructSize = sizeof parts;
        parts.dwHostNameLength = 1;  // asks for the host name and the path as positions in url
        parts.dwUrlPathLength = 1;
        if (!InternetCrackUrlA(url, static_cast<DWORD>(std::strlen(url)), 0, &parts)) {
            return false;
        }
        const std::string host(parts.lpszHostName, parts.dwHostNameLength);
        const std::string path(parts.lpszUrlPath, parts.dwUrlPathLength);

        CloseIfOpen(connection_);
        CloseIfOpen(request_);
        deadline_ = GetTickCount64() + overallMs_;
        DWORD flags = INTERNET_FLAG_NO_CACHE_WRITE;
        if (UsesSecureConnection(parts.nPort)) {
            flags |= INTERNET_FLAG_SECURE;
        }
        connection_ = InternetConnectA(internetHandle_, host.c_str(), parts.nPort, "", "",
                                       INTERNET_SERVICE_HTTP, INTERNET_FLAG_NO_CACHE_WRITE, 0);
        const char* acceptTypes[] = {kAcceptedMediaTypes, nullptr};
        request_ = HttpOpenRequestA(connection_, kPostVerb, path.c_str(), nullptr, nullptr,
                                    acceptTypes, flags, 0);
        if (request_ != nullptr) {
            // Windows hands the root handle's time-outs down; Wine only honours them here.
            SetTimeouts(request_, std::min(stallMs_, overallMs_));
        }
        return HttpSendRequestA(request_, kFormContentTypeHeader,
                                static_cast<DWORD>(std::strlen(kFormContentTypeHeader)),
                                const_cast<char*>(body), static_cast<DWORD>(length)) != FALSE;
    }

    // Waits for data at most until the deadline, then reads only what has arrived: a read
    // that waited for a full buffer could be kept open by a server dripping bytes.
    bool ReadChunk(char* buffer, size_t capacity, size_t& delivered) override {
        delivered = 0;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline_) {
            return false;
        }
        DWORD wait = static_cast<DWORD>(std::min(stallMs_, deadline_ - now));
        InternetSetOptionA(request_, INTERNET_OPTION_RECEIVE_TIMEOUT, &wait, sizeof wait);
        DWORD available = 0;
        if (!InternetQueryDataAvailable(request_, &available, 0, 0)) {
            return false;
        }
        if (available == 0) {
            return true;  // the end of the body
        }
        DWORD read = 0;
        const DWORD wanted = static_cast<DWORD>(std::min<size_t>(capacity, available));
        if (!InternetReadFile(request_, buffer, wanted, &read)) {
            return false;
        }
        delivered = read;
        return true;
    }

private:
    ULONGLONG stallMs_;
    ULONGLONG overallMs_;
    ULONGLONG deadline_ = 0;
    HINTERNET internetHandle_ = nullptr;
    HINTERNET request_ = nullptr;
    HINTERNET connection_ = nullptr;
};

}  // namespace

std::unique_ptr<HttpTransport> CreatePlatformTransport(const HttpOptions& options) {
    return std::make_unique<WinInetTransport>(options);
}
