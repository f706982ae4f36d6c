#include "analysis/analysis_run.h"

#include <cstdio>
#include <cstring>
#include <fstream>

#include "analysis/address_pairing.h"
#include "analysis/modbus_extraction.h"
#include "analysis/report_file.h"
#include "common/CLibPCaps.h"
#include "common/logging.h"
#include "common/message_presenter.h"
#include "platform/platform_services.h"

namespace {

bool IsReadable(const std::string& path) {
    std::ifstream file(path, std::ios::in | std::ios::binary);
    return file.is_open();
}

// The full path of a name in the current directory; the name itself when it cannot be had.
std::string FullPathOrName(const std::string& name) {
    const std::string full = FullPathOf(name);
    return full.empty() ? name : full;
}

// The full path with the file name deleted: the folder, ending in its separator.
std::string FolderOf(const std::string& fullPath) {
    const size_t separator = fullPath.find_last_of("/\\");
    return separator == std::string::npos ? std::string() : fullPath.substr(0, separator + 1);
}

void OfferFolder(PlatformServices& platform, const std::string& reportPath) {
    platform.OpenInShell("explore", FolderOf(reportPath));
}

bool EnoughFreeSpace(PlatformServices& platform) {
    uint64_t freeBytes = 0;
    const std::string directory = CurrentDirectory();
    if (directory.empty() || !platform.QueryFreeBytes(directory, freeBytes)) {
        return true;  // unknown: carry on
    }
    if (freeBytes >= kMinimumFreeBytes) {
        return true;
    }
    ShowMessage(
        "Not enugh free hard drive space\nFree space: %llu MB\nMinimum required free space: %d MB",
        static_cast<unsigned long long>(freeBytes >> 20), 10);
    return false;
}

// Keeps the host busy until Done, or until it goes out of scope, whichever way the run ends.
class BusyScope {
public:
    explicit BusyScope(AnalysisHost& host) : host_(host) { host_.SetBusy(true); }
    ~BusyScope() { Done(); }
    void Done() {
        if (!done_) {
            host_.SetBusy(false);
            done_ = true;
        }
    }

private:
    AnalysisHost& host_;
    bool done_ = false;
};

struct SecondPassCounts {
    int32_t recordsRead = 0;
    MessageCounts messages;
};

bool ReportWriteFailed(const std::string& reportName) {
    ShowMessage("Can not write to the report file\nFile: %s", FullPathOrName(reportName).c_str());
    return false;
}

// Extracts, pairs and reports every message. False when the report could not be written.
bool RunSecondPass(AnalysisHost& host, CLibPCaps& reader, AddressPairing& pairing,
                   ReportFile& report, SecondPassCounts& counts) {
    uint8_t buffer[kPacketBufferSize];
    for (;;) {
        std::memset(buffer, 0, sizeof(buffer));
        const int32_t size = reader.ReadPacket(buffer, kPacketBufferSize);
        if (size == CLibPCaps::READ_END) {
            break;
        }
        ++counts.recordsRead;
        if (size < kShortestSecondPassRecord) {
            continue;  // too short to carry a Modbus/TCP message, or stepped over by the reader
        }
        MessageExtraction extraction = ExtractMessage(buffer, size);
        counts.messages.Count(ExtractPass::Second, extraction);
        LogExtraction(ExtractPass::Second, extraction, reader.Position());
        if (extraction.outcome != ExtractResult::Accepted) {
            continue;
        }
        for (const FrameToReport& frame : pairing.Add(extraction.message)) {
            if (!report.Write(frame)) {
                return ReportWriteFailed(report.Path());
            }
        }
        host.SetResultsText(
            Format("%d\tModbus messages processed...Please wait\r\n\r\nLine:\r\n\t%s",
                   counts.messages.messages, extraction.message.FrameText().c_str()));
        host.RefreshControls();
        host.PumpPendingMessage();
        host.PauseAfterMessage();
    }
    const std::optional<FrameToReport> held = pairing.Flush();
    return !held || report.Write(*held) || ReportWriteFailed(report.Path());
}

std::string SummaryText(const SecondPassCounts& counts, const std::string& reportPath) {
    std::string text = Format(
        "%d\tMessages processed\r\n%d\tModbus messages processed\r\n%d\tModbus message ingored "
        "\r\n\r\n"
        "Output: %s",
        counts.recordsRead, counts.messages.messages, counts.messages.ignored, reportPath.c_str());
    if (counts.messages.ignored > 0) {
        text += "\r\n\r\n";
        text += "* Modbus messages are ignored if any of the following occur\r\n";
        text += "  - A Modbus TCP message with a zero length \r\n";
        text += "  - A Modbus TCP message with an incorrect length \r\n";
        text += "  - A Modbus TCP message with an invalid header  \r\n";
    }
    return text;
}

AnalysisResult AnalyseCapture(AnalysisHost& host, PlatformServices& platform,
                              const std::string& inputPath) {
    BusyScope busy(host);

    CLibPCaps reader;
    if (!reader.GetFileInfo(inputPath)) {
        return AnalysisResult::EndedEarly;
    }
    uint8_t buffer[kPacketBufferSize];
    const ServerDiscovery discovery = FindServer(reader, buffer);
    if (discovery.messageCount < 1) {
        ShowMessage("Error: There are no valid Modbus messages in this file\nFile: %s",
                    inputPath.c_str());
        return AnalysisResult::EndedEarly;
    }
    if (discovery.server == Ipv4Address{}) {
        DebugLog("FYI. Could not find a mobus server, All messages are ambiguous, Message=[%d]",
                 discovery.messageCount);
    }
    if (!reader.GetFileInfo(inputPath)) {
        DebugLog("Error: Can not read LibPCaps File with GetFileInfo()");
        return AnalysisResult::EndedEarly;
    }

    AddressPairing pairing(discovery.server, discovery.client);
    ReportFile report(host.ReportPath());
    SecondPassCounts counts;
    if (!RunSecondPass(host, reader, pairing, report, counts)) {
        return AnalysisResult::EndedEarly;
    }

    const std::string reportPath = FullPathOrName(host.ReportPath());
    host.SetResultsText(SummaryText(counts, reportPath));
    host.RefreshControls();
    host.PumpPendingMessage();
    busy.Done();

    if (counts.messages.messages > 0 &&
        MessageAndLog(
            kMbYesNo,
            "We have analyzed %d modbus messages and saved the results to your computer\nFile: "
            "%s\nWould you like to view the results?",
            counts.messages.messages, reportPath.c_str()) == kIdYes) {
        OfferFolder(platform, reportPath);
    }
    return AnalysisResult::Completed;
}

}  // namespace

AnalysisResult RunAnalysis(AnalysisHost& host, PlatformServices& platform) {
    const std::string inputPath = host.InputPath();
    if (inputPath.empty()) {
        ShowMessage("Please select a file to processed");
        return AnalysisResult::EndedEarly;
    }
    if (!IsReadable(inputPath)) {
        ShowMessage("The input file does not exist/readable\nInput file=[%s]", inputPath.c_str());
        return AnalysisResult::EndedEarly;
    }
    const std::string reportName = host.ReportPath();
    const bool replaced = host.ReplaceExistingReport() && std::remove(reportName.c_str()) == 0;
    if (!replaced && PathExists(reportName)) {
        const std::string reportPath = FullPathOrName(reportName);
        if (MessageAndLog(
                kMbYesNo,
                "We have found a previous result file.\nFile: %s\nPlease remove this file before "
                "continuing.\n\nWould you like to browse to this file ?",
                reportPath.c_str()) == kIdYes) {
            OfferFolder(platform, reportPath);
        }
        return AnalysisResult::EndedEarly;
    }
    host.SetResultsText(std::string());
    if (!EnoughFreeSpace(platform)) {
        return AnalysisResult::EndedEarly;
    }
    return AnalyseCapture(host, platform, inputPath);
}
