#pragma once
// The analysis run's host on a console: the results text is kept, progress is shown as one
// line on standard error when that is a terminal, and there is no window to pump.

#include <iosfwd>
#include <string>

#include "analysis/analysis_host.h"

class ConsoleHost : public AnalysisHost {
public:
    ConsoleHost(std::ostream& progress, bool showProgress);

    void SetResultsText(const std::string& text) override { resultsText_ = text; }
    void RefreshControls() override;
    void PumpPendingMessage() override {}
    void SetBusy(bool busy) override;
    // The progress line, redrawn at most ten times a second.
    void ShowProgress(const ProgressUpdate& update) override;
    bool StopRequested() override;
    bool TakeUpdateRequest() override;

    const std::string& ResultsText() const { return resultsText_; }

protected:
    void ShowWarning(const std::string& text) override;

private:
    void DrawLine(std::string line);
    void ClearProgressLine();

    std::string resultsText_;
    std::ostream& progress_;
    bool showProgress_;
    bool running_ = false;
    size_t shownWidth_ = 0;
};
