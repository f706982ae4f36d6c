#include "analysis/analysis_run.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/capture_pass.h"
#include "analysis/run_texts.h"
#include "capture/capture_sequence.h"
#include "capture/capture_source.h"
#include "capture/filtered_source.h"
#include "capture/input_file.h"
#include "capture/live_capture.h"
#include "capture/packet_filter.h"
#include "common/logging.h"
#include "common/message_presenter.h"
#include "common/whole_file.h"
#include "network/link_types.h"
#include "platform/platform_services.h"
#include "views/html_report_file.h"
#include "views/points_file.h"
#include "views/report_file.h"
#include "views/suggested_map_file.h"
#include "views/summary_file.h"
#include "views/top_view.h"
#include "views/transaction_log.h"

namespace {

// Regular files must open; a pipe is only looked at (opening it waits for its writer).
bool IsReadable(const std::string& path) {
    const InputInfo info = InspectInput(path);
    if (info.kind != InputKind::Regular) {
        return info.kind != InputKind::Unavailable;
    }
    std::ifstream file(path, std::ios::in | std::ios::binary);
    return file.is_open();
}

bool IsSameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}

// A directory or a device is no capture: refused before anything else happens.
bool IsRefusedKind(const std::string& path) {
    const InputKind kind = InspectInput(path).kind;
    if (kind != InputKind::Directory && kind != InputKind::Device) {
        return false;
    }
    ShowMessage(run_texts::kNotACaptureFile, kind == InputKind::Directory ? "directory" : "device",
                path.c_str());
    return true;
}

// Whether a file can be written at `path` (standard output always can); a probe that did not
// exist is not left behind. A path that is not there yet is probed by the name beside it that a
// whole document is written under before it is renamed into place: a reader watching the path
// while a live run goes on never finds an empty file there.
bool CanWrite(const std::string& path) {
    if (path == kStandardOutputName) {
        return true;
    }
    const InputKind kind = InspectInput(path).kind;
    if (kind == InputKind::Directory) {
        return false;
    }
    const std::string probe = PathExists(path) ? path : PartPathOf(path);
    const bool existed = PathExists(probe);
    std::FILE* file = std::fopen(probe.c_str(), "ab");
    if (file == nullptr) {
        return false;
    }
    std::fclose(file);
    if (!existed) {
        std::remove(probe.c_str());
    }
    return true;
}

// What a report path names. Only a regular file is an earlier report (and only it is deleted by
// --force); a directory cannot be written and stops the run the same way. A device, a pipe or a
// terminal is written into as it is, and "-" is standard output.
enum class ReportTarget { Absent, RegularFile, Other, Stream };

ReportTarget TargetOf(const std::string& path) {
    if (path == kStandardOutputName) {
        return ReportTarget::Stream;
    }
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (std::filesystem::is_regular_file(status)) {
        return ReportTarget::RegularFile;
    }
    if (std::filesystem::is_character_file(status) || std::filesystem::is_block_file(status) ||
        std::filesystem::is_fifo(status) || std::filesystem::is_socket(status)) {
        return ReportTarget::Stream;
    }
    return PathExists(path) ? ReportTarget::Other : ReportTarget::Absent;
}

// The full path of a name in the current directory; the name itself when it cannot be had, or
// when it names standard output.
std::string FullPathOrName(const std::string& name) {
    if (name == kStandardOutputName) {
        return name;
    }
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
    ShowMessage(run_texts::kNotEnoughSpace, static_cast<unsigned long long>(freeBytes >> 20), 10);
    return false;
}

