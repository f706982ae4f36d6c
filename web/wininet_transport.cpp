// HttpTransport on WinINet: a direct (proxy-less), synchronous connection that writes nothing
// into the cache. Any port other than 80 is spoken to over a secure connection whose
// certificate is checked by the system.

#include <windows.h>
#include <wininet.h>

#include <cstring>
#include <string>

#include "web/http_protocol.h"
#include "web/http_transport.h"

namespace {

// Connecting, sending and each wait for reply data give up after `timeoutMs`.
void SetTimeouts(HINTERNET handle, long timeoutMs) {
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_RECEIVE_TIMEOUT}) {
        DWORD value = static_cast<DWORD>(timeoutMs);
        InternetSetOptionA(handle, option, &value, sizeof value);
    }
}

void CloseIfOpen(HINTERNET& handle) {
    if (handle != nullptr) {
        InternetCloseHandle(handle);
        handle = nullptr;
    }
}

class WinInetTransport : public HttpTransport {
public:
    explicit WinInetTransport(const HttpOptions& options) : timeoutMs_(options.timeoutMs) {
        internetHandle_ =
            InternetOpenA(kHttpUserAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
        if (internetHandle_ != nullptr) {
            SetTimeouts(internetHandle_, timeoutMs_);
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
            SetTimeouts(request_, timeoutMs_);
        }
        return HttpSendRequestA(request_, kFormContentTypeHeader,
                                static_cast<DWORD>(std::strlen(kFormContentTypeHeader)),
                                const_cast<char*>(body), static_cast<DWORD>(length)) != FALSE;
    }

    bool ReadChunk(char* buffer, size_t capacity, size_t& delivered) override {
        DWORD read = 0;
        const BOOL ok = InternetReadFile(request_, buffer, static_cast<DWORD>(capacity), &read);
        delivered = ok ? read : 0;
        return ok != FALSE;
    }

private:
    long timeoutMs_;
    HINTERNET internetHandle_ = nullptr;
    HINTERNET request_ = nullptr;
    HINTERNET connection_ = nullptr;
};

}  // namespace

std::unique_ptr<HttpTransport> CreatePlatformTransport(const HttpOptions& options) {
    return std::make_unique<WinInetTransport>(options);
}
