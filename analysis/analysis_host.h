#pragma once
// What an analysis run needs of the window (or console) that starts it.

#include <cstdint>
#include <string>
#include <vector>

constexpr const char* kReportFileName = "output.txt";

enum class PairingMode {
    Transaction,  // per TCP connection and transaction id, every message of every segment
    Address,      // one server found in a first pass, paired by address, one message per record
};

struct AnalysisOptions {
    PairingMode pairing = PairingMode::Transaction;
    std::vector<uint16_t> extraModbusPorts;  // besides 502
    double responseTimeoutSeconds = 5.0;     // of capture time
    std::string transactionLog;              // JSON Lines file, or empty for none
};

class AnalysisHost {
public:
    virtual ~AnalysisHost() = default;

    // The capture file to analyse, as the host holds it ("-" is standard input).
    virtual std::string InputPath() const = 0;
    // Sets the text of the results box; it is shown at the next RefreshControls.
    virtual void SetResultsText(const std::string& text) = 0;
    virtual void RefreshControls() = 0;
    // Repaints and handles the window messages that are pending, so the window stays alive.
    virtual void PumpPendingMessage() = 0;
    // Shows the progress text (at most every few tens of milliseconds): by default the whole
    // results box is refreshed; a host may refresh only what shows the progress.
    virtual void ShowProgress(const std::string& text) {
        SetResultsText(text);
        RefreshControls();
        PumpPendingMessage();
    }
    // True while a run works: the host keeps the user from starting another one (the dialog
    // disables its results box and Analyze button).
    virtual void SetBusy(bool busy) = 0;
    // Where the report goes, and whether an existing one there is deleted instead of stopping
    // the run (the dialog keeps output.txt in the current directory and stops).
    virtual std::string ReportPath() const { return kReportFileName; }
    virtual bool ReplaceExistingReport() const { return false; }
    virtual AnalysisOptions Options() const { return AnalysisOptions(); }
    // True once the user asked the run to stop (Ctrl-C): it ends after the current block.
    virtual bool StopRequested() { return false; }
    // A notice that is no question and no error: the capture ended in a cut record, ...
    virtual void Warn(const std::string& /*text*/) {}
};