// Keeps the host busy until Done, or until it goes out of scope, whichever way the run ends.
class BusyScope {
public:
    explicit BusyScope(AnalysisHost& host) : host_(host) {
        host_.SetBusy(true);
        host_.RunStarts();
    }
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

bool ReportWriteFailed(const std::string& reportName) {
    ShowMessage(run_texts::kCannotWriteReport, FullPathOrName(reportName).c_str());
    return false;
}

std::string SummaryText(const PassCounts& counts,
                        const std::optional<CaptureStatistics>& statistics,
                        const std::string& reportPath) {
    std::string text = Format(run_texts::kSummary, counts.recordsRead, counts.messages,
                              counts.ignored, reportPath.c_str());
    if (counts.ignored > 0) {
        text += run_texts::kIgnoredExplained;
    }
    if (statistics) {
        text += Format(run_texts::kPacketStatistics,
                       static_cast<unsigned long long>(statistics->received),
                       static_cast<unsigned long long>(statistics->droppedByKernel),
                       static_cast<unsigned long long>(statistics->droppedByInterface));
    }
    return text;
}

// A stream (standard input, a pipe) or a live capture: the run lasts as long as its writer.
bool GoesOn(const std::vector<std::string>& paths, const CaptureSource& source) {
    if (source.Statistics()) {
        return true;
    }
    return paths.size() == 1 && (paths[0] == "-" || InspectInput(paths[0]).kind == InputKind::Pipe);
}

// "3 map entries matched no transaction: A, B, C", naming the first few.
std::string UnmatchedEntriesText(const std::vector<const MapEntry*>& unmatched) {
    constexpr size_t kNamesShown = 10;
    std::string text = std::to_string(unmatched.size()) +
                       (unmatched.size() == 1 ? " map entry" : " map entries") +
                       " matched no transaction: ";
    for (size_t i = 0; i < unmatched.size() && i < kNamesShown; ++i) {
        text += (i == 0 ? "" : ", ") + unmatched[i]->name;
    }
    if (unmatched.size() > kNamesShown) {
        text += " and " + std::to_string(unmatched.size() - kNamesShown) + " more";
    }
    return text;
}

void WarnOfUnmatchedEntries(const PlantResult& plant, AnalysisHost& host) {
    if (plant.mapper == nullptr) {
        return;
    }
    const std::vector<const MapEntry*> unmatched = plant.mapper->UnmatchedEntries();
    if (!unmatched.empty()) {
        host.Warn(UnmatchedEntriesText(unmatched));
    }
}

// Says why the capture could not be read to its end, naming the file it happened in.
void ShowCaptureFailure(const CaptureSource& source, const std::string& inputPath) {
    const CaptureFailure& failure = source.Failure();
    const std::string& path = failure.path.empty() ? inputPath : failure.path;
    ShowMessage(run_texts::kCaptureDamaged, static_cast<unsigned long long>(failure.recordNumber),
                static_cast<long long>(failure.fileOffset), failure.message.c_str(), path.c_str());
}

// The files named in a message about the whole capture: "a", or "a\nFile: b" for several.
std::string CaptureNames(const std::vector<std::string>& paths) {
    std::string names;
    for (const std::string& path : paths) {
        names += (names.empty() ? "" : "\nFile: ") + path;
    }
    return names;
}

void ShowOpenFailure(const std::string& path, const CaptureOpenError& error) {
    DebugLog("Can not read the capture, File=[%s] Reason=[%s]", path.c_str(),
             error.message.c_str());
    ShowMessage(error.unreadable ? run_texts::kCannotReadInput : run_texts::kInvalidInput,
                path.c_str(), error.message.c_str());
}

// Opens the one capture file, or the several read as one; null when the user has been told why
// not. `paths` becomes the files in reading order.
std::unique_ptr<CaptureSource> OpenInput(std::vector<std::string>& paths, bool twoPasses,
                                         AnalysisHost& host) {
    CaptureOpenError openError;
    if (paths.size() == 1) {
        // Only the address pairing reads the capture twice: a pipe is then kept in a temporary
        // file.
        std::unique_ptr<CaptureSource> source = OpenCaptureSource(
            paths[0], openError, twoPasses ? CaptureReading::Twice : CaptureReading::Once);
        if (!source) {
            ShowOpenFailure(paths[0], openError);
            return nullptr;
        }
        const int64_t fileLinkType = source->FileLinkType();
        if (fileLinkType >= 0 && !IsSupportedLinkType(static_cast<uint32_t>(fileLinkType))) {
            ShowMessage(run_texts::kLinkNotRead, paths[0].c_str(),
                        DescribeLinkType(static_cast<uint32_t>(fileLinkType)).c_str());
            return nullptr;
        }
        return source;
    }
    const auto opener = [](const std::string& path, CaptureOpenError& error) {
        std::unique_ptr<CaptureSource> source = OpenCaptureSource(path, error);
        const int64_t fileLinkType = source ? source->FileLinkType() : -1;
        if (fileLinkType >= 0 && !IsSupportedLinkType(static_cast<uint32_t>(fileLinkType))) {
            error.message = DescribeLinkType(static_cast<uint32_t>(fileLinkType)) + " is not read";
            return std::unique_ptr<CaptureSource>();
        }
        return source;
    };
    std::string failedPath;
    std::unique_ptr<CaptureSequence> sequence =
        CaptureSequence::Open(paths, opener, openError, failedPath);
    if (!sequence) {
        ShowOpenFailure(failedPath, openError);
        return nullptr;
    }
    sequence->SetCutNotice([&host](const CaptureFailure& cut, const std::string&) {
        const std::string text = CutRecordText(cut, true);
        host.Warn(text);
    });
    paths = sequence->Paths();
    return sequence;
}

// What an interface captures when no filter is given: TCP on the Modbus ports.
std::string ModbusPortsFilter(const std::vector<uint16_t>& extraPorts) {
    std::string ports = "port 502";
    for (const uint16_t port : extraPorts) {
        ports += " or port " + std::to_string(port);
    }
    return "tcp and (" + ports + ")";
}

// The capture the request names: its interfaces live, or its files (narrowed by the capture
// filter when one is given). Null when the user has been told why not; `paths` becomes the
// files in reading order, or the interfaces.
std::unique_ptr<CaptureSource> OpenRequestedCapture(const AnalysisRequest& request,
                                                    std::vector<std::string>& paths,
                                                    AnalysisHost& host) {
    std::string error;
    std::unique_ptr<PacketFilter> filter;
    if (!request.captureFilter.empty()) {
        filter = CompilePacketFilter(request.captureFilter, error);
        if (!filter) {
            if (PacketFiltersAvailable()) {
                ShowMessage(run_texts::kBadCaptureFilter, request.captureFilter.c_str(),
                            error.c_str());
            } else {
                ShowMessage(run_texts::kCannotCapture, error.c_str());
            }
            return nullptr;
        }
    }
    if (!request.interfaces.empty()) {
        paths = request.interfaces;
        const std::string expression = request.captureFilter.empty()
                                           ? ModbusPortsFilter(request.options.extraModbusPorts)
                                           : request.captureFilter;
        std::unique_ptr<CaptureSource> live = OpenLiveCapture(paths, expression, error);
        if (!live) {
            ShowMessage(run_texts::kCannotCapture, error.c_str());
            return nullptr;
        }
        const int64_t linkType = live->FileLinkType();
        if (linkType >= 0 && !IsSupportedLinkType(static_cast<uint32_t>(linkType))) {
            ShowMessage(run_texts::kLinkNotRead, CaptureNames(paths).c_str(),
                        DescribeLinkType(static_cast<uint32_t>(linkType)).c_str());
            return nullptr;
        }
        DebugLog("Capturing live, Filter=[%s]", expression.c_str());
        return live;
    }
    std::unique_ptr<CaptureSource> source =
        OpenInput(paths, request.options.pairing == PairingMode::Address, host);
    if (source && filter) {
        source = std::make_unique<FilteredSource>(std::move(source), std::move(filter));
    }
    return source;
}

void LogStatistics(const CaptureSource& source) {
    const std::optional<CaptureStatistics> statistics = source.Statistics();
    if (statistics) {
        DebugLog(
            "Capture statistics, Received=[%llu] Dropped by kernel=[%llu] Dropped by "
            "interface=[%llu]",
            static_cast<unsigned long long>(statistics->received),
            static_cast<unsigned long long>(statistics->droppedByKernel),
            static_cast<unsigned long long>(statistics->droppedByInterface));
    }
}

AnalysisResult AnalyseCapture(const AnalysisRequest& request, AnalysisHost& host,
                              PlatformServices& platform) {
    BusyScope busy(host);

    const AnalysisOptions& options = request.options;
    std::vector<std::string> paths = request.inputPaths;
    const std::unique_ptr<CaptureSource> source = OpenRequestedCapture(request, paths, host);
    if (!source) {
        return AnalysisResult::EndedEarly;
    }
    const std::string& inputPath = paths[0];

    ReportFile report(request.reportPath);
    std::unique_ptr<TransactionLog> transactionLog;
    std::unique_ptr<SummaryFile> summary;
    std::unique_ptr<PointsFile> points;
    std::unique_ptr<SuggestedMapFile> suggestedMap;
    std::unique_ptr<HtmlReportFile> html;
    std::unique_ptr<TopView> top;
    std::unique_ptr<PlantStage> stage;
    PassContext context{host, *source, options, {&report}, PassCounts(), nullptr};
    context.files = paths;
    // Only a run that goes on (a stream, a live capture) rewrites its periodic files; a file
    // capture is over too soon for a reader to need them before the end.
    const double updateSeconds = GoesOn(paths, *source) ? options.updateSeconds : 0;
    if (options.pairing == PairingMode::Transaction) {
        if (!options.transactionLog.empty()) {
            transactionLog = std::make_unique<TransactionLog>(options.transactionLog);
            context.sinks.push_back(transactionLog.get());
        }
        if (!options.summary.empty()) {
            summary = std::make_unique<SummaryFile>(options.summary, updateSeconds);
            context.sinks.push_back(summary.get());
        }
        if (!options.points.empty()) {
            points = std::make_unique<PointsFile>(options.points);
            context.sinks.push_back(points.get());
        }
        if (!options.suggestMap.empty()) {
            suggestedMap = std::make_unique<SuggestedMapFile>(options.suggestMap, updateSeconds);
            context.sinks.push_back(suggestedMap.get());
        }
        if (!options.html.empty()) {
            html = std::make_unique<HtmlReportFile>(options.html, updateSeconds);
            context.sinks.push_back(html.get());
        }
        if (options.top != nullptr) {
            top = std::make_unique<TopView>(*options.top);
            context.sinks.push_back(top.get());
        }
        // The stage works out what the views say they need, no more.
        PlantNeeds needs;
        for (const TransactionSink* sink : context.sinks) {
            needs |= sink->Needs();
        }
        if (needs.Any()) {
            stage =
                std::make_unique<PlantStage>(needs, options.slowResponseMs, options.registerMap);
            context.stage = stage.get();
        }
    }
    PassEnd end = options.pairing == PairingMode::Address ? RunAddressPairing(context)
                                                          : RunTransactionPairing(context);
    LogStatistics(*source);
    // Only an output that uses the map gives its entries a chance to match. Told before the
    // views close, so that the summary and the page list it among the run's warnings.
    if (end == PassEnd::Completed && stage && (transactionLog || summary || points || html)) {
        WarnOfUnmatchedEntries(stage->Result(context.Facts()), host);
    }
    const CaptureFacts facts = context.Facts();
    const PlantResult plant = stage ? stage->Result(facts) : PlantResult{facts};
    // Everything taken so far is stored, whichever way the pass ended; a capture without any
    // Modbus message leaves no file behind (not even an empty summary).
    for (TransactionSink* sink : context.sinks) {
        if (end != PassEnd::NoMessages && !sink->Close(plant) && context.failedSink == nullptr) {
            context.failedSink = sink;
        }
    }
    if (context.failedSink != nullptr && end != PassEnd::NoMessages) {
        end = PassEnd::WriteFailed;
    }
    switch (end) {
        case PassEnd::NoMessages:
            ShowMessage(run_texts::kNoModbusMessages, CaptureNames(paths).c_str());
            return AnalysisResult::EndedEarly;
        case PassEnd::WriteFailed:
            ReportWriteFailed(context.failedSink->FileName());
            return AnalysisResult::EndedEarly;
        case PassEnd::CaptureFailed:
            ShowCaptureFailure(*source, inputPath);
            return AnalysisResult::EndedEarly;
        case PassEnd::Interrupted:
            // Stopped by the user, the closing counts still tell what was read.
            host.SetResultsText(
                SummaryText(context.counts, facts.statistics, FullPathOrName(request.reportPath)));
            return AnalysisResult::Interrupted;
        case PassEnd::Completed:
            break;
    }
    const PassCounts& counts = context.counts;
    const bool toStandardOutput = request.reportPath == kStandardOutputName;
    const std::string reportPath = FullPathOrName(request.reportPath);
    host.SetResultsText(SummaryText(counts, facts.statistics, reportPath));
    host.RefreshControls();
    host.PumpPendingMessage();
    busy.Done();

    // A report on standard output has no folder to show.
    if (counts.messages > 0 && !toStandardOutput &&
        MessageAndLog(kMbYesNo, run_texts::kAnalysed, counts.messages, reportPath.c_str()) ==
            kIdYes) {
        OfferFolder(platform, reportPath);
    }
    return AnalysisResult::Completed;
}

}  // namespace

