#pragma once
// What an analysis run needs of the window (or console) that starts it.

#include <string>

constexpr const char* kReportFileName = "output.txt";

class AnalysisHost {
public:
    virtual ~AnalysisHost() = default;

    // The capture file to analyse, as the host holds it.
    virtual std::string InputPath() const = 0;
    // Sets the text of the results box; it is shown at the next RefreshControls.
    virtual void SetResultsText(const std::string& text) = 0;
    virtual void RefreshControls() = 0;
    // Repaints and handles at most one pending window message, so the window stays alive.
    virtual void PumpPendingMessage() = 0;
    // True while a run works: the host keeps the user from starting another one (the dialog
    // disables its results box and Analyze button).
    virtual void SetBusy(bool busy) = 0;
    // Called after each analysed message (the dialog sleeps 1 ms here).
    virtual void PauseAfterMessage() = 0;
    // Where the report goes, and whether an existing one there is deleted instead of stopping
    // the run (the dialog keeps output.txt in the current directory and stops).
    virtual std::string ReportPath() const { return kReportFileName; }
    virtual bool ReplaceExistingReport() const { return false; }
};
