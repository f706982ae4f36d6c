// Capture filters on the records of a file: libpcap compiles the expression for a "dead"
// handle of the record's link type and runs the program on the record's bytes.

#include <map>

#include "capture/capture_source.h"
#include "capture/libpcap/pcap_link_types.h"
#include "capture/packet_filter.h"

namespace {

constexpr uint32_t kEthernet = 1;

// Compiles `expression` for `linkType`; false with `error` set to libpcap's message.
bool CompileFor(const std::string& expression, uint32_t linkType, bpf_program& program,
                std::string& error) {
    pcap_t* dead = pcap_open_dead(DltOfLinkType(linkType), static_cast<int>(kMaxRecordBytes));
    if (dead == nullptr) {
        error = "libpcap could not be started";
        return false;
    }
    const bool compiled =
        pcap_compile(dead, &program, expression.c_str(), 1, PCAP_NETMASK_UNKNOWN) == 0;
    if (!compiled) {
        error = pcap_geterr(dead);
    }
    pcap_close(dead);
    return compiled;
}

class LibpcapFilter : public PacketFilter {
public:
    explicit LibpcapFilter(std::string expression) : expression_(std::move(expression)) {}
    ~LibpcapFilter() override {
        for (auto& [linkType, program] : programs_) {
            if (program.compiled) {
                pcap_freecode(&program.code);
            }
        }
    }
    LibpcapFilter(const LibpcapFilter&) = delete;
    LibpcapFilter& operator=(const LibpcapFilter&) = delete;

    bool Matches(const CaptureRecord& record) override {
        auto found = programs_.find(record.linkType);
        if (found == programs_.end()) {
            Program program;
            std::string error;
            program.compiled = CompileFor(expression_, record.linkType, program.code, error);
            found = programs_.emplace(record.linkType, program).first;
        }
        if (!found->second.compiled) {
            return false;
        }
        pcap_pkthdr header{};
        header.caplen = static_cast<bpf_u_int32>(record.bytes.size());
        header.len = record.originalLength;
        return pcap_offline_filter(&found->second.code, &header, record.bytes.data()) != 0;
    }

private:
    struct Program {
        bpf_program code{};
        bool compiled = false;
    };
    std::string expression_;
    std::map<uint32_t, Program> programs_;  // by link type, compiled when first needed
};

}  // namespace

bool PacketFiltersAvailable() {
    return true;
}

std::unique_ptr<PacketFilter> CompilePacketFilter(const std::string& expression,
                                                  std::string& error) {
    bpf_program program{};
    if (!CompileFor(expression, kEthernet, program, error)) {
        return nullptr;
    }
    pcap_freecode(&program);
    return std::make_unique<LibpcapFilter>(expression);
}
