// A build without libpcap (the Windows programs): no live capture.

#include "capture/live_capture.h"

namespace {

constexpr const char kNoLiveCapture[] =
    "this build cannot capture from interfaces (live capture needs libpcap; it is built on "
    "Linux only): read a capture file instead";

}  // namespace

bool LiveCaptureAvailable() {
    return false;
}

bool ListCaptureInterfaces(std::vector<CaptureInterface>&, std::string& error) {
    error = kNoLiveCapture;
    return false;
}

std::unique_ptr<CaptureSource> OpenLiveCapture(const std::vector<std::string>&, const std::string&,
                                               std::string& error) {
    error = kNoLiveCapture;
    return nullptr;
}
