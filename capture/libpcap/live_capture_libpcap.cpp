// Live capture with libpcap: one handle per interface, each non-blocking, waited for together
// with poll() so that several interfaces are read as one capture and an idle one never holds up
// the others.

#include <poll.h>

#include <utility>

#include "capture/libpcap/pcap_link_types.h"
#include "capture/live_capture.h"

namespace {

// Why an interface could not be opened, in words that tell what to do.
std::string ActivationError(const std::string& name, int status, pcap_t* handle) {
    const std::string detail = pcap_geterr(handle);
    switch (status) {
        case PCAP_ERROR_NO_SUCH_DEVICE:
            return "no interface '" + name + "' to capture on (-D lists them)";
        case PCAP_ERROR_PERM_DENIED:
            return "no permission to capture on '" + name +
                   "': capturing needs the CAP_NET_RAW capability; run as root or give the "
                   "program cap_net_raw (setcap cap_net_raw=eip zep-modbus-parser)";
        case PCAP_ERROR_PROMISC_PERM_DENIED:
            return "no permission to put '" + name +
                   "' into promiscuous mode: that needs the CAP_NET_ADMIN capability; run as "
                   "root or give the program cap_net_raw and cap_net_admin";
        case PCAP_ERROR_IFACE_NOT_UP:
            return "the interface '" + name + "' is not up";
        default:
            return "cannot capture on '" + name + "': " + pcap_statustostr(status) +
                   (detail.empty() ? "" : " (" + detail + ")");
    }
}

// One interface and the packet read from it but not yet delivered.
struct Tap {
    std::string name;
    pcap_t* handle = nullptr;
    uint32_t linkType = 0;
    bool pending = false;
    pcap_pkthdr header{};
    std::vector<uint8_t> bytes;
};

bool Earlier(const pcap_pkthdr& a, const pcap_pkthdr& b) {
    return a.ts.tv_sec != b.ts.tv_sec ? a.ts.tv_sec < b.ts.tv_sec : a.ts.tv_usec < b.ts.tv_usec;
}

class LiveCapture : public CaptureSource {
public:
    LiveCapture() = default;
    ~LiveCapture() override {
        for (Tap& tap : taps_) {
            pcap_close(tap.handle);
        }
    }
    LiveCapture(const LiveCapture&) = delete;
    LiveCapture& operator=(const LiveCapture&) = delete;

    // Opens and starts `name`; false with `error` set.
    bool Add(const std::string& name, const std::string& filter, std::string& error) {
        char message[PCAP_ERRBUF_SIZE] = "";
        pcap_t* handle = pcap_create(name.c_str(), message);
        if (handle == nullptr) {
            error = "cannot capture on '" + name + "': " + message;
            return false;
        }
        taps_.emplace_back();
        taps_.back().name = name;
        taps_.back().handle = handle;
        pcap_set_snaplen(handle, static_cast<int>(kMaxRecordBytes));
        pcap_set_promisc(handle, 1);
        pcap_set_timeout(handle, kLiveReadTimeoutMs);
        const int status = pcap_activate(handle);
        if (status < 0) {
            error = ActivationError(name, status, handle);
            return false;
        }
        taps_.back().linkType = LinkTypeOfDlt(pcap_datalink(handle));
        if (!filter.empty()) {
            bpf_program program{};
            if (pcap_compile(handle, &program, filter.c_str(), 1, PCAP_NETMASK_UNKNOWN) != 0) {
                error = "the capture filter does not compile: " + std::string(pcap_geterr(handle));
                return false;
            }
            const bool set = pcap_setfilter(handle, &program) == 0;
            pcap_freecode(&program);
            if (!set) {
                error =
                    "the capture filter cannot be set on '" + name + "': " + pcap_geterr(handle);
                return false;
            }
        }
        if (pcap_setnonblock(handle, 1, message) != 0) {
            error = "cannot capture on '" + name + "': " + message;
            return false;
        }
        return true;
    }

    CaptureOutcome Next(CaptureRecord& record) override {
        if (stopped_ != CaptureOutcome::Record) {
            return stopped_;
        }
        for (int round = 0; round < 2; ++round) {
            for (Tap& tap : taps_) {
                if (!tap.pending && !Take(tap)) {
                    return stopped_;
                }
            }
            Tap* first = nullptr;
            for (Tap& tap : taps_) {
                if (tap.pending && (first == nullptr || Earlier(tap.header, first->header))) {
                    first = &tap;
                }
            }
            if (first != nullptr) {
                Deliver(*first, record);
                return CaptureOutcome::Record;
            }
            if (round == 0 && !Wait()) {
                break;
            }
        }
        return CaptureOutcome::Idle;
    }

