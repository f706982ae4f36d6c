#pragma once
// What an analysis run is given (the request) and what it needs of the window or console that
// starts it (the host).

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "analysis/progress_throttle.h"
#include "common/byte_view.h"
#include "plant/capture_facts.h"
#include "plant/register_map.h"
#include "session/response_defaults.h"

class TopScreen;

constexpr const char* kReportFileName = "output.txt";
// The report path that names standard output.
constexpr const char* kStandardOutputName = "-";
constexpr double kDefaultUpdateSeconds = 10;

enum class PairingMode {
    Transaction,  // per TCP connection and transaction id, every message of every segment
    Address,      // one server found in a first pass, paired by address, one message per record
};

struct AnalysisOptions {
    PairingMode pairing = PairingMode::Transaction;
    std::vector<uint16_t> extraModbusPorts;                          // besides 502
    double responseTimeoutSeconds = kDefaultResponseTimeoutSeconds;  // of capture time
    std::string transactionLog;  // JSON Lines file, or empty for none
    std::string summary;         // the plant summary (JSON), or empty for none
    std::string points;          // the point values (CSV), or empty for none
    std::string html;            // the HTML report, or empty for none
    std::string suggestMap;      // a register map drafted (YAML), or empty for none
    double slowResponseMs = kDefaultSlowResponseMs;  // answers later are an anomaly
    std::shared_ptr<const RegisterMap> registerMap;  // typed values in the outputs; may be null
    // While a stream or a live capture goes on, the summary, the page and the drafted map are
    // rewritten this often (wall-clock seconds); a file capture writes them once, at the end.
    double updateSeconds = kDefaultUpdateSeconds;
    double durationSeconds = 0;  // the run ends after this long (wall-clock); 0: no end
    TopScreen* top = nullptr;    // the live view of the devices draws here; null for none
};

struct AnalysisRequest {
    // The capture: one file ("-" is standard input), or several read as one in the order of
    // their first records' times (the files of a rotated capture).
    std::vector<std::string> inputPaths;
    // Or the network interfaces to capture from live (then inputPaths is empty).
    std::vector<std::string> interfaces;
    // A capture filter (BPF, as tcpdump takes it) for the interfaces or the files; empty: none,
    // and an interface then captures TCP on the Modbus ports.
    std::string captureFilter;
    std::string reportPath = kReportFileName;  // kStandardOutputName: standard output
    // An existing report is deleted instead of stopping the run (the dialog always stops).
    bool replaceExistingReport = false;
    AnalysisOptions options;
};

// How far the run has come: after every record, whether or not it completed a message.
struct ProgressUpdate {
    int32_t messages = 0;       // the number of the latest message reported
    ByteView lastFrame;         // its RTU frame; valid during the call only
    bool afterMessage = false;  // a message was reported since the previous update
};

// The dialog's progress text: "<n>\tModbus messages processed...Please wait", then the frame.
std::string ProgressText(const ProgressUpdate& update);

class AnalysisHost {
public:
    // Progress is shown at most every `progressInterval`: redrawing it more often costs more
    // than the analysis.
    explicit AnalysisHost(
        std::chrono::milliseconds progressInterval = std::chrono::milliseconds(50))
        : progressInterval_(progressInterval), progressThrottle_(progressInterval) {}
    virtual ~AnalysisHost() = default;

    // The run calls Progress after every record (RunStarts begins a run). Updates that come
    // sooner than the interval are dropped here (the first message of a run is shown at once);
    // the rest go to ShowProgress.
    void Progress(const ProgressUpdate& update) {
        if (progressThrottle_.Due(update.afterMessage)) {
            ShowProgress(update);
        }
    }

    // Sets the text of the results box; it is shown at the next RefreshControls.
    virtual void SetResultsText(const std::string& text) = 0;
    virtual void RefreshControls() = 0;
    // Repaints and handles the window messages that are pending, so the window stays alive.
    virtual void PumpPendingMessage() = 0;
    // Shows progress; by default the results box shows the progress text.
    virtual void ShowProgress(const ProgressUpdate& update);
    // True while a run works: the host keeps the user from starting another one (the dialog
    // disables its results box and Analyze button).
    virtual void SetBusy(bool busy) = 0;
    // True once the user asked the run to stop (Ctrl-C): it ends after the current block.
    virtual bool StopRequested() { return false; }
    // True once after the user asked for the periodic files now (SIGHUP); the request is taken.
    virtual bool TakeUpdateRequest() { return false; }
    // Issues a notice that is no question and no error (the capture ended in a cut record, a
    // map entry matched nothing, ...): one entry in log.txt, whatever the front end shows; kept
    // for the run's summary and page (the first RunWarnings::kKept, the rest counted); then shown
    // by the front end (ShowWarning). Every warning of a run goes through here.
    void Warn(const std::string& text);
    // The warnings issued since the run started.
    const RunWarnings& Warnings() const { return warnings_; }

    // At the start of each run: progress is shown afresh and the warnings of an earlier run
    // (the dialog runs many) are forgotten.
    void RunStarts() {
        progressThrottle_ = ProgressThrottle(progressInterval_);
        warnings_ = RunWarnings();
    }

protected:
    // How the front end shows a warning (the console: on standard error); by default not at all.
    virtual void ShowWarning(const std::string& /*text*/) {}

private:
    RunWarnings warnings_;
    std::chrono::milliseconds progressInterval_;
    ProgressThrottle progressThrottle_;
};
