#pragma once
// Capturing from network interfaces as tcpdump does (libpcap; Linux only): the whole packet
// (a snapshot length of 262144 bytes), promiscuous mode, a capture filter compiled by libpcap.
// A build without libpcap has no live capture and says so.

#include <memory>
#include <string>
#include <vector>

#include "capture/capture_source.h"

// How long one read waits for a packet before the capture reports Idle: short enough that a
// request to stop, or a once-a-second refresh, is served promptly.
constexpr int kLiveReadTimeoutMs = 200;

struct CaptureInterface {
    std::string name;         // what -i takes: "eth0", "any"
    std::string description;  // may be empty
    std::string status;       // "Up, Running, Connected", as tcpdump -D shows it; may be empty
};

// Whether this build can capture live (it has libpcap).
bool LiveCaptureAvailable();

// The interfaces libpcap can capture on, in its order; false with `error` set when it cannot
// tell them.
bool ListCaptureInterfaces(std::vector<CaptureInterface>& interfaces, std::string& error);

// Starts capturing on every interface of `names` (several are read together: of the packets at
// hand, the earliest first), keeping only the packets that pass `filter` (BPF; empty: every
// packet).
// Null with `error` set when an interface is unknown, capturing is not permitted (the missing
// capability named), or the filter does not compile (libpcap's message).
std::unique_ptr<CaptureSource> OpenLiveCapture(const std::vector<std::string>& names,
                                               const std::string& filter, std::string& error);
