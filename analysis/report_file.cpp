#include "analysis/report_file.h"

#include "common/logging.h"
#include "modbus/frame_analysis.h"
#include "report/frame_text.h"

FrameReport AnalysisOf(const CModbusMessage& frame, const CModbusMessage* poll) {
    return AnalyseFrame(FrameView(ByteView(frame.frame)),
                        poll != nullptr ? FrameView(ByteView(poll->frame)) : FrameView());
}

FrameReport AnalysisOf(const FrameToReport& item) {
    return AnalysisOf(item.frame, item.poll ? &*item.poll : nullptr);
}

std::string FrameAnalysisOf(const FrameToReport& item, const FrameReport& report) {
    const FrameAddresses addresses{item.frame.source.ToString(), item.frame.destination.ToString()};
    std::string text = FrameAnalysisText(report, item.frame.FrameText(), &addresses);
    text += item.note;
    if (item.asResponse) {
        text += kFinisTrailer;
    }
    return text;
}

bool ReportFile::WriteBlock(int32_t number, const std::string& analysisText) {
    // The analysis is written without its carriage returns, every line end as "\r\n": the
    // analyser's "\r\n" stays "\r\n", a stray "\r" goes, a bare "\n" gains one.
    std::string block = Format("Frame: %03d\r\n", number);
    block.reserve(block.size() + analysisText.size() + analysisText.size() / 32 + 4);
    const char* run = analysisText.data();
    const char* const end = run + analysisText.size();
    for (const char* c = run; c < end; ++c) {
        if (*c == '\r' || *c == '\n') {
            block.append(run, static_cast<size_t>(c - run));
            if (*c == '\n') {
                block += "\r\n";
            }
            run = c + 1;
        }
    }
    block.append(run, static_cast<size_t>(end - run));
    block += "\r\n\r\n";
    return file_.WriteBytes(block);
}
