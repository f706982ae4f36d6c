#include "analysis/analysis_host.h"

#include "common/logging.h"
#include "common/text_format.h"
#include "modbus/rtu_frame.h"

std::string ProgressText(const ProgressUpdate& update) {
    return Format("%d\tModbus messages processed...Please wait\r\n\r\nLine:\r\n\t%s",
                  update.messages, FrameTextOf(update.lastFrame).c_str());
}

void AnalysisHost::ShowProgress(const ProgressUpdate& update) {
    SetResultsText(ProgressText(update));
    RefreshControls();
    PumpPendingMessage();
}

void AnalysisHost::Warn(const std::string& text) {
    LogMessage("Warning: %s", text.c_str());
    warnings_.Add(text);
    ShowWarning(text);
}
