#include "analysis/report_file.h"

#include <algorithm>

#include "common/logging.h"
#include "modbus/frame_analysis.h"
#include "report/frame_text.h"

std::string FrameAnalysisOf(const FrameToReport& item) {
    const std::vector<int32_t> frame = FrameValuesOf(ByteView(item.frame.frame));
    std::vector<int32_t> poll;
    if (item.poll) {
        poll = FrameValuesOf(ByteView(item.poll->frame));
    }
    const FrameReport report = AnalyseFrameValues(FrameView(frame), FrameView(poll));
    const FrameAddresses addresses{item.frame.source.ToString(), item.frame.destination.ToString()};
    std::string text = FrameAnalysisText(report, item.frame.FrameText(), &addresses, false);
    text += item.note;
    if (item.asResponse) {
        text += kFinisTrailer;
    }
    return text;
}

bool ReportFile::WriteBlock(int32_t number, const std::string& analysisText) {
    std::string block = Format("Frame: %03d\n", number);
    block.reserve(block.size() + analysisText.size() + 2);
    std::remove_copy(analysisText.begin(), analysisText.end(), std::back_inserter(block), '\r');
    block += "\n\n";
    return file_.Write(block);
}
