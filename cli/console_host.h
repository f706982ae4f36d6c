#pragma once
// The analysis run's host on a console: the results text is kept, progress is shown as one
// line on standard error when that is a terminal, and there is no window to pump.

#include <iosfwd>
#include <string>

#include "analysis/analysis_host.h"
#include "analysis/progress_throttle.h"

class ConsoleHost : public AnalysisHost {
public:
    ConsoleHost(std::string inputPath, std::ostream& progress, bool showProgress);

    std::string InputPath() const override { return inputPath_; }
    void SetResultsText(const std::string& text) override { resultsText_ = text; }
    void RefreshControls() override;
    void PumpPendingMessage() override {}
    void SetBusy(bool busy) override;
    // The progress line is redrawn at most ten times a second.
    void ShowProgress(const std::string& text) override;
    AnalysisOptions Options() const override { return options_; }
    bool StopRequested() override;
    void Warn(const std::string& text) override;
    std::string ReportPath() const override { return reportPath_; }
    bool ReplaceExistingReport() const override { return replaceReport_; }

    // -o FILE and --force; without them output.txt in the working directory, never replaced.
    void UseReport(std::string path, bool replaceExisting);

    void UseOptions(AnalysisOptions options) { options_ = std::move(options); }

    const std::string& ResultsText() const { return resultsText_; }

private:
    void ClearProgressLine();

    std::string inputPath_;
    std::string resultsText_;
    std::string reportPath_ = kReportFileName;
    bool replaceReport_ = false;
    std::ostream& progress_;
    bool showProgress_;
    bool running_ = false;
    size_t shownWidth_ = 0;
    AnalysisOptions options_;
    ProgressThrottle progressThrottle_{std::chrono::milliseconds(100)};
};