AnalysisResult RunAnalysis(const AnalysisRequest& request, AnalysisHost& host,
                           PlatformServices& platform) {
    const std::vector<std::string>& paths = request.inputPaths;
    if (request.interfaces.empty() && (paths.empty() || paths[0].empty())) {
        ShowMessage(run_texts::kSelectFile);
        return AnalysisResult::EndedEarly;
    }
    const std::string& reportName = request.reportPath;
    const AnalysisOptions& options = request.options;
    const std::vector<std::string> outputs = {reportName,         options.transactionLog,
                                              options.summary,    options.points,
                                              options.suggestMap, options.html};
    for (const std::string& inputPath : paths) {
        if (paths.size() > 1 &&
            (inputPath == "-" || InspectInput(inputPath).kind == InputKind::Pipe)) {
            ShowMessage(run_texts::kInvalidInput, inputPath.c_str(),
                        "a stream cannot be read together with other captures");
            return AnalysisResult::EndedEarly;
        }
        if (inputPath != "-" && IsRefusedKind(inputPath)) {
            return AnalysisResult::EndedEarly;
        }
        if (inputPath != "-" && !IsReadable(inputPath)) {
            ShowMessage(run_texts::kInputUnreadable, inputPath.c_str());
            return AnalysisResult::EndedEarly;
        }
        for (const std::string& output : outputs) {
            if (!output.empty() && output != kStandardOutputName && IsSameFile(inputPath, output)) {
                ShowMessage(run_texts::kCaptureIsOutput, output.c_str());
                return AnalysisResult::EndedEarly;
            }
        }
    }
    for (const std::string& output :
         {options.summary, options.points, options.suggestMap, options.html}) {
        if (!output.empty() && !CanWrite(output)) {
            ShowMessage(run_texts::kCannotWriteReport, FullPathOrName(output).c_str());
            return AnalysisResult::EndedEarly;
        }
    }
    const ReportTarget target = TargetOf(reportName);
    const bool replaced = target == ReportTarget::RegularFile && request.replaceExistingReport &&
                          std::remove(reportName.c_str()) == 0;
    if (!replaced && (target == ReportTarget::RegularFile || target == ReportTarget::Other)) {
        const std::string reportPath = FullPathOrName(reportName);
        if (MessageAndLog(kMbYesNo, run_texts::kPreviousReport, reportPath.c_str()) == kIdYes) {
            OfferFolder(platform, reportPath);
        }
        return AnalysisResult::EndedEarly;
    }
    host.SetResultsText(std::string());
    if (!EnoughFreeSpace(platform)) {
        return AnalysisResult::EndedEarly;
    }
    return AnalyseCapture(request, host, platform);
}
