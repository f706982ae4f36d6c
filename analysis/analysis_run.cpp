#include "analysis/analysis_run.h"

#include <cstdio>
#include <cstring>
#include <fstream>

#include "analysis/frame_pairing.h"
#include "analysis/modbus_extraction.h"
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

// Keeps the results box and the Analyze button disabled until EnableNow, or until it goes out
// of scope, whichever way the run ends.
class ControlsDisabled {
public:
    explicit ControlsDisabled(AnalysisHost& host) : host_(host) { Set(false); }
    ~ControlsDisabled() { EnableNow(); }
    void EnableNow() {
        if (!enabled_) {
            Set(true);
            enabled_ = true;
        }
    }

private:
    void Set(bool enable) {
        host_.EnableControl(kResultsBoxControl, enable);
        host_.EnableControl(kAnalyzeButtonControl, enable);
    }

    AnalysisHost& host_;
    bool enabled_ = false;
};

struct SecondPassCounts {
    int32_t recordsRead = 0;
    int32_t messageNumber = 0;
    int32_t ignored = 0;
};

bool ReportWriteFailed(const std::string& reportName) {
    ShowMessage("Can not write to the report file\nFile: %s", FullPathOrName(reportName).c_str());
    return false;
}

// Extracts, pairs and reports every message. False when the report could not be written.
bool RunSecondPass(AnalysisHost& host, CLibPCaps& reader, CFramePairing& pairing,
                   SecondPassCounts& counts) {
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
        CModbusMessage message;
        if (ExtractMessage(buffer, size, ExtractPass::Second, reader.Position(),
                           counts.messageNumber, counts.ignored,
                           message) != ExtractResult::Accepted) {
            continue;
        }
        if (!pairing.ReportMessage(message)) {
            return ReportWriteFailed(host.ReportPath());
        }
        host.SetResultsText(
            Format("%d\tModbus messages processed...Please wait\r\n\r\nLine:\r\n\t%s",
                   counts.messageNumber, message.frameText.c_str()));
        host.RefreshControls();
        host.PumpPendingMessage();
        host.PauseAfterMessage();
    }
    return pairing.FlushHeldPoll() || ReportWriteFailed(host.ReportPath());
}

std::string SummaryText(const SecondPassCounts& counts, const std::string& reportPath) {
    std::string text = Format(
        "%d\tMessages processed\r\n%d\tModbus messages processed\r\n%d\tModbus message ingored "
        "\r\n\r\n"
        "Output: %s",
        counts.recordsRead, counts.messageNumber, counts.ignored, reportPath.c_str());
    if (counts.ignored > 0) {
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
    ControlsDisabled disabled(host);

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

    CFramePairing pairing(host.ReportPath(), discovery.server, discovery.client);
    SecondPassCounts counts;
    if (!RunSecondPass(host, reader, pairing, counts)) {
        return AnalysisResult::EndedEarly;
    }

    const std::string reportPath = FullPathOrName(host.ReportPath());
    host.SetResultsText(SummaryText(counts, reportPath));
    host.RefreshControls();
    host.PumpPendingMessage();
    disabled.EnableNow();

    if (counts.messageNumber > 0 &&
        MessageAndLog(
            kMbYesNo,
            "We have analyzed %d modbus messages and saved the results to your computer\nFile: "
            "%s\nWould you like to view the results?",
            counts.messageNumber, reportPath.c_str()) == kIdYes) {
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