    bool Rewind() override { return false; }
    const CaptureFailure& Failure() const override { return failure_; }
    const char* ContainerName() const override { return "live"; }
    int64_t FileLinkType() const override {
        for (const Tap& tap : taps_) {
            if (tap.linkType != taps_[0].linkType) {
                return -1;
            }
        }
        return taps_.empty() ? -1 : taps_[0].linkType;
    }
    std::optional<CaptureStatistics> Statistics() const override {
        CaptureStatistics total;
        for (const Tap& tap : taps_) {
            pcap_stat counts{};
            if (pcap_stats(tap.handle, &counts) == 0) {
                total.received += counts.ps_recv;
                total.droppedByKernel += counts.ps_drop;
                total.droppedByInterface += counts.ps_ifdrop;
            }
        }
        return total;
    }

private:
    // Reads one packet of `tap` if it has one; false (the capture stopped) on a read error.
    bool Take(Tap& tap) {
        pcap_pkthdr* header = nullptr;
        const u_char* data = nullptr;
        const int got = pcap_next_ex(tap.handle, &header, &data);
        if (got == 1) {
            tap.header = *header;
            tap.bytes.assign(data, data + header->caplen);
            tap.pending = true;
        } else if (got < 0) {
            failure_.recordNumber = delivered_ + 1;
            failure_.message = "reading from '" + tap.name + "' failed: " + pcap_geterr(tap.handle);
            stopped_ = CaptureOutcome::ReadError;
            return false;
        }
        return true;
    }

    // Waits up to the read timeout for a packet on any interface; false when none came (or a
    // signal came first).
    bool Wait() {
        std::vector<pollfd> fds;
        for (const Tap& tap : taps_) {
            fds.push_back(pollfd{pcap_get_selectable_fd(tap.handle), POLLIN, 0});
        }
        return poll(fds.data(), fds.size(), kLiveReadTimeoutMs) > 0;
    }

    void Deliver(Tap& tap, CaptureRecord& record) {
        std::swap(current_, tap.bytes);
        tap.pending = false;
        record = CaptureRecord();
        record.number = ++delivered_;
        record.time.seconds = tap.header.ts.tv_sec;
        record.time.fraction = static_cast<uint32_t>(tap.header.ts.tv_usec);
        record.time.fractionDigits = 6;
        record.linkType = tap.linkType;
        record.originalLength = tap.header.len;
        record.bytes = ByteView(current_);
    }

    std::vector<Tap> taps_;
    std::vector<uint8_t> current_;
    uint64_t delivered_ = 0;
    CaptureOutcome stopped_ = CaptureOutcome::Record;
    CaptureFailure failure_;
};

// "Up, Running, Connected": the status tcpdump -D shows.
std::string StatusText(bpf_u_int32 flags) {
    std::string text;
    const auto add = [&text](const char* word) {
        text += (text.empty() ? "" : ", ") + std::string(word);
    };
    const std::pair<bpf_u_int32, const char*> words[] = {{PCAP_IF_UP, "Up"},
                                                         {PCAP_IF_RUNNING, "Running"},
                                                         {PCAP_IF_LOOPBACK, "Loopback"},
                                                         {PCAP_IF_WIRELESS, "Wireless"}};
    for (const auto& [flag, word] : words) {
        if ((flags & flag) != 0) {
            add(word);
        }
    }
    const bool wireless = (flags & PCAP_IF_WIRELESS) != 0;
    switch (flags & PCAP_IF_CONNECTION_STATUS) {
        case PCAP_IF_CONNECTION_STATUS_UNKNOWN:
            add(wireless ? "Association status unknown" : "Connection status unknown");
            break;
        case PCAP_IF_CONNECTION_STATUS_CONNECTED:
            add(wireless ? "Associated" : "Connected");
            break;
        case PCAP_IF_CONNECTION_STATUS_DISCONNECTED:
            add(wireless ? "Not associated" : "Disconnected");
            break;
        default:
            break;
    }
    return text;
}

}  // namespace

bool LiveCaptureAvailable() {
    return true;
}

bool ListCaptureInterfaces(std::vector<CaptureInterface>& interfaces, std::string& error) {
    char message[PCAP_ERRBUF_SIZE] = "";
    pcap_if_t* all = nullptr;
    if (pcap_findalldevs(&all, message) != 0) {
        error = message;
        return false;
    }
    for (const pcap_if_t* device = all; device != nullptr; device = device->next) {
        interfaces.push_back({device->name, device->description ? device->description : "",
                              device->flags != 0 ? StatusText(device->flags) : ""});
    }
    pcap_freealldevs(all);
    return true;
}

std::unique_ptr<CaptureSource> OpenLiveCapture(const std::vector<std::string>& names,
                                               const std::string& filter, std::string& error) {
    auto capture = std::make_unique<LiveCapture>();
    for (const std::string& name : names) {
        if (!capture->Add(name, filter, error)) {
            return nullptr;
        }
    }
    return capture;
}
